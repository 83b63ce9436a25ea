#pragma once
// The settings file: an INI file holding the reference zone, the five clocks and the
// mini strip's position, beside the executable or in the user's configuration folder. Nothing is cached:
// every read opens the file, every write replaces one key. A failed write throws Exception
// ("Unable to write to <path>").

#include "timezones/ZoneRecord.h"

#include <QPoint>
#include <QString>

#include <optional>

class TMainCapital;

class TSettings {
public:
    explicit TSettings(const QString& fileName);
    const QString& FileName() const { return fileName_; }

    TIME_ZONE_INFORMATION ReadLocalZone(const TIME_ZONE_INFORMATION& defaultZone) const;
    // The saved reference zone; nothing when none is saved or it is unusable (the
    // computer's own zone is the reference then).
    std::optional<TIME_ZONE_INFORMATION> ReadLocalZone() const;
    void WriteLocalZone(const TIME_ZONE_INFORMATION& zone) const;
    // Removes the saved reference zone, so the computer's own zone is the reference.
    void ForgetLocalZone() const;

    QPoint ReadMiniPosition(const QPoint& defaultPosition) const;
    void WriteMiniPosition(const QPoint& position) const;

    // index 0..4 is section "0".."4", clock 1..5.
    void ReadCapital(int index, TMainCapital& capital) const;
    void WriteCapital(int index, const TMainCapital& capital) const;

private:
    QString fileName_;
};

// The process-wide instance over SettingsFileNameFor the running executable.
TSettings& GetSettings();
// Points GetSettings() at another file (tests).
void SetSettingsFileName(const QString& fileName);

// The settings file of the program at executablePath. Beside it (its extension replaced
// by ".ini", or ".ini" appended when it has none) when the user may write its folder:
// the build tree, ~/.local/bin. Otherwise, as for a packaged program in /usr/bin,
// configHome/horavane/horavane.ini, whose folder the first save makes. The system's own
// folders (/usr) are never written, even by root.
QString SettingsFileNameFor(const QString& executablePath, const QString& configHome);

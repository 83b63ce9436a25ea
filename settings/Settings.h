#pragma once
// The settings file: an INI file beside the executable holding the reference zone,
// the five clocks and the mini strip's position. Nothing is cached: every read opens
// the file, every write replaces one key. A failed write throws Exception
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

// The process-wide instance over the executable's path with ".ini".
TSettings& GetSettings();
// Points GetSettings() at another file (tests, and runs from a read-only folder).
void SetSettingsFileName(const QString& fileName);

// The settings file beside an executable: its extension replaced by ".ini", or ".ini"
// appended when it has none.
QString SettingsFileNameFor(const QString& executablePath);

#pragma once
// The main window's logic without its widgets. It owns the zone catalogue and reads it
// anew when the year or a zone's rules ask for it; the exchanges' zones and the chart zone,
// which follows New York's; the computer's zone; the reference zone as the user chose it
// (an entry of the catalogue, or the computer's own zone, whichever it is); the five
// clocks; the session table and the exchanges' calendar; the balloon list; and the coming
// events. It never reads the clock: each call takes the instant it is for, and one call
// gives everything that minute shows.

#include "clocks/MainCapital.h"
#include "model/MinutePicture.h"
#include "sessions/SessionTable.h"
#include "sessions/UpcomingEvents.h"
#include "timezones/TimeZones.h"
#include "timezones/TzCatalogue.h"
#include "worldmap/BalloonHint.h"
#include "worldmap/WorldMapCapital.h"

#include <QPoint>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>

struct TMainModelOptions {
    // The registry holding the zone catalogue as it is right at an instant, and when it
    // must be read again (the tz database's by default).
    std::function<TZoneRegistryBuild(qint64 utcMs)> zoneRegistry;
    // The computer's own zone at an instant as a record of the catalogue.
    std::function<TIME_ZONE_INFORMATION(const TTimeZoneList& catalogue, qint64 utcMs)> computerZone;
    // Where a failure that stops nothing goes (a holiday table left out, a catalogue that
    // could not be read again); it is never swallowed.
    std::function<void(const QString& message)> reportError;
};

// The reference zone's choice that is no entry of the catalogue: the computer's own zone.
inline constexpr int kComputerTime = -1;

// The clocks' names before the settings give others, slot 1..5.
inline const std::array<QString, 5> kDefaultClockNames = {QStringLiteral("London"), QStringLiteral("NewYork"),
                                                          QStringLiteral("Tokyo"), QStringLiteral("Sydney"),
                                                          QStringLiteral("Moscow")};

class TMainModel {
public:
    explicit TMainModel(TMainModelOptions options = {});
    ~TMainModel();
    TMainModel(const TMainModel&) = delete;
    TMainModel& operator=(const TMainModel&) = delete;

    // --- start-up, step by step in this order. A step that throws leaves the later ones
    // undone; every picture then makes do with what was built, and the calendar is not
    // followed. ---
    // The five clocks with their default colours, on UTC until the catalogue is read.
    void CreateCapitals(const std::array<QString, 5>& names);
    // The catalogue for the instant: the clocks' default zones, the exchanges' zones, the
    // chart zone (New York's rule at UTC+2) and the map's markers.
    void LoadTimeZones(qint64 utcMs);
    // The clocks the settings file keeps, with their zones' rules of now.
    void ReadCapitals();
    // The computer's zone, and the reference zone the settings file keeps, else the
    // computer's own.
    void DetectLocalZone(qint64 utcMs);
    // The exchanges' holidays: the program's tables and the user's (a file left out is
    // reported).
    void LoadTradingCalendar();
    // The seven bars and three strips, drawn in the geometry given.
    void CreateSessions(const TElementGeometry& geometry, qint64 utcMs);
    void CreateBalloonList();
    // Start-up is complete: from now on the calendar is followed.
    void FinishStartUp(qint64 utcMs);
    // Every step above, for the chart's own geometry at device pixel ratio 1.
    void StartUp(qint64 utcMs, const std::array<QString, 5>& names = kDefaultClockNames);

    // --- the minute ---
    // The picture of utcMs when its whole minute (date included) is not that of the last
    // picture Tick gave, after following the calendar to it; null within that minute.
    const TMinutePicture* Tick(qint64 utcMs);
    // The picture of utcMs, after the user's action, without touching Tick's minute.
    const TMinutePicture& PictureAt(qint64 utcMs);
    // The last picture worked out.
    const TMinutePicture& Picture() const { return picture_; }
    // The bars and strips with their bitmaps painted for the last picture's minute.
    const TSessionTable& ChartElements();

    // --- the user's actions ---
    // The reference zone: a catalogue entry or kComputerTime. Shown by the next picture.
    void ChooseReference(int entry);
    // Saves the reference zone chosen: the entry's record, or no saved zone at all for
    // the computer's own zone.
    void WriteLocalZone() const;
    // Saves clock slotIndex + 1, as the clock editor left it.
    void WriteCapital(int slotIndex) const;
    // While the clock editor holds entries of the catalogue it is not read anew.
    void HoldCatalogue(bool held) { catalogueHeld_ = held; }
    // The chart went to a screen of another density: the bars are made anew for it.
    void SetChartGeometry(const TElementGeometry& geometry, qint64 utcMs);
    // The map's tool-tip with the pointer at point.
    std::optional<QString> MarkerHintAt(QPoint point, qint64 utcMs) const;

    // --- what is drawn beside the picture ---
    const TTimeZoneList& TimeZoneList() const { return timeZoneList_; }
    const TWorldMapCapitalsList& MarkerList() const { return markerList_; }
    // Clock 1..5; null before CreateCapitals.
    TMainCapital* Capital(int slot) const { return capitals_.at(size_t(slot - 1)).get(); }
    bool HasCapitals() const { return capitals_[4] != nullptr; }
    int ReferenceEntry() const { return referenceEntry_; }
    // The entry that keeps the computer's time; -1 when none does.
    int ComputerEntry() const { return computerEntry_; }
    const TIME_ZONE_INFORMATION& ComputerZone() const { return computerZone_; }
    const TIME_ZONE_INFORMATION& ChartZone() const { return chartZone_; }
    TIME_ZONE_INFORMATION ReferenceZone() const;
    const TSessionTable& Sessions() const { return sessions_; }
    // What the coming events are worked out from; valid while the sessions stand.
    TUpcomingSources UpcomingSources() const;
    // How many times the catalogue was read (its entries change with each reading).
    int CatalogueReading() const { return catalogueReading_; }

private:
    // One reading of the catalogue with the zones and markers the program takes from it.
    struct TCatalogueReading {
        TTimeZoneList list;
        TWorldMapCapitalsList markers;
        TIME_ZONE_INFORMATION newYork{}, moscow{}, chicago{};
        qint64 rebuildAtMs = 0;
    };
    // Reads the catalogue for the instant; targets may ask for more zones (the clocks').
    TCatalogueReading ReadCatalogue(qint64 utcMs, KnownZoneTargets targets) const;
    // Takes a reading in use: the chart zone follows New York's rule in it.
    void AdoptCatalogue(TCatalogueReading reading, qint64 utcMs);
    void DeriveChartZone();
    TZoneRegistryBuild BuildCatalogue(qint64 utcMs) const;
    TIME_ZONE_INFORMATION ComputerZoneAt(qint64 utcMs) const;
    // The reference entry for a saved record (none: the computer's own zone), and the
    // computer's entry, in the catalogue as it is now.
    void SelectReference(const std::optional<TIME_ZONE_INFORMATION>& saved, qint64 utcMs);
    TSessionZones SessionZones() const;
    void FollowTheCalendar(qint64 utcMs);
    void RebuildCatalogue(qint64 utcMs);
    void FollowOffsetChanges(qint64 utcMs);
    void ScheduleOffsetCheck(qint64 utcMs);
    void ReportError(const QString& message) const;

    TMainModelOptions options_;
    std::array<std::unique_ptr<TMainCapital>, 5> capitals_;
    TWorldMapCapitalsList markerList_;
    TTimeZoneList timeZoneList_;
    TIME_ZONE_INFORMATION chartZone_{};
    TIME_ZONE_INFORMATION chicagoZone_{};
    TIME_ZONE_INFORMATION newYorkZone_{};
    TIME_ZONE_INFORMATION moscowZone_{};
    TIME_ZONE_INFORMATION computerZone_{};  // the reference while kComputerTime is chosen
    int referenceEntry_ = kComputerTime;
    int computerEntry_ = -1;
    TTradingCalendar calendar_;
    TElementGeometry geometry_;
    TSessionTable sessions_;
    std::unique_ptr<TBalloonHintList> balloonList_;
    TUpcomingEvents upcomingEvents_;
    TMinutePicture picture_;
    // Tick's minute: the whole minute (milliseconds since 1970) of its last picture.
    qint64 lastMinuteMs_ = kNeverMs;
    // The calendar: when the catalogue was read and must be read again; when an offset
    // between the chart zone and the exchanges' zones may next change.
    qint64 catalogueBuiltAtMs_ = 0;
    qint64 catalogueRebuildAtMs_ = 0;
    qint64 offsetsCheckedAtMs_ = 0;
    qint64 offsetCheckAtMs_ = 0;
    int catalogueReading_ = 0;
    bool catalogueHeld_ = false;
    bool startedUp_ = false;
};

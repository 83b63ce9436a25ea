// The window follows the calendar while it runs for weeks: the zone catalogue is read
// anew at New Year and when a zone with more changes in a year than its rule can hold
// makes its next one, and the exchange hours and the hour line follow clock changes.
// Each is checked once a minute against an instant worked out in advance.
#include "app/Main.h"
#include "platform/Clock.h"
#include "platform/Error.h"
#include "settings/Settings.h"
#include "sessions/SessionChart.h"
#include "timezones/ZoneClock.h"

#include <QComboBox>

#include <algorithm>

void TForm1::FollowTheCalendar() {
    if (!startedUp_) return;  // never touch what a failed start-up did not build
    const qint64 now = now_;
    // A clock set back re-reads too. While the clock editor is open it holds the
    // catalogue's entries, so the catalogue waits for it (checked again next minute).
    if ((now >= catalogueRebuildAtMs_ || now < catalogueBuiltAtMs_) && !editingClock_)
        RebuildCatalogue(now);
    if (now >= offsetCheckAtMs_ || now < offsetsCheckedAtMs_) FollowOffsetChanges(now);
}

void TForm1::RebuildCatalogue(qint64 utcMs) {
    TTimeZoneList list;
    TWorldMapCapitalsList markers;
    TIME_ZONE_INFORMATION newYork{}, moscow{}, chicago{};
    TZoneRegistryBuild build;
    try {
        build = BuildCatalogue(utcMs);
        KnownZoneTargets targets;
        targets.newYorkZone = &newYork;
        targets.moscowZone = &moscow;
        targets.chicagoZone = &chicago;
        targets.keyLoaded = [&markers](const QString& key, const TIME_ZONE_INFORMATION& zone) {
            AddMarkersForKey(markers, key, zone);
        };
        ::LoadTimeZones(build.registry, list, targets);
    } catch (const Exception& error) {
        // The catalogue in use stays; the next try comes with the next year.
        catalogueBuiltAtMs_ = utcMs;
        catalogueRebuildAtMs_ = NextUtcNewYearMs(utcMs);
        ReportError(error.Message());
        return;
    }
    // The reference stays what it was: the same entry, or the computer's own zone.
    const int selected = ReferenceEntry();
    std::optional<TIME_ZONE_INFORMATION> wanted;
    if (selected >= 0 && selected < timeZoneList_.Count())
        wanted = timeZoneList_[selected].ToTimeZoneInformation();

    timeZoneList_ = std::move(list);
    markerList_ = std::move(markers);
    newYorkZone_ = newYork;
    moscowZone_ = moscow;
    chicagoZone_ = chicago;
    chartZone_ = MakeChartZone(newYorkZone_);
    catalogueBuiltAtMs_ = utcMs;
    catalogueRebuildAtMs_ = build.rebuildAtUtcMs;

    // Clocks of catalogue zones take their zone's rule for now; the settings file is
    // not written, as at start-up.
    for (auto& capital : capitals_) capital->Zone = timeZoneList_.CurrentRecord(capital->Zone);
    computerZone_ = ComputerZone();
    FillReferencePicker(wanted);
    CreateSessions();
    if (balloonList_) balloonList_->SetZone(chartZone_);
    PlaceHourPanels();
    ScheduleOffsetCheck(utcMs);
}

void TForm1::FollowOffsetChanges(qint64 utcMs) {
    FollowExchangeOffsets(sessions_, ElementGeometry(), utcMs, SessionZones());
    if (ReferenceHourOffset() != hourPanelsOffset_) PlaceHourPanels();
    ScheduleOffsetCheck(utcMs);
}

void TForm1::ScheduleOffsetCheck(qint64 utcMs) {
    // The offsets the exchange hours and the hour line depend on change only when one of
    // these zones changes its own, or when an exchange opens or closes and its next
    // session is another one.
    offsetsCheckedAtMs_ = utcMs;
    offsetCheckAtMs_ = sessions_.OffsetsValidUntilMs;
    for (const TIME_ZONE_INFORMATION& zone :
         {chartZone_, chicagoZone_, newYorkZone_, moscowZone_, ReferenceZone()})
        if (const std::optional<int64_t> change = NextOffsetChange(zone, utcMs))
            offsetCheckAtMs_ = std::min<qint64>(offsetCheckAtMs_, *change);
}

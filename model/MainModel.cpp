#include "model/MainModel.h"

#include "model/TrayTip.h"
#include "platform/Clock.h"
#include "platform/Error.h"
#include "sessions/SessionChart.h"
#include "settings/Settings.h"
#include "timezones/LocalZoneRecord.h"
#include "timezones/ReferenceZone.h"
#include "timezones/TimeFormat.h"
#include "timezones/ZoneClock.h"

#include <algorithm>

namespace {

// The clocks' default colours, slot 1..5.
constexpr std::array<TColor, 5> kCapitalColors{0x00126137, 0x0062A276, 0x0081CED2, 0x009CA3CA, 0x008A7F8F};

}  // namespace

TMainModel::TMainModel(TMainModelOptions options)
    : options_(std::move(options)), geometry_{kChartWidth / 24.0, kChartHeight / 12, 1.0} {}

TMainModel::~TMainModel() {
    // The strips were built from the bars: they go first.
    sessions_.OverlapList.clear();
    sessions_.SessionList.clear();
}

void TMainModel::ReportError(const QString& message) const {
    if (options_.reportError) options_.reportError(message);
}

// --- start-up -------------------------------------------------------------------------

void TMainModel::CreateCapitals(const std::array<QString, 5>& names) {
    for (size_t k = 0; k < 5; ++k)
        capitals_[k] = std::make_unique<TMainCapital>(names[k], TIME_ZONE_INFORMATION{}, kCapitalColors[k]);
}

TZoneRegistryBuild TMainModel::BuildCatalogue(qint64 utcMs) const {
    return options_.zoneRegistry ? options_.zoneRegistry(utcMs) : BuildZoneRegistryAt(utcMs);
}

TMainModel::TCatalogueReading TMainModel::ReadCatalogue(qint64 utcMs, KnownZoneTargets targets) const {
    TCatalogueReading reading;
    const TZoneRegistryBuild build = BuildCatalogue(utcMs);
    targets.newYorkZone = &reading.newYork;
    targets.moscowZone = &reading.moscow;
    targets.chicagoZone = &reading.chicago;
    targets.keyLoaded = [&reading](const QString& key, const TIME_ZONE_INFORMATION& zone) {
        AddMarkersForKey(reading.markers, key, zone);
    };
    ::LoadTimeZones(build.registry, reading.list, targets);
    reading.rebuildAtMs = build.rebuildAtUtcMs;
    return reading;
}

void TMainModel::AdoptCatalogue(TCatalogueReading reading, qint64 utcMs) {
    timeZoneList_ = std::move(reading.list);
    markerList_ = std::move(reading.markers);
    newYorkZone_ = reading.newYork;
    moscowZone_ = reading.moscow;
    chicagoZone_ = reading.chicago;
    DeriveChartZone();
    catalogueBuiltAtMs_ = utcMs;
    catalogueRebuildAtMs_ = reading.rebuildAtMs;
    ++catalogueReading_;
}

void TMainModel::LoadTimeZones(qint64 utcMs) {
    KnownZoneTargets clocks;  // the clocks take their default zones from the catalogue
    for (size_t k = 0; k < 5; ++k)
        if (capitals_[k]) clocks.clockZones[k] = &capitals_[k]->Zone;
    AdoptCatalogue(ReadCatalogue(utcMs, clocks), utcMs);
}

void TMainModel::DeriveChartZone() {
    // New York's rule as the catalogue has it, whatever zone the user gives clock 2.
    chartZone_ = MakeChartZone(newYorkZone_);
}

void TMainModel::ReadCapitals() {
    for (int i = 0; i < 5; ++i) GetSettings().ReadCapital(i, *capitals_[size_t(i)]);
    // A saved zone of the catalogue takes the rule the catalogue has for now, not the
    // one of the year it was saved in; the file itself stays as it is.
    for (auto& capital : capitals_) capital->Zone = timeZoneList_.CurrentRecord(capital->Zone);
}

TIME_ZONE_INFORMATION TMainModel::ComputerZoneAt(qint64 utcMs) const {
    return options_.computerZone ? options_.computerZone(timeZoneList_, utcMs)
                                 : ComputerZoneRecord(timeZoneList_, utcMs);
}

void TMainModel::DetectLocalZone(qint64 utcMs) {
    computerZone_ = ComputerZoneAt(utcMs);
    // Nothing saved: the computer's own zone, whichever it is at the next start too.
    SelectReference(GetSettings().ReadLocalZone(), utcMs);
}

void TMainModel::SelectReference(const std::optional<TIME_ZONE_INFORMATION>& saved, qint64 utcMs) {
    const SYSTEMTIME now = SystemTimeFromUnixMs(utcMs);
    computerEntry_ = ComputerEntryIndex(timeZoneList_, computerZone_, now);
    referenceEntry_ = saved ? ChooseReferenceIndex(timeZoneList_, computerZone_, *saved, now) : kComputerTime;
}

void TMainModel::LoadTradingCalendar() {
    QStringList errors;
    calendar_ = TTradingCalendar::Load(UserHolidaysFolder(), errors);
    if (!errors.isEmpty()) ReportError(errors.join(u'\n'));
}

TSessionZones TMainModel::SessionZones() const {
    return {chartZone_, chicagoZone_, newYorkZone_, moscowZone_, calendar_};
}

void TMainModel::CreateSessions(const TElementGeometry& geometry, qint64 utcMs) {
    geometry_ = geometry;
    sessions_ = CreateSessionTable(geometry_, utcMs, SessionZones());
}

void TMainModel::CreateBalloonList() {
    balloonList_ = std::make_unique<TBalloonHintList>(chartZone_);
    AddSessionAlerts(*balloonList_);
}

void TMainModel::FinishStartUp(qint64 utcMs) {
    ScheduleOffsetCheck(utcMs);
    startedUp_ = true;
}

void TMainModel::StartUp(qint64 utcMs, const std::array<QString, 5>& names) {
    CreateCapitals(names);
    LoadTimeZones(utcMs);
    ReadCapitals();
    DetectLocalZone(utcMs);
    LoadTradingCalendar();
    CreateSessions(geometry_, utcMs);
    CreateBalloonList();
    FinishStartUp(utcMs);
}

// --- the minute ---------------------------------------------------------------------------

const TMinutePicture* TMainModel::Tick(qint64 utcMs) {
    const qint64 minute = WholeMinuteMs(utcMs);
    if (minute == lastMinuteMs_) return nullptr;
    lastMinuteMs_ = minute;
    FollowTheCalendar(utcMs);
    return &PictureAt(utcMs);
}

TIME_ZONE_INFORMATION TMainModel::ReferenceZone() const {
    return ReferenceZoneRecord(timeZoneList_, referenceEntry_, computerZone_);
}

const TMinutePicture& TMainModel::PictureAt(qint64 utcMs) {
    TMinutePicture& p = picture_;
    p.UtcMs = utcMs;
    const SYSTEMTIME utc = SystemTimeFromUnixMs(utcMs);
    const TIME_ZONE_INFORMATION reference = ReferenceZone();
    const TDateTime referenceNow = ZoneNow(reference, utc);
    p.ReferenceTime = FormatDateTime(ClockTimeFormat(), referenceNow);
    for (size_t k = 0; k < 5; ++k)
        p.Clocks[k] = capitals_[k] ? capitals_[k]->FaceAt(utc, reference) : TClockFace{};
    p.TrayHint = HasCapitals() ? TrayTipText(p.Clocks) : QString();

    p.HourOffset = ZoneHourOffset(reference, chartZone_, utc);
    const int hour = HourOf(referenceNow);
    p.HourColumn = HourColumn(p.HourOffset, hour);
    p.HighlightedHour = HighlightIndex(hour);

    p.Bars.clear();
    for (const auto& bar : sessions_.SessionList)
        p.Bars.push_back({bar->TitleText(), bar->CountdownText(utcMs), bar->IsActiveAt(utcMs)});
    p.Overlaps.clear();
    for (const auto& strip : sessions_.OverlapList)
        p.Overlaps.push_back({strip->ValueText(utcMs), strip->IsActiveAt(utcMs)});

    p.Balloon.reset();
    if (balloonList_)
        if (const TBalloonHint* hint = balloonList_->CurrentHint(utcMs)) p.Balloon = hint->Text;

    // Until start-up has built the clocks and the bars there is nothing to tell.
    if (sessions_.SessionList.size() >= 4 && HasCapitals())
        p.Events = upcomingEvents_.At(UpcomingSources(), utcMs);
    else
        p.Events.clear();
    p.CatalogueReading = catalogueReading_;
    return p;
}

const TSessionTable& TMainModel::ChartElements() {
    PaintElementsFor(sessions_, picture_.UtcMs);
    return sessions_;
}

TUpcomingSources TMainModel::UpcomingSources() const {
    const auto& bars = sessions_.SessionList;
    TUpcomingSources sources;
    sources.Zones = SessionZones();
    sources.Reference = ReferenceZone();
    for (const auto& capital : capitals_)
        if (capital) sources.Clocks.push_back({capital->Name, capital->Zone});
    // The four sessions, whose openings and closings the balloons announce too.
    for (size_t g = 0; g < std::min<size_t>(4, bars.size()); ++g) {
        sources.SessionNames.push_back(bars[g]->Name());
        sources.Sessions.push_back(&bars[g]->Schedule());
    }
    // The London and NewYork overlap, the hours traders plan around most.
    if (sessions_.OverlapList.size() == 3) {
        sources.OverlapName = bars[2]->Name() + QStringLiteral(" – ") + bars[3]->Name();
        sources.Overlap = &sessions_.OverlapList[2]->Schedule();
    }
    return sources;
}

// --- the user's actions -----------------------------------------------------------------

void TMainModel::ChooseReference(int entry) {
    referenceEntry_ = entry >= 0 && entry < timeZoneList_.Count() ? entry : kComputerTime;
}

void TMainModel::WriteLocalZone() const {
    if (referenceEntry_ != kComputerTime)
        GetSettings().WriteLocalZone(timeZoneList_[referenceEntry_].ToTimeZoneInformation());
    else
        GetSettings().ForgetLocalZone();  // the computer's zone, as when nothing was saved
}

void TMainModel::WriteCapital(int slotIndex) const {
    GetSettings().WriteCapital(slotIndex, *capitals_.at(size_t(slotIndex)));
}

void TMainModel::SetChartGeometry(const TElementGeometry& geometry, qint64 utcMs) {
    geometry_ = geometry;
    if (sessions_.SessionList.empty()) return;  // start-up has yet to make them
    CreateSessions(geometry, utcMs);
    ScheduleOffsetCheck(utcMs);
}

std::optional<QString> TMainModel::MarkerHintAt(QPoint point, qint64 utcMs) const {
    return ::MarkerHintAt(markerList_, point, utcMs);
}

// --- following the calendar ------------------------------------------------------------
// Over weeks of running the catalogue is read anew at New Year and when a zone with more
// changes in a year than its rule can hold makes its next one, and the exchanges' hours
// follow clock changes. Each is checked once a minute against an instant worked out in
// advance.

void TMainModel::FollowTheCalendar(qint64 utcMs) {
    if (!startedUp_) return;  // never touch what a failed start-up did not build
    // A clock set back reads anew too. While the clock editor is open it holds the
    // catalogue's entries, so the catalogue waits for it (checked again next minute).
    if ((utcMs >= catalogueRebuildAtMs_ || utcMs < catalogueBuiltAtMs_) && !catalogueHeld_)
        RebuildCatalogue(utcMs);
    if (utcMs >= offsetCheckAtMs_ || utcMs < offsetsCheckedAtMs_) FollowOffsetChanges(utcMs);
}

void TMainModel::RebuildCatalogue(qint64 utcMs) {
    TCatalogueReading reading;
    try {
        reading = ReadCatalogue(utcMs, {});
    } catch (const Exception& error) {
        // The catalogue in use stays; the next try comes with the next year.
        catalogueBuiltAtMs_ = utcMs;
        catalogueRebuildAtMs_ = NextUtcNewYearMs(utcMs);
        ReportError(error.Message());
        return;
    }
    // The reference stays what it was: the same entry, or the computer's own zone.
    std::optional<TIME_ZONE_INFORMATION> wanted;
    if (referenceEntry_ != kComputerTime) wanted = timeZoneList_[referenceEntry_].ToTimeZoneInformation();
    AdoptCatalogue(std::move(reading), utcMs);

    // Clocks of catalogue zones take their zone's rule for now; the settings file is
    // not written, as at start-up.
    for (auto& capital : capitals_) capital->Zone = timeZoneList_.CurrentRecord(capital->Zone);
    computerZone_ = ComputerZoneAt(utcMs);
    SelectReference(wanted, utcMs);
    CreateSessions(geometry_, utcMs);
    if (balloonList_) balloonList_->SetZone(chartZone_);
    ScheduleOffsetCheck(utcMs);
}

void TMainModel::FollowOffsetChanges(qint64 utcMs) {
    FollowExchangeOffsets(sessions_, geometry_, utcMs, SessionZones());
    ScheduleOffsetCheck(utcMs);
}

void TMainModel::ScheduleOffsetCheck(qint64 utcMs) {
    // The exchanges' hours depend on offsets that change only when one of these zones
    // changes its own, or when an exchange opens or closes and its next session is
    // another one. (The hour line follows the reference zone in every picture.)
    offsetsCheckedAtMs_ = utcMs;
    offsetCheckAtMs_ = sessions_.OffsetsValidUntilMs;
    for (const TIME_ZONE_INFORMATION& zone : {chartZone_, chicagoZone_, newYorkZone_, moscowZone_})
        if (const std::optional<int64_t> change = NextOffsetChange(zone, utcMs))
            offsetCheckAtMs_ = std::min<qint64>(offsetCheckAtMs_, *change);
}

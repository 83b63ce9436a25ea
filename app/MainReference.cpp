// The reference zone: the entry of cbbUTC that counts as the user's own time, or
// "Время компьютера", which follows the computer's own zone.
#include "app/Application.h"
#include "app/Main.h"
#include "clocks/ZoneListAdapter.h"
#include "platform/Clock.h"
#include "settings/Settings.h"
#include "timezones/HintsForm.h"
#include "timezones/LocalZoneRecord.h"
#include "timezones/ReferenceZone.h"
#include "timezones/TzCatalogue.h"
#include "timezones/ZoneClock.h"

#include <QComboBox>

namespace {

// The data of the "Время компьютера" item, where an entry's item holds its index.
constexpr int kComputerTimeItem = -1;

// "Время компьютера" with the zone it stands for now.
QString ComputerTimeText(const TTimeZoneList& catalogue, int entry, const TIME_ZONE_INFORMATION& zone) {
    return kComputerTimeText + QStringLiteral(": ") +
           (entry >= 0 ? catalogue[entry].Display : DisplayForBias(QStringLiteral("(UTC)"), zone.Bias));
}

}  // namespace

void TForm1::DetectLocalZone() {
    computerZone_ = ComputerZone();
    FillReferencePicker(GetSettings().ReadLocalZone());
}

TIME_ZONE_INFORMATION TForm1::ComputerZone() const {
    return options_.computerZone ? options_.computerZone(timeZoneList_)
                                 : ComputerZoneRecord(timeZoneList_, now_);
}

void TForm1::FillReferencePicker(const std::optional<TIME_ZONE_INFORMATION>& saved) {
    // Selecting here saves nothing: the change handler answers only the user's pick.
    const SYSTEMTIME now = SystemTimeFromUnixMs(now_);
    const int computerEntry = ComputerEntryIndex(timeZoneList_, computerZone_, now);
    cbbUTC->clear();
    cbbUTC->addItem(ComputerTimeText(timeZoneList_, computerEntry, computerZone_), kComputerTimeItem);
    SetZoneSearchText(cbbUTC, 0, kComputerTimeText);  // found by its name, not its zone's cities
    AddZoneListEntries(cbbUTC, timeZoneList_);
    if (computerEntry >= 0) MarkComputerRow(cbbUTC, cbbUTC->findData(computerEntry));
    // Nothing saved: the computer's own zone, whichever it is at the next start too.
    const int entry = saved ? ChooseReferenceIndex(timeZoneList_, computerZone_, *saved, now)
                            : kComputerTimeItem;
    cbbUTC->setCurrentIndex(cbbUTC->findData(entry));
}

int TForm1::ReferenceEntry() const {
    return cbbUTC->currentIndex() < 0 ? kComputerTimeItem : cbbUTC->currentData().toInt();
}

TIME_ZONE_INFORMATION TForm1::ReferenceZone() const {
    return ReferenceZoneRecord(timeZoneList_, ReferenceEntry(), computerZone_);
}

TDateTime TForm1::ReferenceNow(const SYSTEMTIME& utc) const {
    return ZoneNow(ReferenceZone(), utc);
}

int TForm1::ReferenceHourOffset() const {
    return ZoneHourOffset(ReferenceZone(), chartZone_, SystemTimeFromUnixMs(now_));
}

int TForm1::ReferenceHour() const {
    return HourOf(ReferenceNow(SystemTimeFromUnixMs(now_)));
}

void TForm1::cbbUTCChange() {
    now_ = clock_.UtcMs();
    UpdateClocks();
    PlaceHourPanels();
    HighlightHour();
    ScheduleOffsetCheck(now_);  // the hour line follows the new zone's changes
    const int entry = ReferenceEntry();
    if (entry >= 0 && entry < timeZoneList_.Count())
        GetSettings().WriteLocalZone(timeZoneList_[entry].ToTimeZoneInformation());
    else
        GetSettings().ForgetLocalZone();  // the computer's zone, as when nothing was saved
}

void TForm1::btnLocalTimeClick() {
    TForm2::ShowModal(this, kApplicationTitle);
}

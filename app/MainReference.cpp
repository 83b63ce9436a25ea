// The reference zone: the entry of cbbUTC that counts as the user's own time.
#include "app/Application.h"
#include "app/Main.h"
#include "platform/Clock.h"
#include "settings/Settings.h"
#include "timezones/HintsForm.h"
#include "timezones/LocalZoneRecord.h"
#include "timezones/ReferenceZone.h"
#include "timezones/ZoneClock.h"

#include <QComboBox>

void TForm1::DetectLocalZone() {
    computerZone_ = ComputerZone();
    FillReferencePicker(GetSettings().ReadLocalZone(computerZone_));
}

TIME_ZONE_INFORMATION TForm1::ComputerZone() const {
    return options_.computerZone ? options_.computerZone(timeZoneList_)
                                 : ComputerZoneRecord(timeZoneList_, clock_);
}

void TForm1::FillReferencePicker(const TIME_ZONE_INFORMATION& wanted) {
    // Selecting here saves nothing: the change handler answers only the user's pick.
    cbbUTC->clear();
    for (int i = 0; i < timeZoneList_.Count(); ++i) cbbUTC->addItem(timeZoneList_[i].Display, i);
    cbbUTC->setCurrentIndex(
        ChooseReferenceIndex(timeZoneList_, computerZone_, wanted, clock_.UtcNow()));
}

TIME_ZONE_INFORMATION TForm1::ReferenceZone() const {
    return ReferenceZoneRecord(timeZoneList_, cbbUTC->currentIndex(), computerZone_);
}

TDateTime TForm1::ReferenceNow(const SYSTEMTIME& utc) const {
    return ZoneNow(ReferenceZone(), utc);
}

int TForm1::ReferenceHourOffset() const {
    return ZoneHourOffset(ReferenceZone(), chartZone_, clock_.UtcNow());
}

int TForm1::ReferenceHour() const {
    return HourOf(ReferenceNow(clock_.UtcNow()));
}

void TForm1::cbbUTCChange() {
    UpdateClocks();
    PlaceHourPanels();
    HighlightHour();
    ScheduleOffsetCheck(clock_.UtcMs());  // the hour line follows the new zone's changes
    const int index = cbbUTC->currentIndex();
    if (index >= 0) GetSettings().WriteLocalZone(timeZoneList_[index].ToTimeZoneInformation());
}

void TForm1::btnLocalTimeClick() {
    TForm2::ShowModal(this, kApplicationTitle);
}

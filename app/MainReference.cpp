// The reference zone picker: "Время компьютера", which follows the computer's own zone,
// then the catalogue's entries; the model keeps which one is chosen.
#include "app/Application.h"
#include "app/Main.h"
#include "clocks/ZoneListAdapter.h"
#include "platform/Clock.h"
#include "timezones/HintsForm.h"
#include "timezones/ReferenceZone.h"
#include "timezones/TzCatalogue.h"

#include <QComboBox>

namespace {

// "Время компьютера" with the zone it stands for now.
QString ComputerTimeText(const TTimeZoneList& catalogue, int entry, const TIME_ZONE_INFORMATION& zone) {
    return kComputerTimeText + QStringLiteral(": ") +
           (entry >= 0 ? catalogue[entry].Display : DisplayForBias(QStringLiteral("(UTC)"), zone.Bias));
}

}  // namespace

void TForm1::FillReferencePicker() {
    // Selecting here saves nothing: the change handler answers only the user's pick. Each
    // item's data is its entry's index, kComputerTime for "Время компьютера".
    const TTimeZoneList& catalogue = model_.TimeZoneList();
    const int computerEntry = model_.ComputerEntry();
    cbbUTC->clear();
    cbbUTC->addItem(ComputerTimeText(catalogue, computerEntry, model_.ComputerZone()), kComputerTime);
    SetZoneSearchText(cbbUTC, 0, kComputerTimeText);  // found by its name, not its zone's cities
    AddZoneListEntries(cbbUTC, catalogue);
    if (computerEntry >= 0) MarkComputerRow(cbbUTC, cbbUTC->findData(computerEntry));
    cbbUTC->setCurrentIndex(cbbUTC->findData(model_.ReferenceEntry()));
    pickerReading_ = model_.CatalogueReading();
}

void TForm1::cbbUTCChange() {
    model_.ChooseReference(cbbUTC->currentIndex() < 0 ? kComputerTime : cbbUTC->currentData().toInt());
    picture_ = &model_.PictureAt(clock_.UtcMs());
    UpdateClocks();
    PlaceHourPanels();
    HighlightHour();
    model_.WriteLocalZone();  // a failure to save leaves the new zone shown
}

void TForm1::btnLocalTimeClick() {
    TForm2::ShowModal(this, kApplicationTitle);
}

// The reference zone picker's rows; the model keeps which one is chosen.
#include "app/ReferencePicker.h"

#include "clocks/ZoneListAdapter.h"
#include "model/MainModel.h"
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

void FillReferencePicker(QComboBox* picker, const TMainModel& model) {
    const TTimeZoneList& catalogue = model.TimeZoneList();
    const int computerEntry = model.ComputerEntry();
    picker->clear();
    picker->addItem(ComputerTimeText(catalogue, computerEntry, model.ComputerZone()), kComputerTime);
    SetZoneSearchText(picker, 0, kComputerTimeText);  // found by its name, not its zone's cities
    AddZoneListEntries(picker, catalogue);
    if (computerEntry >= 0) MarkComputerRow(picker, picker->findData(computerEntry));
    picker->setCurrentIndex(picker->findData(model.ReferenceEntry()));
}

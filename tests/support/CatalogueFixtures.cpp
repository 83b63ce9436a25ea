#include "support/CatalogueFixtures.h"

void AddCatalogueEntry(TTimeZoneList& list, const QString& key, const QString& display,
                       const QString& standardName, const QString& daylightName, const REG_TZI_FORMAT& tzi) {
    TRegistry registry;
    const QString path = kTimeZonesKeyPath + QStringLiteral("\\") + key;
    registry.SetString(HKEY_LOCAL_MACHINE, path, QStringLiteral("Display"), display);
    registry.SetString(HKEY_LOCAL_MACHINE, path, QStringLiteral("Dlt"), daylightName);
    registry.SetString(HKEY_LOCAL_MACHINE, path, QStringLiteral("Std"), standardName);
    registry.SetBinary(HKEY_LOCAL_MACHINE, path, QStringLiteral("TZI"),
                       QByteArray(reinterpret_cast<const char*>(&tzi), sizeof tzi));
    TRegistryAccess access(registry, HKEY_LOCAL_MACHINE);
    access.OpenKeyReadOnly(path);
    list.Add(std::make_unique<TRegTimeZone>(&access));
}

REG_TZI_FORMAT Tzi(int bias, SYSTEMTIME standardDate, SYSTEMTIME daylightDate) {
    REG_TZI_FORMAT tzi;
    tzi.Bias = bias;
    tzi.DaylightBias = standardDate.wMonth ? -60 : 0;
    tzi.StandardDate = standardDate;
    tzi.DaylightDate = daylightDate;
    return tzi;
}

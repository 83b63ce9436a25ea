#pragma once
// Catalogue entries made the way the program makes them: from a registry key.

#include "timezones/TimeZones.h"

// Appends (without sorting) the entry of a key with the given display, standard and
// daylight names and rule block.
void AddCatalogueEntry(TTimeZoneList& list, const QString& key, const QString& display,
                       const QString& standardName, const QString& daylightName,
                       const REG_TZI_FORMAT& tzi);

// A rule block of the given bias; with a standard date it keeps an hour of daylight time.
REG_TZI_FORMAT Tzi(int bias, SYSTEMTIME standardDate = {}, SYSTEMTIME daylightDate = {});

#pragma once
// Catalogue entries made the way the program makes them: from a registry key.

#include "timezones/TimeZones.h"

// Appends (without sorting) the entry of a key with the given display, standard and
// daylight names and rule block.
void AddCatalogueEntry(TTimeZoneList& list, const QString& key, const QString& display,
                       const QString& standardName, const QString& daylightName, const REG_TZI_FORMAT& tzi);

// A rule block of the given bias; with a standard date it keeps an hour of daylight time.
REG_TZI_FORMAT Tzi(int bias, SYSTEMTIME standardDate = {}, SYSTEMTIME daylightDate = {});

// Places typed into a zone list and the key of the entry whose rules each keeps: a
// zone's own city in both languages, a city that is no zone's (Frankfurt keeps Berlin's
// rules, Mumbai Kolkata's), Almaty (UTC+5 since 2024), the new spelling of Kyiv; and
// two names that exist nowhere (key nullptr).
struct CitySearchCase {
    const char* typed;
    const char* key;
};
inline constexpr CitySearchCase kCitySearchCases[] = {
    {"Цюрих", "W. Europe Standard Time"},
    {"Zurich", "W. Europe Standard Time"},
    {"Франкфурт", "W. Europe Standard Time"},
    {"Мумбаи", "India Standard Time"},
    {"Алматы", "West Asia Standard Time"},
    {"Kyiv", "FLE Standard Time"},
    {"Атлантида", nullptr},
    {"Gotham", nullptr},
};

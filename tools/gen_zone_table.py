#!/usr/bin/python3
"""Generates timezones/WindowsZoneTable.cpp: the Windows zone keys of the catalogue.

Inputs (Debian 12 packages; run with the system interpreter, /usr/bin/python3):
  * CLDR windowsZones.xml (package unicode-cldr-core, CLDR 41):
      /usr/share/unicode/cldr/common/supplemental/windowsZones.xml
    Each territory "001" row gives a Windows key and its default IANA zone; all rows
    together give the territory mapping IANA name -> Windows key.
  * ICU's Russian exemplar cities (package python3-icu, locale "ru") for the city part
    of the display text; zones the program features and zones without a city carry a
    hand-written text (HAND_TEXTS below).
  * The system tz database (package tzdata) for the standard offset shown in the
    display text ("(UTC+03:00) Москва") and for the tz links (tzdata.zi), so that
    renamed zones such as Europe/Kyiv or Asia/Kolkata map like their old names.

Corrections: two CLDR 41 defaults are stale against current tzdata (DEFAULT_FIXES), and
so are a few territory rows (TERRITORY_FIXES: zones that changed offset after CLDR 41 and
now follow another key's rule). The tool warns about every territory name whose offsets
over the year still differ from its key's default zone.

Rows come out in the order the Windows registry enumerates subkeys: by key name,
case-insensitively. The program rebuilds the offset part of each display text from
the tz database at start-up, so a stale offset here is corrected at run time.

Usage (from the repository root):
    /usr/bin/python3 tools/gen_zone_table.py [year]     # writes timezones/WindowsZoneTable.cpp
Afterwards rebuild and regenerate the embedded fallback catalogue resources/TimeZones.reg
(timezones_TzCatalogue_test fails until it matches this code's output for its year):
    build/write_fallback_catalogue 2027 resources/TimeZones.reg
"""

import datetime
import os
import sys
import xml.etree.ElementTree as ET
from zoneinfo import ZoneInfo

import icu

WINDOWS_ZONES = "/usr/share/unicode/cldr/common/supplemental/windowsZones.xml"
TZDATA_ZI = "/usr/share/zoneinfo/tzdata.zi"
OUTPUT = "timezones/WindowsZoneTable.cpp"

DEFAULT_FIXES = {
    "Central Asia Standard Time": "Asia/Bishkek",        # Almaty moved to +05 in 2024
    "Mountain Standard Time (Mexico)": "America/Mazatlan",  # Chihuahua moved to -06 in 2022
}

# Territory rows CLDR 41 maps to a key whose rule the zone no longer follows.
TERRITORY_FIXES = {
    "Asia/Almaty": "West Asia Standard Time",          # Kazakhstan went to +05 in 2024
    "Asia/Qostanay": "West Asia Standard Time",
    "America/Chihuahua": "Central Standard Time (Mexico)",  # -06 without DST since 2022
    "America/Ojinaga": "Central Standard Time",        # US Central rule since 2022
    "America/Scoresbysund": "Greenland Standard Time",  # -02 with EU DST since 2024
}

# City part of the display text, written by hand.
HAND_TEXTS = {
    "Dateline Standard Time": "Линия перемены дат",
    "UTC": "Всемирное координированное время",
    "UTC-11": "Время в формате UTC -11",
    "UTC-09": "Время в формате UTC -09",
    "UTC-08": "Время в формате UTC -08",
    "UTC-02": "Время в формате UTC -02",
    "UTC+12": "Время в формате UTC +12",
    "UTC+13": "Время в формате UTC +13",
    "GMT Standard Time": "Дублин, Эдинбург, Лиссабон, Лондон",
    "Eastern Standard Time": "Восточное время (США и Канада)",
    "Central Standard Time": "Центральное время (США и Канада)",
    "Mountain Standard Time": "Горное время (США и Канада)",
    "Pacific Standard Time": "Тихоокеанское время (США и Канада)",
    "Tokyo Standard Time": "Осака, Саппоро, Токио",
    "AUS Eastern Standard Time": "Канберра, Мельбурн, Сидней",
    "Russian Standard Time": "Москва, Санкт-Петербург",
    "Romance Standard Time": "Брюссель, Копенгаген, Мадрид, Париж",
    "W. Europe Standard Time": "Амстердам, Берлин, Берн, Вена, Рим, Стокгольм",
    "Belarus Standard Time": "Минск",
    "FLE Standard Time": "Вильнюс, Киев, Рига, София, Таллин, Хельсинки",
    "Central Asia Standard Time": "Бишкек",
    "China Standard Time": "Гонконг, Пекин, Урумчи, Чунцин",
    "Singapore Standard Time": "Куала-Лумпур, Сингапур",
}


def standard_offset_minutes(iana, year):
    """The zone's standard offset in the year: the last one not flagged as daylight time."""
    zone = ZoneInfo(iana)
    offsets, standard = [], None
    day = datetime.datetime(year, 1, 1, 12, tzinfo=datetime.timezone.utc)
    while day.year == year:
        local = day.astimezone(zone)
        offset = int(local.utcoffset().total_seconds() // 60)
        offsets.append(offset)
        if not local.dst():
            standard = offset
        day += datetime.timedelta(days=1)
    return standard if standard is not None else min(offsets)


def offset_text(minutes):
    sign = "-" if minutes < 0 else "+"
    minutes = abs(minutes)
    return "(UTC%s%02d:%02d)" % (sign, minutes // 60, minutes % 60)


def tz_links():
    """name -> the zone it is a link to, from the tz database's compact source."""
    links = {}
    with open(TZDATA_ZI, encoding="utf-8") as source:
        for line in source:
            fields = line.split()
            if len(fields) == 3 and fields[0] == "L":
                links[fields[2]] = fields[1]
    return links


def offsets_of_year(iana, year):
    zone = ZoneInfo(iana)
    moment = datetime.datetime(year, 1, 1, tzinfo=datetime.timezone.utc)
    offsets = []
    while moment.year == year:
        offsets.append(moment.astimezone(zone).utcoffset())
        moment += datetime.timedelta(hours=1)
    return offsets


def warn_about_stale_rows(territory, defaults, year):
    for iana, key in sorted(territory.items()):
        try:
            if offsets_of_year(iana, year) != offsets_of_year(defaults[key], year):
                print("warning: %s keeps other offsets than %s (%s) in %d"
                      % (iana, key, defaults[key], year), file=sys.stderr)
        except Exception:  # a name the installed tzdata lacks
            print("warning: tzdata has no zone %s" % iana, file=sys.stderr)


def c_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def main():
    year = int(sys.argv[1]) if len(sys.argv) > 1 else datetime.date.today().year
    root = ET.parse(WINDOWS_ZONES).getroot()
    defaults, territory = {}, {}
    for row in root.iter("mapZone"):
        key, iana_names = row.get("other"), row.get("type").split()
        if row.get("territory") == "001":
            defaults[key] = DEFAULT_FIXES.get(key, iana_names[0])
        for iana in iana_names:
            territory.setdefault(iana, key)

    # Every name of a tz link group maps like the group's first mapped name.
    links = tz_links()
    canonical = lambda name: links.get(name, name)
    key_of_group = {}
    for iana, key in territory.items():
        key_of_group.setdefault(canonical(iana), key)
    for alias, target in links.items():
        if target in key_of_group:
            territory.setdefault(alias, key_of_group[target])
            territory.setdefault(target, key_of_group[target])

    territory.update(TERRITORY_FIXES)
    warn_about_stale_rows(territory, defaults, year)

    cities = icu.SimpleDateFormat("VVV", icu.Locale("ru"))
    rows = []
    for key in sorted(defaults, key=str.upper):
        iana = defaults[key]
        city = HAND_TEXTS.get(key)
        if city is None:
            cities.setTimeZone(icu.TimeZone.createTimeZone(iana))
            city = cities.format(0.0)
            if city == "Неизвестный город":
                sys.exit("no city for %s (%s): add a hand-written text" % (key, iana))
        display = offset_text(standard_offset_minutes(iana, year)) + " " + city
        rows.append((key, iana, display))
        try:
            display.encode("cp1251")  # the registry holds the text in Windows-1251
        except UnicodeEncodeError:
            sys.exit("display text outside Windows-1251: " + display)
        if len(key) > 31:
            sys.exit("key name longer than 31 characters: " + key)

    with open(OUTPUT, "w", encoding="utf-8") as out:
        out.write("// Generated by tools/gen_zone_table.py from CLDR windowsZones.xml, ICU's\n"
                  "// Russian city names and tzdata (%d). Do not edit by hand.\n\n" % year)
        out.write('#include "timezones/WindowsZoneTable.h"\n\nnamespace {\n\n')
        out.write("constexpr WindowsZoneRow kRows[] = {\n")
        for key, iana, display in rows:
            out.write("    {%s, %s, %s},\n" % (c_string(key), c_string(iana), c_string(display)))
        out.write("};\n\nconstexpr TerritoryZone kTerritoryZones[] = {\n")
        for iana in sorted(territory):
            out.write("    {%s, %s},\n" % (c_string(iana), c_string(territory[iana])))
        out.write("};\n\n}  // namespace\n\n"
                  "std::span<const WindowsZoneRow> WindowsZoneRows() { return kRows; }\n\n"
                  "std::span<const TerritoryZone> TerritoryZones() { return kTerritoryZones; }\n")
    print("%d rows, %d territory names -> %s" % (len(rows), len(territory), OUTPUT))


if __name__ == "__main__":
    main()

#include "timezones/TimeZones.h"

#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/RegExport.h"
#include "support/TestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

const QByteArray kKeyPrefix =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\";

TRegistry FixtureCatalogue(const QByteArray& patch = {}) {
    QFile file(SourcePath(QStringLiteral("tests/timezones/fixtures/catalogue.reg")));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    TRegistry registry = ReadRegExport(file.readAll());
    if (!patch.isEmpty()) ReadRegExport("REGEDIT4\r\n" + patch, registry);
    return registry;
}

// A key with the four values; tzi holds the hex list of the TZI value.
QByteArray ZoneKeyText(const QByteArray& name, const QByteArray& stdName, const QByteArray& tzi) {
    return kKeyPrefix + name + "]\r\n\"Display\"=\"x\"\r\n\"Dlt\"=\"d\"\r\n\"Std\"=\"" + stdName +
           "\"\r\n\"TZI\"=hex:" + tzi + "\r\n";
}

QByteArray HexBytes(int count, const char* byte = "00") {
    QByteArrayList items;
    for (int i = 0; i < count; ++i) items.append(byte);
    return items.join(',');
}

QString LoadError(const TRegistry& registry, TTimeZoneList& list) {
    try {
        LoadTimeZones(registry, list, {});
    } catch (const Exception& e) {
        return e.Message();
    }
    return {};
}

QString Message(const char* what) {
    return QStringLiteral("Error in \"TRegTimeZone.Create\": ") + QLatin1String(what);
}

}  // namespace

TEST(LoadTimeZones, HandsTheKnownZonesOutAndSortsWestFirst) {
    TIME_ZONE_INFORMATION clocks[5], newYork, moscow, chicago;
    KnownZoneTargets targets;
    for (int i = 0; i < 5; ++i) targets.clockZones[static_cast<size_t>(i)] = &clocks[i];
    targets.newYorkZone = &newYork;
    targets.moscowZone = &moscow;
    targets.chicagoZone = &chicago;
    QStringList loaded;
    targets.keyLoaded = [&](const QString& key, const TIME_ZONE_INFORMATION& zone) {
        loaded.append(key);
        if (key == QLatin1String("Eastern Standard Time")) {
            EXPECT_EQ(zone, clocks[1]);  // the clock was assigned before
        }
    };
    TTimeZoneList list;
    LoadTimeZones(FixtureCatalogue(), list, targets);

    EXPECT_EQ(loaded, (QStringList{"Dateline Standard Time", "Eastern Standard Time", "gmt standard time",
                                   "Russian Standard Time", "W. Europe Standard Time",
                                   "Belarus Standard Time", "Central Standard Time", "Tokyo Standard Time"}));
    EXPECT_EQ(QString::fromUtf16(clocks[0].StandardName),
              QStringLiteral("gmt standard time"));  // case differs
    EXPECT_EQ(clocks[0].DaylightDate.wMonth, 3);
    EXPECT_EQ(clocks[1].Bias, 300);
    EXPECT_EQ(clocks[2].Bias, -540);
    EXPECT_EQ(clocks[3], TIME_ZONE_INFORMATION{});  // no AUS Eastern key: stays all-zero
    EXPECT_EQ(clocks[4].Bias, -180);
    EXPECT_EQ(newYork, clocks[1]);
    EXPECT_EQ(moscow, clocks[4]);
    EXPECT_EQ(QString::fromUtf16(chicago.StandardName), QStringLiteral("Central Standard Time"));

    ASSERT_EQ(list.Count(), 8);
    for (int i = 1; i < list.Count(); ++i) EXPECT_GE(list[i - 1].TZI.Bias, list[i].TZI.Bias);
    EXPECT_EQ(list[0].Std, QStringLiteral("Dateline Standard Time"));
    EXPECT_EQ(list[7].Std, QStringLiteral("Tokyo Standard Time"));
    // Two zones of one Bias both stay.
    EXPECT_GE(list.IndexOfStandardName(QStringLiteral("Russian Standard Time")), 0);
    EXPECT_GE(list.IndexOfStandardName(QStringLiteral("Belarus Standard Time")), 0);
    const TRegTimeZone& moscowEntry = list[list.IndexOfStandardName(QStringLiteral("Russian Standard Time"))];
    EXPECT_EQ(moscowEntry.Display, QStringLiteral("(UTC+03:00) Москва, Санкт-Петербург"));
    EXPECT_EQ(moscowEntry.Dlt, QStringLiteral("Russian Daylight Time"));
}

TEST(LoadTimeZones, WithoutTheKeyLeavesEverythingEmpty) {
    TRegistry registry;
    registry.SetString(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Other"), QStringLiteral("x"),
                       QStringLiteral("y"));
    TIME_ZONE_INFORMATION clock1;
    KnownZoneTargets targets;
    targets.clockZones[0] = &clock1;
    int calls = 0;
    targets.keyLoaded = [&](const QString&, const TIME_ZONE_INFORMATION&) { ++calls; };
    TTimeZoneList list;
    EXPECT_NO_THROW(LoadTimeZones(registry, list, targets));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(clock1, TIME_ZONE_INFORMATION{});
    EXPECT_EQ(calls, 0);
}

// A broken zone key stops the load with its message; the keys before it stay, unsorted.
TEST(LoadTimeZones, StopsAtTheFirstBrokenKey) {
    struct Case {
        QByteArray patch;
        const char* message;
    };
    const Case cases[] = {
        {ZoneKeyText("Zulu Standard Time", "Zulu", HexBytes(43)),
         "There is no \"TZI\" value in the RegKey or it has wrong size."},
        {ZoneKeyText("Zulu Standard Time", "Zulu", HexBytes(45)),
         "There is no \"TZI\" value in the RegKey or it has wrong size."},
        {kKeyPrefix + "Zulu Standard Time]\r\n\"Display\"=hex(2):41,00\r\n\"Dlt\"=\"d\"\r\n\"Std\"=\"s\"\r\n",
         "There is no \"Display\" value in the RegKey."},
        {kKeyPrefix + "Zulu Standard Time]\r\n\"Display\"=\"x\"\r\n\"Std\"=\"s\"\r\n",
         "There is no \"Dlt\" value in the RegKey."},
        {kKeyPrefix + "Zulu Standard Time]\r\n\"Display\"=\"x\"\r\n\"Dlt\"=\"d\"\r\n\"Std\"=dword:1\r\n",
         "There is no \"Std\" value in the RegKey."},
        {kKeyPrefix +
             "Zulu Standard Time]\r\n\"Display\"=\"x\"\r\n\"Dlt\"=\"d\"\r\n\"Std\"=\"s\"\r\n\"TZI\"=\"44 "
             "chars of text..........................\"\r\n",
         "There is no \"TZI\" value in the RegKey or it has wrong size."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        TTimeZoneList list;
        EXPECT_EQ(LoadError(FixtureCatalogue(c.patch), list), Message(c.message));
        ASSERT_EQ(list.Count(), 8);
        EXPECT_EQ(list[0].Std, QStringLiteral("Dateline Standard Time"));
        EXPECT_EQ(list[1].Std, QStringLiteral("Eastern Standard Time"));  // not sorted
    }
}

TEST(TRegTimeZone, ChecksTheRegistryAccess) {
    const TRegistry registry = FixtureCatalogue(
        ZoneKeyText("Case Standard Time", "c", HexBytes(44)).replace("\"Display\"", "\"dISPLAY\""));
    EXPECT_THROW(
        try { TRegTimeZone zone(nullptr); } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), Message("RegKey is not Assigned."));
            throw;
        },
        Exception);

    const auto errorFor = [&](HKEY root, const QString& path) -> QString {
        TRegistryAccess reg(registry, root);
        reg.OpenKeyReadOnly(path);
        try {
            TRegTimeZone zone(&reg);
        } catch (const Exception& e) {
            return e.Message();
        }
        return {};
    };
    const QString zones = QStringLiteral("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\");
    EXPECT_EQ(errorFor(HKEY_LOCAL_MACHINE, zones + "Eastern Standard Time"), QString());
    EXPECT_EQ(errorFor(HKEY_LOCAL_MACHINE, zones.toUpper() + "EASTERN STANDARD TIME"), QString());
    EXPECT_EQ(errorFor(HKEY_LOCAL_MACHINE, zones + "Case Standard Time"), QString());  // "dISPLAY" found
    EXPECT_EQ(errorFor(HKEY_CURRENT_USER, zones + "Eastern Standard Time"), Message("RegKey is wrong."));
    EXPECT_EQ(errorFor(HKEY_LOCAL_MACHINE, zones + "No Such Time"), Message("RegKey is wrong."));
    EXPECT_EQ(errorFor(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft")),
              Message("RegKey is wrong."));
}

TEST(TRegTimeZone, NamesFitTheRecordOrStayEmpty) {
    const QByteArray name31(31, 'A'), name32(32, 'B'), name40(40, 'C');
    TRegistry registry = FixtureCatalogue(ZoneKeyText("Long", name31, HexBytes(44)) +
                                          ZoneKeyText("Longer", name32, HexBytes(44)) +
                                          ZoneKeyText("Longest", name40, HexBytes(44)));
    TTimeZoneList list;
    LoadTimeZones(registry, list, {});
    const auto name = [&](const QByteArray& std) {
        return list[list.IndexOfStandardName(QString::fromLatin1(std))].ToTimeZoneInformation();
    };
    const TIME_ZONE_INFORMATION full = name(name31);
    EXPECT_EQ(QString::fromUtf16(full.StandardName, 31), QString::fromLatin1(name31));
    EXPECT_EQ(full.StandardName[31], u'\0');
    EXPECT_EQ(name(name32).StandardName[0], u'\0');
    EXPECT_EQ(name(name40).StandardName[0], u'\0');
    EXPECT_EQ(QString::fromUtf16(name(name40).DaylightName), QStringLiteral("d"));

    // Windows-1251 names come out as UTF-16.
    registry = FixtureCatalogue(ZoneKeyText("Cyr", ToAnsi(QStringLiteral("Москва")), HexBytes(44)));
    list.Clear();
    LoadTimeZones(registry, list, {});
    const TIME_ZONE_INFORMATION moscow =
        list[list.IndexOfStandardName(QStringLiteral("Москва"))].ToTimeZoneInformation();
    EXPECT_EQ(QString::fromUtf16(moscow.StandardName), QStringLiteral("Москва"));
}

TEST(TTimeZoneList, IndexOfStandardNameFoldsOnlyLatinLetters) {
    TTimeZoneList list;
    LoadTimeZones(FixtureCatalogue(ZoneKeyText("Again", "Tokyo Standard Time", HexBytes(44, "80")) +
                                   ZoneKeyText("Cyr", ToAnsi(QStringLiteral("Время")), HexBytes(44))),
                  list, {});
    const int tokyo = list.IndexOfStandardName(QStringLiteral("TOKYO standard TIME"));
    ASSERT_GE(tokyo, 0);
    EXPECT_EQ(tokyo, list.Count() - 1);  // the duplicate sorts last (Bias 0x80808080) and wins
    EXPECT_EQ(list[tokyo].TZI.Bias, static_cast<int32_t>(0x80808080u));
    EXPECT_EQ(list.IndexOfStandardName(QStringLiteral("Tokyo Standard Time ")), -1);
    EXPECT_EQ(list.IndexOfStandardName(QStringLiteral("Nowhere")), -1);
    EXPECT_GE(list.IndexOfStandardName(QStringLiteral("Время")), 0);
    EXPECT_EQ(list.IndexOfStandardName(QStringLiteral("ВРЕМЯ")), -1);

    // From a record's field: up to the first zero, never past 32 code units.
    char16_t field[32] = {};
    const std::u16string gmt = u"GMT STANDARD TIME";
    std::copy(gmt.begin(), gmt.end(), field);
    EXPECT_EQ(list[list.IndexOfStandardName(field)].Std, QStringLiteral("gmt standard time"));
    std::fill(std::begin(field), std::end(field), u'Z');
    EXPECT_EQ(list.IndexOfStandardName(field), -1);

    EXPECT_EQ(CompareZonesByBias(nullptr, &list[0]), 0);
    EXPECT_EQ(CompareZonesByBias(&list[0], &list[list.Count() - 1]), -1);
    EXPECT_EQ(CompareZonesByBias(&list[list.Count() - 1], &list[0]), 1);
}

#include "worldmap/WorldMapCapital.h"

#include "support/FakeClock.h"
#include "timezones/TimeFormat.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

TIME_ZONE_INFORMATION FixedZone(int32_t biasMinutes) {
    TIME_ZONE_INFORMATION zone;
    zone.Bias = biasMinutes;  // no daylight dates: the same offset all year
    return zone;
}

class WorldMapCapitalTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetCurrentTimeFormatSettings(TimeFormatSettings{});  // "h:mm", 24 hours
        clock.SetUtc("2026-01-15T08:30:00Z");
    }

    // Every catalogue key of the table, each once, in an order unlike the table's.
    TWorldMapCapitalsList AllMarkers() {
        TWorldMapCapitalsList list;
        const char* keys[] = {"W. Europe Standard Time",   "GMT Standard Time",     "Eastern Standard Time",
                              "Tokyo Standard Time",       "Russian Standard Time", "Central Standard Time",
                              "Romance Standard Time",     "Belarus Standard Time", "FLE Standard Time",
                              "West Asia Standard Time",   "China Standard Time",   "Singapore Standard Time",
                              "AUS Eastern Standard Time", "Pacific Standard Time"};
        for (const char* key : keys) AddMarkersForKey(list, QString::fromLatin1(key), FixedZone(-60));
        return list;
    }

    FakeClock clock;
};

}  // namespace

TEST_F(WorldMapCapitalTest, RightAndBottomEdgesAreOutside) {
    TWorldMapCapitalsList list;
    AddMarkersForKey(list, QStringLiteral("GMT Standard Time"), FixedZone(0));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.CapitalAt({365, 87}), &list[0]);
    EXPECT_EQ(list.CapitalAt({370, 93}), &list[0]);
    EXPECT_EQ(list.CapitalAt({371, 90}), nullptr);
    EXPECT_EQ(list.CapitalAt({368, 94}), nullptr);
    EXPECT_EQ(list.CapitalAt({364, 90}), nullptr);
    EXPECT_EQ(list.CapitalAt({368, 86}), nullptr);
}

TEST_F(WorldMapCapitalTest, OverlappingMarkersGiveTheFirstAdded) {
    TWorldMapCapitalsList list;
    list.Add(std::make_unique<TWorldMapCapital>("A", TWorldMapRect{0, 0, 10, 10}, FixedZone(0)));
    list.Add(std::make_unique<TWorldMapCapital>("B", TWorldMapRect{5, 5, 15, 15}, FixedZone(0)));
    EXPECT_EQ(list.CapitalAt({7, 7})->Name, "A");
    EXPECT_EQ(list.CapitalAt({12, 12})->Name, "B");
    EXPECT_EQ(TWorldMapCapitalsList().CapitalAt({7, 7}), nullptr);
}

TEST_F(WorldMapCapitalTest, KeysMatchIgnoringCaseAndWestEuropeGivesBernThenBerlin) {
    TWorldMapCapitalsList list;
    AddMarkersForKey(list, QStringLiteral("w. EUROPE standard TIME"), FixedZone(-60));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0].Name, "Bern");
    EXPECT_EQ(list[1].Name, "Berlin");
    EXPECT_EQ(list[0].Zone, FixedZone(-60));
    EXPECT_EQ(list[1].Zone, FixedZone(-60));
    EXPECT_TRUE(HasMarkersForKey(QStringLiteral("gmt standard time")));

    // Near misses and the key of Sydney's clock add nothing.
    for (const char* key : {"AUS Eastern Standard Time", "GMT Standard Time ", "GMT", ""}) {
        AddMarkersForKey(list, QString::fromLatin1(key), FixedZone(0));
        EXPECT_FALSE(HasMarkersForKey(QString::fromLatin1(key))) << key;
    }
    EXPECT_EQ(list.Count(), 2);
}

TEST_F(WorldMapCapitalTest, AllKeysGiveThirteenMarkersInCatalogueOrder) {
    const TWorldMapCapitalsList list = AllMarkers();
    ASSERT_EQ(list.Count(), 13);
    EXPECT_EQ(list[0].Name, "Bern");
    EXPECT_EQ(list[1].Name, "Berlin");
    EXPECT_EQ(list[2].Name, "London");
    EXPECT_EQ(list[12].Name, "Singapore");
    // Each marker is found at its own rectangle's centre.
    for (int i = 0; i < list.Count(); ++i) {
        const TWorldMapRect& r = list[i].Rect;
        EXPECT_EQ(list.CapitalAt({(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}), &list[i]);
    }
    // Sydney, where no dot is drawn.
    EXPECT_EQ(list.CapitalAt({753, 351}), nullptr);
}

TEST_F(WorldMapCapitalTest, HintIsNameAndZoneTime) {
    TWorldMapCapitalsList list;
    AddMarkersForKey(list, QStringLiteral("GMT Standard Time"), FixedZone(0));
    AddMarkersForKey(list, QStringLiteral("W. Europe Standard Time"), FixedZone(-60));
    const SYSTEMTIME utc = clock.UtcNow();
    EXPECT_EQ(CapitalHintText(list[0], utc), "London 8:30");
    EXPECT_EQ(CapitalHintText(list[1], utc), "Bern 9:30");
    EXPECT_EQ(CapitalHintText(list[2], utc), "Berlin 9:30");
}

TEST_F(WorldMapCapitalTest, HoverFromParisToBernPassesUnmarkedPixels) {
    const TWorldMapCapitalsList list = AllMarkers();
    QStringList seen;  // the hint at each step, collapsed to changes; "" = hints off
    for (int x = 376, y = 98; x <= 387; ++x, y = 98 + (x - 376) * 7 / 11) {
        const std::optional<QString> hint = MarkerHintAt(list, {x, y}, clock.UtcMs());
        const QString shown = hint.value_or(QString());
        if (seen.isEmpty() || seen.last() != shown) seen << shown;
    }
    EXPECT_EQ(seen, QStringList({"Paris 9:30", "", "Bern 9:30"}));
}

TEST_F(WorldMapCapitalTest, HoverReadsTheClockAfreshOnEveryMove) {
    const TWorldMapCapitalsList list = AllMarkers();
    EXPECT_EQ(MarkerHintAt(list, {367, 90}, clock.UtcMs()), "London 9:30");
    clock.Advance(61 * 60 * 1000);
    EXPECT_EQ(MarkerHintAt(list, {367, 90}, clock.UtcMs()), "London 10:31");
    EXPECT_EQ(MarkerHintAt(list, {10, 10}, clock.UtcMs()), std::nullopt);
}

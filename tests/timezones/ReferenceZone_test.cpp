#include "support/CatalogueFixtures.h"
#include "timezones/ReferenceZone.h"

#include "support/FakeClock.h"
#include "platform/Registry.h"
#include "timezones/TimeZones.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const SYSTEMTIME kEuEnd{0, 10, 0, 5, 3, 0, 0, 0};  // last Sunday of October, 03:00
const SYSTEMTIME kEuStart{0, 3, 0, 5, 2, 0, 0, 0};  // last Sunday of March, 02:00
const SYSTEMTIME kUsEnd{0, 11, 0, 1, 2, 0, 0, 0};  // first Sunday of November, 02:00
const SYSTEMTIME kUsStart{0, 3, 0, 2, 2, 0, 0, 0};  // second Sunday of March, 02:00

// Entries are added in the order given, as the catalogue holds them after its sort.
void AddEntry(TTimeZoneList& list, const QString& key, const QString& std, const REG_TZI_FORMAT& tzi) {
    AddCatalogueEntry(list, key, key, std, std, tzi);
}

TIME_ZONE_INFORMATION Record(const QString& std, const REG_TZI_FORMAT& tzi) {
    TTimeZoneList one;
    AddEntry(one, QStringLiteral("key"), std, tzi);
    return one[0].ToTimeZoneInformation();
}

SYSTEMTIME Utc(const char* iso) {
    FakeClock clock;
    clock.SetUtc(iso);
    return clock.UtcNow();
}

class Reference : public ::testing::Test {
protected:
    void SetUp() override {
        AddEntry(catalogue_, "Eastern", "Eastern Standard Time", Tzi(300, kUsEnd, kUsStart));
        AddEntry(catalogue_, "Plus One", "Plus One", Tzi(-60));
        AddEntry(catalogue_, "Romance", "Romance Standard Time", Tzi(-60, kEuEnd, kEuStart));
        AddEntry(catalogue_, "Plus Two", "Plus Two", Tzi(-120));
        AddEntry(catalogue_, "FLE", "FLE Standard Time", Tzi(-120, kEuEnd, kEuStart));
        AddEntry(catalogue_, "Moscow", "Москва", Tzi(-180));
        AddEntry(catalogue_, "Moscow too", "Москва", Tzi(-180));
    }
    int Choose(const TIME_ZONE_INFORMATION& computer, const TIME_ZONE_INFORMATION& saved) const {
        return ChooseReferenceIndex(catalogue_, computer, saved, winter_);
    }

    TTimeZoneList catalogue_;
    SYSTEMTIME winter_ = Utc("2026-01-15T12:00:00");
    SYSTEMTIME summer_ = Utc("2026-07-15T12:00:00");
    TIME_ZONE_INFORMATION berlin_ = Record("W. Europe Standard Time", Tzi(-60, kEuEnd, kEuStart));
    TIME_ZONE_INFORMATION kyiv_ = Record("FLE Standard Time", Tzi(-120, kEuEnd, kEuStart));
};

TEST_F(Reference, TheSavedZoneWinsOverTheComputersAndTheNameDecides) {
    EXPECT_EQ(Choose(kyiv_, kyiv_), 4);  // nothing saved: the computer's own zone
    const TIME_ZONE_INFORMATION savedEastern = Record("Eastern Standard Time", Tzi(0));
    EXPECT_EQ(Choose(kyiv_, savedEastern), 0);  // the saved biases play no part
    EXPECT_EQ(Choose(berlin_, savedEastern), 0);  // the computer's zone has changed since
}

TEST_F(Reference, NamesMatchLikeTheCatalogueDoes) {
    // Of two entries with one Std the later is chosen.
    const TIME_ZONE_INFORMATION moscow = Record("Москва", Tzi(-180));
    EXPECT_EQ(Choose(kyiv_, moscow), 6);
    // Latin letters match whatever their case; Cyrillic letters do not.
    EXPECT_EQ(Choose(berlin_, Record("fle STANDARD time", Tzi(0))), 4);
    EXPECT_EQ(Choose(kyiv_, Record("москва", Tzi(-180))), 4);  // the computer's FLE instead
}

// Without an entry of that name, the entry that keeps the computer's time all year; an
// entry that agrees only until its next change is no answer, and with none the reference
// stays the computer's own zone (nothing selected).
TEST_F(Reference, WithoutAMatchingNameTheEntryWithTheComputersOffsetsAllYearDecides) {
    // Romance keeps Berlin's offsets, although "Plus One" has today's offset and comes first.
    EXPECT_EQ(ChooseReferenceIndex(catalogue_, berlin_, berlin_, winter_), 2);
    EXPECT_EQ(ChooseReferenceIndex(catalogue_, berlin_, berlin_, summer_), 2);
    // Another rule written another way that keeps the same days is still the same time:
    // in 2026 the fourth Sunday of October is its last.
    const TIME_ZONE_INFORMATION fourthSunday =
        Record("Berlin, fourth Sunday", Tzi(-60, SYSTEMTIME{0, 10, 0, 4, 3, 0, 0, 0}, kEuStart));
    EXPECT_EQ(ChooseReferenceIndex(catalogue_, fourthSunday, fourthSunday, winter_), 2);
    // Daylight time ending a week earlier: no entry keeps that time all year.
    const TIME_ZONE_INFORMATION thirdSunday =
        Record("Berlin, third Sunday", Tzi(-60, SYSTEMTIME{0, 10, 0, 3, 3, 0, 0, 0}, kEuStart));
    EXPECT_EQ(ChooseReferenceIndex(catalogue_, thirdSunday, thirdSunday, winter_), -1);
    // No entry with that offset at all.
    const TIME_ZONE_INFORMATION tokyo = Record("Tokyo Standard Time", Tzi(-540));
    EXPECT_EQ(ChooseReferenceIndex(catalogue_, tokyo, tokyo, winter_), -1);
    EXPECT_EQ(ReferenceZoneRecord(catalogue_, -1, tokyo), tokyo);
}

TEST(ReferenceRecord, AnEmptyCatalogueLeavesTheComputersOwnZone) {
    TTimeZoneList empty;
    TIME_ZONE_INFORMATION computer;
    computer.Bias = -330;
    computer.StandardName[0] = u'X';
    const int index = ChooseReferenceIndex(empty, computer, computer, Utc("2026-01-15T12:00:00"));
    EXPECT_EQ(index, -1);
    EXPECT_EQ(ReferenceZoneRecord(empty, index, computer), computer);
}

TEST_F(Reference, TheSelectedEntrysRecordIsTheReference) {
    EXPECT_EQ(ReferenceZoneRecord(catalogue_, 2, kyiv_), catalogue_[2].ToTimeZoneInformation());
    EXPECT_EQ(ReferenceZoneRecord(catalogue_, 7, kyiv_), kyiv_);  // out of range selects nothing
    EXPECT_EQ(CurrentOffsetMinutes(berlin_, winter_), 60);
    EXPECT_EQ(CurrentOffsetMinutes(berlin_, summer_), 120);
}

}  // namespace

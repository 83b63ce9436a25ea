#include "timezones/ZoneClock.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

SYSTEMTIME Utc(const QDateTime& dt) {
    const QDate d = dt.date();
    const QTime t = dt.time();
    return SYSTEMTIME{uint16_t(d.year()),   uint16_t(d.month()), uint16_t(d.dayOfWeek() % 7),
                      uint16_t(d.day()),    uint16_t(t.hour()),  uint16_t(t.minute()),
                      uint16_t(t.second()), uint16_t(t.msec())};
}

SYSTEMTIME Utc(const char* iso) {
    return Utc(QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs));
}

// The local time as "yyyy-MM-dd hh:mm:ss.zzz", to read failures at a glance.
std::string Local(TDateTime value) {
    const SYSTEMTIME st = DecodeDateTime(value);
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", st.wYear, st.wMonth, st.wDay,
                  st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
    return text;
}

std::string LocalAt(const TIME_ZONE_INFORMATION& zone, const char* iso) {
    return Local(ZoneNow(zone, Utc(iso)));
}

TIME_ZONE_INFORMATION Zone(int bias, int daylightBias, SYSTEMTIME standardDate, SYSTEMTIME daylightDate) {
    TIME_ZONE_INFORMATION zone;
    zone.Bias = bias;
    zone.DaylightBias = daylightBias;
    zone.StandardDate = standardDate;
    zone.DaylightDate = daylightDate;
    return zone;
}

// Daylight from the 2nd Sunday of March 02:00 to the 1st Sunday of November 02:00.
const TIME_ZONE_INFORMATION kEastern = Zone(300, -60, {0, 11, 0, 1, 2, 0, 0, 0}, {0, 3, 0, 2, 2, 0, 0, 0});
// Daylight from the last Sunday of March 01:00 to the last Sunday of October 02:00.
const TIME_ZONE_INFORMATION kGmt = Zone(0, -60, {0, 10, 0, 5, 2, 0, 0, 0}, {0, 3, 0, 5, 1, 0, 0, 0});
// Southern: daylight from the 1st Sunday of October 02:00 to the 1st Sunday of April 03:00.
const TIME_ZONE_INFORMATION kSydney = Zone(-600, -60, {0, 4, 0, 1, 3, 0, 0, 0}, {0, 10, 0, 1, 2, 0, 0, 0});
const TIME_ZONE_INFORMATION kAllZero{};

TIME_ZONE_INFORMATION Fixed(int bias) {
    TIME_ZONE_INFORMATION zone;
    zone.Bias = bias;
    return zone;
}

}  // namespace

TEST(DateTimeValue, CountsDaysFrom18991230AndRoundsToTheMillisecond) {
    EXPECT_EQ(EncodeDateTime({1899, 12, 0, 30, 0, 0, 0, 0}), 0.0);
    EXPECT_EQ(EncodeDateTime({1900, 1, 0, 1, 18, 0, 0, 0}), 2.75);
    EXPECT_EQ(EncodeDateTime({2026, 1, 0, 15, 12, 0, 0, 0}), 46037.5);
    EXPECT_EQ(EncodeDateTime({1899, 12, 0, 29, 0, 0, 0, 0}), -1.0);

    // Round trip of every field, the weekday filled in (2026-01-15 is a Thursday).
    const SYSTEMTIME st{2026, 1, 4, 15, 22, 7, 30, 250};
    EXPECT_EQ(DecodeDateTime(EncodeDateTime(st)), st);
    EXPECT_EQ(DecodeDateTime(EncodeDateTime({2024, 2, 0, 29, 23, 59, 59, 999})),
              (SYSTEMTIME{2024, 2, 4, 29, 23, 59, 59, 999}));

    // A hair under the hour reads as the hour: rounding comes before the fields.
    const TDateTime almostEleven = MakeTimeOfDay(11, 0) - 0.4 * kOneMillisecond;
    EXPECT_EQ(HourOf(almostEleven), 11);
    EXPECT_EQ(MinuteOf(almostEleven), 0);
    EXPECT_EQ(HourOf(46037.0 + MakeTimeOfDay(23, 59, 59, 999) + 0.6 * kOneMillisecond), 0);
    EXPECT_EQ(DecodeDateTime(46037.0 + MakeTimeOfDay(23, 59, 59, 999) + 0.6 * kOneMillisecond),
              (SYSTEMTIME{2026, 1, 5, 16, 0, 0, 0, 0}));

    EXPECT_EQ(MakeTimeOfDay(24, 0), 1.0);
    EXPECT_EQ(TimeOfDay(1.0), 0.0);
    EXPECT_TRUE(SameTime(TimeOfDay(46037.75), MakeTimeOfDay(18, 0)));
    EXPECT_EQ(HourOf(-0.25), 18);  // 1899-12-29 18:00
}

TEST(DateTimeValue, SameTimeMeansUnderOneMillisecondEvenAtTodaysDates) {
    const TDateTime day = 46037.0;
    for (int ms = 0; ms < 86'400'000; ms += 3'599'999) {
        const TDateTime t = day + ms * kOneMillisecond;
        const TDateTime next = day + (ms + 1) * kOneMillisecond;
        EXPECT_FALSE(SameTime(t, next)) << ms;
        EXPECT_TRUE(SameTime(t, t + 0.5 * kOneMillisecond)) << ms;
    }
    EXPECT_TRUE(SameTime(MakeTimeOfDay(9, 30), 0.0 + 9.5 / 24));
}

TEST(DateTimeValue, DecodingNonsenseStaysInsideTheCalendar) {
    const double inf = std::numeric_limits<double>::infinity();
    for (double value : {std::nan(""), inf, -inf, 1e300, -1e300, 1e7, -1e7}) {
        const SYSTEMTIME st = DecodeDateTime(value);
        EXPECT_GE(st.wYear, 1);
        EXPECT_LE(st.wYear, 9999);
        EXPECT_GE(st.wMonth, 1);
        EXPECT_LE(st.wMonth, 12);
        EXPECT_LT(HourOf(value), 24);
        EXPECT_GE(TimeOfDay(value), 0.0);
        EXPECT_LT(TimeOfDay(value), 1.0);
    }
}

TEST(ZoneNow, EasternRuleAroundBothTransitions) {
    EXPECT_EQ(LocalAt(kEastern, "2026-01-15T12:00:00"), "2026-01-15 07:00:00.000");
    EXPECT_EQ(LocalAt(kEastern, "2026-07-15T12:00:30.500"), "2026-07-15 08:00:30.500");

    // Second Sunday of March 2026 is the 8th; 02:00 EST is 07:00 UTC, already daylight.
    EXPECT_EQ(LocalAt(kEastern, "2026-03-08T06:59:59.999"), "2026-03-08 01:59:59.999");
    EXPECT_EQ(LocalAt(kEastern, "2026-03-08T07:00:00.000"), "2026-03-08 03:00:00.000");
    // First Sunday of November 2026 is the 1st; 02:00 EDT is 06:00 UTC, already standard.
    EXPECT_EQ(LocalAt(kEastern, "2026-11-01T05:59:59.999"), "2026-11-01 01:59:59.999");
    EXPECT_EQ(LocalAt(kEastern, "2026-11-01T06:00:00.000"), "2026-11-01 01:00:00.000");
    // Another year places the rule on other days: 2025's are March 9 and November 2.
    EXPECT_EQ(LocalAt(kEastern, "2025-03-09T06:59:59.999"), "2025-03-09 01:59:59.999");
    EXPECT_EQ(LocalAt(kEastern, "2025-03-09T07:00:00.000"), "2025-03-09 03:00:00.000");
    EXPECT_EQ(LocalAt(kEastern, "2025-11-02T06:00:00.000"), "2025-11-02 01:00:00.000");
}

TEST(ZoneNow, LastOccurrenceIsTheFourthInAFourSundayMonth) {
    // October 2026 has four Sundays: the last is the 25th, not November 1st.
    EXPECT_EQ(LocalAt(kGmt, "2026-10-25T00:59:59.999"), "2026-10-25 01:59:59.999");
    EXPECT_EQ(LocalAt(kGmt, "2026-10-25T01:00:00.000"), "2026-10-25 01:00:00.000");
    EXPECT_EQ(LocalAt(kGmt, "2026-10-28T12:00:00"), "2026-10-28 12:00:00.000");
    // March 2026 has five: the last is the 29th.
    EXPECT_EQ(LocalAt(kGmt, "2026-03-29T00:59:59.999"), "2026-03-29 00:59:59.999");
    EXPECT_EQ(LocalAt(kGmt, "2026-03-29T01:00:00.000"), "2026-03-29 02:00:00.000");
    EXPECT_EQ(LocalAt(kGmt, "2026-03-22T12:00:00"), "2026-03-22 12:00:00.000");
}

TEST(ZoneNow, SouthernHemisphereKeepsDaylightOverNewYear) {
    EXPECT_EQ(LocalAt(kSydney, "2026-01-15T00:00:00"), "2026-01-15 11:00:00.000");
    EXPECT_EQ(LocalAt(kSydney, "2026-07-15T00:00:00"), "2026-07-15 10:00:00.000");
    // First Sunday of April 2026 is the 5th: 03:00 AEDT is 16:00 UTC on the 4th.
    EXPECT_EQ(LocalAt(kSydney, "2026-04-04T15:59:59.999"), "2026-04-05 02:59:59.999");
    EXPECT_EQ(LocalAt(kSydney, "2026-04-04T16:00:00.000"), "2026-04-05 02:00:00.000");
    // First Sunday of October 2026 is the 4th: 02:00 AEST is 16:00 UTC on the 3rd.
    EXPECT_EQ(LocalAt(kSydney, "2026-10-03T15:59:59.999"), "2026-10-04 01:59:59.999");
    EXPECT_EQ(LocalAt(kSydney, "2026-10-03T16:00:00.000"), "2026-10-04 03:00:00.000");
    // Local New Year arrives while UTC is still in the old year.
    EXPECT_EQ(LocalAt(kSydney, "2025-12-31T12:59:59.999"), "2025-12-31 23:59:59.999");
    EXPECT_EQ(LocalAt(kSydney, "2025-12-31T13:00:00.000"), "2026-01-01 00:00:00.000");
    // And the other way round west of Greenwich.
    EXPECT_EQ(LocalAt(kEastern, "2026-01-01T04:59:59.999"), "2025-12-31 23:59:59.999");
    EXPECT_EQ(LocalAt(kEastern, "2026-01-01T05:00:00.000"), "2026-01-01 00:00:00.000");
}

TEST(ZoneNow, TransitionsAreTakenInTheYearOfTheLocalDate) {
    // Daylight ends on the first Friday of January at 01:00; UTC is still in 2026
    // when it happens, so the rule must be placed in local 2027 (Friday the 1st),
    // not in UTC's 2026 (Friday the 2nd).
    const TIME_ZONE_INFORMATION zone = Zone(-720, -60, {0, 1, 5, 1, 1, 0, 0, 0}, {0, 9, 0, 5, 2, 0, 0, 0});
    EXPECT_EQ(LocalAt(zone, "2026-12-31T11:59:59.999"), "2027-01-01 00:59:59.999");
    EXPECT_EQ(LocalAt(zone, "2026-12-31T12:00:00.000"), "2027-01-01 00:00:00.000");
    EXPECT_EQ(LocalAt(zone, "2026-12-31T10:00:00.000"), "2026-12-31 23:00:00.000");
    EXPECT_EQ(LocalAt(zone, "2026-01-01T10:00:00.000"), "2026-01-01 23:00:00.000");
    EXPECT_EQ(LocalAt(zone, "2026-01-01T11:59:59.999"), "2026-01-02 00:59:59.999");
    EXPECT_EQ(LocalAt(zone, "2026-01-01T12:00:00.000"), "2026-01-02 00:00:00.000");

    // Daylight starts at local midnight on New Year's Day (a Friday in 2027).
    const TIME_ZONE_INFORMATION early = Zone(300, -60, {0, 11, 0, 1, 2, 0, 0, 0}, {0, 1, 5, 1, 0, 0, 0, 0});
    EXPECT_EQ(LocalAt(early, "2027-01-01T04:59:59.999"), "2026-12-31 23:59:59.999");
    EXPECT_EQ(LocalAt(early, "2027-01-01T05:00:00.000"), "2027-01-01 01:00:00.000");
}

TEST(ZoneNow, ZonesWithoutDaylightUseBiasAlone) {
    EXPECT_EQ(LocalAt(kAllZero, "2026-07-15T12:34:56.789"), "2026-07-15 12:34:56.789");
    EXPECT_EQ(LocalAt(Fixed(-180), "2026-01-15T22:00:00"), "2026-01-16 01:00:00.000");
    EXPECT_EQ(LocalAt(Fixed(-180), "2026-07-15T22:00:00"), "2026-07-16 01:00:00.000");
    // One month 0 is enough, and StandardBias then counts for nothing.
    TIME_ZONE_INFORMATION half = kEastern;
    half.StandardDate.wMonth = 0;
    half.StandardBias = 30;
    EXPECT_EQ(LocalAt(half, "2026-07-15T12:00:00"), "2026-07-15 07:00:00.000");
}

TEST(ZoneNow, RecordsTheRuleCannotReadConvertByTheDocumentedRule) {
    // wDay 0 reads as the first occurrence, anything above 5 as the last.
    TIME_ZONE_INFORMATION zone = kEastern;
    zone.DaylightDate.wDay = 0;  // 1 March 2026
    EXPECT_EQ(LocalAt(zone, "2026-03-01T07:00:00"), "2026-03-01 03:00:00.000");
    zone.DaylightDate.wDay = 9;  // 29 March 2026
    EXPECT_EQ(LocalAt(zone, "2026-03-29T06:59:59.999"), "2026-03-29 01:59:59.999");
    EXPECT_EQ(LocalAt(zone, "2026-03-29T07:00:00"), "2026-03-29 03:00:00.000");

    // A month above 12 or a weekday above 6 can't be placed: no daylight time at all.
    for (auto spoil : {+[](TIME_ZONE_INFORMATION& z) { z.DaylightDate.wMonth = 13; },
                       +[](TIME_ZONE_INFORMATION& z) { z.StandardDate.wMonth = 65535; },
                       +[](TIME_ZONE_INFORMATION& z) { z.DaylightDate.wDayOfWeek = 7; }}) {
        TIME_ZONE_INFORMATION spoilt = kEastern;
        spoil(spoilt);
        EXPECT_EQ(LocalAt(spoilt, "2026-07-15T12:00:00"), "2026-07-15 07:00:00.000");
    }

    // Both transitions in March, daylight first: daylight between them, not all year.
    const TIME_ZONE_INFORMATION march = Zone(300, -60, {0, 3, 0, 5, 2, 0, 0, 0}, {0, 3, 0, 1, 2, 0, 0, 0});
    EXPECT_EQ(LocalAt(march, "2026-03-15T12:00:00"), "2026-03-15 08:00:00.000");
    EXPECT_EQ(LocalAt(march, "2026-07-15T12:00:00"), "2026-07-15 07:00:00.000");
    EXPECT_EQ(LocalAt(march, "2026-01-15T12:00:00"), "2026-01-15 07:00:00.000");

    // A clock time past 24:00 stays at the end of its day.
    zone = kEastern;
    zone.DaylightDate = {0, 3, 0, 2, 99, 0, 0, 0};  // 24:00 EST on 8 March = 05:00 UTC on the 9th
    EXPECT_EQ(LocalAt(zone, "2026-03-09T04:59:59.999"), "2026-03-08 23:59:59.999");
    EXPECT_EQ(LocalAt(zone, "2026-03-09T05:00:00"), "2026-03-09 01:00:00.000");
}

TEST(ZoneNow, AbsoluteDatesApplyInTheirYearOnly) {
    TIME_ZONE_INFORMATION zone = kEastern;
    zone.DaylightDate = {2026, 3, 6, 8, 2, 0, 0, 0};  // weekday ignored
    zone.StandardDate = {2026, 11, 0, 1, 2, 0, 0, 0};
    EXPECT_EQ(LocalAt(zone, "2026-03-08T06:59:59.999"), "2026-03-08 01:59:59.999");
    EXPECT_EQ(LocalAt(zone, "2026-03-08T07:00:00"), "2026-03-08 03:00:00.000");
    EXPECT_EQ(LocalAt(zone, "2026-11-01T06:00:00"), "2026-11-01 01:00:00.000");
    EXPECT_EQ(LocalAt(zone, "2025-07-15T12:00:00"), "2025-07-15 07:00:00.000");
    EXPECT_EQ(LocalAt(zone, "2027-07-15T12:00:00"), "2027-07-15 07:00:00.000");

    // 31 February is the last day of February.
    zone.DaylightDate = {2026, 2, 0, 31, 2, 0, 0, 0};
    EXPECT_EQ(LocalAt(zone, "2026-02-28T06:59:59.999"), "2026-02-28 01:59:59.999");
    EXPECT_EQ(LocalAt(zone, "2026-02-28T07:00:00"), "2026-02-28 03:00:00.000");
}

TEST(ZoneNow, AnyRecordConvertsWithoutFault) {
    // The settings file can hand over any 172 bytes: every one must give a finite time.
    std::mt19937 random(172);
    const SYSTEMTIME samples[] = {Utc("2026-01-01T00:00:00"),
                                  Utc("2026-03-08T07:00:00"),
                                  Utc("2026-12-31T23:59:59.999"),
                                  {1601, 1, 1, 1, 0, 0, 0, 0},
                                  {9999, 12, 5, 31, 23, 59, 59, 999}};
    for (int n = 0; n < 3000; ++n) {
        unsigned char bytes[sizeof(TIME_ZONE_INFORMATION)];
        for (auto& b : bytes) b = static_cast<unsigned char>(random());
        TIME_ZONE_INFORMATION zone;
        std::memcpy(&zone, bytes, sizeof zone);
        if (n % 3 == 0) {  // keep many of them close to a yearly rule
            zone.DaylightDate.wYear = zone.StandardDate.wYear = 0;
            zone.DaylightDate.wMonth = 1 + zone.DaylightDate.wMonth % 12;
            zone.StandardDate.wMonth = 1 + zone.StandardDate.wMonth % 12;
        }
        if (n % 5 == 0) zone.Bias = n % 2 ? INT_MIN : INT_MAX;
        for (const SYSTEMTIME& utc : samples) {
            const TDateTime local = ZoneNow(zone, utc);
            ASSERT_TRUE(std::isfinite(local));
            ASSERT_LT(HourOf(local), 24);
        }
    }
}

// The operating system's tz database, read by Qt, agrees with the yearly rules of
// these zones at every hour of three years and a millisecond around each change.
TEST(ZoneNow, AgreesWithTheTzDatabaseForZonesWithYearlyRules) {
    struct Case {
        const char* iana;
        TIME_ZONE_INFORMATION zone;
    };
    const Case cases[] = {
        {"America/New_York", kEastern},
        {"Europe/London", kGmt},
        {"Australia/Sydney", kSydney},
        {"Europe/Berlin", Zone(-60, -60, {0, 10, 0, 5, 3, 0, 0, 0}, {0, 3, 0, 5, 2, 0, 0, 0})},
        {"Pacific/Auckland", Zone(-720, -60, {0, 4, 0, 1, 3, 0, 0, 0}, {0, 9, 0, 5, 2, 0, 0, 0})},
        {"Asia/Kolkata", Fixed(-330)},
    };
    const QDateTime from(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC);
    const QDateTime to(QDate(2028, 1, 1), QTime(0, 0), Qt::UTC);
    for (const Case& c : cases) {
        const QTimeZone tz(c.iana);
        if (!tz.isValid()) GTEST_SKIP() << "no tz database entry for " << c.iana;
        QList<qint64> instants;
        for (qint64 ms = from.toMSecsSinceEpoch(); ms < to.toMSecsSinceEpoch(); ms += 3'600'000)
            instants << ms;
        for (const QTimeZone::OffsetData& change : tz.transitions(from, to))
            instants << change.atUtc.toMSecsSinceEpoch() - 1 << change.atUtc.toMSecsSinceEpoch();
        for (qint64 ms : instants) {
            const QDateTime utc = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
            const QDateTime local = utc.toTimeZone(tz);
            ASSERT_EQ(Local(ZoneNow(c.zone, Utc(utc))),
                      local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toStdString())
                << c.iana << " at " << qPrintable(utc.toString(Qt::ISODateWithMs));
        }
    }
}

TEST(ZoneHourOffset, TruncatesTowardZeroAgainstTheChartZone) {
    const TIME_ZONE_INFORMATION chart = MakeChartZone(kAllZero);  // UTC+2 all year
    const SYSTEMTIME utc = Utc("2026-07-15T12:00:00");
    EXPECT_EQ(ZoneHourOffset(Fixed(-330), chart, utc), 3);  // UTC+5:30
    EXPECT_EQ(ZoneHourOffset(Fixed(210), chart, utc), -5);  // UTC-3:30
    EXPECT_EQ(ZoneHourOffset(Fixed(-120), chart, utc), 0);
    EXPECT_EQ(ZoneHourOffset(chart, chart, utc), 0);
    EXPECT_EQ(ZoneHourOffset(Fixed(-165), chart, utc), 0);  // UTC+2:45
    EXPECT_EQ(ZoneHourOffset(Fixed(-90), chart, utc), 0);  // UTC+1:30
    EXPECT_EQ(ZoneHourOffset(Fixed(-840), chart, utc), 12);  // across midnight
    EXPECT_EQ(ZoneHourOffset(Fixed(600), chart, utc), -12);
}

TEST(ZoneHourOffset, FollowsBothZonesDaylightRules) {
    const TIME_ZONE_INFORMATION chart = MakeChartZone(kEastern);
    const TIME_ZONE_INFORMATION moscow = Fixed(-180);
    EXPECT_EQ(ZoneHourOffset(moscow, chart, Utc("2026-01-15T12:00:00")), 1);
    EXPECT_EQ(ZoneHourOffset(moscow, chart, Utc("2026-07-15T12:00:00")), 0);
    EXPECT_EQ(ZoneHourOffset(kEastern, chart, Utc("2026-01-15T12:00:00")), -7);
    EXPECT_EQ(ZoneHourOffset(kEastern, chart, Utc("2026-07-15T12:00:00")), -7);
    EXPECT_EQ(ZoneHourOffset(chart, chart, Utc("2026-03-08T07:00:00")), 0);
}

TEST(ChartZone, IsTheNewYorkRuleMovedToUtcPlusTwo) {
    TIME_ZONE_INFORMATION eastern = kEastern;
    std::u16string name = u"Eastern Standard Time";
    std::copy(name.begin(), name.end(), eastern.StandardName);
    const TIME_ZONE_INFORMATION chart = MakeChartZone(eastern);
    TIME_ZONE_INFORMATION expected = eastern;
    expected.Bias = -120;
    EXPECT_EQ(chart, expected);
    EXPECT_EQ(LocalAt(chart, "2026-01-15T12:00:00"), "2026-01-15 14:00:00.000");
    EXPECT_EQ(LocalAt(chart, "2026-07-15T12:00:00"), "2026-07-15 15:00:00.000");
    // It switches when its own clock reads 02:00 on the Eastern dates.
    EXPECT_EQ(LocalAt(chart, "2026-03-08T00:00:00"), "2026-03-08 03:00:00.000");
    EXPECT_EQ(LocalAt(chart, "2026-03-07T23:59:59.999"), "2026-03-08 01:59:59.999");

    // Without the Eastern key: UTC+2 all year.
    const TIME_ZONE_INFORMATION bare = MakeChartZone(kAllZero);
    EXPECT_EQ(LocalAt(bare, "2026-01-15T12:00:00"), "2026-01-15 14:00:00.000");
    EXPECT_EQ(LocalAt(bare, "2026-07-15T12:00:00"), "2026-07-15 14:00:00.000");
}

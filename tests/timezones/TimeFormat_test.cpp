#include "timezones/TimeFormat.h"
#include "timezones/ZoneClock.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

TimeFormatSettings Settings(bool leadingZero, bool twelveHour, bool markerBefore) {
    TimeFormatSettings settings;
    settings.leadingZero = leadingZero;
    settings.twelveHour = twelveHour;
    settings.markerBeforeTime = markerBefore;
    return settings;
}

QString Clock(const TimeFormatSettings& settings, int hour, int minute) {
    return FormatDateTime(BuildClockTimeFormat(settings), 46037.0 + MakeTimeOfDay(hour, minute), settings);
}

// Restores the process-wide settings a test changes.
class CurrentSettingsGuard {
public:
    CurrentSettingsGuard() : saved_(CurrentTimeFormatSettings()) {}
    ~CurrentSettingsGuard() { SetCurrentTimeFormatSettings(saved_); }

private:
    TimeFormatSettings saved_;
};

}  // namespace

TEST(ClockTimeFormat, IsBuiltFromTheFourSettings) {
    EXPECT_EQ(BuildClockTimeFormat(Settings(false, false, false)), "h:mm");
    EXPECT_EQ(BuildClockTimeFormat(Settings(true, false, true)), "hh:mm");  // marker needs 12 h
    EXPECT_EQ(BuildClockTimeFormat(Settings(false, true, false)), "h:mm AMPM");
    EXPECT_EQ(BuildClockTimeFormat(Settings(true, true, true)), "AMPM hh:mm");
}

TEST(FormatDateTime, ShowsClockTimesUnderEachKindOfSettings) {
    const TimeFormatSettings plain = Settings(false, false, false);
    EXPECT_EQ(Clock(plain, 9, 5), "9:05");
    EXPECT_EQ(Clock(plain, 23, 0), "23:00");
    EXPECT_EQ(Clock(plain, 0, 7), "0:07");
    EXPECT_EQ(Clock(Settings(true, false, false), 9, 5), "09:05");

    const TimeFormatSettings twelve = Settings(false, true, false);
    EXPECT_EQ(Clock(twelve, 9, 5), "9:05 AM");
    EXPECT_EQ(Clock(twelve, 13, 5), "1:05 PM");
    EXPECT_EQ(Clock(twelve, 0, 30), "12:30 AM");
    EXPECT_EQ(Clock(twelve, 12, 0), "12:00 PM");
    EXPECT_EQ(Clock(twelve, 11, 59), "11:59 AM");

    TimeFormatSettings korean = Settings(true, true, true);
    korean.amText = QStringLiteral("오전");
    korean.pmText = QStringLiteral("오후");
    korean.timeSeparator = QStringLiteral(".");
    EXPECT_EQ(Clock(korean, 9, 5), "오전 09.05");
    EXPECT_EQ(Clock(korean, 21, 5), "오후 09.05");
}

TEST(FormatDateTime, MidnightAndTheLastMillisecondRollOverToZero) {
    const TimeFormatSettings plain = Settings(false, false, false);
    EXPECT_EQ(FormatDateTime("h:mm", 1.0, plain), "0:00");
    EXPECT_EQ(FormatDateTime("h:mm", MakeTimeOfDay(24, 0), plain), "0:00");
    EXPECT_EQ(FormatDateTime("h:mm", MakeTimeOfDay(23, 59, 59, 999) + 0.6 * kOneMillisecond, plain), "0:00");
    EXPECT_EQ(FormatDateTime("h:mm", MakeTimeOfDay(23, 59, 59, 999), plain), "23:59");
    EXPECT_EQ(FormatDateTime("h:mm", MakeTimeOfDay(10, 0) - 0.4 * kOneMillisecond, plain), "10:00");
}

// Countdowns and durations are no clock times: a 12-hour clock or another separator
// leaves them alone, and a day or more shows its days.
TEST(CountdownAndDuration, KeepTheirOwnFormsInEveryLocale) {
    CurrentSettingsGuard guard;
    TimeFormatSettings twelve = Settings(true, true, false);
    twelve.timeSeparator = QStringLiteral(".");
    for (const TimeFormatSettings& settings : {Settings(false, false, false), twelve}) {
        SetCurrentTimeFormatSettings(settings);
        EXPECT_EQ(CountdownText(5 * 60'000), QStringLiteral("05 мин"));
        EXPECT_EQ(CountdownText(59 * 60'000 + 59'999), QStringLiteral("59 мин"));
        EXPECT_EQ(CountdownText(3'600'000), QStringLiteral("1 ч. 00 мин"));
        EXPECT_EQ(CountdownText(13 * 3'600'000 + 5 * 60'000), QStringLiteral("13 ч. 05 мин"));
        EXPECT_EQ(CountdownText(23 * 3'600'000 + 59 * 60'000), QStringLiteral("23 ч. 59 мин"));
        EXPECT_EQ(CountdownText(24 * 3'600'000), QStringLiteral("1 д. 00 ч. 00 мин"));
        EXPECT_EQ(CountdownText(43 * 3'600'000), QStringLiteral("1 д. 19 ч. 00 мин"));
        EXPECT_EQ(CountdownText(50 * 3'600'000 + 7 * 60'000), QStringLiteral("2 д. 02 ч. 07 мин"));
        EXPECT_EQ(DurationText(7 * 3'600'000), QStringLiteral("7:00"));
        EXPECT_EQ(DurationText(13 * 3'600'000 + 60'000 + 59'999), QStringLiteral("13:01"));
        EXPECT_EQ(DurationText(0), QStringLiteral("0:00"));
    }
}

TEST(FormatDateTime, LiteralText) {
    const TimeFormatSettings plain = Settings(false, false, false);
    const TDateTime t = MakeTimeOfDay(9, 5);
    EXPECT_EQ(FormatDateTime("\"hh:nn AMPM\"h", t, plain), "hh:nn AMPM9");
    EXPECT_EQ(FormatDateTime("h\"h\"mm", t, plain), "9h05");  // minutes after the hour
    EXPECT_EQ(FormatDateTime("mm", t, plain), "mm");  // no hour before: plain text
    EXPECT_EQ(FormatDateTime("h\"unclosed", t, plain), "9unclosed");
    EXPECT_EQ(FormatDateTime("", t, plain), "");
}

TEST(TimeFormatSettings, AreReadFromTheLocalesTimeFormat) {
    const TimeFormatSettings us = TimeFormatSettingsFromLocale(QLocale(QStringLiteral("en_US")));
    EXPECT_TRUE(us.twelveHour);
    EXPECT_FALSE(us.leadingZero);
    EXPECT_FALSE(us.markerBeforeTime);
    EXPECT_EQ(us.amText, "AM");
    EXPECT_EQ(us.pmText, "PM");
    EXPECT_EQ(us.timeSeparator, ":");

    const TimeFormatSettings ru = TimeFormatSettingsFromLocale(QLocale(QStringLiteral("ru_RU")));
    EXPECT_FALSE(ru.twelveHour);
    EXPECT_TRUE(ru.leadingZero);
    EXPECT_EQ(BuildClockTimeFormat(ru), "hh:mm");

    const TimeFormatSettings ko = TimeFormatSettingsFromLocale(QLocale(QStringLiteral("ko_KR")));
    EXPECT_TRUE(ko.twelveHour);
    EXPECT_TRUE(ko.markerBeforeTime);
    EXPECT_EQ(FormatDateTime(BuildClockTimeFormat(ko), MakeTimeOfDay(15, 20), ko),
              QStringLiteral("오후 3:20"));

    const TimeFormatSettings fi = TimeFormatSettingsFromLocale(QLocale(QStringLiteral("fi_FI")));
    EXPECT_FALSE(fi.leadingZero);
    EXPECT_EQ(fi.timeSeparator, ".");

    // Quoted text between hour and minutes is the separator.
    const TimeFormatSettings ca = TimeFormatSettingsFromLocale(QLocale(QStringLiteral("fr_CA")));
    EXPECT_EQ(FormatDateTime(BuildClockTimeFormat(ca), MakeTimeOfDay(9, 5), ca), "09 h 05");
}

TEST(CurrentTimeFormat, DrivesClockFormatAndZoneTimeText) {
    CurrentSettingsGuard guard;
    TIME_ZONE_INFORMATION moscow;
    moscow.Bias = -180;
    const SYSTEMTIME utc{2026, 1, 4, 15, 22, 7, 30, 0};

    SetCurrentTimeFormatSettings(Settings(false, false, false));
    EXPECT_EQ(ClockTimeFormat(), "h:mm");
    EXPECT_EQ(ZoneTimeText(moscow, utc), "1:07");

    SetCurrentTimeFormatSettings(Settings(true, true, false));
    EXPECT_EQ(ClockTimeFormat(), "hh:mm AMPM");
    EXPECT_EQ(ZoneTimeText(moscow, utc), "01:07 AM");
    EXPECT_EQ(ZoneTimeText(TIME_ZONE_INFORMATION{}, utc), "10:07 PM");
}

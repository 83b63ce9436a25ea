// Zone arithmetic over arbitrary 172-byte records and UTC samples (the settings file
// can hand over any bytes): the local time is the sample moved by one of the record's
// three biases, hour offsets stay within a day and are antisymmetric, and the clock
// texts show that time's hour and minute.
//
// Input: the zone record (172 bytes), the chart zone record (172 bytes), the UTC
// sample (16 bytes), one byte of format settings, then a format text in UTF-8.

#include "fuzz/FuzzInput.h"
#include "timezones/TimeFormat.h"
#include "timezones/ZoneClock.h"

#include <cmath>
#include <cstdint>

namespace {

void CheckConversion(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc) {
    const TDateTime local = ZoneNow(zone, utc);
    FUZZ_CHECK(std::isfinite(local), "local time is not a number");
    const double shift = std::round((local - EncodeDateTime(utc)) * 1440.0);
    const int64_t bias = zone.Bias;
    FUZZ_CHECK(shift == double(-bias) || shift == double(-(bias + zone.StandardBias)) ||
                   shift == double(-(bias + zone.DaylightBias)),
               "local time moved by %.0f minutes; Bias %d StandardBias %d DaylightBias %d", shift, zone.Bias,
               zone.StandardBias, zone.DaylightBias);

    const SYSTEMTIME decoded = DecodeDateTime(local);
    FUZZ_CHECK(decoded.wMonth >= 1 && decoded.wMonth <= 12 && decoded.wDay >= 1 && decoded.wDay <= 31 &&
                   decoded.wHour < 24 && decoded.wMinute < 60 && decoded.wSecond < 60 &&
                   decoded.wMilliseconds < 1000 && decoded.wDayOfWeek < 7,
               "decoded date out of range");
    FUZZ_CHECK(HourOf(local) >= 0 && HourOf(local) < 24 && MinuteOf(local) >= 0 && MinuteOf(local) < 60,
               "hour %d minute %d", HourOf(local), MinuteOf(local));
    const TDateTime time = TimeOfDay(local);
    FUZZ_CHECK(time >= 0.0 && time < 1.0, "time of day %f", time);
}

void CheckOffsets(const TIME_ZONE_INFORMATION& zone, const TIME_ZONE_INFORMATION& chart,
                  const SYSTEMTIME& utc) {
    const int offset = ZoneHourOffset(zone, chart, utc);
    FUZZ_CHECK(offset > -24 && offset < 24, "hour offset %d", offset);
    FUZZ_CHECK(ZoneHourOffset(chart, zone, utc) == -offset, "hour offsets not antisymmetric");
    FUZZ_CHECK(ZoneHourOffset(zone, zone, utc) == 0, "a zone is ahead of itself");
}

QString TwoDigits(int n) {
    return QString::number(n).rightJustified(2, u'0');
}

void CheckTexts(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc, uint8_t flags,
                const QString& format) {
    const TDateTime local = ZoneNow(zone, utc);
    TimeFormatSettings settings;
    settings.leadingZero = flags & 1;
    settings.twelveHour = flags & 2;
    settings.markerBeforeTime = flags & 4;
    settings.timeSeparator = (flags & 8) ? QStringLiteral(".") : QStringLiteral(":");

    const int hour24 = HourOf(local);
    int hour = hour24;
    if (settings.twelveHour) hour = hour24 % 12 == 0 ? 12 : hour24 % 12;
    QString expected = (settings.leadingZero ? TwoDigits(hour) : QString::number(hour)) +
                       settings.timeSeparator + TwoDigits(MinuteOf(local));
    if (settings.twelveHour) {
        const QString marker = hour24 < 12 ? settings.amText : settings.pmText;
        expected = settings.markerBeforeTime ? marker + u' ' + expected : expected + u' ' + marker;
    }
    const QString text = FormatDateTime(BuildClockTimeFormat(settings), local, settings);
    FUZZ_CHECK(text == expected, "clock text [%s], expected [%s]", qPrintable(text), qPrintable(expected));

    FUZZ_CHECK(ZoneTimeText(zone, utc) == FormatDateTime(ClockTimeFormat(), local),
               "the clock text is not the formatted local time");
    // Any format text at all: only that it is formatted without harm.
    (void)FormatDateTime(format, local, settings);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TFuzzInput input(data, size);
    TIME_ZONE_INFORMATION zone;
    TIME_ZONE_INFORMATION chart;
    SYSTEMTIME utc;
    uint8_t flags = 0;
    input.Take(&zone, sizeof zone);
    input.Take(&chart, sizeof chart);
    input.Take(&utc, sizeof utc);
    input.Take(&flags, 1);
    const QString format = QString::fromUtf8(input.Rest());

    CheckConversion(zone, utc);
    CheckConversion(chart, utc);
    CheckConversion(MakeChartZone(zone), utc);
    CheckOffsets(zone, chart, utc);
    CheckTexts(zone, utc, flags, format);
    return 0;
}

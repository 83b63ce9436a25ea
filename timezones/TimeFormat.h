#pragma once
// Clock texts. Every clock shows ClockTimeFormat(). Formats are read with the tokens
// "h", "hh", "mm" after an hour, "nn", ":" (the time separator), "AMPM" and
// double-quoted literal text. Countdowns and durations are no clock times: they keep
// their own forms in every locale.

#include "timezones/ZoneRecord.h"

#include <QString>

class QLocale;

// The regional settings the clock format is built from.
struct TimeFormatSettings {
    bool leadingZero = false;
    bool twelveHour = false;
    bool markerBeforeTime = false;
    QString amText = QStringLiteral("AM");
    QString pmText = QStringLiteral("PM");
    QString timeSeparator = QStringLiteral(":");
};

// Reads the four settings, the AM/PM texts and the separator from a locale.
TimeFormatSettings TimeFormatSettingsFromLocale(const QLocale& locale);
// Builds "AMPM "? + "h"/"hh" + ":mm" + " AMPM"? from the settings.
QString BuildClockTimeFormat(const TimeFormatSettings& settings);

// The process-wide current settings and clock format (the locale's at start-up until
// set; set again when the desktop announces a change of regional settings).
const TimeFormatSettings& CurrentTimeFormatSettings();
void SetCurrentTimeFormatSettings(const TimeFormatSettings& settings);
QString ClockTimeFormat();

// value formatted with format under settings (default: the current ones).
QString FormatDateTime(const QString& format, TDateTime value);
QString FormatDateTime(const QString& format, TDateTime value, const TimeFormatSettings& settings);

// ZoneNow(zone, utc) formatted with ClockTimeFormat().
QString ZoneTimeText(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc);

// The time to a bar's next opening or closing, in whole minutes: "1 д. 05 ч. 00 мин"
// from a day on, "2 ч. 05 мин" from an hour on, else "05 мин". The bars and the
// panel of coming events count down in this one form.
QString CountdownText(qint64 ms);
// A length of time as hours and two-digit minutes, "7:00" (seconds dropped).
QString DurationText(qint64 ms);

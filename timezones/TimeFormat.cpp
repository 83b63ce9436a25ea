#include "timezones/TimeFormat.h"

#include "timezones/ZoneClock.h"

#include <QLocale>

#include <algorithm>

namespace {

bool IsAmPmLetter(QChar c) {
    return c == u'a' || c == u'A';
}

// Qt's format letters that stand for something other than literal text.
bool IsQtFormatLetter(QChar c) {
    return QStringLiteral("hHmsztapAP").contains(c);
}

struct CurrentFormat {
    TimeFormatSettings settings;
    QString clockFormat;
};

CurrentFormat& Current() {
    static CurrentFormat current = [] {
        CurrentFormat made;
        made.settings = TimeFormatSettingsFromLocale(QLocale::system());
        made.clockFormat = BuildClockTimeFormat(made.settings);
        return made;
    }();
    return current;
}

QString TwoDigits(int n) {
    return QString::number(n).rightJustified(2, u'0');
}

}  // namespace

// Reads Qt's time format: "h"/"hh" and "H"/"HH" are the hour (a doubled letter with a
// leading zero), "a"/"ap"/"A"/"AP" the AM/PM marker, which also makes the clock 12-hour,
// and single quotes enclose literal text. The separator is the literal text between
// the hour and the minutes. A format without an hour leaves the defaults in place.
TimeFormatSettings TimeFormatSettingsFromLocale(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    TimeFormatSettings settings;

    int hourAt = -1;
    int hourLength = 0;
    int markerAt = -1;
    int minuteAt = -1;
    QString between;  // literal text after the hour, up to the next format letter
    bool collecting = false;
    for (int i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'\'') {  // quoted text; '' is a quote character, inside or outside
            QString text;
            int end = i + 1;
            if (end < format.size() && format[end] == u'\'') {
                text = QStringLiteral("'");
            } else {
                while (end < format.size()) {
                    if (format[end] == u'\'') {
                        if (end + 1 < format.size() && format[end + 1] == u'\'') {
                            text += u'\'';
                            end += 2;
                            continue;
                        }
                        break;
                    }
                    text += format[end++];
                }
            }
            if (collecting) between += text;
            i = end + 1;
            continue;
        }
        if (!IsQtFormatLetter(c)) {
            if (collecting) between += c;
            ++i;
            continue;
        }
        int run = 1;
        while (i + run < format.size() && format[i + run] == c) ++run;
        if ((c == u'h' || c == u'H') && hourAt < 0) {
            hourAt = i;
            hourLength = run;
            collecting = true;
        } else if (c == u'm' && hourAt >= 0 && minuteAt < 0) {
            minuteAt = i;
            collecting = false;
        } else if (IsAmPmLetter(c) && markerAt < 0) {
            markerAt = i;
            collecting = false;
        } else {
            collecting = false;
        }
        i += run;
    }

    if (hourAt < 0) return settings;
    settings.leadingZero = hourLength >= 2;
    settings.twelveHour = markerAt >= 0;
    settings.markerBeforeTime = markerAt >= 0 && markerAt < hourAt;
    // Qt shows the marker in upper case for "A"/"AP" and in lower case for "a"/"ap".
    auto marker = [&](const QString& text) {
        if (markerAt < 0) return text;
        return format[markerAt] == u'A' ? text.toUpper() : text.toLower();
    };
    if (!locale.amText().isEmpty()) settings.amText = marker(locale.amText());
    if (!locale.pmText().isEmpty()) settings.pmText = marker(locale.pmText());
    if (minuteAt >= 0 && !between.isEmpty()) settings.timeSeparator = between;
    return settings;
}

QString BuildClockTimeFormat(const TimeFormatSettings& settings) {
    QString format;
    if (settings.twelveHour && settings.markerBeforeTime) format += QStringLiteral("AMPM ");
    format += settings.leadingZero ? QStringLiteral("hh") : QStringLiteral("h");
    format += QStringLiteral(":mm");
    if (settings.twelveHour && !settings.markerBeforeTime) format += QStringLiteral(" AMPM");
    return format;
}

const TimeFormatSettings& CurrentTimeFormatSettings() {
    return Current().settings;
}

void SetCurrentTimeFormatSettings(const TimeFormatSettings& settings) {
    CurrentFormat& current = Current();
    current.settings = settings;
    current.clockFormat = BuildClockTimeFormat(settings);
}

QString ClockTimeFormat() {
    return Current().clockFormat;
}

QString FormatDateTime(const QString& format, TDateTime value) {
    return FormatDateTime(format, value, CurrentTimeFormatSettings());
}

// Tokens: "h"/"hh" the hour, "n"/"nn" the minutes, "m"/"mm" the minutes when the last
// letter token was an hour (other letters pass through as text), ":" the separator,
// "AMPM" the marker, "..." literal text (an unclosed quote runs to the end). A format
// holding "AMPM" anywhere counts hours 12, 1, ... 11.
QString FormatDateTime(const QString& format, TDateTime value, const TimeFormatSettings& settings) {
    const int hour24 = HourOf(value);
    const int minute = MinuteOf(value);
    const bool twelveHour = format.contains(QLatin1String("AMPM"));
    const int hour = twelveHour ? (hour24 % 12 == 0 ? 12 : hour24 % 12) : hour24;

    QString out;
    out.reserve(format.size() + 8);
    bool afterHour = false;
    for (int i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'"') {
            const int end = format.indexOf(u'"', i + 1);
            const int stop = end < 0 ? format.size() : end;
            out += QStringView(format).mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        if (c == u':') {
            out += settings.timeSeparator;
            ++i;
            continue;
        }
        if (QStringView(format).mid(i, 4) == QLatin1String("AMPM")) {
            out += hour24 < 12 ? settings.amText : settings.pmText;
            afterHour = false;
            i += 4;
            continue;
        }
        const bool doubled = i + 1 < format.size() && format[i + 1] == c;
        if (c == u'h') {
            out += doubled ? TwoDigits(hour) : QString::number(hour);
            afterHour = true;
        } else if (c == u'n' || (c == u'm' && afterHour)) {
            out += doubled ? TwoDigits(minute) : QString::number(minute);
            afterHour = false;
        } else {
            out += c;
            if (c.isLetter()) afterHour = false;
            i += 1;
            continue;
        }
        i += doubled ? 2 : 1;
    }
    return out;
}

QString ZoneTimeText(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc) {
    return FormatDateTime(ClockTimeFormat(), ZoneNow(zone, utc));
}

QString CountdownText(qint64 ms) {
    const qint64 minutes = std::max<qint64>(0, ms) / 60'000;
    const qint64 days = minutes / 1440;
    const qint64 hours = minutes / 60 % 24;
    QString text;
    // Every unit after the first has two digits: "1 д. 05 ч. 00 мин", "2 ч. 05 мин".
    if (days > 0)
        text =
            QString::number(days) + QStringLiteral(" д. ") + TwoDigits(int(hours)) + QStringLiteral(" ч. ");
    else if (hours > 0)
        text = QString::number(hours) + QStringLiteral(" ч. ");
    return text + TwoDigits(int(minutes % 60)) + QStringLiteral(" мин");
}

QString DurationText(qint64 ms) {
    const qint64 minutes = std::max<qint64>(0, ms) / 60'000;
    return QString::number(minutes / 60) + u':' + TwoDigits(int(minutes % 60));
}

#include "sessions/UpcomingText.h"

#include "sessions/TradingWeek.h"

#include <algorithm>
#include <cstdlib>

namespace {

QString Amount(qint64 number, const char16_t* unit) {
    return QString::number(number) + kNoBreak + QString::fromUtf16(unit);
}

}  // namespace

QString DateText(const QDate& date) {
    static const char16_t* const kMonths[12] = {u"января",   u"февраля", u"марта",  u"апреля",
                                                u"мая",      u"июня",    u"июля",   u"августа",
                                                u"сентября", u"октября", u"ноября", u"декабря"};
    return QString::number(date.day()) + kNoBreak + QString::fromUtf16(kMonths[date.month() - 1]);
}

QString DateText(const TIME_ZONE_INFORMATION& zone, qint64 utcMs) {
    return DateText(LocalDateAt(zone, utcMs));
}

QString WeekdayName(const QDate& date) {
    static const char16_t* const kDays[7] = {u"понедельник", u"вторник", u"среда",      u"четверг",
                                             u"пятница",     u"суббота", u"воскресенье"};
    return QString::fromUtf16(kDays[date.dayOfWeek() - 1]);
}

QString HoursText(int minutes) {
    minutes = std::abs(minutes);
    const QString hours = Amount(minutes / 60, u"ч.");
    if (minutes % 60 == 0) return hours;
    const QString rest = Amount(minutes % 60, u"мин");
    return minutes < 60 ? rest : hours + u' ' + rest;
}

QString InsteadOf(int now, int before) {
    const QString was =
        now % 60 == 0 && before % 60 == 0 ? QString::number(std::abs(before) / 60) : HoursText(before);
    return HoursText(now) + QStringLiteral(" вместо ") + was;
}

QString JoinNames(const QStringList& names) {
    if (names.size() < 2) return names.join(QString());
    return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" и ") + names.last();
}

QString UpcomingCountdown(qint64 ms) {
    const qint64 minutes = std::max<qint64>(0, ms) / 60'000;
    QStringList parts;
    if (minutes >= 1440) parts << Amount(minutes / 1440, u"д.");
    if (minutes / 60 % 24 != 0) parts << Amount(minutes / 60 % 24, u"ч.");
    if (minutes % 60 != 0 || parts.isEmpty()) parts << Amount(minutes % 60, u"мин");
    return parts.join(u' ');
}

QString MoreEventsText(qsizetype count) {
    const qsizetype tens = count % 100, units = count % 10;
    const char16_t* noun = tens >= 11 && tens <= 14   ? u"событий"
                           : units == 1               ? u"событие"
                           : units >= 2 && units <= 4 ? u"события"
                                                      : u"событий";
    return QStringLiteral("ещё ") + Amount(count, noun) + QChar(0x2026);
}

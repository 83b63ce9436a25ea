#include "sessions/HolidayRules.h"

namespace {

enum class THoliday {
    NewYear,
    KingDay,
    WashingtonsBirthday,
    GoodFriday,
    MemorialDay,
    Juneteenth,
    IndependenceDay,
    LaborDay,
    Thanksgiving,
    Christmas,
    // the early closes
    IndependenceEve,
    AfterThanksgiving,
    ChristmasEve
};

QString HolidayName(THoliday holiday) {
    switch (holiday) {
    case THoliday::NewYear: return QStringLiteral("Новый год");
    case THoliday::KingDay: return QStringLiteral("День Мартина Лютера Кинга");
    case THoliday::WashingtonsBirthday: return QStringLiteral("День рождения Вашингтона");
    case THoliday::GoodFriday: return QStringLiteral("Страстная пятница");
    case THoliday::MemorialDay: return QStringLiteral("День памяти");
    case THoliday::Juneteenth: return QStringLiteral("Джунтинс");
    case THoliday::IndependenceDay: return QStringLiteral("День независимости");
    case THoliday::LaborDay: return QStringLiteral("День труда");
    case THoliday::Thanksgiving: return QStringLiteral("День благодарения");
    case THoliday::Christmas: return QStringLiteral("Рождество");
    case THoliday::IndependenceEve: return QStringLiteral("канун Дня независимости");
    case THoliday::AfterThanksgiving: return QStringLiteral("после Дня благодарения");
    case THoliday::ChristmasEve: return QStringLiteral("канун Рождества");
    }
    return QString();
}

// The n-th (1-based) given weekday of a month; n = -1 for the last.
QDate NthWeekday(int year, int month, int weekday, int n) {
    if (n < 0) {
        QDate last(year, month, QDate(year, month, 1).daysInMonth());
        return last.addDays(-((last.dayOfWeek() - weekday + 7) % 7));
    }
    const QDate first(year, month, 1);
    return first.addDays((weekday - first.dayOfWeek() + 7) % 7 + 7 * (n - 1));
}

// A fixed-date holiday as the NYSE keeps it.
QDate Kept(const QDate& date) {
    if (date.dayOfWeek() == Qt::Saturday) return date.addDays(-1);
    if (date.dayOfWeek() == Qt::Sunday) return date.addDays(1);
    return date;
}

struct TRuleDay {
    QDate Date;
    THoliday Holiday;
};

std::vector<TRuleDay> NyseDays(int year) {
    std::vector<TRuleDay> days;
    const QDate newYear(year, 1, 1);
    // On a Saturday it would fall in the year before, which the NYSE does not do.
    if (newYear.dayOfWeek() != Qt::Saturday) days.push_back({Kept(newYear), THoliday::NewYear});
    days.push_back({NthWeekday(year, 1, Qt::Monday, 3), THoliday::KingDay});
    days.push_back({NthWeekday(year, 2, Qt::Monday, 3), THoliday::WashingtonsBirthday});
    days.push_back({EasterSunday(year).addDays(-2), THoliday::GoodFriday});
    days.push_back({NthWeekday(year, 5, Qt::Monday, -1), THoliday::MemorialDay});
    if (year >= 2022) days.push_back({Kept(QDate(year, 6, 19)), THoliday::Juneteenth});
    days.push_back({Kept(QDate(year, 7, 4)), THoliday::IndependenceDay});
    const QDate julyThird(year, 7, 3);
    if (julyThird.dayOfWeek() <= Qt::Thursday) days.push_back({julyThird, THoliday::IndependenceEve});
    days.push_back({NthWeekday(year, 9, Qt::Monday, 1), THoliday::LaborDay});
    const QDate thanksgiving = NthWeekday(year, 11, Qt::Thursday, 4);
    days.push_back({thanksgiving, THoliday::Thanksgiving});
    days.push_back({thanksgiving.addDays(1), THoliday::AfterThanksgiving});
    const QDate christmasEve(year, 12, 24);
    if (christmasEve.dayOfWeek() <= Qt::Thursday) days.push_back({christmasEve, THoliday::ChristmasEve});
    days.push_back({Kept(QDate(year, 12, 25)), THoliday::Christmas});
    std::stable_sort(days.begin(), days.end(),
                     [](const TRuleDay& a, const TRuleDay& b) { return a.Date < b.Date; });
    return days;
}

bool IsEarlyClose(THoliday holiday) {
    return holiday == THoliday::IndependenceEve || holiday == THoliday::AfterThanksgiving ||
           holiday == THoliday::ChristmasEve;
}

TExchangeDay Closed(THoliday holiday) {
    return {TExchangeDay::Closed, 0, HolidayName(holiday)};
}

TExchangeDay ClosesAt(int hour, int minute, THoliday holiday) {
    return {TExchangeDay::EarlyClose, hour * 60 + minute, HolidayName(holiday)};
}

}  // namespace

QDate EasterSunday(int year) {
    // The anonymous Gregorian computus.
    const int a = year % 19, b = year / 100, c = year % 100, d = b / 4, e = b % 4;
    const int f = (b + 8) / 25, g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31, day = (h + l - 7 * m + 114) % 31 + 1;
    return QDate(year, month, day);
}

std::vector<std::pair<QDate, TExchangeDay>> NyseHolidays(int year) {
    std::vector<std::pair<QDate, TExchangeDay>> days;
    for (const TRuleDay& day : NyseDays(year))
        days.emplace_back(day.Date,
                          IsEarlyClose(day.Holiday) ? ClosesAt(13, 0, day.Holiday) : Closed(day.Holiday));
    return days;
}

std::vector<std::pair<QDate, TExchangeDay>> CmeHolidays(int year) {
    std::vector<std::pair<QDate, TExchangeDay>> days;
    for (const TRuleDay& day : NyseDays(year)) {
        switch (day.Holiday) {
        case THoliday::NewYear:
        case THoliday::GoodFriday:
        case THoliday::Christmas: days.emplace_back(day.Date, Closed(day.Holiday)); break;
        case THoliday::IndependenceEve: break;  // a full session
        case THoliday::AfterThanksgiving:
        case THoliday::ChristmasEve: days.emplace_back(day.Date, ClosesAt(12, 15, day.Holiday)); break;
        default: days.emplace_back(day.Date, ClosesAt(12, 0, day.Holiday));
        }
    }
    return days;
}

std::vector<std::pair<QDate, TExchangeDay>> RussianPublicHolidays(int year) {
    const struct {
        int month, first, last;
        const char16_t* name;
    } holidays[] = {{1, 1, 6, u"Новогодние каникулы"},
                    {1, 7, 7, u"Рождество Христово"},
                    {1, 8, 8, u"Новогодние каникулы"},
                    {2, 23, 23, u"День защитника Отечества"},
                    {3, 8, 8, u"Международный женский день"},
                    {5, 1, 1, u"Праздник Весны и Труда"},
                    {5, 9, 9, u"День Победы"},
                    {6, 12, 12, u"День России"},
                    {11, 4, 4, u"День народного единства"}};
    std::vector<std::pair<QDate, TExchangeDay>> days;
    for (const auto& holiday : holidays)
        for (int day = holiday.first; day <= holiday.last; ++day) {
            const QDate date(year, holiday.month, day);
            if (date.dayOfWeek() <= Qt::Friday)
                days.emplace_back(date,
                                  TExchangeDay{TExchangeDay::Closed, 0, QString::fromUtf16(holiday.name)});
        }
    return days;
}

// The exchanges' calendar: the NYSE's rules against the exchange's published lists, the
// CME's day session and the Moscow exchange's table for 2026, a year without a table,
// and the tables as files: the program's own, a user's, and malformed ones.
#include "sessions/HolidayRules.h"
#include "sessions/TradingCalendar.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

struct Expected {
    std::set<QDate> closed;
    std::map<QDate, int> early;  // close, minutes after midnight
};

QDate D(int year, int month, int day) {
    return QDate(year, month, day);
}

// Every day of the year as the calendar has it against the list: a listed holiday is
// closed, a listed early close closes at its hour, the other weekdays trade and
// Saturdays and Sundays do not.
void ExpectYear(const TMarketDays& days, int year, const Expected& expected) {
    int wrong = 0;
    for (QDate date(year, 1, 1); date.year() == year; date = date.addDays(1)) {
        const TExchangeDay& day = days.Day(date);
        TExchangeDay::TKind kind =
            date.dayOfWeek() >= Qt::Saturday ? TExchangeDay::Closed : TExchangeDay::Trading;
        if (expected.closed.count(date)) kind = TExchangeDay::Closed;
        const auto early = expected.early.find(date);
        if (early != expected.early.end()) kind = TExchangeDay::EarlyClose;
        const bool right =
            day.Kind == kind && (kind != TExchangeDay::EarlyClose || day.CloseMinute == early->second);
        if (!right && ++wrong <= 5)
            ADD_FAILURE() << MarketName(days.Market()).toStdString() << " "
                          << date.toString(Qt::ISODate).toStdString() << ": kind " << int(day.Kind)
                          << " closing " << day.CloseMinute << ", expected " << int(kind);
    }
}

constexpr int k1300 = 13 * 60, k1200 = 12 * 60, k1215 = 12 * 60 + 15;

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return file.fileName();
}

}  // namespace

TEST(TradingCalendar, EasterAndGoodFriday) {
    EXPECT_EQ(EasterSunday(2026), D(2026, 4, 5));
    EXPECT_EQ(EasterSunday(2027), D(2027, 3, 28));
    EXPECT_EQ(EasterSunday(2028), D(2028, 4, 16));
    EXPECT_EQ(EasterSunday(2038), D(2038, 4, 25));  // the latest it can be
    EXPECT_EQ(EasterSunday(2285), D(2285, 3, 22));  // the earliest
}

// The NYSE's published holidays and early closes of 2026, 2027 and 2028. 2027 keeps
// Independence Day on Monday 5 July and Christmas on Friday 24 December, and New Year's
// Day 2028, a Saturday, is not kept on 31 December 2027.
TEST(TradingCalendar, TheNyseRulesGiveThePublishedLists) {
    const TTradingCalendar calendar = TTradingCalendar::Rules();
    const TMarketDays& nyse = *calendar.Days(TMarket::Nyse);
    ExpectYear(nyse, 2026,
               {{D(2026, 1, 1), D(2026, 1, 19), D(2026, 2, 16), D(2026, 4, 3), D(2026, 5, 25), D(2026, 6, 19),
                 D(2026, 7, 3), D(2026, 9, 7), D(2026, 11, 26), D(2026, 12, 25)},
                {{D(2026, 11, 27), k1300}, {D(2026, 12, 24), k1300}}});
    ExpectYear(nyse, 2027,
               {{D(2027, 1, 1), D(2027, 1, 18), D(2027, 2, 15), D(2027, 3, 26), D(2027, 5, 31),
                 D(2027, 6, 18), D(2027, 7, 5), D(2027, 9, 6), D(2027, 11, 25), D(2027, 12, 24)},
                {{D(2027, 11, 26), k1300}}});
    ExpectYear(nyse, 2028,
               {{D(2028, 1, 17), D(2028, 2, 21), D(2028, 4, 14), D(2028, 5, 29), D(2028, 6, 19),
                 D(2028, 7, 4), D(2028, 9, 4), D(2028, 11, 23), D(2028, 12, 25)},
                {{D(2028, 7, 3), k1300}, {D(2028, 11, 24), k1300}}});
    for (int year : {2026, 2027, 2028})
        for (const auto& [date, day] : NyseHolidays(year))
            EXPECT_EQ(date.year(), year) << date.toString().toStdString();
    EXPECT_EQ(nyse.Day(D(2026, 11, 26)).Reason, "День благодарения");
    EXPECT_EQ(nyse.Day(D(2027, 3, 26)).Reason, "Страстная пятница");
    EXPECT_TRUE(nyse.IsKnown(2041));
}

// The CME's day session in 2026: closed on New Year's Day, Good Friday and Christmas, at
// 12:00 Chicago on the NYSE's other holidays, at 12:15 after Thanksgiving and on 24 December
// (but not on 3 July, which the NYSE keeps as Independence Day in 2026 anyway; in 2028,
// when the NYSE closes early on 3 July, the CME's session is whole).
TEST(TradingCalendar, TheCmeDaySessionFollowsTheNyseHolidays) {
    const TTradingCalendar calendar = TTradingCalendar::Rules();
    const TMarketDays& cme = *calendar.Days(TMarket::Cme);
    ExpectYear(cme, 2026,
               {{D(2026, 1, 1), D(2026, 4, 3), D(2026, 12, 25)},
                {{D(2026, 1, 19), k1200},
                 {D(2026, 2, 16), k1200},
                 {D(2026, 5, 25), k1200},
                 {D(2026, 6, 19), k1200},
                 {D(2026, 7, 3), k1200},
                 {D(2026, 9, 7), k1200},
                 {D(2026, 11, 26), k1200},
                 {D(2026, 11, 27), k1215},
                 {D(2026, 12, 24), k1215}}});
    EXPECT_EQ(cme.Day(D(2028, 7, 3)).Kind, TExchangeDay::Trading);
    EXPECT_EQ(cme.Day(D(2027, 12, 24)).Kind, TExchangeDay::Closed);  // Christmas kept on Friday
}

// The Moscow exchange's own list for 2026 is the program's table: it trades on 5, 6, 8
// and 9 January, 9 March and 11 May, public days off though they are. 2027 has no table
// yet: the public holidays stand in, and the year is not known.
TEST(TradingCalendar, TheMoscowExchangeTableFor2026AndThePublicHolidaysAfter) {
    QStringList errors;
    const TTradingCalendar calendar = TTradingCalendar::Load(QString(), errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    const TMarketDays& rts = *calendar.Days(TMarket::Rts);
    ASSERT_EQ(rts.Tables().count(2026), 1u);
    EXPECT_FALSE(rts.Tables().at(2026).Source.isEmpty());
    ExpectYear(rts, 2026,
               {{D(2026, 1, 1), D(2026, 1, 2), D(2026, 1, 7), D(2026, 2, 23), D(2026, 5, 1), D(2026, 6, 12),
                 D(2026, 11, 4), D(2026, 12, 31)},
                {}});
    EXPECT_TRUE(rts.IsKnown(2026));
    EXPECT_EQ(rts.Day(D(2026, 11, 4)).Reason, "День народного единства");

    EXPECT_FALSE(rts.IsKnown(2027));
    ExpectYear(rts, 2027,
               {{D(2027, 1, 1), D(2027, 1, 4), D(2027, 1, 5), D(2027, 1, 6), D(2027, 1, 7), D(2027, 1, 8),
                 D(2027, 2, 23), D(2027, 3, 8), D(2027, 11, 4)},
                {}});
    // Without tables at all, 2026 too is a year of public holidays.
    const TTradingCalendar rules = TTradingCalendar::Rules();
    EXPECT_FALSE(rules.Days(TMarket::Rts)->IsKnown(2026));
    EXPECT_EQ(rules.Days(TMarket::Rts)->Day(D(2026, 1, 5)).Kind, TExchangeDay::Closed);
    // A calendar without holidays knows none.
    EXPECT_FALSE(TTradingCalendar().HasHolidays());
}

// Every table the program carries reads without fault and says where it came from.
TEST(TradingCalendar, TheProgramsOwnTablesNameTheirSource) {
    const QDir builtIn(QString::fromUtf16(kBuiltInHolidaysFolder));
    const QStringList names = builtIn.entryList(QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        QFile file(builtIn.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const THolidayTableResult result = ParseHolidayTable(file.readAll(), name);
        ASSERT_TRUE(result.Table) << name.toStdString() << ": " << result.Error.toStdString();
        EXPECT_TRUE(result.Table->Source.startsWith("Moscow Exchange") ||
                    result.Table->Source.contains("http"))
            << name.toStdString();
        EXPECT_TRUE(name.contains(QString::number(result.Table->Year))) << name.toStdString();
    }
}

// A table's lines: headers, days of the three kinds with their reasons, comments and
// blank lines, a CRLF file; and what is wrong with a malformed one, at the line it is.
TEST(TradingCalendar, TablesAreReadLineByLineAndAFaultNamesItsLine) {
    const THolidayTableResult good = ParseHolidayTable(
        "# a comment\r\n\r\nexchange: NYSE\r\nyear: 2030\r\nsource: a notice\r\n"
        "2030-01-09 closed National Day of Mourning\r\n2030-07-05 early 13:00\r\n"
        "2030-03-09   open    a Saturday session\r\n",
        "nyse-2030.txt");
    ASSERT_TRUE(good.Table) << good.Error.toStdString();
    EXPECT_EQ(good.Table->Market, TMarket::Nyse);
    EXPECT_EQ(good.Table->Year, 2030);
    EXPECT_EQ(good.Table->Source, "a notice");
    ASSERT_EQ(good.Table->Days.size(), 3u);
    const TExchangeDay& mourning = good.Table->Days.at(D(2030, 1, 9).toJulianDay());
    EXPECT_EQ(mourning.Kind, TExchangeDay::Closed);
    EXPECT_EQ(mourning.Reason, "National Day of Mourning");
    EXPECT_EQ(good.Table->Days.at(D(2030, 7, 5).toJulianDay()).CloseMinute, 13 * 60);
    EXPECT_EQ(good.Table->Days.at(D(2030, 3, 9).toJulianDay()).Reason, "a Saturday session");
    EXPECT_TRUE(ParseHolidayTable("exchange: moex\nyear: 2027\n", "x").Table);  // another name of the РТС

    const struct {
        const char* text;
        int line;
        const char* error;
    } bad[] = {
        {"exchange: LSE\n", 1, "неизвестная биржа \"LSE\""},
        {"exchange: РТС\nyear: 20x7\n", 2, "неверный год \"20x7\""},
        {"exchange: РТС\n2027-01-01 closed\n", 2, "дата раньше строк"},
        {"exchange: РТС\nyear: 2027\n\n2027-02-30 closed\n", 4, "неверная дата \"2027-02-30\""},
        {"exchange: РТС\nyear: 2027\n2028-01-01 closed\n", 3, "не из 2027 года"},
        {"exchange: РТС\nyear: 2027\n2027-01-01 closed\n2027-01-01 open\n", 4, "указана дважды"},
        {"exchange: РТС\nyear: 2027\n2027-01-01 shut\n", 3, "неизвестный вид дня \"shut\""},
        {"exchange: РТС\nyear: 2027\n2027-12-30 early 25:00\n", 3, "неверное время закрытия \"25:00\""},
        {"exchange: РТС\nyear: 2027\n2027-12-30 early\n", 3, "неверное время закрытия"},
        {"exchange: РТС\nyear: 2027\nholiday\n", 3, "ожидается дата"},
        {"exchange: РТС\nyear: 2027\nregion: RU\n", 3, "неизвестный ключ \"region\""},
        {"exchange: РТС\nyear: 2027\n2027-01-01 closed \xff\xfe\n", 3, "UTF-8"},
        {"# only a comment\n", 2, "нет строк \"exchange:\" и \"year:\""},
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(c.text);
        const THolidayTableResult result = ParseHolidayTable(c.text, "t.txt");
        EXPECT_FALSE(result.Table);
        EXPECT_EQ(result.ErrorLine, c.line);
        EXPECT_TRUE(result.Error.contains(QString::fromUtf8(c.error))) << result.Error.toStdString();
    }
    EXPECT_FALSE(ParseHolidayTable(QByteArray(70 * 1024, '#'), "big.txt").Table);
    EXPECT_EQ(HolidayFileError("/h/moex-2027.txt", 4, "неверная дата \"2027-02-30\""),
              "Файл праздников \"/h/moex-2027.txt\", строка 4: неверная дата \"2027-02-30\". "
              "Файл не учтён, действует встроенный календарь.");
}

// A user's folder: next year's table makes that year known, a corrected table takes the
// place of the program's own, and a malformed file or a second table for the same year is
// left out with a message that names it, while the rest stands.
TEST(TradingCalendar, AUsersTablesAreReadBesideTheProgramsOwn) {
    QTemporaryDir dir;
    WriteFile(dir, "moex-2027.txt",
              "exchange: РТС\nyear: 2027\n2027-01-04 open\n2027-03-08 closed Женский день\n");
    WriteFile(dir, "moex-2026.txt", "exchange: РТС\nyear: 2026\n2026-01-02 open\n");
    const QString broken = WriteFile(dir, "nyse-2027.txt", "exchange: NYSE\nyear: 2027\n2027-13-01 closed\n");
    const QString twice = WriteFile(dir, "z-moex-2027.txt", "exchange: РТС\nyear: 2027\n");
    WriteFile(dir, "notes.md", "not a table");

    QStringList errors;
    const TTradingCalendar calendar = TTradingCalendar::Load(dir.path(), errors);
    ASSERT_EQ(errors.size(), 2) << errors.join('\n').toStdString();
    EXPECT_TRUE(errors[0].startsWith("Файл праздников \"" + broken + "\", строка 3: неверная дата"))
        << errors[0].toStdString();
    EXPECT_TRUE(errors[1].startsWith("Файл праздников \"" + twice + "\": таблица РТС на 2027 год уже задана"))
        << errors[1].toStdString();

    const TMarketDays& rts = *calendar.Days(TMarket::Rts);
    EXPECT_TRUE(rts.IsKnown(2027));
    EXPECT_EQ(rts.Day(D(2027, 1, 4)).Kind, TExchangeDay::Trading);  // the table is the whole year
    EXPECT_EQ(rts.Day(D(2027, 1, 1)).Kind, TExchangeDay::Trading);
    EXPECT_EQ(rts.Day(D(2027, 3, 8)).Reason, "Женский день");
    EXPECT_EQ(rts.Day(D(2026, 1, 2)).Kind, TExchangeDay::Trading);  // the user's 2026 table
    EXPECT_EQ(rts.Day(D(2026, 1, 7)).Kind, TExchangeDay::Trading);
    // The NYSE keeps its rules where its table was left out.
    EXPECT_EQ(calendar.Days(TMarket::Nyse)->Day(D(2027, 11, 25)).Kind, TExchangeDay::Closed);

    // A table amends the NYSE's rules: a day of mourning closes it, the rest stays.
    WriteFile(dir, "nyse-2027.txt", "exchange: NYSE\nyear: 2027\n2027-01-12 closed траур\n2027-11-26 open\n");
    errors.clear();
    const TTradingCalendar amended = TTradingCalendar::Load(dir.path(), errors);
    const TMarketDays& nyse = *amended.Days(TMarket::Nyse);
    EXPECT_EQ(nyse.Day(D(2027, 1, 12)).Reason, "траур");
    EXPECT_EQ(nyse.Day(D(2027, 11, 26)).Kind, TExchangeDay::Trading);
    EXPECT_EQ(nyse.Day(D(2027, 11, 25)).Kind, TExchangeDay::Closed);
    EXPECT_EQ(errors.size(), 1);  // the second 2027 table of the РТС, still
}

TEST(TradingCalendar, TheUsersFolderIsInTheConfigurationHome) {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/tmp/conf");
    EXPECT_EQ(UserHolidaysFolder(), "/tmp/conf/horavane/holidays");
    qputenv("XDG_CONFIG_HOME", "relative");
    EXPECT_EQ(UserHolidaysFolder(), QDir::home().filePath(".config/horavane/holidays"));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(UserHolidaysFolder(), QDir::home().filePath(".config/horavane/holidays"));
    if (!saved.isEmpty()) qputenv("XDG_CONFIG_HOME", saved);
}

#pragma once
// An exchange's holidays for one year as a text file: the program carries one for each
// exchange and year whose calendar is published as a list rather than by rules, and a
// user can put more in a folder of their own. The form, one item to a line:
//
//   # a comment; blank lines are skipped
//   exchange: РТС                       (CME, NYSE or РТС)
//   year: 2026
//   source: where the list comes from
//   2026-01-01 closed Новогодние каникулы
//   2026-01-05 open                     (a trading day, a Saturday or Sunday too)
//   2026-12-30 early 14:00 reason       (closes early, on the exchange's own clock)
//
// The exchange and the year come before the first date; every date lies in that year.

#include <QDate>
#include <QString>

#include <map>
#include <optional>

// The exchanges with a calendar, in the order of their bars on the chart.
enum class TMarket { Cme, Nyse, Rts };
constexpr int kMarketCount = 3;
QString MarketName(TMarket market);  // "CME", "NYSE", "РТС"

// What a day holds for an exchange.
struct TExchangeDay {
    enum TKind : unsigned char { Trading, Closed, EarlyClose };
    TKind Kind = Trading;
    int CloseMinute = 0;  // an early close, in minutes after midnight of the exchange's clock
    QString Reason;  // a holiday's name; none for a weekend
};

struct THolidayTable {
    TMarket Market = TMarket::Rts;
    int Year = 0;
    QString Source;
    QString FileName;
    std::map<qint64, TExchangeDay> Days;  // by Julian day
};

// A table, or what is wrong with the text: the first fault, with its line (1-based).
struct THolidayTableResult {
    std::optional<THolidayTable> Table;
    int ErrorLine = 0;
    QString Error;
};
THolidayTableResult ParseHolidayTable(const QByteArray& text, const QString& fileName);

// The message for a file that is left out: names the file and the line.
QString HolidayFileError(const QString& fileName, int line, const QString& error);

#pragma once
// The exchanges' trading days: which days each one trades, closes early or not at all,
// and why. The NYSE and the CME follow rules (a table amends them where a year differs);
// the Moscow exchange publishes a list each year, which the program carries as a table,
// and for a year without one the public holidays stand in. A day is looked up, not
// worked out again: each year is worked out once, when it is first asked for.

#include "sessions/HolidayTable.h"

#include <QStringList>

#include <array>
#include <map>
#include <memory>
#include <vector>

// One exchange's days.
class TMarketDays {
public:
    explicit TMarketDays(TMarket market, std::map<int, THolidayTable> tables = {});

    // A Saturday or Sunday is closed (without a reason) unless a table opens it.
    const TExchangeDay& Day(const QDate& date) const;
    // Whether the year's days are known: always by rules; for the Moscow exchange only
    // with the year's table.
    bool IsKnown(int year) const;
    TMarket Market() const { return market_; }
    // The tables in use, by year.
    const std::map<int, THolidayTable>& Tables() const { return tables_; }

private:
    const std::vector<TExchangeDay>& Year(int year) const;

    TMarket market_;
    std::map<int, THolidayTable> tables_;
    // Worked out on demand; the program runs on one thread.
    mutable std::map<int, std::vector<TExchangeDay>> years_;  // by year, a day to each day of the year
    mutable int lastYear_ = 0;
    mutable const std::vector<TExchangeDay>* last_ = nullptr;
};

// The three exchanges' days together. A default calendar knows no holidays: every
// exchange trades Monday to Friday.
class TTradingCalendar {
public:
    TTradingCalendar() = default;
    // The rules alone, without tables.
    static TTradingCalendar Rules();
    // The rules, the program's own tables and those found in userFolder (files "*.txt"),
    // which take the place of a built-in table for the same exchange and year. A file
    // that cannot be read is left out with a message in errors; the rest stands.
    static TTradingCalendar Load(const QString& userFolder, QStringList& errors);
    // Rules and the given tables.
    static TTradingCalendar WithTables(const std::vector<THolidayTable>& tables);

    // Null for a calendar without holidays.
    const std::shared_ptr<const TMarketDays>& Days(TMarket market) const { return markets_[size_t(market)]; }
    bool HasHolidays() const { return markets_[0] != nullptr; }
    friend bool operator==(const TTradingCalendar&, const TTradingCalendar&) = default;

private:
    std::array<std::shared_ptr<const TMarketDays>, kMarketCount> markets_;
};

// Where a user puts tables of their own: $XDG_CONFIG_HOME/horavane/holidays
// (~/.config/horavane/holidays when unset or not absolute).
QString UserHolidaysFolder();
// Where the program's own tables are among its resources.
inline constexpr char16_t kBuiltInHolidaysFolder[] = u":/holidays";

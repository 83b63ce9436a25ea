#include "sessions/TradingCalendar.h"

#include "platform/Autostart.h"
#include "sessions/HolidayRules.h"

#include <QDir>
#include <QFile>

namespace {

const TExchangeDay kWeekend{TExchangeDay::Closed, 0, QString()};

// A file read whole, or why it could not be.
THolidayTableResult ReadTable(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, 0, QStringLiteral("не удаётся прочитать файл")};
    // One byte more than a table may have tells a file that is too large without reading it all.
    return ParseHolidayTable(file.read(64 * 1024 + 1), path);
}

// The tables of a folder by exchange and year; a second file for the same exchange and
// year is left out.
void ReadFolder(const QString& folder, std::array<std::map<int, THolidayTable>, kMarketCount>& tables,
                QStringList& errors) {
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({QStringLiteral("*.txt")}, QDir::Files | QDir::Readable, QDir::Name);
    std::array<std::map<int, QString>, kMarketCount> seen;  // this folder's, by exchange and year
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        THolidayTableResult result = ReadTable(path);
        if (!result.Table) {
            errors << HolidayFileError(path, result.ErrorLine, result.Error);
            continue;
        }
        THolidayTable& table = *result.Table;
        auto& earlier = seen[size_t(table.Market)];
        if (const auto found = earlier.find(table.Year); found != earlier.end()) {
            errors << HolidayFileError(path, 0,
                                       QStringLiteral("таблица %1 на %2 год уже задана файлом \"%3\"")
                                           .arg(MarketName(table.Market))
                                           .arg(table.Year)
                                           .arg(found->second));
            continue;
        }
        earlier.emplace(table.Year, path);
        tables[size_t(table.Market)][table.Year] = std::move(table);
    }
}

}  // namespace

TMarketDays::TMarketDays(TMarket market, std::map<int, THolidayTable> tables)
    : market_(market), tables_(std::move(tables)) {}

bool TMarketDays::IsKnown(int year) const {
    return market_ != TMarket::Rts || tables_.count(year) > 0;
}

const TExchangeDay& TMarketDays::Day(const QDate& date) const {
    if (!date.isValid()) return kWeekend;
    const std::vector<TExchangeDay>& year = Year(date.year());
    return year[size_t(date.dayOfYear() - 1)];
}

const std::vector<TExchangeDay>& TMarketDays::Year(int year) const {
    if (last_ && lastYear_ == year) return *last_;
    auto found = years_.find(year);
    if (found == years_.end()) {
        const QDate first(year, 1, 1);
        std::vector<TExchangeDay> days(size_t(first.daysInYear()));
        for (size_t i = 0; i < days.size(); ++i)
            if (first.addDays(qint64(i)).dayOfWeek() >= Qt::Saturday) days[i] = kWeekend;
        const auto table = tables_.find(year);
        // The Moscow exchange's table is its whole year; the others' amend their rules.
        if (market_ != TMarket::Rts || table == tables_.end()) {
            const auto rules = market_ == TMarket::Nyse  ? NyseHolidays(year)
                               : market_ == TMarket::Cme ? CmeHolidays(year)
                                                         : RussianPublicHolidays(year);
            for (const auto& [date, day] : rules)
                if (date.year() == year) days[size_t(date.dayOfYear() - 1)] = day;
        }
        if (table != tables_.end())
            for (const auto& [julianDay, day] : table->second.Days)
                days[size_t(QDate::fromJulianDay(julianDay).dayOfYear() - 1)] = day;
        found = years_.emplace(year, std::move(days)).first;
    }
    lastYear_ = year;
    last_ = &found->second;
    return *last_;
}

TTradingCalendar TTradingCalendar::Rules() {
    return WithTables({});
}

TTradingCalendar TTradingCalendar::WithTables(const std::vector<THolidayTable>& tables) {
    std::array<std::map<int, THolidayTable>, kMarketCount> byMarket;
    for (const THolidayTable& table : tables) byMarket[size_t(table.Market)][table.Year] = table;
    TTradingCalendar calendar;
    for (size_t m = 0; m < kMarketCount; ++m)
        calendar.markets_[m] = std::make_shared<const TMarketDays>(TMarket(m), std::move(byMarket[m]));
    return calendar;
}

TTradingCalendar TTradingCalendar::Load(const QString& userFolder, QStringList& errors) {
    std::array<std::map<int, THolidayTable>, kMarketCount> builtIn, user;
    ReadFolder(QString::fromUtf16(kBuiltInHolidaysFolder), builtIn, errors);
    if (!userFolder.isEmpty()) ReadFolder(userFolder, user, errors);
    std::vector<THolidayTable> tables;
    for (size_t m = 0; m < kMarketCount; ++m) {
        for (auto& [year, table] : user[m]) builtIn[m][year] = std::move(table);
        for (auto& [year, table] : builtIn[m]) tables.push_back(std::move(table));
    }
    return WithTables(tables);
}

QString UserHolidaysFolder() {
    return QDir(UserConfigFolder()).filePath(QStringLiteral("horavane/holidays"));
}

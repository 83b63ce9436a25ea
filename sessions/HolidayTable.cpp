#include "sessions/HolidayTable.h"

#include <QList>
#include <QRegularExpression>
#include <QStringDecoder>

namespace {

// A table lists a year's days at most; anything much larger is not one.
constexpr qsizetype kMaxFileBytes = 64 * 1024;

std::optional<TMarket> MarketNamed(const QString& name) {
    for (TMarket market : {TMarket::Cme, TMarket::Nyse, TMarket::Rts})
        if (name.compare(MarketName(market), Qt::CaseInsensitive) == 0) return market;
    if (name.compare(QStringLiteral("MOEX"), Qt::CaseInsensitive) == 0) return TMarket::Rts;
    return std::nullopt;
}

class TParser {
public:
    explicit TParser(const QString& fileName) { table_.FileName = fileName; }

    THolidayTableResult Parse(const QByteArray& text) {
        if (text.size() > kMaxFileBytes)
            return Fail(1, QStringLiteral("файл больше 64 КБ, это не таблица праздников"));
        const QList<QByteArray> lines = text.split('\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QByteArray bytes = lines[i];
            if (bytes.endsWith('\r')) bytes.chop(1);
            QStringDecoder decode(QStringDecoder::Utf8);
            const QString line = QString(decode(bytes)).trimmed();
            if (decode.hasError()) return Fail(i + 1, QStringLiteral("текст не в кодировке UTF-8"));
            if (line.isEmpty() || line.startsWith(u'#')) continue;
            if (const std::optional<QString> error = Line(line)) return Fail(i + 1, *error);
        }
        if (!hasMarket_ || table_.Year == 0)
            return Fail(int(lines.size()), QStringLiteral("нет строк \"exchange:\" и \"year:\""));
        return {std::move(table_), 0, QString()};
    }

private:
    THolidayTableResult Fail(qsizetype line, const QString& error) const {
        return {std::nullopt, int(line), error};
    }

    std::optional<QString> Line(const QString& line) {
        static const QRegularExpression header(QStringLiteral("^([A-Za-z]+)\\s*:\\s*(.*)$"));
        if (const QRegularExpressionMatch match = header.match(line); match.hasMatch())
            return Header(match.captured(1).toLower(), match.captured(2).trimmed());
        return DayLine(line);
    }

    std::optional<QString> Header(const QString& key, const QString& value) {
        if (key == QStringLiteral("exchange")) {
            const std::optional<TMarket> market = MarketNamed(value);
            if (!market)
                return QStringLiteral("неизвестная биржа \"%1\" (ожидается CME, NYSE или РТС)").arg(value);
            table_.Market = *market;
            hasMarket_ = true;
            return std::nullopt;
        }
        if (key == QStringLiteral("year")) {
            bool ok = false;
            const int year = value.toInt(&ok);
            if (!ok || year < 1900 || year > 9999) return QStringLiteral("неверный год \"%1\"").arg(value);
            table_.Year = year;
            return std::nullopt;
        }
        if (key == QStringLiteral("source")) {
            table_.Source = value;
            return std::nullopt;
        }
        return QStringLiteral("неизвестный ключ \"%1\" (ожидается exchange, year или source)").arg(key);
    }

    std::optional<QString> DayLine(const QString& line) {
        static const QRegularExpression day(QStringLiteral("^(\\S+)\\s+(\\S+)(?:\\s+(.*))?$"));
        const QRegularExpressionMatch match = day.match(line);
        if (!match.hasMatch()) return QStringLiteral("ожидается дата и closed, open или early");
        const QString dateText = match.captured(1);
        const QDate date = QDate::fromString(dateText, Qt::ISODate);
        if (!date.isValid() || dateText.size() != 10)
            return QStringLiteral("неверная дата \"%1\" (ожидается ГГГГ-ММ-ДД)").arg(dateText);
        if (!hasMarket_ || table_.Year == 0)
            return QStringLiteral("дата раньше строк \"exchange:\" и \"year:\"");
        if (date.year() != table_.Year)
            return QStringLiteral("дата %1 не из %2 года").arg(dateText).arg(table_.Year);
        if (table_.Days.count(date.toJulianDay()))
            return QStringLiteral("дата %1 указана дважды").arg(dateText);

        TExchangeDay entry;
        const QString kind = match.captured(2);
        QString rest = match.captured(3).trimmed();
        if (kind == QStringLiteral("closed")) {
            entry.Kind = TExchangeDay::Closed;
        } else if (kind == QStringLiteral("open")) {
            entry.Kind = TExchangeDay::Trading;
        } else if (kind == QStringLiteral("early")) {
            entry.Kind = TExchangeDay::EarlyClose;
            static const QRegularExpression timeFirst(QStringLiteral("^(\\S*)\\s*(.*)$"));
            const QRegularExpressionMatch parts = timeFirst.match(rest);
            const QString time = parts.captured(1);
            const QTime close = QTime::fromString(time, QStringLiteral("H:mm"));
            if (!close.isValid() || close.msecsSinceStartOfDay() == 0)
                return QStringLiteral("неверное время закрытия \"%1\" (ожидается ЧЧ:ММ)").arg(time);
            entry.CloseMinute = close.hour() * 60 + close.minute();
            rest = parts.captured(2).trimmed();
        } else {
            return QStringLiteral("неизвестный вид дня \"%1\" (ожидается closed, open или early)").arg(kind);
        }
        entry.Reason = rest;
        table_.Days.emplace(date.toJulianDay(), entry);
        return std::nullopt;
    }

    THolidayTable table_;
    bool hasMarket_ = false;
};

}  // namespace

QString MarketName(TMarket market) {
    switch (market) {
    case TMarket::Cme: return QStringLiteral("CME");
    case TMarket::Nyse: return QStringLiteral("NYSE");
    case TMarket::Rts: return QStringLiteral("РТС");
    }
    return QString();
}

THolidayTableResult ParseHolidayTable(const QByteArray& text, const QString& fileName) {
    return TParser(fileName).Parse(text);
}

QString HolidayFileError(const QString& fileName, int line, const QString& error) {
    const QString where = line > 0 ? QStringLiteral(", строка %1").arg(line) : QString();
    return QStringLiteral("Файл праздников \"%1\"%2: %3. Файл не учтён, действует встроенный календарь.")
        .arg(fileName, where, error);
}

#include "timezones/CatalogueRows.h"

#include <QDateTime>

qint64 StartOfUtcYearMs(int year) {
    return QDateTime(QDate(year, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
}

qint64 NextUtcNewYearMs(qint64 utcMs) {
    return StartOfUtcYearMs(QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC).date().year() + 1);
}

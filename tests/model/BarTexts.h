#pragma once
// The bars' texts as a trader reads them, written out here on their own for the tests
// that check the model's minute against a model of the calendar.

#include <QString>

// "2 д. 05 ч. 07 мин", "5 ч. 07 мин", "07 мин": what is left, in whole minutes.
inline QString Countdown(qint64 ms) {
    const qint64 m = ms / 60'000;
    QString text;
    const QString hours = QString::number(m / 60 % 24);
    if (m >= 1440)
        text += QString::number(m / 1440) + " д. " + hours.rightJustified(2, '0') + " ч. ";
    else if (m >= 60)
        text += hours + " ч. ";
    return text + QString::number(m % 60).rightJustified(2, '0') + " мин";
}

// "9:30": minutes of a day as a 24-hour clock shows them.
inline QString HourText(int minutes) {
    return QString("%1:%2").arg(minutes / 60 % 24).arg(minutes % 60, 2, 10, QChar('0'));
}

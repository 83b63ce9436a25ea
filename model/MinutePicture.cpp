#include "model/MinutePicture.h"

#include <QStringList>

QString TMinutePicture::BarsText() const {
    QStringList bars;
    for (const TBarFace& bar : Bars) bars << bar.Title + u' ' + bar.Countdown;
    return bars.join(QStringLiteral("; "));
}

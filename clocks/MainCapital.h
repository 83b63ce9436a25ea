#pragma once
// One city clock ("capital"): a name, a zone rule and a colour. It turns a UTC
// instant into the city's time text and draws the small tile the mini strip lines up.
// It reads no clock: the instant, or the text for it, is handed in.

#include "timezones/ZoneRecord.h"

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>

// Colours are 0x00BBGGRR (red in the low byte), as stored in the settings file.
using TColor = uint32_t;

// A clock as it reads at an instant: its name, its time and, when its date is not the
// reference zone's, the day mark (" +1 д.").
struct TClockFace {
    QString Name;
    QString Time;
    QString DayMark;
    QString TimeText() const { return Time + DayMark; }
    friend bool operator==(const TClockFace&, const TClockFace&) = default;
};

class TMainCapital {
public:
    TMainCapital(const QString& name, const TIME_ZONE_INFORMATION& zone, TColor color);

    void Setup(const QString& name, const TIME_ZONE_INFORMATION& zone, TColor color);
    void SetName(const QString& name);

    QString TimeTextAt(const SYSTEMTIME& utc) const;
    // The clock at utc against the reference zone's date.
    TClockFace FaceAt(const SYSTEMTIME& utc, const TIME_ZONE_INFORMATION& reference) const;

    // The tile's size: that of the name with the widest time of two-digit hours and two
    // letters, and the day mark when there is one.
    QSize MeasureImage(const QString& dayMark = QString()) const;
    // Repaints the tile with the name, the time and the day mark, sized for them; the
    // capital keeps the image.
    const QImage& RenderImage(const QString& time, const QString& dayMark = QString());

    // The zone rule and the colour have no setters: the editor and the settings
    // reader write them directly.
    TIME_ZONE_INFORMATION Zone;
    QString Name;
    TColor Color = 0;

private:
    QImage image_;
};

// The clock's day against the reference zone's at the instant, for its time text:
// " +1 д." a day ahead, " −1 д." a day behind, nothing on the same date.
QString DayMarker(const TIME_ZONE_INFORMATION& zone, const TIME_ZONE_INFORMATION& reference,
                  const SYSTEMTIME& utc);

// The tile text on a fill: white on a dark fill, black on a light one, whichever has the
// higher contrast by the fill's relative luminance.
QColor TileTextColor(TColor fill);

// The colour value as a Qt colour (red is the low byte; the top byte is not a colour).
QColor ColorFromTColor(TColor color);
TColor TColorFromQColor(const QColor& color);

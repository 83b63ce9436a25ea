#pragma once
// The world map under the session chart: an 8-bit palette PNG compiled into the program's
// resources (drawn by tools/worldmap/make_map.py in a few colours), decoded once at
// start-up and kept in its palette form, a byte a pixel; the chart expands it into its
// own pixels as it composes (SessionChart.h). A second picture of the same map at twice
// the size serves screens of device pixel ratio 2, and is decoded only for them.

#include <QByteArray>
#include <QImage>
#include <QString>

inline const QString kWorldMapResource = QStringLiteral(":/WorldMap.png");
inline const QString kWorldMapResource2x = QStringLiteral(":/WorldMap@2x.png");
inline constexpr int kWorldMapWidth = 900;
inline constexpr int kWorldMapHeight = 447;

// Decodes an 8-bit palette PNG held in memory into a QImage::Format_Indexed8 image whose
// colours are all opaque. Throws Exception
// ("The world map picture is damaged: ...") on truncated, corrupt or other data.
QImage DecodeMapPicture(const QByteArray& png);

// Decodes the embedded map drawn at scale 1 or 2; also throws when it is missing or not
// 900 x 447 times the scale.
QImage LoadWorldMapPicture(int scale = 1);
// The map for a chart of the device pixel ratio: the picture drawn nearest to it, in its
// palette form at ratio 1 and 2, and for any other ratio scaled smoothly to the chart's
// device pixels (Format_RGB32).
QImage WorldMapForPixelRatio(double ratio);

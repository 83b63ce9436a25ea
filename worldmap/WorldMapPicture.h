#pragma once
// The world map under the session chart: a JPEG compiled into the program's
// resources, decoded once at start-up into the 32-bit bitmap the chart copies. A second
// picture of the same map at twice the size serves screens of device pixel ratio 2.

#include <QByteArray>
#include <QImage>
#include <QString>

inline const QString kWorldMapResource = QStringLiteral(":/WorldMap.jpg");
inline const QString kWorldMapResource2x = QStringLiteral(":/WorldMap@2x.jpg");
inline constexpr int kWorldMapWidth = 900;
inline constexpr int kWorldMapHeight = 447;

// Decodes any JPEG held in memory into a QImage::Format_RGB32 image.
// Throws Exception ("The world map picture is damaged: ...") on truncated, corrupt
// or unsupported data, including data libjpeg would only warn about and patch up.
QImage DecodeMapPicture(const QByteArray& jpeg);

// Decodes the embedded map drawn at scale 1 or 2; also throws when it is missing or not
// 900 x 447 times the scale.
QImage LoadWorldMapPicture(int scale = 1);
// The map for a chart of the device pixel ratio: the picture drawn nearest to it, scaled
// to the chart's device pixels only when the ratio is neither 1 nor 2.
QImage WorldMapForPixelRatio(double ratio);

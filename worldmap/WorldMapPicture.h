#pragma once
// The world map under the session chart: a JPEG compiled into the program's
// resources, decoded once at start-up into the 32-bit bitmap the chart copies.

#include <QByteArray>
#include <QImage>
#include <QString>

inline const QString kWorldMapResource = QStringLiteral(":/WorldMap.jpg");
inline constexpr int kWorldMapWidth = 900;
inline constexpr int kWorldMapHeight = 447;

// Decodes any JPEG held in memory into a QImage::Format_RGB32 image.
// Throws Exception ("The world map picture is damaged: ...") on truncated, corrupt
// or unsupported data, including data libjpeg would only warn about and patch up.
QImage DecodeMapPicture(const QByteArray& jpeg);

// Decodes the embedded map; also throws when it is missing or not 900 x 447.
QImage LoadWorldMapPicture();

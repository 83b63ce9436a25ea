#include "worldmap/WorldMapPicture.h"

#include "platform/Error.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <algorithm>

namespace {

// Larger pictures are refused before anything is allocated: a damaged header can
// claim any size up to 2^31 - 1 a side.
constexpr int kMaxSide = 8192;

[[noreturn]] void ThrowDamaged(const QString& reason) {
    throw Exception(QStringLiteral("The world map picture is damaged: %1").arg(reason));
}

}  // namespace

QImage DecodeMapPicture(const QByteArray& png) {
    QBuffer buffer;
    buffer.setData(png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    const QSize size = reader.size();  // the header alone
    if (!size.isValid()) ThrowDamaged(QStringLiteral("it is not a PNG picture"));
    if (size.width() > kMaxSide || size.height() > kMaxSide)
        ThrowDamaged(QStringLiteral("%1 x %2 pixels is too large").arg(size.width()).arg(size.height()));
    QImage image;
    if (!reader.read(&image)) ThrowDamaged(reader.errorString());
    // The chart expands the map through its palette (the reader gives a pixel that names
    // no colour the first one); a colour that would let the chart's black through is damage.
    if (image.format() != QImage::Format_Indexed8) ThrowDamaged(QStringLiteral("it has no palette"));
    const QList<QRgb> colours = image.colorTable();
    if (std::any_of(colours.begin(), colours.end(), [](QRgb c) { return qAlpha(c) != 255; }))
        ThrowDamaged(QStringLiteral("it has transparent colours"));
    return image;
}

QImage LoadWorldMapPicture(int scale) {
    QFile file(scale == 2 ? kWorldMapResource2x : kWorldMapResource);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Exception(QStringLiteral("The world map picture is missing."));
    }
    QImage image = DecodeMapPicture(file.readAll());
    const int width = kWorldMapWidth * scale, height = kWorldMapHeight * scale;
    if (image.width() != width || image.height() != height) {
        ThrowDamaged(QStringLiteral("it is %1 x %2 pixels, not %3 x %4")
                         .arg(image.width()).arg(image.height()).arg(width).arg(height));
    }
    return image;
}

QImage WorldMapForPixelRatio(double ratio) {
    QImage map = LoadWorldMapPicture(ratio > 1.0 ? 2 : 1);
    const QSize device(qRound(kWorldMapWidth * ratio), qRound(kWorldMapHeight * ratio));
    if (map.size() != device)
        map = map.convertToFormat(QImage::Format_RGB32)
                  .scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                  .convertToFormat(QImage::Format_RGB32);
    return map;
}

#include "worldmap/WorldMapPicture.h"

#include "platform/Error.h"
#include "worldmap/WorldMapCapital.h"

#include <QFile>
#include <QRect>
#include <gtest/gtest.h>

#include <random>

namespace {

QByteArray MapBytes() {
    QFile file(kWorldMapResource);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// The picture drawn at scale 1 (900 x 447) or 2 (1800 x 894).
const QImage& Map(int scale = 1) {
    static const QImage maps[] = {LoadWorldMapPicture(1), LoadWorldMapPicture(2)};
    return maps[scale - 1];
}

bool IsRed(QRgb pixel) {
    return qRed(pixel) > 170 && qGreen(pixel) < 100 && qBlue(pixel) < 100;
}

// The rectangle as a QRect of the picture at scale (QRect's right and bottom are inclusive).
QRect AsQRect(const TWorldMapRect& r, int scale = 1) {
    return QRect(QPoint(r.Left, r.Top) * scale, QPoint(r.Right, r.Bottom) * scale - QPoint(1, 1));
}

void ExpectDamaged(const QByteArray& bytes) {
    try {
        DecodeMapPicture(bytes);
        ADD_FAILURE() << "decoded " << bytes.size() << " damaged bytes";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("The world map picture is damaged")))
            << e.Message().toStdString();
    }
}

}  // namespace

TEST(WorldMapPicture, DecodesToTheChartSizeOpaque) {
    for (int scale : {1, 2}) {
        const QImage& map = Map(scale);
        ASSERT_EQ(map.size(), QSize(900, 447) * scale);
        EXPECT_EQ(map.format(), QImage::Format_RGB32);
        for (int y = 0; y < map.height(); y += 37)
            for (int x = 0; x < map.width(); x += 37) ASSERT_EQ(qAlpha(map.pixel(x, y)), 255);
    }
    // Between the two, a ratio gets the picture nearest to it, scaled to its pixels.
    EXPECT_EQ(WorldMapForPixelRatio(1.0), Map(1));
    EXPECT_EQ(WorldMapForPixelRatio(2.0), Map(2));
    EXPECT_EQ(WorldMapForPixelRatio(1.5).size(), QSize(1350, 671));
}

TEST(WorldMapPicture, SeaIsLightBlueAndLandWhite) {
    // Mid-Pacific and the Sahara; a swapped channel order turns the sea orange.
    const QRgb sea = Map().pixel(20, 300);
    EXPECT_GT(qBlue(sea), qRed(sea) + 40);
    EXPECT_GT(qBlue(sea), 200);
    const QRgb land = Map().pixel(400, 160);
    EXPECT_GT(qRed(land), 240);
    EXPECT_GT(qGreen(land), 240);
    EXPECT_GT(qBlue(land), 240);
}

// Both pictures have every dot in its marker's rectangle (twice as large at scale 2).
TEST(WorldMapPicture, EveryMarkerHasItsDotAndNothingAround) {
    for (int scale : {1, 2})
        for (const TWorldMapMarkerRow& row : kWorldMapMarkers) {
            SCOPED_TRACE(std::string(row.Name) + " at scale " + std::to_string(scale));
            const QImage& map = Map(scale);
            const QRect rect = AsQRect(row.Rect, scale);
            int red = 0;
            for (int y = rect.top(); y <= rect.bottom(); ++y)
                for (int x = rect.left(); x <= rect.right(); ++x) red += IsRed(map.pixel(x, y));
            EXPECT_GE(red, 4 * scale * scale);

            // The ring two chart pixels outside the rectangle.
            const QRect ring = rect.adjusted(-2 * scale, -2 * scale, 2 * scale, 2 * scale);
            for (int x = ring.left(); x <= ring.right(); ++x) {
                EXPECT_FALSE(IsRed(map.pixel(x, ring.top()))) << x;
                EXPECT_FALSE(IsRed(map.pixel(x, ring.bottom()))) << x;
            }
            for (int y = ring.top(); y <= ring.bottom(); ++y) {
                EXPECT_FALSE(IsRed(map.pixel(ring.left(), y))) << y;
                EXPECT_FALSE(IsRed(map.pixel(ring.right(), y))) << y;
            }
        }
}

TEST(WorldMapPicture, RedOnlyAtTheMarkersNotAtSydney) {
    for (int scale : {1, 2}) {
        SCOPED_TRACE(scale);
        const QImage& map = Map(scale);
        int stray = 0;
        for (int y = 0; y < map.height(); ++y) {
            for (int x = 0; x < map.width(); ++x) {
                if (!IsRed(map.pixel(x, y))) continue;
                bool marked = false;
                for (const TWorldMapMarkerRow& row : kWorldMapMarkers)
                    marked = marked ||
                             AsQRect(row.Rect, scale).adjusted(-scale, -scale, scale, scale).contains(x, y);
                stray += !marked;
            }
        }
        EXPECT_EQ(stray, 0);
        // Sydney lies near (753, 351) on the map.
        for (int y = 336 * scale; y < 366 * scale; ++y)
            for (int x = 738 * scale; x < 768 * scale; ++x)
                ASSERT_FALSE(IsRed(map.pixel(x, y))) << x << "," << y;
    }
}

TEST(WorldMapPicture, DamagedDataIsReportedNotDecoded) {
    const QByteArray good = MapBytes();
    ASSERT_GT(good.size(), 10000);
    ExpectDamaged(QByteArray());
    ExpectDamaged(QByteArray("not a picture at all"));
    ExpectDamaged(good.left(2));
    ExpectDamaged(good.left(600));  // header only
    ExpectDamaged(good.left(good.size() / 2));  // stops in the middle of a scan
    ExpectDamaged(good.left(good.size() - 200));  // loses the last rows
    QByteArray garbage(good.size(), '\0');
    std::mt19937 random(7);
    for (char& c : garbage) c = static_cast<char>(random());
    ExpectDamaged(garbage);
    ExpectDamaged(good.left(2) + garbage);  // a JPEG start, then noise
}

TEST(WorldMapPicture, CorruptedBytesNeverCrash) {
    // Whatever libjpeg makes of damaged entropy data, the answer is either an
    // exception or a picture of the declared size.
    const QByteArray good = MapBytes();
    std::mt19937 random(2024);
    int rejected = 0;
    for (int round = 0; round < 30; ++round) {
        QByteArray bytes = good;
        for (int k = 0; k < 1 + round % 8; ++k)
            bytes[static_cast<int>(random() % bytes.size())] = static_cast<char>(random());
        try {
            const QImage image = DecodeMapPicture(bytes);
            EXPECT_FALSE(image.isNull());
        } catch (const Exception&) {
            ++rejected;
        }
    }
    EXPECT_GT(rejected, 0);
}

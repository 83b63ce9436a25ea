#include "minimode/MiniModeForm.h"

#include "clocks/MainCapital.h"
#include "clocks/TileFont.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

#include "minimode/MouseSupport.h"

namespace {

// What the strip asks of the window it stands in for, as the window would hear it.
class RecordingHost {
public:
    void Listen(TMiniModeForm& form) {
        QObject::connect(&form, &TMiniModeForm::showMainWindowRequested, [this, &form] {
            ++shows;
            stripVisibleAtShow = form.isVisible();
        });
        QObject::connect(&form, &TMiniModeForm::exitRequested, [this] { ++exits; });
        QObject::connect(&form, &TMiniModeForm::positionStored,
                         [this](const QPoint& p) { stored.push_back(p); });
    }

    int shows = 0;
    int exits = 0;
    bool stripVisibleAtShow = true;
    std::vector<QPoint> stored;
};

// A strip on a platform whose compositor places windows; the offscreen platform stands
// in, and the request to the compositor is counted instead of sent.
class CompositorPlacedStrip : public TMiniModeForm {
public:
    using TMiniModeForm::TMiniModeForm;
    int systemMoves = 0;

protected:
    bool StartSystemMove() override {
        ++systemMoves;
        return true;
    }
};

class MiniStrip : public ::testing::Test {
protected:
    void SetUp() override {
        const char* names[] = {"London", "NewYork", "Tokyo", "Sydney", "Moscow"};
        const TColor colors[] = {0x00126137, 0x0062A276, 0x0081CED2, 0x009CA3CA, 0x008A7F8F};
        for (int i = 0; i < 5; ++i)
            capitals.push_back(std::make_unique<TMainCapital>(QString::fromLatin1(names[i]),
                                                              TIME_ZONE_INFORMATION{}, colors[i]));
        strip = std::make_unique<TMiniModeForm>(TWindowPlacement::Program);
        Assign(*strip);
    }

    void Assign(TMiniModeForm& form) {
        host.Listen(form);
        form.AssignClocks(capitals[0].get(), capitals[1].get(), capitals[2].get(), capitals[3].get(),
                          capitals[4].get());
        form.SetTimes(times);
    }

    int ExpectedWidth() const {
        int sum = 0;
        for (size_t i = 0; i < 5; ++i) sum += capitals[i]->MeasureImage(times[i].DayMark).width();
        return sum - 4;
    }

    // What the five clocks read at 22:00 UTC with Tokyo the reference zone.
    std::array<TClockFace, 5> times = {TClockFace{"London", "22:00", " −1 д."},
                                       {"NewYork", "17:00", " −1 д."},
                                       {"Tokyo", "7:00", ""},
                                       {"Sydney", "9:00", ""},
                                       {"Moscow", "1:00", ""}};
    RecordingHost host;
    std::vector<std::unique_ptr<TMainCapital>> capitals;
    std::unique_ptr<TMiniModeForm> strip;
};

}  // namespace

TEST_F(MiniStrip, TilesAreCopiedSideBySideOverlappingByOneColumn) {
    strip->RedrawStrip();
    const QImage& picture = strip->StripImage();
    const int height = capitals[0]->MeasureImage().height();
    ASSERT_EQ(picture.size(), QSize(ExpectedWidth(), height));
    EXPECT_EQ(strip->size(), picture.size());
    EXPECT_EQ(strip->img1->geometry(), QRect(QPoint(0, 0), picture.size()));
    EXPECT_EQ(strip->img1->pixmap().size(), picture.size());

    int left = 0;
    for (size_t i = 0; i < 5; ++i) {
        TMainCapital* capital = capitals[i].get();
        const QImage& tile = capital->RenderImage(times[i].Time, times[i].DayMark);
        const int w = capital->MeasureImage(times[i].DayMark).width();
        // Every column of the tile, frame included, lands unchanged; the next tile's
        // left frame then covers this one's right frame, which is black as well.
        for (int x = 0; x < w; ++x)
            for (int y : {0, 1, height / 2, height - 1})
                ASSERT_EQ(picture.pixel(left + x, y), tile.pixel(x, y))
                    << capital->Name.toStdString() << " x=" << x;
        EXPECT_EQ(QColor(picture.pixel(left + 1, 1)), ColorFromTColor(capital->Color));
        left += w - 1;
    }
    EXPECT_EQ(left + 1, picture.width());
    EXPECT_EQ(strip->img1->accessibleName(),
              "London 22:00 −1 д., NewYork 17:00 −1 д., Tokyo 7:00, Sydney 9:00, Moscow 1:00");
}

TEST_F(MiniStrip, AWidthChangeKeepsTheStripCentred) {
    const int width = ExpectedWidth();
    strip->move(500, 40);
    strip->setFixedWidth(width - 26);
    strip->RedrawStrip();
    EXPECT_EQ(strip->geometry(), QRect(487, 40, width, strip->height()));
    // Fixed, so a tiling compositor floats it instead of stretching it.
    EXPECT_EQ(strip->minimumSize(), strip->maximumSize());

    strip->setFixedWidth(width + 1);  // one narrower: -1 div 2 is 0
    strip->RedrawStrip();
    EXPECT_EQ(strip->geometry(), QRect(487, 40, width, strip->height()));

    strip->setFixedWidth(width);  // same width: nothing moves
    strip->RedrawStrip();
    EXPECT_EQ(strip->pos(), QPoint(487, 40));
}

// The strip shows what it is told the clocks read, as the window's tiles do: a day mark
// widens its tile by as much as it takes, and the strip grows about its centre. Hidden,
// it draws nothing until shown.
TEST_F(MiniStrip, ShowsTheTimesItIsGivenWithTheirDayMarks) {
    strip->show();
    strip->move(400, 0);
    const int width = strip->width();
    const int cell = QFontMetrics(TileFont()).horizontalAdvance(QLatin1Char('W'));
    times[2].DayMark = " +1 д.";  // Tokyo's date is no longer the reference zone's
    strip->SetTimes(times);
    EXPECT_EQ(strip->width(), width + 6 * cell);
    EXPECT_EQ(strip->x(), 400 - 3 * cell);
    EXPECT_TRUE(strip->img1->accessibleName().contains("Tokyo 7:00 +1 д., Sydney"));

    strip->hide();
    times[2] = {"Tokyo", "7:01", ""};
    strip->SetTimes(times);
    EXPECT_TRUE(strip->img1->accessibleName().contains("Tokyo 7:00 +1 д."));
    strip->show();
    EXPECT_TRUE(strip->img1->accessibleName().contains("Tokyo 7:01, Sydney"));
    EXPECT_EQ(strip->width(), width);
}

TEST_F(MiniStrip, LeftDragMovesByTheCursorAndStoresThePositionOnRelease) {
    strip->show();  // showing fixes the width, centred on the old one
    strip->move(300, 200);
    Press(strip->img1, Qt::LeftButton, QPoint(10, 8));
    EXPECT_TRUE(strip->IsDragging());
    Move(strip.get(), QPoint(40, 3));
    EXPECT_EQ(strip->pos(), QPoint(330, 195));
    // The window moved under the cursor: the same screen point is the grab point again.
    Move(strip.get(), QPoint(10, 8));
    EXPECT_EQ(strip->pos(), QPoint(330, 195));
    Release(strip->img1, Qt::LeftButton, QPoint(10, 8));
    EXPECT_FALSE(strip->IsDragging());
    ASSERT_EQ(host.stored.size(), 1u);
    EXPECT_EQ(host.stored[0], QPoint(330, 195));

    // Moving without a drag does nothing; a click without movement still stores.
    Move(strip.get(), QPoint(90, 0), Qt::NoButton);
    EXPECT_EQ(strip->pos(), QPoint(330, 195));
    Press(strip.get(), Qt::LeftButton, QPoint(1, 1));
    Release(strip.get(), Qt::LeftButton, QPoint(1, 1));
    EXPECT_EQ(host.stored.size(), 2u);
}

TEST_F(MiniStrip, RightButtonStartsNoDragButItsReleaseEndsALeftDrag) {
    strip->move(100, 100);
    Press(strip.get(), Qt::RightButton, QPoint(5, 5));
    EXPECT_FALSE(strip->IsDragging());
    Move(strip.get(), QPoint(50, 5), Qt::RightButton);
    Release(strip.get(), Qt::RightButton, QPoint(50, 5));
    EXPECT_EQ(strip->pos(), QPoint(100, 100));
    EXPECT_TRUE(host.stored.empty());

    Press(strip.get(), Qt::LeftButton, QPoint(5, 5));
    Move(strip.get(), QPoint(25, 5));
    SendMouse(strip.get(), QEvent::MouseButtonRelease, Qt::RightButton, QPoint(25, 5), Qt::LeftButton);
    EXPECT_FALSE(strip->IsDragging());
    ASSERT_EQ(host.stored.size(), 1u);
    EXPECT_EQ(host.stored[0], QPoint(120, 100));
    // The left release that follows finds no drag and stores nothing more.
    Release(strip.get(), Qt::LeftButton, QPoint(25, 5));
    EXPECT_EQ(host.stored.size(), 1u);

    // A right press during a drag opens the menu, whose grab swallows the left release:
    // the drag ends and is saved before the menu opens, whichever event comes first.
    Press(strip.get(), Qt::LeftButton, QPoint(5, 5));
    Move(strip.get(), QPoint(15, 25));
    SendMouse(strip.get(), QEvent::MouseButtonPress, Qt::RightButton, QPoint(15, 25), Qt::LeftButton);
    EXPECT_FALSE(strip->IsDragging());
    ASSERT_EQ(host.stored.size(), 2u);
    EXPECT_EQ(host.stored[1], QPoint(130, 120));

    Press(strip.get(), Qt::LeftButton, QPoint(5, 5));
    Move(strip.get(), QPoint(6, 5));
    QContextMenuEvent menuKey(QContextMenuEvent::Mouse, QPoint(6, 5), strip->mapToGlobal(QPoint(6, 5)));
    QCoreApplication::sendEvent(strip.get(), &menuKey);
    EXPECT_FALSE(strip->IsDragging());
    ASSERT_EQ(host.stored.size(), 3u);
    EXPECT_EQ(host.stored[2], QPoint(131, 120));
    EXPECT_TRUE(strip->pm1->isVisible());
    strip->pm1->hide();
}

TEST_F(MiniStrip, MenuHidesTheStripBeforeShowingTheMainWindowAndExits) {
    ASSERT_EQ(strip->pm1->actions().size(), 2);
    EXPECT_EQ(strip->pm1->actions()[0]->text(), QStringLiteral("Обычный режим"));
    EXPECT_EQ(strip->pm1->actions()[1]->text(), QStringLiteral("Выход"));
    strip->show();
    strip->mniN1->trigger();
    EXPECT_EQ(host.shows, 1);
    EXPECT_FALSE(host.stripVisibleAtShow);
    EXPECT_FALSE(strip->isVisible());
    strip->mniN2->trigger();
    EXPECT_EQ(host.exits, 1);
}

TEST_F(MiniStrip, ShowsWhereItWasStoredOrAtTheDefaultWhenThatIsOnNoScreen) {
    const QRect monitor(0, 0, 1280, 1024);
    const QList<QRect> screens{monitor};
    QPoint askedFallback;
    strip->ShowPlaced(monitor, screens, [&](const QPoint& fallback) {
        askedFallback = fallback;
        return QPoint(100, 300);
    });
    EXPECT_TRUE(strip->isVisible());
    EXPECT_EQ(strip->width(), ExpectedWidth());
    // The default is worked out for the strip's real width: centred at the top.
    EXPECT_EQ(askedFallback, QPoint((1280 - ExpectedWidth()) / 2, 0));
    EXPECT_EQ(strip->pos(), QPoint(100, 300));

    strip->ShowPlaced(monitor, screens, [](const QPoint&) { return QPoint(INT_MIN, INT_MIN); });
    EXPECT_EQ(strip->pos(), askedFallback);
    strip->ShowPlaced(monitor, screens, [](const QPoint&) { return QPoint(INT_MAX, 0); });
    EXPECT_EQ(strip->pos(), askedFallback);
}

TEST_F(MiniStrip, WhereTheCompositorPlacesWindowsItMovesTheStripAndNothingIsReadOrStored) {
    CompositorPlacedStrip placed(TWindowPlacement::Compositor);
    Assign(placed);
    int reads = 0;
    placed.ShowPlaced(QRect(0, 0, 1280, 1024), {QRect(0, 0, 1280, 1024)}, [&reads](const QPoint& fallback) {
        ++reads;
        return fallback;
    });
    EXPECT_TRUE(placed.isVisible());
    EXPECT_EQ(reads, 0);
    const QPoint shownAt = placed.pos();

    // A left press hands the drag to the compositor; the strip neither follows the
    // pointer itself nor stores anything when the button comes up.
    Press(placed.img1, Qt::LeftButton, QPoint(10, 8));
    EXPECT_EQ(placed.systemMoves, 1);
    EXPECT_FALSE(placed.IsDragging());
    Move(&placed, QPoint(40, 3));
    Release(&placed, Qt::LeftButton, QPoint(40, 3));
    Press(&placed, Qt::RightButton, QPoint(5, 5));
    Release(&placed, Qt::RightButton, QPoint(5, 5));
    EXPECT_EQ(placed.systemMoves, 1);
    EXPECT_EQ(placed.pos(), shownAt);
    EXPECT_TRUE(host.stored.empty());

    // A new width resizes the strip without moving it to a place worked out from a
    // position nobody told it.
    capitals[0]->SetName(QStringLiteral("London, United Kingdom"));
    placed.RedrawStrip();
    EXPECT_EQ(placed.width(), ExpectedWidth());
    EXPECT_EQ(placed.pos(), shownAt);
}

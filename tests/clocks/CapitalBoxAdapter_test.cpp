#include "clocks/CapitalBoxAdapter.h"

#include <QFrame>
#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

#include "minimode/MouseSupport.h"

namespace {

// Two clock boxes side by side, laid out as in the main window's head.
struct Box {
    QFrame* container;
    QLabel* name;
    QLabel* time;
    TCapitalBoxClick* click;
};

class CapitalBoxClick : public ::testing::Test {
protected:
    void SetUp() override {
        head.resize(400, 150);
        for (int i = 0; i < 2; ++i) {
            auto* container = new QFrame(&head);
            container->setFrameStyle(QFrame::Panel | QFrame::Raised);
            container->setGeometry(15 + 175 * i, 68, 170, 64);
            auto* name = new QLabel(QStringLiteral("London"), container);
            name->setGeometry(9, 9, 152, 19);
            auto* time = new QLabel(QStringLiteral("12:00"), container);
            time->setGeometry(9, 28, 152, 27);
            boxes[i] = {container, name, time, new TCapitalBoxClick(container, {name, time})};
        }
        head.show();
        for (int i = 0; i < 2; ++i)
            QObject::connect(boxes[i].click, &TCapitalBoxClick::Clicked, [this, i] { ++clicks[i]; });
    }

    // A point given in the head's coordinates, as seen by a widget inside it.
    static QPoint At(QWidget* w, QPoint inHead) { return w->mapFrom(w->window(), inHead); }

    QWidget head;
    Box boxes[2];
    int clicks[2] = {0, 0};
};

}  // namespace

TEST_F(CapitalBoxClick, PressLowersAndReleaseInsideClicksWithAnyButton) {
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        Press(boxes[0].time, button, QPoint(50, 10));
        EXPECT_EQ(boxes[0].container->frameShadow(), QFrame::Sunken);
        Release(boxes[0].time, button, QPoint(60, 12));
        EXPECT_EQ(boxes[0].container->frameShadow(), QFrame::Raised);
    }
    EXPECT_EQ(clicks[0], 3);
}

TEST_F(CapitalBoxClick, ReleaseOverTheNeighbourIsCancelledAndLeavesItAlone) {
    Press(boxes[0].name, Qt::LeftButton, QPoint(20, 5));
    // The pressed label keeps the mouse; the release arrives there, over box 2.
    Release(boxes[0].name, Qt::LeftButton, At(boxes[0].name, QPoint(270, 100)));
    EXPECT_EQ(clicks[0], 0);
    EXPECT_EQ(clicks[1], 0);
    EXPECT_EQ(boxes[0].container->frameShadow(), QFrame::Raised);
    EXPECT_EQ(boxes[1].container->frameShadow(), QFrame::Raised);
}

TEST_F(CapitalBoxClick, InsideIsJudgedByTheContainerNotThePressedPart) {
    // Label to time panel of the same box: inside.
    Press(boxes[0].name, Qt::LeftButton, QPoint(20, 5));
    Release(boxes[0].name, Qt::LeftButton,
            At(boxes[0].name, boxes[0].time->geometry().center() + QPoint(15, 68)));
    EXPECT_EQ(clicks[0], 1);
    // The container's last column is inside, one further is out.
    Press(boxes[0].container, Qt::LeftButton, QPoint(3, 3));
    Release(boxes[0].container, Qt::LeftButton, QPoint(169, 63));
    EXPECT_EQ(clicks[0], 2);
    Press(boxes[0].container, Qt::LeftButton, QPoint(3, 3));
    Release(boxes[0].container, Qt::LeftButton, QPoint(170, 30));
    EXPECT_EQ(clicks[0], 2);
}

TEST_F(CapitalBoxClick, ReleaseWithoutAPressIsNoClick) {
    Press(boxes[0].time, Qt::LeftButton, QPoint(5, 5));
    Release(boxes[0].time, Qt::LeftButton, QPoint(5, 5));
    // A second button let go after the click was already reported.
    Release(boxes[0].time, Qt::RightButton, QPoint(5, 5));
    EXPECT_EQ(clicks[0], 1);
}

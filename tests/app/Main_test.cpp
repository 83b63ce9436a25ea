#include "app/Main.h"
#include "platform/Clock.h"
#include "settings/Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

struct MainWindowTest : ::testing::Test {
    FakeClock clock;
    QStringList errors;
    std::unique_ptr<TForm1> form;
    QTemporaryDir dir;

    MainWindowTest() { SetSettingsFileName(dir.filePath("horavane.ini")); }

    void Create(const char* utc = "2026-01-15T10:07:30") {
        clock.SetUtc(utc);
        form = std::make_unique<TForm1>(clock, [this](const QString& m) { errors << m; });
    }
    template <class T>
    T* Child(const char* name) {
        return form->findChild<T*>(QString::fromLatin1(name));
    }
};

TEST_F(MainWindowTest, LaysOutTheControlsOfItsDesign) {
    Create();
    EXPECT_EQ(form->windowTitle(), "Horavane 2.0");
    EXPECT_EQ(form->size(), QSize(900, 740));
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);

    struct Expected { const char* name; QRect rect; };
    for (const Expected& e : {Expected{"pnlHead", {0, 0, 900, 150}}, {"img1", {0, 150, 900, 447}},
                              {"pnlHourLinePanelsBase", {0, 597, 900, 38}},
                              {"pnlPromo", {0, 635, 900, 105}}, {"btnMiniMode", {14, 0, 170, 21}},
                              {"CheckBox_Autorun", {320, 3, 258, 17}},
                              {"lblSelectGMT", {15, 32, 166, 19}}, {"cbbUTC", {190, 28, 520, 27}},
                              {"btnLocalTime", {715, 27, 170, 29}},
                              {"pnlCapital3TimeContainer", {365, 68, 170, 64}},
                              {"lblCapital3", {9, 9, 152, 19}}, {"pnlCapital3Time", {9, 28, 152, 27}}}) {
        auto* widget = Child<QWidget>(e.name);
        ASSERT_NE(widget, nullptr) << e.name;
        EXPECT_EQ(widget->geometry(), e.rect) << e.name;
    }
    EXPECT_EQ(Child<QToolButton>("btnMiniMode")->text(), "Режим мини");
    EXPECT_EQ(Child<QCheckBox>("CheckBox_Autorun")->text(), "Загружать программу при старте Windows");
    EXPECT_EQ(Child<QLabel>("Label8")->text(), "Время на компьютере:");
    EXPECT_EQ(Child<QLabel>("pnlHeadBottom")->text(),
              "Чтобы изменить города, нажмите на кнопки выше. Подсказка (London UTC 0, NewYork  UTC +5)");
    EXPECT_EQ(Child<QToolButton>("btnLocalTime")->toolTip(),
              "Нажмите, если программа не правильно определила время");
    const char* names[] = {"London", "NewYork", "Tokyo", "Sydney", "Moscow"};
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(Child<QLabel>(qPrintable(QStringLiteral("lblCapital%1").arg(k)))->text(), names[k - 1]);
    for (int i = 1; i <= 24; ++i)
        EXPECT_EQ(Child<QLabel>(qPrintable(QStringLiteral("pnl%1").arg(i)))->text(), QString::number(i));
}

TEST_F(MainWindowTest, TickRedrawsOncePerMinuteChangeAndOnlyThen) {
    Create("2026-01-15T10:07:30");
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
    EXPECT_EQ(form->LastMinute(), 7);  // start-up already drew the current minute
    EXPECT_FALSE(form->IsTickEnabled());
    form->show();
    EXPECT_TRUE(form->IsTickEnabled());

    const int atStart = form->ChartRedrawCount();
    for (int i = 0; i < 99; ++i) {  // 29.7 s of ticks within the minute
        clock.Advance(300);
        form->tmr1Timer();
    }
    EXPECT_EQ(form->ChartRedrawCount(), atStart);

    int redraws = 0;
    for (int i = 0; i < 24 * 60 * 200; ++i) {  // a whole simulated day at 300 ms
        clock.Advance(300);
        const int before = form->ChartRedrawCount();
        form->tmr1Timer();
        redraws += form->ChartRedrawCount() - before;
    }
    EXPECT_EQ(redraws, 24 * 60);
}

TEST_F(MainWindowTest, AWholeHourJumpGoesUnnoticedUntilTheMinuteChanges) {
    Create("2026-01-15T10:07:30");
    const int atStart = form->ChartRedrawCount();
    clock.Advance(3 * 3600 * 1000);  // same minute of the hour, three hours later
    form->tmr1Timer();
    EXPECT_EQ(form->ChartRedrawCount(), atStart);
    clock.Advance(60 * 1000);
    form->tmr1Timer();
    EXPECT_EQ(form->ChartRedrawCount(), atStart + 1);
    EXPECT_EQ(form->LastMinute(), 8);
}

TEST_F(MainWindowTest, ClocksAndTrayHintShowTheCurrentMinuteAfterStartUp) {
    Create("2026-01-15T10:07:30");
    const QStringList lines = form->TrayHint().split("\r\n");
    ASSERT_EQ(lines.size(), 5);
    // Without a catalogue every clock is on UTC.
    EXPECT_EQ(lines[0], "London 10:07");
    EXPECT_EQ(lines[4], "Moscow 10:07");
    EXPECT_FALSE(form->TrayHint().endsWith("\r\n"));
}

TEST_F(MainWindowTest, ReferenceClockCaptionBlinksBetweenBlackAndGrey) {
    Create();
    auto* button = Child<QToolButton>("btnLocalTime");
    auto color = [&] { return button->palette().color(QPalette::ButtonText); };
    EXPECT_EQ(color(), QColor(0, 0, 0));
    form->Timer2Timer();
    EXPECT_EQ(color(), QColor(0x80, 0x80, 0x80));
    form->Timer2Timer();
    EXPECT_EQ(color(), QColor(0, 0, 0));
}

}  // namespace

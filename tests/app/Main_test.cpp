#include "app/Main.h"
#include "platform/Clock.h"
#include "settings/Settings.h"
#include "platform/RegExport.h"
#include "timezones/TimeFormat.h"
#include "timezones/TzCatalogue.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Counts the paint events a widget receives, and those during which mark() holds.
struct PaintCounter : QObject {
    explicit PaintCounter(QWidget* widget, std::function<bool()> mark = {}) : mark_(std::move(mark)) {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++count;
            marked += mark_ && mark_();
        }
        return false;
    }
    int count = 0;
    int marked = 0;

private:
    std::function<bool()> mark_;
};

struct MainWindowTest : ::testing::Test {
    FakeClock clock;
    QStringList errors;
    std::unique_ptr<TForm1> form;
    QTemporaryDir dir;
    QString computerStd = "FLE Standard Time";

    MainWindowTest() {
        SetSettingsFileName(dir.filePath("horavane.ini"));
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());  // autostart entry
        SetCurrentTimeFormatSettings(TimeFormatSettings{});  // 24-hour, no leading zero
    }

    void Create(const char* utc = "2026-01-15T10:07:30", bool buildAfterShow = false) {
        clock.SetUtc(utc);
        TForm1Options options;
        options.buildAfterShow = buildAfterShow;
        options.reportError = [this](const QString& m) { errors << m; };
        // The embedded catalogue keeps the tests independent of this machine's tzdata.
        options.zoneRegistry = [](int) { return LoadFallbackTimeZoneRegistry(); };
        options.computerZone = [this](const TTimeZoneList& list) {
            const int i = list.IndexOfStandardName(computerStd);
            return i >= 0 ? list[i].ToTimeZoneInformation() : TIME_ZONE_INFORMATION{};
        };
        form = std::make_unique<TForm1>(clock, options);
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

    // One icon in the sizes title bars and trays show, decoded once: the tray shares it.
    const QIcon icon = form->windowIcon();
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}}));
    EXPECT_EQ(form->TrayIcon().Icon().cacheKey(), icon.cacheKey());
}

TEST_F(MainWindowTest, TickRedrawsOncePerMinuteChangeAndOnlyThen) {
    Create("2026-01-15T10:07:30");
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
    EXPECT_EQ(form->LastMinute(), 7);  // start-up already drew the current minute
    EXPECT_FALSE(form->IsTickEnabled());
    form->show();
    EXPECT_TRUE(form->IsTickEnabled());

    // The chart on screen is the composed picture itself, and each minute repaints it.
    auto* img1 = Child<QWidget>("img1");
    PaintCounter chartPaints(img1);
    QCoreApplication::processEvents();
    const QImage firstMinute = form->ChartBitmap().copy();

    // The clock moving wakes the real tick; within the minute it draws nothing.
    const int atStart = form->ChartRedrawCount();
    const int paintsAtStart = chartPaints.count;
    for (int i = 0; i < 99; ++i) clock.Advance(300);  // 29.7 s within the minute
    EXPECT_EQ(form->ChartRedrawCount(), atStart);
    QCoreApplication::processEvents();
    EXPECT_EQ(chartPaints.count, paintsAtStart);
    clock.Advance(30'000);
    QCoreApplication::processEvents();
    EXPECT_EQ(chartPaints.count, paintsAtStart + 1);
    EXPECT_NE(form->ChartBitmap(), firstMinute);  // the countdowns moved on
    EXPECT_EQ(img1->grab().toImage().convertToFormat(QImage::Format_RGB32), form->ChartBitmap());

    for (int i = 0; i < 24 * 60 * 20; ++i) clock.Advance(3'000);  // a whole simulated day
    EXPECT_EQ(form->ChartRedrawCount(), atStart + 1 + 24 * 60);
}

TEST_F(MainWindowTest, BuiltAfterShowingTheWindowIsFirstPaintedWhole) {
    Create("2026-01-15T10:07:30", /*buildAfterShow=*/true);
    EXPECT_EQ(form->windowTitle(), "Horavane 2.0");  // the window maps with its caption
    EXPECT_EQ(form->LastMinute(), -1);
    auto* img1 = Child<QWidget>("img1");
    PaintCounter chartPaints(img1, [this] { return form->ChartRedrawCount() == 0; });
    form->show();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    EXPECT_EQ(form->LastMinute(), 7);
    EXPECT_EQ(form->TrayHint().split("\r\n").first(), "London 10:07");
    EXPECT_GE(chartPaints.count, 1);
    EXPECT_EQ(chartPaints.marked, 0);  // none before the chart was composed
}

TEST_F(MainWindowTest, AWholeHourJumpGoesUnnoticedUntilTheMinuteChanges) {
    Create("2026-01-15T10:07:30");
    form->show();
    const int atStart = form->ChartRedrawCount();
    clock.Advance(3 * 3600 * 1000);  // same minute of the hour, three hours later
    EXPECT_EQ(form->ChartRedrawCount(), atStart);
    clock.Advance(60 * 1000);
    EXPECT_EQ(form->ChartRedrawCount(), atStart + 1);
    EXPECT_EQ(form->LastMinute(), 8);
}

TEST_F(MainWindowTest, ClocksAndTrayHintShowTheCurrentMinuteAfterStartUp) {
    Create("2026-01-15T10:07:30");
    const QStringList lines = form->TrayHint().split("\r\n");
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines, QStringList({"London 10:07", "NewYork 5:07", "Tokyo 19:07", "Sydney 21:07",
                                  "Moscow 13:07"}));
    EXPECT_FALSE(form->TrayHint().endsWith("\r\n"));
    EXPECT_EQ(Child<QToolButton>("btnLocalTime")->text(), "12:07");  // Kyiv, the computer's zone
    EXPECT_EQ(Child<QComboBox>("cbbUTC")->count(), form->TimeZoneList().Count());
    EXPECT_EQ(Child<QComboBox>("cbbUTC")->accessibleName(), Child<QComboBox>("cbbUTC")->currentText());
    EXPECT_EQ(form->ChartZone().Bias, -120);
    EXPECT_EQ(form->MarkerList().Count(), 13);
    EXPECT_FALSE(QFile::exists(dir.filePath("horavane.ini")));  // start-up writes nothing
    // ChartZone 12:07: London is open, and screen readers read the bars as text.
    QAccessibleInterface* chart = QAccessible::queryAccessibleInterface(Child<QWidget>("img1"));
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->role(), QAccessible::Graphic);
    EXPECT_TRUE(chart->text(QAccessible::Name).contains("London (10:00 - 19:00) до закрытия 6 ч. 53 мин"))
        << chart->text(QAccessible::Name).toStdString();
}

TEST_F(MainWindowTest, PickingAZoneMovesTheHourLineAtOnceButNotTheChart) {
    Create("2026-01-15T22:30:00");  // ChartZone 0:30: the current hour is the rightmost column
    auto* combo = Child<QComboBox>("cbbUTC");
    auto* pnl24 = Child<QLabel>("pnl24");
    EXPECT_EQ(pnl24->x(), 862);  // Kyiv keeps ChartZone's offset in winter
    const QImage chartBefore = form->ChartBitmap().copy();
    EXPECT_NE(chartBefore.pixel(880, 5), chartBefore.pixel(10, 5));  // yellow column at 862

    combo->setCurrentIndex(form->TimeZoneList().IndexOfStandardName(QString("GMT Standard Time")));
    form->cbbUTCChange();
    EXPECT_EQ(Child<QToolButton>("btnLocalTime")->text(), "22:30");
    EXPECT_NE(pnl24->x(), 862);
    EXPECT_EQ(Child<QLabel>(qPrintable(QString("pnl22")))->palette().color(QPalette::WindowText),
              QColor(255, 0, 0));
    EXPECT_EQ(form->ChartBitmap(), chartBefore);  // redrawn only at the next minute
    QSettings ini(dir.filePath("horavane.ini"), QSettings::IniFormat);
    EXPECT_EQ(ini.value("Local/TZI").toString().size(), 344);
}

TEST_F(MainWindowTest, AFailingStartUpStepIsReportedAndTheWindowStillTicks) {
    clock.SetUtc("2026-01-15T10:07:30");
    TForm1Options options;
    options.reportError = [this](const QString& m) { errors << m; };
    options.zoneRegistry = [](int) {
        return ReadRegExport(QByteArray(
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
            "\\Time Zones\\Broken]\r\n\"Display\"=\"x\"\r\n\"Dlt\"=\"x\"\r\n\"Std\"=\"x\"\r\n"
            "\"TZI\"=hex:00\r\n"));
    };
    form = std::make_unique<TForm1>(clock, options);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], "Error in \"TRegTimeZone.Create\": There is no \"TZI\" value in the RegKey "
                         "or it has wrong size.");
    form->show();
    for (int i = 0; i < 400; ++i) clock.Advance(300);  // two minutes of ticks touch nothing that was not built
    EXPECT_EQ(form->LastMinute(), 9);
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

namespace {

TEST_F(MainWindowTest, ShowingTheWindowOffX11RunsItsDeferredStepsSafely) {
    Create();
    form->show();
    // The show handler defers the taskbar request; the event loop must run it harmlessly
    // on a platform without an X connection.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->isVisible());
}

}  // namespace

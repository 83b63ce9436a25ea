#include "app/Application.h"
#include "app/Main.h"
#include "platform/Autostart.h"
#include "support/FakeClock.h"
#include "settings/Settings.h"
#include "settings/SettingsValues.h"
#include "sessions/SessionChart.h"
#include "worldmap/WorldMapPicture.h"
#include "platform/RegExport.h"
#include "timezones/TimeFormat.h"
#include "timezones/TzCatalogue.h"
#include "tray/TrayFakes.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QSettings>
#include <QAbstractItemView>
#include <QApplication>
#include <QColorDialog>
#include <QDeadlineTimer>
#include <QDialogButtonBox>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest/qtestspontaneevent.h>
#include <QToolButton>
#include <QWindow>
#include <gtest/gtest.h>

#include "support/CatalogueFixtures.h"
#include "support/TestSupport.h"
#include "support/Typing.h"

#include <ctime>
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
        options.trayHosts = [] { return FakeTrayHosts::WithTray(); };
        // The embedded catalogue keeps the tests independent of this machine's tzdata.
        options.zoneRegistry = [](qint64 utcMs) {
            return TZoneRegistryBuild{LoadFallbackTimeZoneRegistry(), NextUtcNewYearMs(utcMs)};
        };
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

    struct Expected {
        const char* name;
        QRect rect;
    };
    for (const Expected& e : {Expected{"pnlHead", {0, 0, 900, 150}},
                              {"img1", {0, 150, 900, 447}},
                              {"pnlHourLinePanelsBase", {0, 597, 900, 38}},
                              {"pnlPromo", {0, 635, 900, 105}},
                              {"btnMiniMode", {14, 0, 170, 21}},
                              {"CheckBox_Autorun", {320, 3, 258, 17}},
                              {"lblSelectGMT", {15, 32, 166, 19}},
                              {"cbbUTC", {190, 28, 520, 27}},
                              {"btnLocalTime", {715, 27, 170, 29}},
                              {"pnlCapital3TimeContainer", {365, 68, 170, 64}},
                              {"lblCapital3", {9, 9, 152, 19}},
                              {"pnlCapital3Time", {9, 28, 152, 27}}}) {
        auto* widget = Child<QWidget>(e.name);
        ASSERT_NE(widget, nullptr) << e.name;
        EXPECT_EQ(widget->geometry(), e.rect) << e.name;
    }
    EXPECT_EQ(Child<QToolButton>("btnMiniMode")->text(), "Режим мини");
    EXPECT_EQ(Child<QCheckBox>("CheckBox_Autorun")->text(), "Загружать программу при входе в систему");
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
    // Blue city names over red times; the hint line and "Время на компьютере:" grey.
    for (const auto& [name, rgb] : {std::pair{"lblCapital2", qRgb(0, 0, 255)},
                                    {"pnlCapital4Time", qRgb(255, 0, 0)},
                                    {"pnlHeadBottom", qRgb(128, 128, 128)},
                                    {"Label8", qRgb(128, 128, 128)}})
        EXPECT_EQ(Child<QLabel>(name)->palette().color(QPalette::WindowText).rgb(), rgb) << name;

    // One icon in the sizes title bars and trays show, decoded once: the tray shares it.
    const QIcon icon = form->windowIcon();
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}}));
    EXPECT_EQ(form->TrayIcon().Icon().cacheKey(), icon.cacheKey());
}

TEST_F(MainWindowTest, TickRedrawsOncePerMinuteChangeAndOnlyThen) {
    Create("2026-01-15T10:07:30");
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
    EXPECT_EQ(form->ChartRedrawCount(), 1);  // start-up already drew the current minute
    EXPECT_EQ(form->TrayHint().split("\r\n").first(), "London 10:07");
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

// The chart is composed at the screen's device pixel ratio (this test runs at 1, again
// under QT_SCALE_FACTOR=2, and on two screens of ratio 1 and 2) and painted as it is: the
// NYSE bar's left border is sharp within one device pixel over the map drawn for that
// ratio. Taken to a screen of another density, the window has its chart composed anew.
TEST_F(MainWindowTest, TheChartIsComposedAtTheScreensPixelRatio) {
    Create();  // ChartZone 12:07: NYSE is closed, a grey border round white
    form->show();
    QCoreApplication::processEvents();
    const auto expectSharpAt = [this](int ratio) {
        const QImage& chart = form->ChartBitmap();
        ASSERT_EQ(chart.size(), QSize(900, 447) * ratio);
        EXPECT_EQ(chart.devicePixelRatio(), ratio);
        QImage shown = Child<QWidget>("img1")->grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(shown.size(), chart.size());
        shown.setDevicePixelRatio(ratio);
        EXPECT_EQ(shown, chart);

        const QImage map = LoadWorldMapPicture(ratio).convertToFormat(QImage::Format_RGB32);
        const auto blend = [](QRgb src, QRgb dest) {
            return qRgb(BlendChannel(qRed(src), qRed(dest)), BlendChannel(qGreen(src), qGreen(dest)),
                        BlendChannel(qBlue(src), qBlue(dest)));
        };
        const int left = 38 * ratio;
        for (int y = 62 * ratio; y < 95 * ratio; ++y) {
            ASSERT_EQ(chart.pixel(left - 1, y), map.pixel(left - 1, y)) << y;
            for (int x = left; x < left + ratio; ++x)
                ASSERT_EQ(chart.pixel(x, y), blend(qRgb(0x80, 0x80, 0x80), map.pixel(x, y))) << x << "," << y;
            ASSERT_EQ(chart.pixel(left + ratio, y), blend(qRgb(0xFF, 0xFF, 0xFF), map.pixel(left + ratio, y)))
                << y;
        }
    };
    expectSharpAt(qRound(form->screen()->devicePixelRatio()));

    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() < 2) return;
    const int redrawn = form->ChartRedrawCount();
    form->windowHandle()->setScreen(screens[1]);
    QCoreApplication::processEvents();  // the view, repainted, finds the image's ratio is not its own
    QCoreApplication::processEvents();  // and has the chart composed again
    ASSERT_NE(screens[1]->devicePixelRatio(), screens[0]->devicePixelRatio());
    expectSharpAt(qRound(screens[1]->devicePixelRatio()));
    EXPECT_EQ(form->ChartRedrawCount(), redrawn + 1);
}

TEST_F(MainWindowTest, BuiltAfterShowingTheWindowIsFirstPaintedWhole) {
    Create("2026-01-15T10:07:30", /*buildAfterShow=*/true);
    EXPECT_EQ(form->windowTitle(), "Horavane 2.0");  // the window maps with its caption
    EXPECT_EQ(form->ChartRedrawCount(), 0);
    auto* img1 = Child<QWidget>("img1");
    PaintCounter chartPaints(img1, [this] { return form->ChartRedrawCount() == 0; });
    form->show();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    EXPECT_EQ(form->ChartRedrawCount(), 1);
    EXPECT_EQ(form->TrayHint().split("\r\n").first(), "London 10:07");
    EXPECT_GE(chartPaints.count, 1);
    EXPECT_EQ(chartPaints.marked, 0);  // none before the chart was composed
}

// A wall clock set by whole hours or days (a resume from suspend, NTP, the user) lands on
// another minute, though on the same minute of the hour: everything shows it at once.
TEST_F(MainWindowTest, AJumpOfWholeHoursOrDaysIsShownAtOnce) {
    Create("2026-01-15T10:07:30");
    form->show();
    auto* london = Child<QLabel>("pnlCapital1Time");
    auto* reference = Child<QToolButton>("btnLocalTime");  // Kyiv
    const struct {
        qint64 jump;
        const char *londonTime, *kyivTime;
    } jumps[] = {
        {3 * 3'600'000, "13:07", "15:07"}, {-3'600'000, "12:07", "14:07"}, {86'400'000, "12:07", "14:07"}};
    for (const auto& j : jumps) {
        const int redraws = form->ChartRedrawCount();
        clock.Advance(j.jump);  // the tick wakes at the jump
        EXPECT_EQ(form->ChartRedrawCount(), redraws + 1) << j.jump;
        EXPECT_EQ(london->text(), j.londonTime) << j.jump;
        EXPECT_EQ(reference->text(), j.kyivTime) << j.jump;
        EXPECT_EQ(form->TrayHint().split("\r\n").first(), QString("London ") + j.londonTime);
    }
}

TEST_F(MainWindowTest, ClocksAndTrayHintShowTheCurrentMinuteAfterStartUp) {
    Create("2026-01-15T10:07:30");
    const QStringList lines = form->TrayHint().split("\r\n");
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines,
              QStringList({"London 10:07", "NewYork 5:07", "Tokyo 19:07", "Sydney 21:07", "Moscow 13:07"}));
    EXPECT_FALSE(form->TrayHint().endsWith("\r\n"));
    EXPECT_EQ(Child<QToolButton>("btnLocalTime")->text(), "12:07");  // Kyiv, the computer's zone
    // Nothing saved: "Время компьютера", then every entry in catalogue order, the
    // computer's own one marked for the eye and for screen readers.
    auto* combo = Child<QComboBox>("cbbUTC");
    const int kyiv = form->TimeZoneList().IndexOfStandardName(QString("FLE Standard Time"));
    const QString kyivDisplay = form->TimeZoneList()[kyiv].Display;
    ASSERT_EQ(combo->count(), form->TimeZoneList().Count() + 1);
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(combo->currentText(), "Время компьютера: " + kyivDisplay);
    for (int i = 0; i < form->TimeZoneList().Count(); ++i) {
        ASSERT_EQ(combo->itemText(i + 1), form->TimeZoneList()[i].Display);
        ASSERT_EQ(!combo->itemIcon(i + 1).isNull(), i == kyiv) << i;
    }
    EXPECT_EQ(combo->itemData(kyiv + 1, Qt::AccessibleTextRole).toString(),
              kyivDisplay + ", часовой пояс этого компьютера");
    EXPECT_EQ(combo->accessibleName(), combo->currentText());
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

// A clock whose date is not the reference zone's says so in its box and in the tray
// hint: late in New York's afternoon Tokyo, Sydney and Moscow are already in tomorrow;
// against Tokyo, New York and London are still in yesterday. The mark fits the box.
TEST_F(MainWindowTest, EachClockSaysWhenItsDayIsNotTheReferenceZones) {
    computerStd = "Eastern Standard Time";
    Create("2026-01-15T21:29:30");  // Thursday 16:29 in New York
    form->show();
    clock.Advance(30'000);  // the real tick at 16:30
    EXPECT_EQ(form->TrayHint().split("\r\n"),
              QStringList({"London 21:30", "NewYork 16:30", "Tokyo 6:30 +1 д.", "Sydney 8:30 +1 д.",
                           "Moscow 0:30 +1 д."}));
    EXPECT_EQ(Child<QLabel>("pnlCapital3Time")->text(), "6:30 +1 д.");

    computerStd = "Tokyo Standard Time";
    SetCurrentTimeFormatSettings(TimeFormatSettings{true, true, false});  // "04:30 PM", the widest
    Create("2026-01-15T21:30:00");
    EXPECT_EQ(form->TrayHint().split("\r\n"),
              QStringList({"London 09:30 PM −1 д.", "NewYork 04:30 PM −1 д.", "Tokyo 06:30 AM",
                           "Sydney 08:30 AM", "Moscow 12:30 AM"}));
    for (int k = 1; k <= 5; ++k) {
        auto* time = Child<QLabel>(qPrintable(QStringLiteral("pnlCapital%1Time").arg(k)));
        EXPECT_EQ(time->geometry(), QRect(9, 28, 152, 27));
        EXPECT_LE(time->fontMetrics().horizontalAdvance(time->text()), time->width()) << k;
    }
}

TEST_F(MainWindowTest, PickingAZoneMovesTheHourLineAtOnceButNotTheChart) {
    Create("2026-01-15T22:30:00");  // ChartZone 0:30: the current hour is the rightmost column
    auto* combo = Child<QComboBox>("cbbUTC");
    auto* pnl24 = Child<QLabel>("pnl24");
    EXPECT_EQ(pnl24->x(), 862);  // Kyiv keeps ChartZone's offset in winter
    const QImage chartBefore = form->ChartBitmap().copy();
    EXPECT_NE(chartBefore.pixel(880, 5), chartBefore.pixel(10, 5));  // yellow column at 862

    // The user's pick, by typing the city: the box moves to London and tells the window so.
    const int london = form->TimeZoneList().IndexOfStandardName(QString("GMT Standard Time"));
    combo->setFocus();
    TypeText(combo, "Лондон");
    EXPECT_EQ(combo->currentData().toInt(), london);
    EXPECT_EQ(Child<QToolButton>("btnLocalTime")->text(), "22:30");
    EXPECT_NE(pnl24->x(), 862);
    for (int i = 1; i <= 24; ++i)  // 22:30 in London: panel 22 alone is red
        EXPECT_EQ(Child<QLabel>(qPrintable(QString("pnl%1").arg(i)))->palette().color(QPalette::WindowText),
                  i == 22 ? QColor(255, 0, 0) : QColor(0, 0, 0))
            << "pnl" << i;
    EXPECT_EQ(form->ChartBitmap(), chartBefore);  // redrawn only at the next minute

    // What is saved is the picked entry's own record, and a restart selects it again.
    QSettings ini(dir.filePath("horavane.ini"), QSettings::IniFormat);
    EXPECT_EQ(ini.value("Local/TZI").toString().toLatin1(),
              EncodeZoneRecord(form->TimeZoneList()[london].ToTimeZoneInformation()));
    Create("2026-01-15T22:30:00");
    combo = Child<QComboBox>("cbbUTC");
    EXPECT_EQ(combo->currentData().toInt(), london);
    EXPECT_EQ(Child<QToolButton>("btnLocalTime")->text(), "22:30");
    // London is two hours behind the chart zone, yet the chart marks the same hour.
    EXPECT_EQ(form->ChartBitmap(), chartBefore);

    // "Время компьютера" takes the saved zone out of the file, the rest of it stays.
    GetSettings().WriteMiniPosition({12, 34});
    combo->setFocus();
    TypeText(combo, "Время");
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(Child<QToolButton>("btnLocalTime")->text(), "0:30");
    ini.sync();
    EXPECT_FALSE(ini.contains("Local/TZI"));
    EXPECT_EQ(ini.value("Mini/X").toInt(), 12);
    // After a journey to London it follows the computer there, and marks its entry.
    computerStd = "GMT Standard Time";
    Create("2026-01-15T22:30:00");
    combo = Child<QComboBox>("cbbUTC");
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(combo->currentText(), "Время компьютера: " + form->TimeZoneList()[london].Display);
    EXPECT_FALSE(combo->itemIcon(london + 1).isNull());
    EXPECT_EQ(Child<QToolButton>("btnLocalTime")->text(), "22:30");
    EXPECT_EQ(Child<QLabel>("pnl22")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
}

// Typing a place in the closed picker opens it on the entries of that place, the first
// highlighted, under a first row that says what was typed and that is never picked; the
// open list is no taller than those rows. Enter picks the entry as any pick would. A place
// found nowhere leaves only that row, which Enter does not pick, and Escape leaves the
// choice as it was.
TEST_F(MainWindowTest, TypingAPlaceInThePickerFindsTheEntryWhoseRulesItKeeps) {
    Create();
    form->show();
    auto* combo = Child<QComboBox>("cbbUTC");
    auto* view = qobject_cast<QListView*>(combo->view());
    const int entries = combo->count();
    for (const CitySearchCase& c : kCitySearchCases) {
        SCOPED_TRACE(c.typed);
        const int before = combo->currentIndex();
        combo->setFocus();
        TypeText(combo, QString::fromUtf8(c.typed), /*enter=*/false);
        ASSERT_TRUE(view->isVisible());
        const QString caption = QString(c.key ? "Поиск: " : "Не найдено: ") + QString::fromUtf8(c.typed);
        ASSERT_EQ(combo->count(), entries + 1);
        EXPECT_EQ(combo->itemText(0), caption);
        EXPECT_EQ(combo->itemData(0, Qt::AccessibleTextRole).toString(), caption);
        EXPECT_FALSE(view->isRowHidden(0));
        EXPECT_EQ(view->model()->flags(view->model()->index(0, 0)), Qt::NoItemFlags);
        int shownRows = 0;
        for (int row = 0; row < combo->count(); ++row) shownRows += view->isRowHidden(row) ? 0 : 1;
        // The list shrinks to its rows: the last one shown ends at the viewport's bottom.
        EXPECT_LE(view->viewport()->height(), shownRows * view->sizeHintForRow(0) + 1);
        if (c.key) {
            const int entry = form->TimeZoneList().IndexOfStandardName(QString(c.key));
            ASSERT_GE(entry, 0);
            EXPECT_EQ(view->currentIndex().data(Qt::UserRole).toInt(), entry);
            QCoreApplication::processEvents();
            const QRect match = view->visualRect(view->currentIndex());
            EXPECT_TRUE(match.top() >= 0 && match.bottom() < view->viewport()->height()) << match.top();
            PressKey(view, Qt::Key_Return, QStringLiteral("\r"));
            EXPECT_FALSE(view->isVisible());
            EXPECT_EQ(combo->count(), entries);
            EXPECT_EQ(combo->currentData().toInt(), entry);
            QSettings ini(dir.filePath("horavane.ini"), QSettings::IniFormat);
            EXPECT_EQ(ini.value("Local/TZI").toString().toLatin1(),
                      EncodeZoneRecord(form->TimeZoneList()[entry].ToTimeZoneInformation()));
        } else {
            EXPECT_EQ(shownRows, 1);
            PressKey(view, Qt::Key_Return, QStringLiteral("\r"));
            EXPECT_TRUE(view->isVisible());
            EXPECT_EQ(combo->currentIndex(), before + 1);  // the caption row stands above it
            PressKey(combo, Qt::Key_Escape);
            EXPECT_FALSE(view->isVisible());
            EXPECT_EQ(combo->count(), entries);
            EXPECT_EQ(combo->currentIndex(), before);
            EXPECT_FALSE(view->isRowHidden(before));  // a closed list hides nothing
        }
    }
    // The computer's own city finds its entry, not "Время компьютера" that shows it.
    TypeText(combo, "Киев");
    EXPECT_EQ(combo->currentData().toInt(),
              form->TimeZoneList().IndexOfStandardName(QString("FLE Standard Time")));
}

TEST_F(MainWindowTest, AFailingStartUpStepIsReportedAndTheWindowStillTicks) {
    clock.SetUtc("2026-01-15T10:07:30");
    TForm1Options options;
    options.reportError = [this](const QString& m) { errors << m; };
    options.zoneRegistry = [](qint64 utcMs) {
        return TZoneRegistryBuild{
            ReadRegExport(QByteArray(
                "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
                "\\Time Zones\\Broken]\r\n\"Display\"=\"x\"\r\n\"Dlt\"=\"x\"\r\n\"Std\"=\"x\"\r\n"
                "\"TZI\"=hex:00\r\n")),
            NextUtcNewYearMs(utcMs)};
    };
    form = std::make_unique<TForm1>(clock, options);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0],
              "Error in \"TRegTimeZone.Create\": There is no \"TZI\" value in the RegKey "
              "or it has wrong size.");
    form->show();
    // Two minutes of ticks touch nothing that was not built, and the clocks go on (on UTC).
    for (int i = 0; i < 400; ++i) clock.Advance(300);
    EXPECT_EQ(Child<QLabel>("pnlCapital1Time")->text(), "10:09");
    EXPECT_EQ(errors.size(), 1);  // nor try the failed step again
}

// What `date` shows at the clock's instant for the process's TZ: localtime()'s hours.
QString DateCommandTime(qint64 utcMs) {
    const std::time_t t = static_cast<std::time_t>(utcMs / 1000);
    std::tm local{};
    localtime_r(&t, &local);
    return QStringLiteral("%1:%2").arg(local.tm_hour).arg(local.tm_min, 2, 10, QLatin1Char('0'));
}

// With TZ holding a rule the C library reads itself, "Время на компьютере" shows what
// `date` shows: "Время компьютера" stands for the entry that keeps the same time all
// year, marked in the list; when no entry does (a rule of 5 h 17 min, or daylight dates
// no zone keeps), for the computer's own rule, and no entry is marked.
TEST_F(MainWindowTest, TheComputersTimeAgreesWithDateWhateverTzHolds) {
    const QByteArray oldTz = qgetenv("TZ");
    const bool hadTz = qEnvironmentVariableIsSet("TZ");
    struct Case {
        const char* tz;
        const char* utc;
        const char* zone;  // how "Время компьютера" goes on
        bool marked;  // an entry keeps the computer's time
    };
    for (const Case& c : {Case{"EST5EDT,M3.2.0,M11.1.0", "2026-07-15T10:07:30", "(UTC-05:00) ", true},
                          Case{"JST-9", "2026-01-15T10:07:30", "(UTC+09:00) ", true},
                          Case{"", "2026-01-15T10:07:30", "(UTC+00:00) ", true},
                          Case{"<+0517>-5:17", "2026-01-15T10:07:30", "(UTC+05:17)", false},
                          Case{"EST5EDT,M4.1.0,M10.1.0", "2026-07-15T10:07:30", "(UTC-05:00)", false}}) {
        SCOPED_TRACE(std::string("TZ=") + c.tz);
        qputenv("TZ", c.tz);
        tzset();
        clock.SetUtc(c.utc);
        TForm1Options options;
        options.reportError = [this](const QString& m) { errors << m; };
        options.zoneRegistry = [](qint64 utcMs) {
            return TZoneRegistryBuild{LoadFallbackTimeZoneRegistry(), NextUtcNewYearMs(utcMs)};
        };
        form = std::make_unique<TForm1>(clock, options);
        EXPECT_EQ(Child<QToolButton>("btnLocalTime")->text(), DateCommandTime(clock.UtcMs()));
        auto* combo = Child<QComboBox>("cbbUTC");
        EXPECT_EQ(combo->currentIndex(), 0);
        EXPECT_TRUE(combo->currentText().startsWith("Время компьютера: " + QString::fromUtf8(c.zone)))
            << combo->currentText().toStdString();
        int marked = 0;
        for (int i = 0; i < combo->count(); ++i) marked += !combo->itemIcon(i).isNull();
        EXPECT_EQ(marked, c.marked ? 1 : 0);
        form->show();
        clock.Advance(130LL * 86'400'000 + 60'000);  // another season: still what `date` shows
        EXPECT_EQ(Child<QToolButton>("btnLocalTime")->text(), DateCommandTime(clock.UtcMs()));
    }
    form.reset();
    if (hadTz)
        qputenv("TZ", oldTz);
    else
        qunsetenv("TZ");
    tzset();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(MainWindowTest, ReferenceClockCaptionBlinksBetweenBlackAndGreyOnceASecond) {
    Create();
    auto* button = Child<QToolButton>("btnLocalTime");
    auto color = [&] { return button->palette().color(QPalette::ButtonText); };
    // The blink runs from creation on its own timer, shown or not.
    QList<QColor> seen{color()};
    QList<qint64> changedAt;
    QElapsedTimer waited;
    waited.start();
    while (seen.size() < 3 && waited.elapsed() < 5'000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        if (color() != seen.last()) {
            seen << color();
            changedAt << waited.elapsed();
        }
    }
    EXPECT_EQ(seen, QList<QColor>({QColor(0, 0, 0), QColor(0x80, 0x80, 0x80), QColor(0, 0, 0)}));
    ASSERT_EQ(changedAt.size(), 2);
    EXPECT_GE(changedAt[1] - changedAt[0], 900);  // once a second, not faster
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

namespace {

// Tool-tips after a wait of one millisecond instead of the desktop's 700.
class QuickToolTips : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ToolTip_WakeUpDelay) return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

TEST_F(MainWindowTest, FitsASmallScreenAndShowsMapHintsInItsFontEvenWhenInactive) {
    // An 800 x 600 screen keeps the corner on it; a big one (or a second one) centres.
    EXPECT_EQ(MainWindowPlace(QRect(0, 0, 800, 600), QSize(900, 740)), QPoint(0, 0));
    EXPECT_EQ(MainWindowPlace(QRect(1280, 24, 800, 576), QSize(900, 740)), QPoint(1280, 24));
    EXPECT_EQ(MainWindowPlace(QRect(0, 0, 1280, 1024), QSize(900, 740)), QPoint(190, 142));
    EXPECT_EQ(MainWindowPlace(QRect(0, 0, 1280, 700), QSize(900, 740)), QPoint(190, 0));
    Create();
    EXPECT_EQ(form->pos(),
              MainWindowPlace(QGuiApplication::primaryScreen()->availableGeometry(), form->size()));
    EXPECT_EQ(QToolTip::font(), form->font());
    EXPECT_EQ(QToolTip::font().family(), "Arial");
    EXPECT_EQ(QToolTip::font().pixelSize(), 16);
    EXPECT_TRUE(QToolTip::font().bold());

    form->show();
    QWidget other;  // another window has the focus
    other.show();
    other.activateWindow();
    QApplication::setActiveWindow(&other);
    for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();  // activation settles first
    ASSERT_FALSE(form->isActiveWindow());

    auto* img1 = Child<QWidget>("img1");
    QuickToolTips quick;
    img1->setStyle(&quick);
    const QPoint londonDot(366, 88);
    QMouseEvent move(QEvent::MouseMove, QPointF(londonDot), QPointF(img1->mapToGlobal(londonDot)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QSpontaneKeyEvent::setSpontaneous(&move);  // as from the window system, which arms tool-tips
    QCoreApplication::instance()->notify(img1, &move);
    const QDeadlineTimer deadline(5000);
    while (!QToolTip::isVisible() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "London 10:07");

    // Off the dot the hint goes, and moving on over the sea shows none: after each move,
    // time for a hidden tip to fade (300 ms) and for a new one to wake.
    for (const QPoint sea : {QPoint(300, 300), QPoint(301, 300)}) {
        QMouseEvent off(QEvent::MouseMove, QPointF(sea), QPointF(img1->mapToGlobal(sea)), Qt::NoButton,
                        Qt::NoButton, Qt::NoModifier);
        QSpontaneKeyEvent::setSpontaneous(&off);
        QCoreApplication::instance()->notify(img1, &off);
        const QDeadlineTimer settle(600);
        while (!settle.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_FALSE(QToolTip::isVisible()) << sea.x() << ": " << QToolTip::text().toStdString();
    }
    QToolTip::hideText();
    img1->setStyle(nullptr);
}

TEST_F(MainWindowTest, ZoneListRowsAre19PixelsAndTheOpenListAScreenfulAtMost) {
    Create();
    form->show();
    auto* combo = Child<QComboBox>("cbbUTC");
    ASSERT_GT(combo->count(), 40);
    combo->showPopup();
    QAbstractItemView* list = combo->view();
    EXPECT_EQ(list->visualRect(combo->model()->index(0, 0)).height(), 19);
    EXPECT_EQ(list->visualRect(combo->model()->index(30, 0)).height(), 19);
    EXPECT_LE(list->viewport()->height(), 20 * 19);
    EXPECT_GE(list->viewport()->height(), 19 * 19);
    combo->hidePopup();
}

// At start-up the box follows the entry; one the desktop switched off stays off and
// untouched until the user ticks the box, and one that is on is written again with the
// path of the program running now.
TEST_F(MainWindowTest, AutostartBoxFollowsTheEntryAndLeavesASwitchedOffOneAlone) {
    QDir().mkpath(dir.filePath("config/autostart"));
    const QString entry = dir.filePath("config/autostart/Horavane.desktop");
    const QByteArray off = "[Desktop Entry]\nType=Application\nExec=/old/horavane\nHidden=true\n";
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(off);
    file.close();
    Create();
    auto* box = Child<QCheckBox>("CheckBox_Autorun");
    EXPECT_FALSE(box->isChecked());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), off);
    file.close();

    box->click();  // the user ticks it: the entry is on, for the program running now
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray on = file.readAll();
    file.close();
    EXPECT_FALSE(on.contains("Hidden=true"));
    EXPECT_TRUE(on.contains(DesktopExecArgument(QCoreApplication::applicationFilePath()).toUtf8()));

    // The program was moved: an entry that is on but starts the old path is written
    // again at the next start, for the program running now.
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray(on).replace(DesktopExecArgument(QCoreApplication::applicationFilePath()).toUtf8(),
                                      "/old/horavane"));
    file.close();
    form.reset();
    Create();
    EXPECT_TRUE(Child<QCheckBox>("CheckBox_Autorun")->isChecked());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), on);
    file.close();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();

    // An entry that cannot be written (a full disk) leaves the box showing what is there,
    // here an entry the desktop switched off, without the handler running again (which
    // would delete that entry); the message says where.
    form.reset();
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(off);
    file.close();
    Create();
    box = Child<QCheckBox>("CheckBox_Autorun");
    ASSERT_FALSE(box->isChecked());
    {
        FileSizeLimit fullDisk(16);
        box->click();
    }
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(errors, QStringList{"Failed to set data for '" + entry + "'"});
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), off);
    file.close();
}

TEST(QtTranslations, StandardDialogsAndButtonsSpeakRussian) {
    ASSERT_TRUE(InstallQtTranslations(*QCoreApplication::instance()));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), "Отмена");
    QColorDialog colours;
    colours.setOption(QColorDialog::DontUseNativeDialog);
    EXPECT_EQ(colours.windowTitle(), "Выбор цвета");
}

}  // namespace

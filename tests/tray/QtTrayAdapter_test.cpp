#include "tray/QtTrayAdapter.h"

#include "TrayFakes.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMenu>
#include <QPixmap>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class QtTrayAdapterTest : public ::testing::Test {
protected:
    QtTrayAdapterTest() {
        adapter.SetTrayHostCheck([this] { return hostThere; });
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::red);
        tray.SetIcon(QIcon(pixmap));
        tray.SetIconVisible(true);
    }
    void Activate(QSystemTrayIcon::ActivationReason reason) { emit adapter.SystemTrayIcon().activated(reason); }

    bool hostThere = true;
    TQtTrayAdapter adapter;
    FakeInput input;
    FakeTimerSource timers;
    TTrayIcon tray{adapter, input, nullptr, &timers};
};

TEST_F(QtTrayAdapterTest, QtActivationsBecomeClicksDoubleClicksAndTheDefaultItem) {
    QMenu menu;
    menu.addAction(QStringLiteral("Показать/Скрыть"));
    menu.addAction(QStringLiteral("Режим мини"));
    menu.setDefaultAction(menu.actions()[1]);
    int defaultRuns = 0, firstRuns = 0, clicks = 0, dblClicks = 0;
    QObject::connect(menu.actions()[0], &QAction::triggered, [&] { ++firstRuns; });
    QObject::connect(menu.actions()[1], &QAction::triggered, [&] { ++defaultRuns; });
    TQtPopupMenu popup(menu);
    tray.SetPopupMenu(&popup);
    tray.OnClick = [&](TTrayIcon&) { ++clicks; };
    tray.OnDblClick = [&](TTrayIcon&) { ++dblClicks; };

    // Qt reports a double click as Trigger, then DoubleClick.
    Activate(QSystemTrayIcon::Trigger);
    Activate(QSystemTrayIcon::DoubleClick);
    timers.Advance(1000);
    EXPECT_EQ(dblClicks, 1);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(defaultRuns, 1);
    EXPECT_EQ(firstRuns, 0);

    Activate(QSystemTrayIcon::Trigger);
    EXPECT_EQ(clicks, 0);
    timers.Advance(500);
    EXPECT_EQ(clicks, 1);

    std::vector<TMouseButton> downs;
    tray.OnMouseDown = [&](TTrayIcon&, TMouseButton b, TShiftState, int, int) { downs.push_back(b); };
    popup.autoPopup = false;  // no modal menu in a test
    Activate(QSystemTrayIcon::MiddleClick);
    Activate(QSystemTrayIcon::Context);
    EXPECT_EQ(downs, (std::vector<TMouseButton>{mbMiddle, mbRight}));
}

TEST_F(QtTrayAdapterTest, AStatusNotifierHostsSingleActivationPerformsTheDefaultItem) {
    QMenu menu;
    menu.addAction(QStringLiteral("Показать/Скрыть"));
    menu.addAction(QStringLiteral("Выход"));
    menu.setDefaultAction(menu.actions()[0]);
    int defaultRuns = 0, exits = 0, clicks = 0, dblClicks = 0;
    QObject::connect(menu.actions()[0], &QAction::triggered, [&] { ++defaultRuns; });
    QObject::connect(menu.actions()[1], &QAction::triggered, [&] { ++exits; });
    TQtPopupMenu popup(menu);
    tray.SetPopupMenu(&popup);
    tray.OnClick = [&](TTrayIcon&) { ++clicks; };
    tray.OnDblClick = [&](TTrayIcon&) { ++dblClicks; };

    adapter.UseStatusNotifierProtocol(true);
    Activate(QSystemTrayIcon::Trigger);  // the host's Activate: one Trigger, no DoubleClick
    timers.Advance(1000);
    EXPECT_EQ(defaultRuns, 1);
    EXPECT_EQ(dblClicks, 1) << "the window is brought to the front as by a double click";
    EXPECT_EQ(clicks, 0);
    Activate(QSystemTrayIcon::Trigger);
    timers.Advance(1000);
    EXPECT_EQ(defaultRuns, 2) << "every activation toggles the window";
    EXPECT_EQ(exits, 0);

    // An XEmbed tray's single click is no activation: only its double click is.
    adapter.UseStatusNotifierProtocol(false);
    Activate(QSystemTrayIcon::Trigger);
    timers.Advance(1000);
    EXPECT_EQ(defaultRuns, 2);
    EXPECT_EQ(clicks, 1);
}

TEST_F(QtTrayAdapterTest, TheHostComingAndGoingIsReportedOnceEach) {
    std::vector<bool> changes;
    QObject::connect(&adapter, &TQtTrayAdapter::trayHostChanged, [&](bool there) { changes.push_back(there); });
    adapter.CheckTrayHost();
    hostThere = false;
    adapter.CheckTrayHost();
    adapter.CheckTrayHost();
    EXPECT_FALSE(adapter.HostAvailable());
    hostThere = true;
    adapter.CheckTrayHost();
    EXPECT_TRUE(adapter.HostAvailable());
    EXPECT_EQ(changes, (std::vector<bool>{false, true}));
}

TEST_F(QtTrayAdapterTest, TooltipLinesAndIconReachTheTray) {
    tray.SetHint(QStringLiteral("Москва 10:00\r\nЛондон 7:00"));
    EXPECT_EQ(adapter.SystemTrayIcon().toolTip(), QStringLiteral("Москва 10:00\nЛондон 7:00"));
    EXPECT_FALSE(adapter.SystemTrayIcon().icon().isNull());
    EXPECT_TRUE(adapter.SystemTrayIcon().isVisible());
    tray.SetIconVisible(false);
    EXPECT_FALSE(adapter.SystemTrayIcon().isVisible());
    EXPECT_FALSE(tray.UpdateTrayIcon()) << "an absent icon cannot be modified";
}

// A balloon reaches the tray with its title, text, icon and time in milliseconds. With no
// tray host it waits for one, but no longer than it would have stayed up.
TEST_F(QtTrayAdapterTest, BalloonWaitsForTheTrayHostAndTheIconComesBackWithIt) {
    QStringList shown;
    adapter.SetShowMessage([&](const QString& title, const QString& text, QSystemTrayIcon::MessageIcon icon, int ms) {
        shown << QStringLiteral("%1: %2 (%3, %4 ms)").arg(title, text).arg(int(icon)).arg(ms);
    });
    EXPECT_TRUE(tray.DisplayBalloonHint("Horavane 2.0", "Закрылся Tokyo", bitInfo, 20));
    EXPECT_EQ(shown, QStringList{"Horavane 2.0: Закрылся Tokyo (1, 20000 ms)"});

    hostThere = false;
    adapter.CheckTrayHost();  // the host went away
    EXPECT_FALSE(tray.DisplayBalloonHint("Horavane 2.0", "Открылся Tokyo", bitWarning, 20));
    EXPECT_TRUE(adapter.HasPendingBalloon());

    tray.SetIconVisible(false);
    hostThere = true;
    adapter.CheckTrayHost();
    EXPECT_FALSE(adapter.SystemTrayIcon().isVisible()) << "a hidden icon stays hidden";

    hostThere = false;
    adapter.CheckTrayHost();
    tray.SetIconVisible(true);
    hostThere = true;
    adapter.CheckTrayHost();
    EXPECT_TRUE(adapter.SystemTrayIcon().isVisible());
    EXPECT_FALSE(adapter.HasPendingBalloon()) << "shown once the icon was re-added";
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[1], "Horavane 2.0: Открылся Tokyo (2, 20000 ms)");

    // A balloon of no time at all is dropped before the host comes back.
    hostThere = false;
    adapter.CheckTrayHost();
    tray.DisplayBalloonHint("Horavane 2.0", "Открылся London", bitInfo, 0);
    const QDeadlineTimer expiry(1000);
    while (adapter.HasPendingBalloon() && !expiry.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    hostThere = true;
    adapter.CheckTrayHost();
    EXPECT_EQ(shown.size(), 2);
}

TEST(QtMainWindowHost, HideAndRestoreTheMainWindowThroughTheTray) {
    QWidget form;
    form.show();
    TQtMainWindowHost host(form);
    RecordingShell shell;
    FakeInput input;
    FakeTimerSource timers;
    TTrayIcon tray(shell, input, &host, &timers);
    tray.HideMainWindow();
    EXPECT_FALSE(form.isVisible());
    form.showMinimized();
    tray.RestoreMainWindow();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isMinimized());
}

}  // namespace

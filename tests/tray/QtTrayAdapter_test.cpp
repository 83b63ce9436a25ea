// The tray component on Qt: activations, the exported menu, when the icon is made, and
// where balloons go.
#include "tray/QtTrayAdapter.h"

#include "TrayFakes.h"
#include "support/FakeTimerSource.h"

#include <QAction>
#include <QMenu>
#include <QPixmap>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class QtTrayAdapterTest : public ::testing::Test {
protected:
    QtTrayAdapterTest() {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::red);
        tray.SetIcon(QIcon(pixmap));
        tray.SetIconVisible(true);
    }
    static std::unique_ptr<FakeTrayHosts> Desktop(TTrayKind kind) {
        auto hosts = FakeTrayHosts::WithTray();
        hosts->kindMade = kind;
        return hosts;
    }

    FakeTrayHosts* hosts = nullptr;
    TQtTrayAdapter adapter{[this] {
        auto made = Desktop(TTrayKind::StatusNotifier);
        hosts = made.get();
        return made;
    }()};
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
    // An XEmbed tray's icon: Qt reports a double click as Trigger, then DoubleClick.
    TQtTrayAdapter xembed(Desktop(TTrayKind::XEmbed));
    xembed.SetContextMenu(&menu);
    TTrayIcon icon(xembed, input, nullptr, &timers);
    icon.SetIconVisible(true);
    icon.SetPopupMenu(&popup);
    icon.OnClick = [&](TTrayIcon&) { ++clicks; };
    icon.OnDblClick = [&](TTrayIcon&) { ++dblClicks; };
    ASSERT_NE(xembed.SystemTrayIcon(), nullptr);
    const auto activate = [&](QSystemTrayIcon::ActivationReason reason) {
        emit xembed.SystemTrayIcon()->activated(reason);
    };

    activate(QSystemTrayIcon::Trigger);
    activate(QSystemTrayIcon::DoubleClick);
    timers.Advance(1000);
    EXPECT_EQ(dblClicks, 1);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(defaultRuns, 1);
    EXPECT_EQ(firstRuns, 0);

    activate(QSystemTrayIcon::Trigger);  // a single click there is no activation
    EXPECT_EQ(clicks, 0);
    timers.Advance(500);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(defaultRuns, 1);

    std::vector<TMouseButton> downs;
    icon.OnMouseDown = [&](TTrayIcon&, TMouseButton b, TShiftState, int, int) { downs.push_back(b); };
    popup.autoPopup = false;  // no modal menu in a test
    activate(QSystemTrayIcon::MiddleClick);
    activate(QSystemTrayIcon::Context);
    EXPECT_EQ(downs, (std::vector<TMouseButton>{mbMiddle, mbRight}));
    EXPECT_EQ(xembed.SystemTrayIcon()->contextMenu(), nullptr)
        << "the component opens an XEmbed icon's menu itself; Qt would open it a second time";
}

// A StatusNotifierItem host's Activate is one Trigger, on X11 and Wayland alike, and it
// stands for the double click; its menu is asked for over DBusMenu, so the icon exports
// the window's own actions.
TEST_F(QtTrayAdapterTest, AStatusNotifierIconsActivationPerformsTheDefaultItemAndItExportsTheMenu) {
    QMenu menu;
    menu.addAction(QStringLiteral("Показать/Скрыть"));
    menu.addAction(QStringLiteral("Режим мини"));
    menu.addAction(QStringLiteral("Выход"));
    menu.setDefaultAction(menu.actions()[0]);
    int defaultRuns = 0, exits = 0, clicks = 0, dblClicks = 0;
    QObject::connect(menu.actions()[0], &QAction::triggered, [&] { ++defaultRuns; });
    QObject::connect(menu.actions()[2], &QAction::triggered, [&] { ++exits; });
    TQtPopupMenu popup(menu);
    TQtTrayAdapter shell(Desktop(TTrayKind::StatusNotifier));
    shell.SetContextMenu(&menu);
    TTrayIcon icon(shell, input, nullptr, &timers);
    icon.SetIconVisible(true);
    icon.SetPopupMenu(&popup);
    icon.OnClick = [&](TTrayIcon&) { ++clicks; };
    icon.OnDblClick = [&](TTrayIcon&) { ++dblClicks; };
    QSystemTrayIcon* qt = shell.SystemTrayIcon();
    ASSERT_NE(qt, nullptr);

    emit qt->activated(QSystemTrayIcon::Trigger);
    timers.Advance(1000);
    EXPECT_EQ(defaultRuns, 1);
    EXPECT_EQ(dblClicks, 1) << "the window is brought to the front as by a double click";
    EXPECT_EQ(clicks, 0);
    emit qt->activated(QSystemTrayIcon::Trigger);
    timers.Advance(1000);
    EXPECT_EQ(defaultRuns, 2) << "every activation toggles the window";
    EXPECT_EQ(exits, 0);

    QMenu* exported = qt->contextMenu();
    ASSERT_NE(exported, nullptr);
    EXPECT_NE(exported, &menu) << "the window's own menu stays a plain one for the map";
    EXPECT_EQ(exported->actions(), menu.actions());
    EXPECT_EQ(exported->defaultAction(), menu.actions()[0]);
    menu.actions()[1]->setEnabled(false);  // the strip is shown
    EXPECT_FALSE(exported->actions()[1]->isEnabled());
    exported->actions()[2]->trigger();
    EXPECT_EQ(exits, 1);
}

// Qt settles the protocol when the icon is made, so no icon exists before a tray does;
// the icon made then carries what the component set meanwhile.
TEST_F(QtTrayAdapterTest, TheIconIsMadeWhenATrayAppearsWithTheTooltipAndIconSetMeanwhile) {
    FakeTrayHosts* late = nullptr;
    TQtTrayAdapter shell([&] {
        auto none = std::make_unique<FakeTrayHosts>();
        late = none.get();
        return none;
    }());
    std::vector<bool> changes;
    QObject::connect(&shell, &TQtTrayAdapter::trayHostChanged, [&](bool in) { changes.push_back(in); });
    TTrayIcon icon(shell, input, nullptr, &timers);
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::blue);
    icon.SetIcon(QIcon(pixmap));
    icon.SetIconVisible(true);
    icon.SetHint(QStringLiteral("Москва 10:00\r\nЛондон 7:00"));
    EXPECT_EQ(shell.SystemTrayIcon(), nullptr);
    EXPECT_FALSE(icon.UpdateTrayIcon()) << "nothing to modify without a tray";

    late->sni = true;
    late->SetStatusNotifierHost(true);
    QSystemTrayIcon* qt = shell.SystemTrayIcon();
    ASSERT_NE(qt, nullptr);
    EXPECT_EQ(qt->toolTip(), QStringLiteral("Москва 10:00\nЛондон 7:00"));
    EXPECT_EQ(qt->icon().cacheKey(), icon.Icon().cacheKey());
    EXPECT_TRUE(qt->isVisible());
    EXPECT_FALSE(shell.HostAvailable()) << "the host has it, but it is not in the tray yet";
    late->SetIconPlaced(true);
    EXPECT_TRUE(shell.HostAvailable());
    EXPECT_TRUE(icon.UpdateTrayIcon());
    icon.SetIconVisible(false);
    EXPECT_FALSE(qt->isVisible());
    EXPECT_FALSE(shell.HostAvailable());
    EXPECT_EQ(changes, (std::vector<bool>{true, false}));
}

// A balloon goes to the notification server as the component asked for it (title, text,
// information icon, 20 s); without one, Qt's own bubble at the icon shows it. A click on
// either is the component's balloon click.
TEST_F(QtTrayAdapterTest, BalloonsReachTheNotificationServerOrQtsBubbleAndTheirClicksComeBack) {
    QStringList shown;
    adapter.SetShowMessage(
        [&](const QString& title, const QString& text, QSystemTrayIcon::MessageIcon icon, int ms) {
            shown << QStringLiteral("%1: %2 (%3, %4 ms)").arg(title, text).arg(int(icon)).arg(ms);
        });
    int clicks = 0;
    tray.OnBalloonHintClick = [&](TTrayIcon&) { ++clicks; };
    EXPECT_TRUE(tray.DisplayBalloonHint("Horavane 2.0", "Закрылся Tokyo", bitInfo, 20));
    EXPECT_EQ(shown, QStringList{"Horavane 2.0: Закрылся Tokyo (1, 20000 ms)"});
    emit adapter.SystemTrayIcon()->messageClicked();
    EXPECT_EQ(clicks, 1);

    hosts->SetNotificationServer(true);
    tray.DisplayBalloonHint("Horavane 2.0", "Открылся Tokyo", bitWarning, 20);
    EXPECT_EQ(shown.size(), 1);
    ASSERT_EQ(hosts->notified.size(), 1u);
    EXPECT_EQ(hosts->notified[0].title, "Horavane 2.0");
    EXPECT_EQ(hosts->notified[0].text, "Открылся Tokyo");
    EXPECT_EQ(hosts->notified[0].infoFlags, 2u);
    EXPECT_EQ(hosts->notified[0].timeoutMs, 20'000);
    hosts->ClickNotification();
    EXPECT_EQ(clicks, 2);

    // Neither: the balloon waits, and goes to the first of them to come.
    hosts->SetNotificationServer(false);
    hosts->SetIconPlaced(false);
    tray.DisplayBalloonHint("Horavane 2.0", "Открылся London", bitInfo, 20);
    EXPECT_TRUE(adapter.HasPendingBalloon());
    hosts->SetIconPlaced(true);
    EXPECT_EQ(shown.size(), 2);
    EXPECT_FALSE(adapter.HasPendingBalloon());
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

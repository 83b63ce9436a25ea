#include "tray/TrayIcon.h"
#include "tray/TrayIconHandler.h"
#include "TrayFakes.h"
#include "support/FakeTimerSource.h"

#include <QPixmap>
#include <algorithm>
#include <memory>
#include <tuple>
#include <gtest/gtest.h>

namespace {

QIcon ColourIcon(Qt::GlobalColor colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

class TrayIconTest : public ::testing::Test {
protected:
    void Send(std::initializer_list<quint32> messages) {
        for (quint32 m : messages) TTrayIconHandler::Instance()->Dispatch(tray.Identity(), m);
    }
    int clicks = 0, dblClicks = 0;
    std::vector<QString> log;
    RecordingShell shell;
    FakeInput input;
    FakeHost host;
    FakeTimerSource timers;
    TTrayIcon tray{shell, input, &host, &timers};
};

TEST_F(TrayIconTest, SingleClickWaitsForTheDoubleClickTimeOnlyWhenDoubleClicksAreWanted) {
    tray.OnClick = [&](TTrayIcon&) { ++clicks; };
    Send({kTrayLButtonDown, kTrayLButtonUp});
    EXPECT_EQ(clicks, 1) << "no OnDblClick: the click comes at the button-up";

    tray.OnDblClick = [&](TTrayIcon&) { ++dblClicks; };
    Send({kTrayLButtonDown, kTrayLButtonUp});
    timers.Advance(499);
    EXPECT_EQ(clicks, 1);
    timers.Advance(1);
    EXPECT_EQ(clicks, 2);
    timers.Advance(5000);
    EXPECT_EQ(clicks, 2) << "the click timer stops itself";
    EXPECT_EQ(dblClicks, 0);
}

TEST_F(TrayIconTest, DoubleClickRaisesNoClickAndThenRunsTheFirstDefaultItem) {
    FakeMenu menu({false, true, false});
    menu.log = &log;
    tray.SetPopupMenu(&menu);
    tray.OnClick = [&](TTrayIcon&) { log.push_back("click"); };
    tray.OnDblClick = [&](TTrayIcon&) { log.push_back("dblclick"); };
    // What the tray sends for a double click: down, up, double click, up.
    Send({kTrayLButtonDown, kTrayLButtonUp, kTrayLButtonDblClk, kTrayLButtonUp});
    timers.Advance(2000);
    EXPECT_EQ(log, (std::vector<QString>{"dblclick", "item1"}));

    // The seen double click is forgotten: a later single click comes through.
    log.clear();
    Send({kTrayLButtonDown, kTrayLButtonUp});
    timers.Advance(500);
    EXPECT_EQ(log, (std::vector<QString>{"click"}));
}

TEST_F(TrayIconTest, DefaultItemRunsWithoutOnDblClickButNotWithLeftPopupOrWithoutAutoPopup) {
    FakeMenu menu({false, true});
    tray.SetPopupMenu(&menu);
    Send({kTrayLButtonDown, kTrayLButtonUp, kTrayLButtonDblClk, kTrayLButtonUp});
    EXPECT_EQ(menu.clicks, (std::vector<int>{0, 1}));

    tray.SetLeftPopup(true);
    Send({kTrayLButtonDown, kTrayLButtonUp, kTrayLButtonDblClk, kTrayLButtonUp});
    EXPECT_EQ(menu.clicks, (std::vector<int>{0, 1})) << "LeftPopup: no default item";
    EXPECT_EQ(menu.popups.size(), 1u) << "LeftPopup: the left press opens the menu";

    menu.autoPopup = false;
    tray.SetLeftPopup(false);
    Send({kTrayLButtonDblClk, kTrayRButtonDown});
    EXPECT_EQ(menu.clicks, (std::vector<int>{0, 1}));
    EXPECT_EQ(menu.popups.size(), 1u);
}

TEST_F(TrayIconTest, RightPressOpensTheMenuAtTheCursorWithButtonAndKeys) {
    FakeMenu menu({true});
    tray.SetPopupMenu(&menu);
    std::vector<std::tuple<TMouseButton, TShiftState, int, int>> downs, ups;
    tray.OnMouseDown = [&](TTrayIcon&, TMouseButton b, TShiftState s, int x, int y) {
        downs.emplace_back(b, s, x, y);
    };
    tray.OnMouseUp = [&](TTrayIcon&, TMouseButton b, TShiftState s, int x, int y) {
        ups.emplace_back(b, s, x, y);
    };
    input.shift = ssCtrl;
    Send({kTrayRButtonDown, kTrayRButtonUp, kTrayMButtonDown, kTrayMButtonUp});
    ASSERT_EQ(menu.popups, (std::vector<QPoint>{QPoint(1200, 780)}));
    EXPECT_EQ(host.nullPosts, 1) << "the owner is woken after the modal menu";
    ASSERT_EQ(downs.size(), 2u);
    EXPECT_EQ(downs[0], std::make_tuple(mbRight, ssCtrl | ssRight, 1200, 780));
    EXPECT_EQ(downs[1], std::make_tuple(mbMiddle, ssCtrl | ssMiddle, 1200, 780));
    EXPECT_EQ(ups.size(), 2u);

    // Version-3 messages: the context-menu message, not the button-up, is the release.
    tray.SetNotifyStyle(1);
    ups.clear();
    Send({kTrayRButtonUp, kTrayContextMenu});
    EXPECT_EQ(ups.size(), 1u);

    input.cursor.reset();  // no cursor, no menu
    Send({kTrayRButtonDown});
    EXPECT_EQ(menu.popups.size(), 1u);
}

TEST_F(TrayIconTest, DisabledIconIgnoresTheMouseButStillReportsBalloons) {
    FakeMenu menu({true});
    tray.SetPopupMenu(&menu);
    int mouse = 0, balloons = 0;
    tray.OnClick = tray.OnDblClick = [&](TTrayIcon&) { ++mouse; };
    tray.OnMouseDown = tray.OnMouseUp = [&](TTrayIcon&, TMouseButton, TShiftState, int, int) { ++mouse; };
    tray.OnMouseMove = [&](TTrayIcon&, TShiftState, int, int) { ++mouse; };
    tray.OnBalloonHintShow = tray.OnBalloonHintHide = tray.OnBalloonHintTimeout =
        tray.OnBalloonHintClick = [&](TTrayIcon&) { ++balloons; };
    tray.SetEnabled(false);
    Send({kTrayMouseMove, kTrayLButtonDown, kTrayLButtonUp, kTrayLButtonDblClk, kTrayLButtonUp,
          kTrayRButtonDown, kTrayRButtonUp, kTrayMButtonDown, kTrayMButtonUp});
    timers.Advance(1000);
    EXPECT_EQ(mouse, 0);
    EXPECT_TRUE(menu.popups.empty());
    EXPECT_EQ(menu.clicks[0], 0);
    Send({kTrayBalloonShow, kTrayBalloonHide, kTrayBalloonTimeout, kTrayBalloonUserClick, 0x0999});
    EXPECT_EQ(balloons, 4);
}

TEST_F(TrayIconTest, TooltipIsCutToItsByteLimitWithoutSplittingACharacter) {
    const QString cyrillic = QString(200, QChar(0x0416));  // Ж, one byte in Windows-1251
    tray.SetHint(cyrillic);
    EXPECT_EQ(shell.calls.back().message, NIM_MODIFY);
    EXPECT_EQ(shell.calls.back().data.szTip, cyrillic.left(127));
    EXPECT_EQ(tray.Hint(), cyrillic) << "the property keeps the whole text";

    // Characters the code page lacks count their UTF-8 bytes: 3 for 東, 4 for 😀.
    tray.SetHint(QString(50, QChar(0x6771)));
    EXPECT_EQ(tray.NotifyData().szTip.size(), 42);
    tray.SetHint(QString(125, 'a') + QStringLiteral("😀"));
    EXPECT_EQ(tray.NotifyData().szTip, QString(125, 'a')) << "a surrogate pair is never split";
    tray.SetHint(QStringLiteral("ab") + QChar(0) + QStringLiteral("cd"));
    EXPECT_EQ(tray.NotifyData().szTip, QStringLiteral("ab"));

    tray.SetShowHint(false);
    EXPECT_TRUE(tray.NotifyData().szTip.isEmpty());
    tray.SetShowHint(true);
    tray.SetHint(QString());
    EXPECT_TRUE(tray.NotifyData().szTip.isEmpty());

    EXPECT_EQ(TrayToolTipText(QStringLiteral("Москва 10:00\r\nЛондон 7:00\r")),
              QStringLiteral("Москва 10:00\nЛондон 7:00\n"));
}

TEST_F(TrayIconTest, BalloonClearsTheLastOneThenShowsAndRestoresTheFlags) {
    shell.calls.clear();
    const QString title = QStringLiteral("Horavane 2.0");
    EXPECT_TRUE(tray.DisplayBalloonHint(title, QStringLiteral("Открылся Tokyo"), bitInfo, 20));
    ASSERT_EQ(shell.calls.size(), 2u);
    const TNotifyIconData& clear = shell.calls[0].data;
    EXPECT_EQ(shell.calls[0].message, NIM_MODIFY);
    EXPECT_EQ(clear.uFlags, 7u | NIF_INFO);
    EXPECT_TRUE(clear.szInfo.isEmpty());
    const TNotifyIconData& shown = shell.calls[1].data;
    EXPECT_EQ(shell.calls[1].message, NIM_MODIFY);
    EXPECT_EQ(shown.uFlags, 7u | NIF_INFO);
    EXPECT_EQ(shown.szInfo, QStringLiteral("Открылся Tokyo"));
    EXPECT_EQ(shown.szInfoTitle, title);
    EXPECT_EQ(shown.uTimeout, 20000u);
    EXPECT_EQ(shown.dwInfoFlags, 1u);
    EXPECT_EQ(tray.NotifyData().uFlags, 7u);

    shell.accept = false;
    EXPECT_FALSE(tray.DisplayBalloonHint(QString(100, 'T'), QString(300, QChar(0x0431)), bitError, 300));
    EXPECT_EQ(shell.calls.back().data.szInfoTitle.size(), 63);
    EXPECT_EQ(shell.calls.back().data.szInfo.size(), 255);
    EXPECT_EQ(shell.calls.back().data.uTimeout, 255000u) << "the timeout is a byte of seconds";
    EXPECT_EQ(shell.calls.back().data.dwInfoFlags, 3u);
    EXPECT_EQ(tray.NotifyData().uFlags, 7u);
}

TEST_F(TrayIconTest, IconIndexStaysInsideTheListAndCyclingWraps) {
    TImageList list({ColourIcon(Qt::red), ColourIcon(Qt::green), ColourIcon(Qt::blue)});
    tray.SetIconIndex(5);
    EXPECT_EQ(tray.IconIndex(), 0) << "no list, no index";
    tray.SetIconList(&list);
    tray.SetIconIndex(7);
    EXPECT_EQ(tray.IconIndex(), 2);
    EXPECT_EQ(tray.Icon().cacheKey(), list.GetIcon(2).cacheKey());
    EXPECT_EQ(shell.calls.back().data.hIcon.cacheKey(), list.GetIcon(2).cacheKey());
    tray.SetIconIndex(-3);
    EXPECT_EQ(tray.IconIndex(), 0);

    std::vector<int> next;
    std::vector<qint64> shown;
    tray.OnCycle = [&](TTrayIcon& t, int n) {
        next.push_back(n);
        shown.push_back(t.Icon().cacheKey());
    };
    tray.SetCycleInterval(100);
    tray.SetCycleIcons(true);
    timers.Advance(400);
    EXPECT_EQ(next, (std::vector<int>{1, 2, 0, 1}));
    EXPECT_EQ(shown, (std::vector<qint64>{list.GetIcon(0).cacheKey(), list.GetIcon(1).cacheKey(),
                                          list.GetIcon(2).cacheKey(), list.GetIcon(0).cacheKey()}));
    tray.SetCycleIcons(false);
    timers.Advance(400);
    EXPECT_EQ(next.size(), 4u);
}

TEST(TrayIconList, FreeingTheListClearsItFromTheIcon) {
    RecordingShell shell;
    FakeInput input;
    FakeTimerSource timers;
    TTrayIcon tray(shell, input, nullptr, &timers);
    int cycles = 0;
    tray.OnCycle = [&](TTrayIcon&, int) { ++cycles; };
    {
        TImageList list({QIcon(), QIcon()});
        tray.SetIconList(&list);
        tray.SetIconIndex(1);
        tray.SetCycleInterval(50);
        tray.SetCycleIcons(true);
    }
    EXPECT_EQ(tray.IconList(), nullptr);
    EXPECT_EQ(tray.IconIndex(), 0);
    timers.Advance(200);
    EXPECT_EQ(cycles, 0);
}

TEST_F(TrayIconTest, VisibleIconComesBackWithTheTrayHostAndGoesWithTheComponent) {
    tray.SetIconVisible(true);
    EXPECT_EQ(shell.calls.back().message, NIM_ADD);
    EXPECT_EQ(shell.calls.back().data.uID, tray.Identity());
    EXPECT_EQ(shell.calls.back().data.uCallbackMessage, kTrayCallbackMessage);
    shell.calls.clear();
    TTrayIconHandler::Instance()->TaskbarCreated();
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].message, NIM_ADD);

    tray.SetIconVisible(false);
    shell.calls.clear();
    TTrayIconHandler::Instance()->TaskbarCreated();
    EXPECT_TRUE(shell.calls.empty());
}

TEST(TrayIconHandler, OneSharedHandlerRoutesEachIconByItsIdentity) {
    EXPECT_EQ(TTrayIconHandler::Instance(), nullptr);
    RecordingShell shell;
    FakeInput input;
    FakeTimerSource timers;
    int firstClicks = 0, secondClicks = 0;
    {
        TTrayIcon first(shell, input, nullptr, &timers);
        auto second = std::make_unique<TTrayIcon>(shell, input, nullptr, &timers);
        EXPECT_EQ(TTrayIconHandler::References(), 2);
        EXPECT_NE(first.Identity(), second->Identity());
        first.OnClick = [&](TTrayIcon&) { ++firstClicks; };
        second->OnClick = [&](TTrayIcon&) { ++secondClicks; };
        const quintptr gone = second->Identity();
        TTrayIconHandler::Instance()->Dispatch(gone, kTrayLButtonDown);
        TTrayIconHandler::Instance()->Dispatch(gone, kTrayLButtonUp);
        shell.calls.clear();
        second.reset();
        EXPECT_EQ(shell.calls.back().message, NIM_DELETE);
        TTrayIconHandler::Instance()->Dispatch(gone, kTrayLButtonDown);  // ignored, no crash
        TTrayIconHandler::Instance()->Dispatch(gone, kTrayLButtonUp);
        EXPECT_EQ(firstClicks, 0);
        EXPECT_EQ(secondClicks, 1);
    }
    EXPECT_EQ(TTrayIconHandler::Instance(), nullptr);
}

TEST_F(TrayIconTest, MinimizingSendsTheWindowToTheTrayAndRestoreBringsItBack) {
    tray.ApplicationMinimized();
    EXPECT_TRUE(host.visible) << "MinimizeToTray is off by default";
    tray.SetMinimizeToTray(true);
    host.minimized = true;
    tray.ApplicationMinimized();
    EXPECT_FALSE(host.visible);
    EXPECT_FALSE(host.buttonVisible);
    EXPECT_TRUE(tray.IconVisible());
    EXPECT_EQ(shell.calls.back().message, NIM_ADD);

    tray.RestoreMainWindow();
    EXPECT_TRUE(host.visible);
    EXPECT_FALSE(host.minimized);
    EXPECT_EQ(host.restores, 1);
    EXPECT_EQ(host.foregrounds, 1);

    // The owner's own minimize command goes to the tray only with OnMinimizeToTray.
    EXPECT_FALSE(tray.OwnerMinimizeCommand());
    EXPECT_TRUE(host.visible);
    int raised = 0;
    tray.OnMinimizeToTray = [&](TTrayIcon&) { ++raised; };
    EXPECT_TRUE(tray.OwnerMinimizeCommand());
    EXPECT_FALSE(host.visible);
    host.visible = true;
    host.terminating = true;
    EXPECT_FALSE(tray.OwnerHiddenByParentClosing()) << "not while the application ends";
    EXPECT_EQ(raised, 1);

    host.minimized = true;
    host.visible = false;
    tray.ApplicationRestoreCommand();
    EXPECT_TRUE(host.visible);
    EXPECT_FALSE(host.minimized);
}

TEST_F(TrayIconTest, StartupAnswerCanKeepTheMainWindowHidden) {
    tray.SetIconVisible(true);
    tray.OnStartup = [](TTrayIcon&, bool& show) { show = false; };
    shell.calls.clear();
    EXPECT_FALSE(tray.Loaded());
    EXPECT_FALSE(host.visible);
    EXPECT_EQ(shell.calls.back().message, NIM_SETVERSION);
    EXPECT_EQ(shell.calls.back().data.uTimeout, 0u);
    EXPECT_TRUE(std::any_of(shell.calls.begin(), shell.calls.end(),
                            [](const ShellCall& c) { return c.message == NIM_ADD; }));
}

TEST_F(TrayIconTest, EnterAndExitFollowTheCursorPolledEvery20Ms) {
    int enters = 0, exits = 0;
    tray.OnMouseEnter = [&](TTrayIcon&) { ++enters; };
    tray.OnMouseExit = [&](TTrayIcon&) { ++exits; };
    Send({kTrayMouseMove});
    EXPECT_EQ(enters, 0) << "only when asked for";
    tray.SetWantEnterExitEvents(true);
    Send({kTrayMouseMove, kTrayMouseMove});
    EXPECT_EQ(enters, 1);
    timers.Advance(100);
    EXPECT_EQ(exits, 0) << "the cursor has not moved";
    input.cursor = QPoint(1201, 780);
    timers.Advance(19);
    EXPECT_EQ(exits, 0);
    timers.Advance(1);
    EXPECT_EQ(exits, 1);
    timers.Advance(100);
    EXPECT_EQ(exits, 1);
    Send({kTrayMouseMove});
    EXPECT_EQ(enters, 2);
    tray.SetWantEnterExitEvents(false);
    input.cursor = QPoint(0, 0);
    timers.Advance(100);
    EXPECT_EQ(exits, 1);
}

}  // namespace

// When the tray icon is made, when it counts as in its tray, and where balloons go.
#include "tray/TrayPresence.h"

#include "TrayFakes.h"
#include "support/FakeTimerSource.h"

#include <gtest/gtest.h>

namespace {

struct TrayPresenceTest : ::testing::Test {
    TrayPresenceTest() {
        QObject::connect(&presence, &TTrayPresence::makeIcon, [this] {
            ++made;
            presence.IconShown();  // as the adapter does once Qt made it
        });
        QObject::connect(&presence, &TTrayPresence::placedChanged,
                         [this](bool in) { placedChanges.push_back(in); });
        QObject::connect(&presence, &TTrayPresence::hostReturned, [this] { ++returns; });
        QObject::connect(&presence, &TTrayPresence::balloonAtIcon,
                         [this](const TBalloon& balloon) { atIcon.push_back(balloon.text); });
    }

    FakeTrayHosts hosts;
    FakeTimerSource timers;
    TTrayPresence presence{hosts, &timers};
    int made = 0, returns = 0;
    std::vector<bool> placedChanges;
    std::vector<QString> atIcon;
};

// Qt settles the icon's protocol when the icon is made, so it is made only once a tray is
// there: at once for a StatusNotifierItem host, and for an XEmbed tray only when no such
// host follows it within a moment (a panel hosting both takes the selection first).
TEST_F(TrayPresenceTest, TheIconIsMadeOnceATrayIsThereAndAnXEmbedTrayWaitsForItsPanelsOtherHost) {
    presence.SetIconWanted(true);
    timers.Advance(60'000);
    EXPECT_EQ(made, 0) << "no tray, no icon";

    hosts.SetXEmbedTray(true);
    timers.Advance(TTrayPresence::kBothHostsGraceMs - 1);
    EXPECT_EQ(made, 0);
    hosts.SetStatusNotifierHost(true);
    EXPECT_EQ(made, 1) << "the panel's StatusNotifierItem host came: made at once";
    timers.Advance(10'000);
    EXPECT_EQ(made, 1) << "and only once";
    EXPECT_EQ(presence.Kind(), TTrayKind::StatusNotifier);

    // An XEmbed tray alone gets the icon once the moment has passed; one that went away
    // meanwhile gets none.
    FakeTrayHosts xembedOnly;
    TTrayPresence second(xembedOnly, &timers);
    int secondMade = 0;
    QObject::connect(&second, &TTrayPresence::makeIcon, [&] { ++secondMade; });
    second.SetIconWanted(true);
    xembedOnly.SetXEmbedTray(true);
    timers.Advance(TTrayPresence::kBothHostsGraceMs / 2);
    xembedOnly.SetXEmbedTray(false);
    timers.Advance(TTrayPresence::kBothHostsGraceMs);
    EXPECT_EQ(secondMade, 0);
    xembedOnly.SetXEmbedTray(true);
    timers.Advance(TTrayPresence::kBothHostsGraceMs);
    EXPECT_EQ(secondMade, 1);
    timers.Advance(10'000);
    EXPECT_EQ(secondMade, 1);

    // An icon nobody asked for is not made, whatever comes.
    FakeTrayHosts both;
    both.sni = both.xembed = true;
    TTrayPresence unwanted(both, &timers);
    int unwantedMade = 0;
    QObject::connect(&unwanted, &TTrayPresence::makeIcon, [&] { ++unwantedMade; });
    both.SetStatusNotifierHost(true);
    timers.Advance(10'000);
    EXPECT_EQ(unwantedMade, 0);
}

// The window may hide into the tray only while the icon is in it: a host that answers but
// never takes the icon, or a host of the other kind, does not count.
TEST_F(TrayPresenceTest, TheTrayCountsOnlyWhileTheIconIsInAHostOfItsKind) {
    hosts.sni = true;
    presence.SetIconWanted(true);
    ASSERT_EQ(made, 1);
    EXPECT_FALSE(presence.Placed()) << "the host answered, but the icon is not in it yet";
    hosts.SetIconPlaced(true);
    EXPECT_TRUE(presence.Placed());

    hosts.SetStatusNotifierHost(false);  // the panel went away
    EXPECT_FALSE(presence.Placed());
    hosts.SetXEmbedTray(true);
    EXPECT_FALSE(presence.Placed()) << "a StatusNotifierItem icon cannot go into an XEmbed tray";
    hosts.SetStatusNotifierHost(true);
    EXPECT_EQ(returns, 1) << "the icon's own kind of tray came back";
    EXPECT_TRUE(presence.Placed());

    presence.SetIconWanted(false);  // the icon was taken away
    EXPECT_FALSE(presence.Placed());
    presence.SetIconWanted(true);
    EXPECT_EQ(made, 1) << "Qt's icon is made once";
    EXPECT_EQ(placedChanges, (std::vector<bool>{true, false, true, false, true}));
    EXPECT_EQ(hosts.follows, 1);
}

// A balloon goes to the desktop's notification server whenever one is there, with or
// without a tray; at the icon when the icon is in a tray; otherwise it waits for either,
// no longer than it would have stayed up.
TEST_F(TrayPresenceTest, BalloonsGoToTheNotificationServerOrTheIconOrWaitForOne) {
    presence.SetIconWanted(true);
    hosts.SetNotificationServer(true);
    presence.ShowBalloon({"Horavane 2.0", "Открылся London", 1, 20'000});
    ASSERT_EQ(hosts.notified.size(), 1u) << "no tray at all, but a notification server";
    EXPECT_EQ(hosts.notified[0].title, "Horavane 2.0");
    EXPECT_EQ(hosts.notified[0].infoFlags, 1u);
    EXPECT_EQ(hosts.notified[0].timeoutMs, 20'000);

    hosts.SetNotificationServer(false);
    presence.ShowBalloon({"Horavane 2.0", "Закрылся Tokyo", 1, 20'000});
    EXPECT_TRUE(presence.HasPendingBalloon());
    hosts.sni = true;
    hosts.SetStatusNotifierHost(true);  // the icon is made, but not yet in the tray
    EXPECT_TRUE(atIcon.empty());
    hosts.SetIconPlaced(true);
    EXPECT_EQ(atIcon, std::vector<QString>{"Закрылся Tokyo"});
    EXPECT_FALSE(presence.HasPendingBalloon());

    presence.ShowBalloon({"Horavane 2.0", "Открылся Tokyo", 1, 20'000});
    EXPECT_EQ(atIcon.size(), 2u);
    hosts.SetNotificationServer(true);
    presence.ShowBalloon({"Horavane 2.0", "Закрылся London", 1, 20'000});
    EXPECT_EQ(atIcon.size(), 2u) << "the server is preferred to the icon";
    EXPECT_EQ(hosts.notified.back().text, "Закрылся London");

    // Waiting: the server that comes in time gets it; one that comes too late does not.
    hosts.SetNotificationServer(false);
    hosts.SetIconPlaced(false);
    presence.ShowBalloon({"Horavane 2.0", "Открылся NewYork", 1, 20'000});
    timers.Advance(19'999);
    hosts.SetNotificationServer(true);
    EXPECT_EQ(hosts.notified.back().text, "Открылся NewYork");
    hosts.SetNotificationServer(false);
    presence.ShowBalloon({"Horavane 2.0", "Закрылся NewYork", 1, 20'000});
    timers.Advance(20'000);
    EXPECT_FALSE(presence.HasPendingBalloon());
    hosts.SetNotificationServer(true);
    hosts.SetIconPlaced(true);
    EXPECT_EQ(hosts.notified.back().text, "Открылся NewYork");
    EXPECT_EQ(atIcon.size(), 2u);
}

}  // namespace

#include "tray/SimpleTimer.h"
#include "support/FakeTimerSource.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <gtest/gtest.h>

TEST(SimpleTimer, StartsStopsAndReportsWhatTheSourceRefuses) {
    FakeTimerSource source;
    int ticks = 0;
    TSimpleTimer timer(
        0, [&](TSimpleTimer&) { ++ticks; }, &source);
    EXPECT_FALSE(timer.Start()) << "an interval of 0 never starts";
    EXPECT_FALSE(timer.Enabled());

    timer.SetInterval(100);
    timer.SetEnabled(true);
    source.Advance(250);
    EXPECT_EQ(ticks, 2);

    // Setting the interval while running restarts the period from now.
    timer.SetInterval(40);
    source.Advance(39);
    EXPECT_EQ(ticks, 2);
    source.Advance(1);
    EXPECT_EQ(ticks, 3);

    // An interval of 0 silences the timer but leaves it marked enabled.
    timer.SetInterval(0);
    source.Advance(1000);
    EXPECT_EQ(ticks, 3);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_FALSE(source.IsRunning(timer));

    timer.SetInterval(10);
    EXPECT_TRUE(source.IsRunning(timer));
    timer.SetOnTimer(nullptr);  // no callback, no timer
    EXPECT_FALSE(source.IsRunning(timer));
    EXPECT_TRUE(timer.Enabled());

    timer.SetEnabled(false);
    source.SetRefuse(true);
    EXPECT_FALSE(timer.Start());
    EXPECT_FALSE(timer.Enabled());
}

TEST(SimpleTimer, SharedHandlerLivesWithItsTimersAndRunsOnTheEventLoop) {
    EXPECT_EQ(TSimpleTimerHandler::References(), 0);
    {
        QEventLoop loop;
        int ticks = 0;
        TSimpleTimer a(1, [&](TSimpleTimer& t) {
            if (++ticks == 3) {
                t.Stop(true);  // stopping from inside its own tick is safe
                loop.quit();
            }
        });
        TSimpleTimer b;
        EXPECT_EQ(TSimpleTimerHandler::References(), 2);
        EXPECT_EQ(b.Interval(), 1000u);
        ASSERT_TRUE(a.Start());
        loop.exec();
        EXPECT_EQ(ticks, 3);
        EXPECT_FALSE(a.Enabled());
    }
    EXPECT_EQ(TSimpleTimerHandler::References(), 0);
}

#include "platform/Clock.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>

TEST(FakeClock, GivesUtcFieldsAndTheLocalMinute) {
    FakeClock clock;
    clock.SetUtc("2026-01-15T22:07:30.250");
    const SYSTEMTIME st = clock.UtcNow();
    EXPECT_EQ(st, (SYSTEMTIME{2026, 1, 4, 15, 22, 7, 30, 250}));  // a Thursday
    EXPECT_EQ(clock.LocalMinute(), 7);
    clock.SetLocalOffsetMinutes(330);  // UTC+5:30 moves the local minute
    EXPECT_EQ(clock.LocalMinute(), 37);
    clock.Advance(30'000);
    EXPECT_EQ(clock.UtcNow().wMinute, 8);
}

TEST(CodePage, RoundTripsCyrillicAndFlagsWhatItCannotHold) {
    const QString moscow = QStringLiteral("Москва");
    EXPECT_EQ(ToAnsi(moscow).size(), 6);
    EXPECT_EQ(FromAnsi(ToAnsi(moscow)), moscow);
    EXPECT_TRUE(FitsAnsi(moscow));
    EXPECT_FALSE(FitsAnsi(QStringLiteral("São Paulo")));
    EXPECT_FALSE(FitsAnsi(QStringLiteral("東京")));
}

#include "support/FakeClock.h"
#include "platform/CodePage.h"
#include "platform/MinuteTimer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

#include <functional>

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

TEST(CodePage, RoundTripsEveryByteAndAgreesWithTheSystemConverter) {
    // The system's own converter is the reference: every byte reads as the same
    // character, and every character it can write is written as the same byte.
    QStringDecoder decoder("windows-1251");
    ASSERT_TRUE(decoder.isValid());
    QByteArray all(256, '\0');
    for (int b = 0; b < 256; ++b) all[b] = char(b);
    const QString text = FromAnsi(all);
    EXPECT_EQ(text, decoder.decode(all));
    EXPECT_EQ(ToAnsi(text), all);
    EXPECT_TRUE(FitsAnsi(text));
    QStringEncoder encoder("windows-1251", QStringConverter::Flag::Stateless);
    for (int u = 1; u <= 0xFFFF; ++u) {
        if (QChar::isSurrogate(char32_t(u))) continue;
        const QString one(QChar{char16_t(u)});
        const QByteArray reference = encoder.encode(one);
        const bool held = reference.size() == 1 && (reference[0] != '\x1A' || u == 0x1A);
        ASSERT_EQ(FitsAnsi(one), held) << std::hex << u;
        ASSERT_EQ(ToAnsi(one), held ? reference : QByteArray("?")) << std::hex << u;
    }

    const QString moscow = QStringLiteral("Москва Ёё №");
    EXPECT_EQ(ToAnsi(moscow), QByteArray("\xCC\xEE\xF1\xEA\xE2\xE0 \xA8\xB8 \xB9"));
    // What the code page lacks becomes one '?' per character, a pair of halves included.
    EXPECT_EQ(ToAnsi(QStringLiteral("São 東京 \U0001F600.")), QByteArray("S?o ?? ?."));
    EXPECT_FALSE(FitsAnsi(QStringLiteral("São Paulo")));
    EXPECT_FALSE(FitsAnsi(QStringLiteral("\U0001F600")));
}

namespace {

// A clock that runs on in real time from a chosen instant; it can also be moved without
// telling anyone, as a faked or stepped wall clock may be.
class RunningClock final : public IClock {
public:
    explicit RunningClock(qint64 startUtcMs) : start_(startUtcMs) { elapsed_.start(); }
    SYSTEMTIME UtcNow() const override { return SystemTimeFromUnixMs(UtcMs()); }
    qint64 UtcMs() const override { return start_ + elapsed_.elapsed(); }
    int LocalMinute() const override { return int(UtcMs() / 60'000 % 60); }
    void MoveSilently(qint64 ms) { start_ += ms; }

private:
    qint64 start_;
    QElapsedTimer elapsed_;
};

// Runs the event loop until done() or limitMs of real time have passed.
bool RunEventsUntil(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

}  // namespace

TEST(MinuteTimer, SleepsUntilTheMinuteChangesThenFiresOnce) {
    RunningClock clock(1'768'471'679'000);  // 2026-01-15 10:07:59.000 UTC
    TMinuteTimer timer(clock);
    QList<int> minutesSeen;
    QObject::connect(&timer, &TMinuteTimer::timeout, [&] { minutesSeen << clock.LocalMinute(); });
    timer.start();
    ASSERT_TRUE(RunEventsUntil([&] { return !minutesSeen.isEmpty(); }, 5'000));
    // No wakeup inside the old minute: the first one already sees the new minute.
    EXPECT_EQ(minutesSeen, QList<int>{8});
    timer.stop();
    EXPECT_FALSE(timer.isActive());
}

TEST(MinuteTimer, AJumpFiresAtOnceWhileRunningAndNeverWhenStopped) {
    FakeClock clock;
    clock.SetUtc("2026-01-15T10:07:30");
    TMinuteTimer timer(clock);
    int fired = 0;
    QObject::connect(&timer, &TMinuteTimer::timeout, [&] { ++fired; });
    clock.Advance(3 * 3'600'000);
    EXPECT_EQ(fired, 0);
    timer.start();
    clock.Advance(-7'200'000);  // the wall clock set back by two hours
    EXPECT_EQ(fired, 1);
    timer.stop();
    clock.Advance(60'000);
    EXPECT_EQ(fired, 1);
}

TEST(MinuteTimer, AWallClockMovedWithoutNoticeIsCaughtByTheCheck) {
    RunningClock clock(1'768'471'650'000);  // 10:07:30
    TMinuteTimer timer(clock);
    int fired = 0;
    QObject::connect(&timer, &TMinuteTimer::timeout, [&] { ++fired; });
    timer.start();
    timer.CheckWallClock();  // the wall clock ran on with the monotonic one
    EXPECT_EQ(fired, 0);
    clock.MoveSilently(-2 * 3'600'000 + 20'000);  // to 08:07:50: a faked jump back
    timer.CheckWallClock();
    EXPECT_EQ(fired, 1);
    timer.CheckWallClock();  // armed again at the new time: no second firing
    EXPECT_EQ(fired, 1);
}

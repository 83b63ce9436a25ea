#include "platform/SessionEnd.h"

#include "platform/Error.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <vector>

namespace {

// The signal byte is already in the pipe when raise returns; a few passes of the
// event loop deliver it.
void Deliver(const std::vector<int>& seen, size_t expected) {
    for (int pass = 0; pass < 100 && seen.size() < expected; ++pass) QCoreApplication::processEvents();
}

TEST(SessionEnd, TurnsEachEndSignalIntoOneEventLoopSignal) {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction before;
    sigaction(SIGHUP, &ignore, &before);
    {
        TSessionEnd sessionEnd;
        EXPECT_THROW(TSessionEnd second, Exception);
        std::vector<int> seen;
        QObject::connect(&sessionEnd, &TSessionEnd::endRequested, [&](int s) { seen.push_back(s); });
        ASSERT_EQ(raise(SIGTERM), 0);  // the process is still here: the signal was taken over
        EXPECT_TRUE(seen.empty()) << "nothing runs inside the signal handler";
        Deliver(seen, 1);
        raise(SIGHUP);
        raise(SIGINT);
        Deliver(seen, 3);
        EXPECT_EQ(seen, (std::vector<int>{SIGTERM, SIGHUP, SIGINT}));
    }
    struct sigaction after;
    sigaction(SIGHUP, nullptr, &after);
    EXPECT_EQ(after.sa_handler, SIG_IGN) << "the previous handler is put back";
    sigaction(SIGHUP, &before, nullptr);
    TSessionEnd again;  // and a new one may be installed
}

}  // namespace

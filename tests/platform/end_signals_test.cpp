#include "platform/end_signals.h"

#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using platform::EndSignals;

// Each signal reaches the program as received(signal) from its event loop, and the program lives on
// to act on it.
TEST(EndSignals, SigtermSigintAndSighupArriveThroughTheEventLoop) {
    for (int signo : {SIGTERM, SIGINT, SIGHUP})
        std::signal(signo, SIG_DFL);
    EndSignals ends;
    ASSERT_TRUE(ends.installed());
    QList<int> got;
    QObject::connect(&ends, &EndSignals::received, [&](int signo) { got << signo; });
    ::kill(::getpid(), SIGTERM);
    ::kill(::getpid(), SIGINT);
    ::kill(::getpid(), SIGHUP);
    EXPECT_TRUE(got.isEmpty()); // nothing is done inside the handler
    EXPECT_TRUE(QTest::qWaitFor([&] { return got.size() == 3; }, 5000));
    EXPECT_EQ(got, (QList<int>{SIGTERM, SIGINT, SIGHUP}));
}

TEST(EndSignals, PreviousHandlingComesBackAndIgnoredStaysIgnored) {
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_IGN); // as for a program a shell starts in the background
    {
        EndSignals ends;
        ASSERT_TRUE(ends.installed());
        struct sigaction now {};
        sigaction(SIGINT, nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_IGN);
        sigaction(SIGTERM, nullptr, &now);
        EXPECT_NE(now.sa_handler, SIG_DFL);
        EndSignals second; // one object has the handlers at a time
        EXPECT_FALSE(second.installed());
    }
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
    sigaction(SIGINT, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_IGN);
    std::signal(SIGINT, SIG_DFL);
    EndSignals again; // the handlers are free again
    EXPECT_TRUE(again.installed());
}

} // namespace

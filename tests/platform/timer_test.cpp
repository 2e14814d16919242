#include "platform/timer.h"

#include "platform/look_batch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

// Runs the event loop for ms milliseconds.
void runFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct Counter {
    platform::Timer timer;
    int ticks = 0;
    explicit Counter(int interval, bool enabled = true) : timer(nullptr, interval, enabled) {
        timer.onTick([this] { ++ticks; });
    }
};

TEST(Timer, IntervalZeroNeverTicks) {
    Counter c(0);
    runFor(100);
    EXPECT_EQ(c.ticks, 0);
}

TEST(Timer, DisabledNeverTicks) {
    Counter c(10, false);
    runFor(80);
    EXPECT_EQ(c.ticks, 0);
}

TEST(Timer, AssigningTheSameIntervalKeepsTheCountdown) {
    // Re-assigned every 20 ms, a 100 ms timer still ticks; restarting it each time would starve it.
    Counter c(100);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 350) {
        c.timer.setInterval(100);
        runFor(20);
    }
    EXPECT_GE(c.ticks, 2);
}

TEST(Timer, EnablingAnEnabledTimerKeepsTheCountdown) {
    Counter c(100);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 350) {
        c.timer.setEnabled(true);
        runFor(20);
    }
    EXPECT_GE(c.ticks, 2);
}

TEST(Timer, ChangingTheIntervalRestartsTheCountdown) {
    // Alternating between two intervals every 50 ms restarts the countdown each time: never a tick.
    Counter c(300);
    for (int i = 0; i < 10; ++i) {
        c.timer.setInterval(i % 2 ? 300 : 310);
        runFor(50);
    }
    EXPECT_EQ(c.ticks, 0);
    runFor(450);
    EXPECT_GE(c.ticks, 1);
}

TEST(Timer, ReEnablingRestartsTheCountdown) {
    Counter c(300);
    for (int i = 0; i < 8; ++i) {
        runFor(50);
        c.timer.setEnabled(false);
        c.timer.setEnabled(true);
    }
    EXPECT_EQ(c.ticks, 0);
}

TEST(Timer, HandlerThatYieldsIsNotReentered) {
    platform::Timer timer(nullptr, 5, true);
    int depth = 0, deepest = 0, calls = 0;
    timer.onTick([&] {
        ++calls;
        deepest = std::max(deepest, ++depth);
        runFor(30); // yields to pending events while the timer keeps firing
        --depth;
    });
    runFor(200);
    EXPECT_GE(calls, 2);
    EXPECT_EQ(deepest, 1);
}

TEST(Timer, TimersOfOneIntervalTickInOneWakeUpInTheOrderMade) {
    // Made a then b, enabled b first and a 30 ms later: from a's first tick on, both tick in the
    // same wake-up, a before b.
    QElapsedTimer clock;
    clock.start();
    std::vector<std::pair<char, qint64>> ticks;
    platform::Timer a(nullptr, 100), b(nullptr, 100);
    a.onTick([&] { ticks.push_back({'a', clock.elapsed()}); });
    b.onTick([&] { ticks.push_back({'b', clock.elapsed()}); });
    b.setEnabled(true);
    runFor(30);
    a.setEnabled(true);
    runFor(480);
    const auto first = std::find_if(ticks.begin(), ticks.end(), [](const auto& t) { return t.first == 'a'; });
    ASSERT_GE(ticks.end() - first, 6);
    for (auto t = first; t + 1 < ticks.end(); t += 2) {
        EXPECT_EQ(t->first, 'a');
        EXPECT_EQ((t + 1)->first, 'b');
        EXPECT_LE((t + 1)->second - t->second, 1) << "apart at " << t->second << " ms";
    }
}

TEST(Timer, OtherTimersTickWhileAHandlerYields) {
    platform::Timer slow(nullptr, 100, true);
    Counter other(100);
    int duringSlow = -1;
    slow.onTick([&] {
        if (duringSlow >= 0)
            return;
        const int before = other.ticks;
        runFor(350); // an animation: frames and pauses, events running meanwhile
        duringSlow = other.ticks - before;
    });
    runFor(600);
    EXPECT_GE(duringSlow, 2);
}

// The timers due in one wake-up look at the outside world in one moment (platform/look_batch.h);
// a handler that yields ends it, and what ticks after it looks again.
TEST(Timer, TimersDueTogetherShareAMomentUntilAHandlerYields) {
    platform::Timer first(nullptr, 100), second(nullptr, 100), third(nullptr, 100);
    std::vector<quint64> seen;
    first.onTick([&] { seen.push_back(platform::LookBatch::moment()); });
    second.onTick([&] {
        seen.push_back(platform::LookBatch::moment());
        QCoreApplication::processEvents();
        seen.push_back(platform::LookBatch::moment());
    });
    third.onTick([&] { seen.push_back(platform::LookBatch::moment()); });
    for (platform::Timer* t : {&first, &second, &third})
        t->setEnabled(true);
    while (seen.size() < 4)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    for (platform::Timer* t : {&first, &second, &third})
        t->setEnabled(false);
    EXPECT_NE(seen[0], 0u);
    EXPECT_EQ(seen[1], seen[0]);
    EXPECT_NE(seen[2], seen[1]);
    EXPECT_EQ(seen[3], seen[2]);
    EXPECT_EQ(platform::LookBatch::moment(), 0u);
}

} // namespace

#include "platform/timer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

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

} // namespace

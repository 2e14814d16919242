#include "platform/pace.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>

namespace {

// The job blocks until a timer of the waiting thread has ticked: the wait lets timers run.
TEST(PaceAwait, TimersTickWhileTheJobRunsOnAnotherThread) {
    std::atomic<bool> ticked{false};
    QThread* jobThread = nullptr;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] { ticked = true; });
    timer.start();
    QElapsedTimer clock;
    clock.start();
    platform::pace::await([&] {
        jobThread = QThread::currentThread();
        while (!ticked && clock.elapsed() < 5000)
            QThread::msleep(1);
    });
    EXPECT_TRUE(ticked);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_NE(jobThread, QThread::currentThread());
}

TEST(PaceAwait, UnderARecorderItStillWaitsForTheJob) {
    platform::pace::Recorder recorder;
    std::atomic<bool> done{false};
    platform::pace::await([&] {
        QThread::msleep(50);
        done = true;
    });
    EXPECT_TRUE(done);
    EXPECT_TRUE(recorder.events.isEmpty());
}

// A timer that waits again while the first wait runs: both jobs end, the inner first.
TEST(PaceAwait, NestedWaitsBothEnd) {
    std::atomic<int> order{0};
    int inner = 0, outer = 0;
    QTimer::singleShot(0, [&] { platform::pace::await([&] { inner = ++order; }); });
    platform::pace::await([&] {
        QThread::msleep(100);
        outer = ++order;
    });
    EXPECT_EQ(inner, 1);
    EXPECT_EQ(outer, 2);
}

} // namespace

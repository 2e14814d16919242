#include "platform/pace.h"

#include <QElapsedTimer>
#include <QTest>
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

// What ticks while a wait runs may pause for long (her busy animation: 1.2 s); once the wait has
// its end, that pause ends at once and the wait returns.
TEST(PaceWait, APauseNestedInAFinishedWaitEndsAtOnce) {
    struct Case {
        const char* name;
        int finishAfterMs; // -1: never, the limit ends it
        int limitMs;
        bool finished;
    };
    for (const Case& c : {Case{"finished", 150, -1, true}, Case{"limit", -1, 150, false}}) {
        SCOPED_TRACE(c.name);
        platform::pace::Wait wait;
        int pausesEnded = 0;
        QTimer ticker;
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            platform::pace::sleep(1200);
            ++pausesEnded;
        });
        ticker.start();
        if (c.finishAfterMs >= 0)
            QTimer::singleShot(c.finishAfterMs, [&] { wait.finish(); });
        QElapsedTimer took;
        took.start();
        EXPECT_EQ(wait.run(c.limitMs), c.finished);
        EXPECT_LT(took.elapsed(), 600);
        EXPECT_GE(took.elapsed(), 140);
        EXPECT_EQ(pausesEnded, 1);
        ticker.stop();
        // Outside any wait, a pause lasts its time again.
        QElapsedTimer again;
        again.start();
        platform::pace::sleep(100);
        EXPECT_GE(again.elapsed(), 90);
    }
}

TEST(PaceWait, FinishedBeforeItRunsItReturnsAtOnce) {
    platform::pace::Wait wait;
    wait.finish();
    QElapsedTimer took;
    took.start();
    EXPECT_TRUE(wait.run(5000));
    EXPECT_LT(took.elapsed(), 100);
}

// An await's job that ends while her animation pauses: the await returns within a moment.
TEST(PaceAwait, ReturnsWithinAMomentOfTheJobsEndWhateverPausesMeanwhile) {
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [] { platform::pace::sleep(1200); });
    ticker.start();
    QElapsedTimer took;
    took.start();
    platform::pace::await([] { QThread::msleep(200); });
    EXPECT_LT(took.elapsed(), 600);
}

} // namespace

namespace {

// A pause never ends before its time, whatever else wakes the thread meanwhile (a timer's beat
// every 100 ms, as hers): at most late by the timer's grain.
TEST(PaceSleep, NeverEndsEarly) {
    QTimer beat;
    beat.setInterval(100);
    QObject::connect(&beat, &QTimer::timeout, [] {});
    beat.start();
    for (int ms : {500, 1000, 3000}) {
        SCOPED_TRACE(ms);
        QElapsedTimer took;
        took.start();
        platform::pace::sleep(ms);
        const qint64 ns = took.nsecsElapsed();
        EXPECT_GE(ns, qint64(ms) * 1000000);
        EXPECT_LT(ns, qint64(ms + 60) * 1000000);
    }
}

// A command that comes while a pause runs (a menu item chosen during a blink) runs after the
// outermost pause has returned, in the order given; with nothing on the stack it runs at once.
TEST(PaceWhenFree, ACommandDuringAPauseRunsAfterIt) {
    QStringList happened;
    platform::pace::whenFree([&] { happened << QStringLiteral("at once"); });
    EXPECT_EQ(happened, QStringList{QStringLiteral("at once")});
    happened.clear();
    QTimer::singleShot(50, [&] {
        EXPECT_TRUE(platform::pace::busy());
        EXPECT_FALSE(platform::pace::waiting());
        platform::pace::whenFree([&] { happened << QStringLiteral("first"); });
        platform::pace::whenFree([&] { happened << QStringLiteral("second"); });
        // A pause nested in the running one: the commands wait for the outer one too.
        platform::pace::sleep(50);
        happened << QStringLiteral("inner pause over");
    });
    platform::pace::sleep(200);
    happened << QStringLiteral("pause over");
    // The sequence goes on with its next frame: the commands wait for all of it.
    for (int i = 0; i < 3; ++i) {
        platform::pace::yieldEvents();
        QThread::msleep(5);
    }
    EXPECT_EQ(happened, (QStringList{QStringLiteral("inner pause over"), QStringLiteral("pause over")}));
    EXPECT_FALSE(platform::pace::busy());
    QTest::qWait(20);
    EXPECT_EQ(happened, (QStringList{QStringLiteral("inner pause over"), QStringLiteral("pause over"),
                                     QStringLiteral("first"), QStringLiteral("second")}));
}

// Within a wait (a hold), busy and waiting both; the observer hears the outermost start and end.
TEST(PaceWait, TheObserverHearsTheOutermostWait) {
    QList<bool> heard;
    platform::pace::setWaitObserver([&](bool on) { heard << on; });
    QTimer::singleShot(20, [] {
        EXPECT_TRUE(platform::pace::waiting());
        platform::pace::hold(30);
    });
    platform::pace::hold(100);
    platform::pace::setWaitObserver(nullptr);
    EXPECT_EQ(heard, (QList<bool>{true, false}));
    EXPECT_FALSE(platform::pace::waiting());
}

} // namespace

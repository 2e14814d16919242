#include "platform/timer.h"

#include "platform/file_stamp.h"
#include "platform/look_batch.h"
#include "platform/pace.h"
#include "platform/quiet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <thread>
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

// A poller that says it rests: it does not tick while nothing happens, keeps its Enabled and
// Interval, and ticks again on its own schedule after any event of the thread.
struct Poller {
    platform::Timer timer{nullptr, 100};
    int ticks = 0;
    std::function<void()> look;
    Poller() {
        timer.onTick([this] {
            ++ticks;
            if (look)
                look();
            timer.rest();
        });
        timer.setEnabled(true);
    }
    ~Poller() { timer.setEnabled(false); }
};

// Runs the event loop until the poller rests (at most two seconds).
bool untilResting(const Poller& p) {
    QElapsedTimer clock;
    clock.start();
    while (!p.timer.resting() && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return p.timer.resting();
}

TEST(TimerRest, ARestingPollerTicksAgainAfterAnyEventAndOnlyThen) {
    Poller p;
    ASSERT_TRUE(untilResting(p));
    EXPECT_TRUE(p.timer.Enabled());
    EXPECT_EQ(p.timer.Interval(), 100);
    const int rested = p.ticks;
    runFor(600);
    EXPECT_EQ(p.ticks, rested) << "ticked while nothing happened";

    QObject somebody;
    QCoreApplication::postEvent(&somebody, new QEvent(QEvent::User));
    runFor(250); // the event, then the next beat
    EXPECT_GT(p.ticks, rested);
    EXPECT_TRUE(p.timer.resting());

    // Stopped and started again, it ticks as any timer does.
    const int woken = p.ticks;
    p.timer.setEnabled(false);
    p.timer.setEnabled(true);
    EXPECT_FALSE(p.timer.resting());
    runFor(250);
    EXPECT_GT(p.ticks, woken);
}

// What another timer's handler shows at rest (a blink: a picture, its layout and painting, a pause
// between two frames) is no news to a poller: it stays at rest, and wakes at the next real event.
TEST(TimerRest, APollerStaysAtRestThroughAnotherHandlersDrawingAndPauses) {
    Poller p;
    ASSERT_TRUE(untilResting(p));
    const int rested = p.ticks;
    QObject picture;
    platform::Timer blink(nullptr, 200);
    int blinks = 0;
    blink.onTick([&] {
        ++blinks;
        for (QEvent::Type drawing : {QEvent::DynamicPropertyChange, QEvent::LayoutRequest,
                                     QEvent::UpdateRequest, QEvent::UpdateLater, QEvent::Paint}) {
            QEvent now(drawing);
            QCoreApplication::sendEvent(&picture, &now);
            QCoreApplication::postEvent(&picture, new QEvent(drawing));
        }
        platform::pace::sleep(50);
    });
    blink.setEnabled(true);
    runFor(900);
    blink.setEnabled(false);
    ASSERT_GE(blinks, 3);
    EXPECT_EQ(p.ticks, rested) << "a blink woke the poller";
    EXPECT_TRUE(p.timer.resting());

    QCoreApplication::postEvent(&picture, new QEvent(QEvent::User));
    runFor(250);
    EXPECT_GT(p.ticks, rested);
}

TEST(TimerRest, NoRestAfterATickThatSawAnEventOrMadeALookNothingAnnounces) {
    struct Case {
        const char* what;
        std::function<void()> look;
    };
    QObject somebody;
    const std::vector<Case> cases{
        {"an event while it ticked",
         [&] {
             QEvent event(QEvent::User);
             QCoreApplication::sendEvent(&somebody, &event);
         }},
        {"an unannounced look", [] { platform::quiet::unannounced(); }},
    };
    for (const Case& c : cases) {
        Poller p;
        p.look = c.look;
        runFor(450);
        EXPECT_FALSE(p.timer.resting()) << c.what;
        EXPECT_GE(p.ticks, 3) << c.what;
    }
}

// A watched file's change, made by another thread, wakes the event loop; the poller that rested
// looking at it sees the change at its next tick.
TEST(TimerRest, AWatchedFilesChangeWakesThePollerThatRestsOnIt) {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("settings.ini")));
    QFile(QString::fromLocal8Bit(path)).open(QIODevice::WriteOnly);
    Poller p;
    qint64 seenSize = -1;
    p.look = [&] { seenSize = platform::FileStamp::watched(path).size; };
    ASSERT_TRUE(untilResting(p));
    EXPECT_EQ(seenSize, 0);
    runFor(300);
    const int rested = p.ticks;
    std::thread([&] {
        QFile file(QString::fromLocal8Bit(path));
        file.open(QIODevice::Append);
        file.write("mailcheckF=1\n");
    }).join();
    QElapsedTimer clock;
    clock.start();
    while (seenSize != 13 && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(seenSize, 13);
    EXPECT_GT(p.ticks, rested);
}

// A look that reads the watch's queue before the event loop does (another timer's, in the same
// beat) still wakes the poller resting on the change.
TEST(TimerRest, AChangeReadByALookBeforeTheLoopStillWakesThePoller) {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("temp.mdb")));
    Poller p;
    bool seen = false;
    p.look = [&] { seen = platform::FileStamp::watched(path).exists; };
    ASSERT_TRUE(untilResting(p));
    ASSERT_FALSE(seen);
    // The kernel queues the change as the file is made; it is read here, outside the event loop.
    const quint64 before = platform::FileStamp::watchedChanges();
    QFile(QString::fromLocal8Bit(path)).open(QIODevice::WriteOnly);
    ASSERT_NE(platform::FileStamp::watchedChanges(), before);
    QElapsedTimer clock;
    clock.start();
    while (!seen && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_TRUE(seen);
}

} // namespace

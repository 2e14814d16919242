#include "pace.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <memory>
#include <vector>

namespace platform::pace {
namespace {
Recorder* active = nullptr;
// How many waits (and holds) the GUI thread is inside: user input is dropped meanwhile.
int awaiting = 0;
// How many pauses and waits are on the stack: a command of the user that comes now runs after the
// outermost one.
int depth = 0;
// How many of those waits have finished but not yet returned: every pause that runs now is nested
// in one of them (only the innermost frame runs), so it ends at once and lets the wait return.
int unwinding = 0;
std::deque<std::function<void()>> deferred;
bool drainPosted = false;
std::function<void(bool)> waitObserver;
// The timers of the pauses on this thread's stack, innermost last (a worker may pause too).
thread_local std::vector<const QObject*> pauseTimers;

struct Trace {
    QFile file;
    QElapsedTimer since;
};
std::unique_ptr<Trace> trace;

void drain() {
    drainPosted = false;
    while (depth == 0 && !deferred.empty()) {
        std::function<void()> job = std::move(deferred.front());
        deferred.pop_front();
        job();
    }
}

void postDrain() {
    if (drainPosted || deferred.empty() || !QCoreApplication::instance())
        return;
    drainPosted = true;
    QTimer::singleShot(0, QCoreApplication::instance(), &drain);
}

// One frame on the stack: a pause or a wait; a wait also drops user input while it runs.
class Frame {
public:
    explicit Frame(bool wait) : wait_(wait) {
        ++depth;
        if (wait_ && awaiting++ == 0 && waitObserver)
            waitObserver(true);
    }
    ~Frame() {
        if (wait_ && --awaiting == 0 && waitObserver)
            waitObserver(false);
        if (--depth == 0)
            postDrain();
    }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

private:
    bool wait_;
};

// A pause's timer, known as one while the pause runs.
class OnStack {
public:
    explicit OnStack(const QObject* timer) { pauseTimers.push_back(timer); }
    ~OnStack() { pauseTimers.pop_back(); }
    OnStack(const OnStack&) = delete;
    OnStack& operator=(const OnStack&) = delete;
};

void pause(int ms, bool wait) {
    if (active) {
        active->events.append(QStringLiteral("sleep %1").arg(ms));
        return;
    }
    const QDeadlineTimer deadline(std::chrono::milliseconds(ms < 0 ? 0 : ms), Qt::PreciseTimer);
    if (!QCoreApplication::instance() || !QThread::currentThread()->eventDispatcher()) {
        while (!deadline.hasExpired())
            QThread::usleep(std::max<qint64>(1, deadline.remainingTimeNSecs() / 1000));
        return;
    }
    const Frame frame(wait);
    // The thread sleeps until an event comes or the pause is over (a timer of its own wakes it
    // then); events are handled as they come, with no polling in between. A timer counts whole
    // milliseconds, so it is set to the next whole one: the pause ends late by at most the grain,
    // never early.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    const OnStack onStack(&wake);
    while (!deadline.hasExpired() && unwinding == 0) {
        if (!wake.isActive()) {
            const qint64 left = (deadline.remainingTimeNSecs() + 999999) / 1000000;
            wake.start(int(std::max<qint64>(left, 1)));
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}
} // namespace

void yieldEvents() {
    // A frame too: a command that comes now (or was waiting for the last pause) runs after the
    // whole sequence, not between two of its frames.
    if (QCoreApplication::instance()) {
        const Frame frame(false);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

void sleep(int ms) {
    pause(ms, false);
}

void hold(int ms) {
    pause(ms, true);
}

void whenFree(std::function<void()> job) {
    if (depth == 0 && deferred.empty()) {
        job();
        return;
    }
    deferred.push_back(std::move(job));
    if (depth == 0)
        postDrain();
}

bool busy() {
    return depth > 0;
}

bool waiting() {
    return awaiting > 0;
}

bool pauseTimer(const QObject* object) {
    return std::find(pauseTimers.begin(), pauseTimers.end(), object) != pauseTimers.end();
}

void setWaitObserver(std::function<void(bool)> observer) {
    waitObserver = std::move(observer);
}

void traceTo(const QString& path) {
    trace.reset();
    if (path.isEmpty())
        return;
    auto opened = std::make_unique<Trace>();
    opened->file.setFileName(path);
    if (!opened->file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return;
    opened->since.start();
    trace = std::move(opened);
}

void await(const std::function<void()>& job) {
    if (!QCoreApplication::instance() || QThread::currentThread() != QCoreApplication::instance()->thread()) {
        job();
        return;
    }
    Wait wait;
    QObject context;
    std::unique_ptr<QThread> worker(QThread::create(job));
    QObject::connect(
        worker.get(), &QThread::finished, &context, [&wait] { wait.finish(); }, Qt::QueuedConnection);
    worker->start();
    // The wait may also end early when the application quits: the job is still waited for.
    wait.run();
    worker->wait();
}

Wait::~Wait() {
    if (counted_)
        --unwinding;
}

void Wait::finish() {
    if (finished_)
        return;
    finished_ = true;
    if (running_) {
        counted_ = true;
        ++unwinding;
        loop_->quit();
    }
}

bool Wait::run(int limitMs) {
    if (finished_)
        return true;
    if (!QCoreApplication::instance()) {
        // Nothing can end it but the limit.
        if (limitMs > 0)
            QThread::msleep(limitMs);
        return finished_;
    }
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    limit.setTimerType(Qt::PreciseTimer);
    // The limit ends the wait as a finish would, so the pauses nested in it end too; it just does
    // not count as finished.
    bool timedOut = false;
    QObject::connect(&limit, &QTimer::timeout, &loop, [this, &timedOut] {
        timedOut = true;
        finish();
    });
    if (limitMs >= 0)
        limit.start(limitMs);
    loop_ = &loop;
    running_ = true;
    {
        const Frame frame(true);
        loop.exec();
    }
    running_ = false;
    loop_ = nullptr;
    if (counted_) {
        counted_ = false;
        --unwinding;
    }
    if (timedOut)
        finished_ = false;
    return finished_;
}

void mark(const QString& what) {
    if (active)
        active->events.append(what);
    if (trace) {
        const QByteArray line = QByteArray::number(trace->since.elapsed()) + ' ' + what.toUtf8() + '\n';
        trace->file.write(line);
    }
}

Recorder::Recorder() {
    active = this;
}
Recorder::~Recorder() {
    if (active == this)
        active = nullptr;
}

} // namespace platform::pace

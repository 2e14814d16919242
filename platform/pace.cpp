#include "pace.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <memory>

namespace platform::pace {
namespace {
Recorder* active = nullptr;
// How many waits the GUI thread is inside: while one runs, the pauses of whatever ticks meanwhile
// (her busy animation) hold user input back too, so that no command nests in the waiting one.
int awaiting = 0;
// How many of those waits have finished but not yet returned: every pause that runs now is nested
// in one of them (only the innermost frame runs), so it ends at once and lets the wait return.
int unwinding = 0;

QEventLoop::ProcessEventsFlags pauseFlags() {
    return awaiting > 0 ? QEventLoop::ExcludeUserInputEvents : QEventLoop::AllEvents;
}
} // namespace

void yieldEvents() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(pauseFlags());
}

void sleep(int ms) {
    if (active) {
        active->events.append(QStringLiteral("sleep %1").arg(ms));
        return;
    }
    const QDeadlineTimer deadline(ms < 0 ? 0 : ms, Qt::PreciseTimer);
    if (!QCoreApplication::instance() || !QThread::currentThread()->eventDispatcher()) {
        QThread::msleep(deadline.remainingTime());
        return;
    }
    // The thread sleeps until an event comes or the pause is over (a timer of its own wakes it
    // then); events are handled as they come, with no polling in between, and user input stays
    // held back while an await runs. Woken anyway (by the timers' beat) within the last twentieth
    // of the pause, it ends the pause there rather than wake again a moment later: a coarse
    // timer's leeway.
    const qint64 leeway = ms / 20;
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (deadline.remainingTime() > leeway && unwinding == 0) {
        if (!wake.isActive())
            wake.start(int(std::max<qint64>(deadline.remainingTime(), 1)));
        QCoreApplication::processEvents(pauseFlags() | QEventLoop::WaitForMoreEvents);
    }
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
    ++awaiting;
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    --awaiting;
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
}

Recorder::Recorder() {
    active = this;
}
Recorder::~Recorder() {
    if (active == this)
        active = nullptr;
}

} // namespace platform::pace

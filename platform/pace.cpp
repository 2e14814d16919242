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
// How many awaits the GUI thread is inside: while one runs, the pauses of whatever ticks meanwhile
// (her busy animation) hold user input back too, so that no command nests in the waiting one.
int awaiting = 0;

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
    while (deadline.remainingTime() > leeway) {
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
    QEventLoop loop;
    std::unique_ptr<QThread> worker(QThread::create(job));
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    worker->start();
    ++awaiting;
    // The loop may also end early when the application quits: the job is still waited for.
    if (!worker->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    --awaiting;
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

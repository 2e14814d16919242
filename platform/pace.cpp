#include "pace.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
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
    QDeadlineTimer deadline(ms < 0 ? 0 : ms, Qt::PreciseTimer);
    while (!deadline.hasExpired()) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(pauseFlags(), int(deadline.remainingTime()));
        else
            QThread::msleep(deadline.remainingTime());
        QThread::msleep(std::min<qint64>(5, deadline.remainingTime()));
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

Recorder::Recorder() { active = this; }
Recorder::~Recorder() {
    if (active == this)
        active = nullptr;
}

} // namespace platform::pace

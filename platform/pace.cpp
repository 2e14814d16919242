#include "pace.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace platform::pace {
namespace {
Recorder* active = nullptr;
}

void yieldEvents() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
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
    // then); events are handled as they come, with no polling in between. Woken anyway (by the
    // timers' beat) within the last twentieth of the pause, it ends the pause there rather than
    // wake again a moment later: a coarse timer's leeway.
    const qint64 leeway = ms / 20;
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (deadline.remainingTime() > leeway) {
        if (!wake.isActive())
            wake.start(int(std::max<qint64>(deadline.remainingTime(), 1)));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
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

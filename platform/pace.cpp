#include "pace.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

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
    QDeadlineTimer deadline(ms < 0 ? 0 : ms, Qt::PreciseTimer);
    while (!deadline.hasExpired()) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, int(deadline.remainingTime()));
        else
            QThread::msleep(deadline.remainingTime());
        QThread::msleep(std::min<qint64>(5, deadline.remainingTime()));
    }
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

#include "timer.h"

namespace platform {

Timer::Timer(QObject* parent, int interval, bool enabled) : QObject(parent), interval_(interval) {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Timer::tick);
    setEnabled(enabled);
}

void Timer::setEnabled(bool on) {
    if (on == enabled_)
        return;
    enabled_ = on;
    restart();
}

void Timer::setInterval(int ms) {
    if (ms < 0)
        ms = 0;
    if (ms == interval_)
        return;
    interval_ = ms;
    restart();
}

void Timer::restart() {
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);
    else
        timer_.stop();
}

void Timer::tick() {
    if (inHandler_ || !handler_)
        return;
    inHandler_ = true;
    handler_();
    inHandler_ = false;
}

} // namespace platform

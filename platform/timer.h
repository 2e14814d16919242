#pragma once
// A window timer with the rules the character's scheduling relies on:
// - it ticks every Interval milliseconds while Enabled; an interval of 0 never ticks;
// - enabling a disabled timer, or changing the interval to a different value, restarts the countdown;
// - enabling an enabled timer, or assigning the interval it already has, leaves the countdown
//   running (a timer that assigns another timer's interval every 100 ms must not starve it);
// - a handler that yields to pending events is not entered again by its own timer meanwhile.
#include <QObject>
#include <QTimer>
#include <functional>

namespace platform {

class Timer : public QObject {
    Q_OBJECT
public:
    explicit Timer(QObject* parent = nullptr, int interval = 0, bool enabled = false);

    bool Enabled() const { return enabled_; }
    void setEnabled(bool on);
    int Interval() const { return interval_; }
    void setInterval(int ms);

    // The handler run at each tick.
    void onTick(std::function<void()> handler) { handler_ = std::move(handler); }
    // True while the handler runs.
    bool running() const { return inHandler_; }

private:
    void restart();
    void tick();

    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = false;
    bool inHandler_ = false;
    std::function<void()> handler_;
};

} // namespace platform

#pragma once
// A window timer with the rules the character's scheduling relies on:
// - it ticks every Interval milliseconds while Enabled; an interval of 0 never ticks;
// - enabling a disabled timer, or changing the interval to a different value, restarts the countdown;
// - enabling an enabled timer, or assigning the interval it already has, leaves the countdown
//   running (a timer that assigns another timer's interval every 100 ms must not starve it);
// - a handler that yields to pending events is not entered again by its own timer meanwhile (that
//   tick is skipped, not kept for later).
//
// The timers of a thread share one system timer, so that the program wakes only when some timer is
// due. A timer whose interval is a whole number of beats (100 ms) keeps to the beat: its ticks fall
// on the tenths of a second of the monotonic clock, so all such timers that are due together tick
// in one wake-up, in the order they were made. Its first tick after a restart therefore comes
// after at least the interval and less than one beat more. Other intervals tick exactly.
#include <QObject>
#include <functional>

namespace platform {

class Timer : public QObject {
    Q_OBJECT
public:
    explicit Timer(QObject* parent = nullptr, int interval = 0, bool enabled = false);
    ~Timer() override;

    bool Enabled() const { return enabled_; }
    void setEnabled(bool on);
    int Interval() const { return interval_; }
    void setInterval(int ms);

    // The handler run at each tick.
    void onTick(std::function<void()> handler) { handler_ = std::move(handler); }
    // True while the handler runs.
    bool running() const { return inHandler_; }
    // Said by the handler of a timer that polls: its next ticks would change nothing until
    // something happens. The timer then rests after this tick: Enabled and Interval stay as they
    // are, but it does not tick until the thread handles an event (input, a window's, a D-Bus
    // signal, a watched file's change, one sent by another timer's handler; not the painting and
    // layout of what a handler showed, nor the end of one of its pauses), after which it ticks
    // again on its own schedule. So a rested poller's ticks that are skipped are the ticks at
    // which nothing could have changed. It does not rest when an event came while its handler ran,
    // or when the handler looked at something whose change nothing will announce
    // (platform/quiet.h). Timers rest only on the application's main thread.
    void rest() { restAsked_ = true; }
    bool resting() const { return resting_; }

    // The beat to which timers of whole-beat intervals keep.
    static constexpr int kBeatMs = 100;

private:
    friend class Heartbeat;
    void restart();
    void tick();
    bool scheduled() const { return enabled_ && interval_ > 0 && !resting_; }

    int interval_ = 0;
    bool enabled_ = false;
    bool inHandler_ = false;
    bool restAsked_ = false, resting_ = false;
    qint64 due_ = 0;         // monotonic milliseconds of the next tick, while scheduled
    quint64 generation_ = 0; // counts the restarts
    std::function<void()> handler_;
};

} // namespace platform

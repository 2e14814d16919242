#include "timer.h"

#include "platform/look_batch.h"
#include "platform/pace.h"
#include "platform/quiet.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QVarLengthArray>
#include <algorithm>
#include <chrono>
#include <limits>
#include <vector>

namespace platform {

// The one system timer of a thread's timers: armed for the earliest due tick; when it fires, every
// timer that is due by then ticks, in the order the timers were made.
class Heartbeat {
public:
    static Heartbeat& of() {
        if (!current)
            current = new Heartbeat;
        return *current;
    }

    // Counts the events the thread handles, but for the heartbeat's own wake-ups: while it stands
    // still, nothing has happened that a resting timer could see.
    quint64 events() const { return stirring_.events; }
    // Whether timers may rest here; the first time, starts counting the events.
    bool canRest() {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app || app->thread() != QThread::currentThread())
            return false;
        // Installed on the application object of the moment (a test may make another).
        if (stirring_.installedOn != app) {
            app->installEventFilter(&stirring_);
            stirring_.installedOn = app;
        }
        return true;
    }

    void rested() { ++resting_; }

    void add(Timer* timer) { timers_.push_back(timer); }

    // The last timer gone takes the heartbeat with it (not while it runs: it is then kept, stopped,
    // for the timers made later).
    void remove(Timer* timer) {
        std::replace(timers_.begin(), timers_.end(), timer, static_cast<Timer*>(nullptr));
        if (depth_ > 0)
            return;
        std::erase(timers_, nullptr);
        if (!timers_.empty())
            return;
        current = nullptr;
        delete this;
    }

    static qint64 now() {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }

    // The next tick of a timer (re)started at time `from`.
    static qint64 nextDue(const Timer& timer, qint64 from) {
        const qint64 due = from + timer.interval_;
        if (timer.interval_ % Timer::kBeatMs != 0)
            return due;
        return (due + Timer::kBeatMs - 1) / Timer::kBeatMs * Timer::kBeatMs;
    }

    // Sets the system timer for the earliest due tick.
    void arm() {
        qint64 earliest = -1;
        for (const Timer* timer : timers_) {
            if (timer && timer->scheduled() && (earliest < 0 || timer->due_ < earliest))
                earliest = timer->due_;
        }
        if (earliest < 0) {
            wake_.stop();
            armedFor_ = -1;
            return;
        }
        if (earliest == armedFor_ && wake_.isActive())
            return;
        armedFor_ = earliest;
        wake_.start(int(std::clamp<qint64>(earliest - now(), 0, std::numeric_limits<int>::max())));
    }

private:
    Heartbeat() {
        wake_.setSingleShot(true);
        wake_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&wake_, &QTimer::timeout, [this] { run(); });
        stirring_.beat = &wake_;
        stirring_.heartbeat = this;
    }

    // Sees every event of the thread's objects: any that is news wakes the resting timers.
    class Stirring : public QObject {
    public:
        bool eventFilter(QObject* receiver, QEvent* event) override {
            if (!news(receiver, event))
                return false;
            ++events;
            if (heartbeat->resting_ > 0)
                heartbeat->stir();
            return false;
        }
        // The program's own drawing (a picture or an outline shown by a handler is laid out and
        // painted from events of its own), the heartbeat's wake-up and the end of a pause tell
        // nothing of the world a poller looks at: a blink at rest must not wake them all.
        bool news(const QObject* receiver, const QEvent* event) const {
            switch (event->type()) {
            case QEvent::Timer:
                return receiver != beat && !pace::pauseTimer(receiver);
            case QEvent::Paint:
            case QEvent::UpdateRequest:
            case QEvent::UpdateLater:
            case QEvent::LayoutRequest:
            case QEvent::DynamicPropertyChange:
                return false;
            default:
                return true;
            }
        }
        const QObject* beat = nullptr;
        Heartbeat* heartbeat = nullptr;
        quint64 events = 0;
        QPointer<QCoreApplication> installedOn;
    };

    // Something happened: the resting timers tick again, each at its next due time on its own
    // schedule.
    void stir() {
        resting_ = 0;
        const qint64 t = now();
        for (Timer* timer : timers_) {
            if (!timer || !timer->resting_)
                continue;
            timer->resting_ = false;
            if (timer->due_ <= t)
                timer->due_ += ((t - timer->due_) / timer->interval_ + 1) * timer->interval_;
        }
        arm();
    }

    // A system timer may fire a little before the millisecond it was set for.
    static constexpr qint64 kEarlyMs = 2;

    // A due timer by its place in timers_: while a beat runs, a timer that goes leaves a null in
    // its place and nothing moves, so the place tells whether it is still there.
    struct Due {
        std::size_t place;
        Timer* timer;
        quint64 generation;
    };

    void run() {
        ++depth_;
        const qint64 t = now();
        QVarLengthArray<Due, 32> due;
        for (std::size_t i = 0; i < timers_.size(); ++i) {
            Timer* timer = timers_[i];
            if (!timer || !timer->scheduled() || timer->due_ > t + kEarlyMs)
                continue;
            timer->due_ += timer->interval_;
            if (timer->due_ <= t)
                timer->due_ = nextDue(*timer, t);
            due.append({i, timer, timer->generation_});
        }
        // Armed before the handlers run: they may yield, and the other timers tick meanwhile.
        arm();
        // The timers due together look at the outside world once (platform/look_batch.h).
        const LookBatch beat;
        for (const Due& d : due) {
            // One that an earlier handler stopped, restarted or destroyed does not tick now.
            if (timers_[d.place] == d.timer && d.timer->scheduled() && d.timer->generation_ == d.generation)
                d.timer->tick();
        }
        if (--depth_ > 0)
            return;
        // Every start, stop and change of a timer armed the system timer already; only a timer that
        // went while the beat ran may have left it set for a tick no longer due.
        if (std::erase(timers_, nullptr) > 0)
            arm();
    }

    static thread_local Heartbeat* current;
    std::vector<Timer*> timers_;
    QTimer wake_;
    Stirring stirring_;
    int resting_ = 0; // timers resting, or at most that many
    qint64 armedFor_ = -1;
    int depth_ = 0;
};

thread_local Heartbeat* Heartbeat::current = nullptr;

Timer::Timer(QObject* parent, int interval, bool enabled) : QObject(parent), interval_(interval) {
    Heartbeat::of().add(this);
    setEnabled(enabled);
}

Timer::~Timer() {
    enabled_ = false;
    Heartbeat::of().remove(this);
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
    ++generation_;
    resting_ = false;
    if (scheduled())
        due_ = Heartbeat::nextDue(*this, Heartbeat::now());
    Heartbeat::of().arm();
}

void Timer::tick() {
    if (inHandler_ || !handler_)
        return;
    inHandler_ = true;
    restAsked_ = false;
    Heartbeat& beat = Heartbeat::of();
    const bool mayRest = beat.canRest(); // events are counted from here on
    const quint64 events = beat.events(), looks = quiet::unannouncedLooks();
    const QPointer<Timer> alive(this);
    handler_();
    if (!alive)
        return;
    inHandler_ = false;
    if (restAsked_ && mayRest && events == beat.events() && looks == quiet::unannouncedLooks() &&
        scheduled()) {
        resting_ = true;
        beat.rested();
    }
    restAsked_ = false;
}

} // namespace platform

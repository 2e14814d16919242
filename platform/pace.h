#pragma once
// The two pauses of every animation and long action:
//   yieldEvents(): let pending window messages run (repaints, clicks, other timers), then go on;
//   sleep(ms):     the pause between two frames, during which events keep running; the thread
//                  sleeps meanwhile, and may end the pause up to a twentieth early when it is
//                  awake anyway (a coarse timer's leeway).
// While a Recorder is alive, sleep() returns at once and every pause, and every mark() the drawing
// code makes (a shape applied, a picture shown), is appended to the recorder instead, so tests can
// compare whole animations frame by frame without waiting for them.
#include <QString>
#include <QStringList>
#include <functional>

class QEventLoop;

namespace platform::pace {

void yieldEvents();
void sleep(int ms);

// Runs job on a worker thread while this (GUI) thread waits for it in a Wait (below), so that a long
// blocking call never freezes her and no command of the user nests in the caller. Returns once the
// job has ended, also under a Recorder. Without an application object the job runs on this thread.
void await(const std::function<void()>& job);

// A wait of the GUI thread for something that ends on its own (a reply, a signal, a worker): a
// local event loop that lets timers, painting, D-Bus and sockets run but holds user input back,
// so she keeps drawing and no command nests in the waiting one (the pauses above hold user input
// back too while a wait runs). Whatever ticks meanwhile (her busy animation) may pause inside it;
// once the wait is finished those pauses end at once, so the wait returns within a moment of its
// end, not a frame later. Real time passes also under a Recorder. GUI thread only.
class Wait {
public:
    Wait() = default;
    ~Wait();
    Wait(const Wait&) = delete;
    Wait& operator=(const Wait&) = delete;

    // Ends the wait (called from what runs inside it, or before it starts).
    void finish();
    bool finished() const { return finished_; }
    // Waits until finish() or limitMs have passed (negative: no limit); true when finished.
    bool run(int limitMs = -1);

private:
    bool finished_ = false;
    bool running_ = false;
    bool counted_ = false; // finished while running: the pauses nested in it end at once
    QEventLoop* loop_ = nullptr;
};

// Notes a step of an animation ("shape ShapePose01", "picture gra.Image1(3)") for a recorder.
void mark(const QString& what);

class Recorder {
public:
    Recorder();
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Everything recorded, in order: the marks as given, pauses as "sleep N".
    QStringList events;
};

} // namespace platform::pace

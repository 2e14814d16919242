#pragma once
// The two pauses of every animation and long action:
//   yieldEvents(): let pending window messages run (repaints, clicks, other timers), then go on;
//   sleep(ms):     the pause between two frames, during which events keep running; the thread
//                  sleeps meanwhile. It never ends before its time, only late by the timer's grain.
//   hold(ms):      the same pause inside a call that blocks its caller (the dial-up's waits): she
//                  keeps drawing and timers tick, but user input given meanwhile is dropped (see
//                  Wait), so no command of the user nests in the blocking one or acts long after.
//
// One thing at a time: a command of the user (a menu item, a dropped file) that comes while a
// pause or a wait is on the stack is run by whenFree() once the outermost of them has returned,
// never inside it, so the frames of two sequences never mix.
// While a Recorder is alive, sleep() returns at once and every pause, and every mark() the drawing
// code makes (a shape applied, a picture shown), is appended to the recorder instead, so tests can
// compare whole animations frame by frame without waiting for them.
#include <QString>
#include <QStringList>
#include <functional>

class QEventLoop;
class QObject;

namespace platform::pace {

void yieldEvents();
void sleep(int ms);
void hold(int ms);

// Runs job at once when no pause or wait is on the stack; otherwise from the event loop as soon
// as the outermost one has returned (jobs in the order given). GUI thread only.
void whenFree(std::function<void()> job);
// Whether a pause or a wait is on the stack now.
bool busy();
// Whether a wait (await, hold, Wait::run) is on the stack now: user input is being dropped.
bool waiting();
// Whether object is the timer of a pause on this thread's stack now: its firing only ends that
// pause, so it is no news to anything that waits for a change (platform/timer.h).
bool pauseTimer(const QObject* object);

// Told true as the outermost wait starts and false as it has ended: the program's input gate
// (platform/widgets/input_gate.h) drops user input and shows the busy cursor meanwhile.
void setWaitObserver(std::function<void(bool waiting)> observer);

// Appends every mark (below) to a file, one line each with the milliseconds since the trace
// began, as a running program's record for tests on a real display; pauses are not marked. The
// program calls it with $MORVIK_TRACE; an empty path stops the trace.
void traceTo(const QString& path);

// Runs job on a worker thread while this (GUI) thread waits for it in a Wait (below), so that a long
// blocking call never freezes her and no command of the user nests in the caller. Returns once the
// job has ended, also under a Recorder. Without an application object the job runs on this thread.
void await(const std::function<void()>& job);

// A wait of the GUI thread for something that ends on its own (a reply, a signal, a worker): a
// local event loop that lets timers, painting, D-Bus and sockets run, so she keeps drawing. User
// input given while it runs is dropped, never kept for later (a button or key pressed before the
// wait still gets its release and the moves of its drag, so none is left hanging), and the
// pointer shows the busy cursor over the program's windows meanwhile. Whatever ticks meanwhile
// (her busy animation) may pause inside it; once the wait is finished those pauses end at once, so
// the wait returns within a moment of its end, not a frame later. Real time passes also under a
// Recorder. GUI thread only.
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

    // Everything recorded, in order: the marks as given, pauses (sleep and hold) as "sleep N".
    QStringList events;
};

} // namespace platform::pace

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

namespace platform::pace {

void yieldEvents();
void sleep(int ms);

// Runs job on a worker thread while this (GUI) thread waits for it in a local event loop that lets
// timers and painting run but no user input, so that a long blocking call never freezes her and no
// command of the user nests in the caller (the pauses above hold user input back too while an await
// runs). Returns once the job has ended, also under a Recorder.
// Without an application object the job runs on this thread.
void await(const std::function<void()>& job);

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

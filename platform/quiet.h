#pragma once
// What a look at the outside world tells of its own next change. Most of what the timers look at
// announces a change by waking the program: a file watched through inotify, a D-Bus signal, a
// kernel event of the power supplies. A look that nothing will announce (a file that cannot be
// watched, a bus tried again after a pause) says so here, and a timer that made one keeps ticking
// rather than resting (platform/timer.h).
#include <QtGlobal>
#include <atomic>
#include <functional>

namespace platform::quiet {

// Records a look whose change nothing will announce.
void unannounced();
// A count that moves with every such look.
quint64 unannouncedLooks();

// Has the main thread's event loop call read() whenever fd becomes readable (read() must empty it),
// so that what comes there wakes the program and announces itself; *announced turns true once that
// stands. False, doing nothing, while there is no application object yet: ask again later.
bool announceReadable(int fd, std::function<void()> read, std::atomic_bool* announced);

// Tells the main thread's event loop of a change learned outside it (a watch's queue read by a
// look before the loop got to it), so that it wakes whoever rests on the change.
void changeSeen();

} // namespace platform::quiet

#pragma once
// One beat of the timers taken as one moment. Inside a LookBatch on this thread, what the platform
// layer learns from outside the program on each call (whether a watched file changed: one read() of
// the inotify queue; where the program folder is: the environment) is learned at the first call and
// trusted by the later ones. The timers' heartbeat opens one around each beat, so a beat whose
// timers look at five files and four folders asks the kernel once.
//
// The moment ends with the batch, and also whenever the thread's event loop runs inside it (a
// handler that yields or waits): whatever happened meanwhile is looked for again. A change made
// outside the program during the moment itself is seen at the next moment, as if it had come a
// moment later; a change the program makes itself through the platform (an ini file's write, the
// settings database, the temporary folder) is always seen at once, as those forget what they kept.
// Outside any batch every call looks afresh.
#include <QtGlobal>

namespace platform {

class LookBatch {
public:
    LookBatch();
    ~LookBatch();
    LookBatch(const LookBatch&) = delete;
    LookBatch& operator=(const LookBatch&) = delete;

    // The current moment of this thread: 0 outside any batch, else a number no other moment (of any
    // thread) has. A caller that looked at something in moment m need not look again while the
    // moment is still m.
    static quint64 moment();
};

} // namespace platform

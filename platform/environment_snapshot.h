#pragma once
// Whether the process's environment is as it was when last looked at, told without reading a
// variable: by its list of entries, which setenv, unsetenv and putenv always change (setenv gives
// every value a text of its own, so the same entry means the same value). One thing it cannot
// see: a text handed to putenv and then edited in place, which this program never does.
//
// The timers find their folders through the environment ten times a second; comparing the list
// costs a fraction of reading the variables again (getenv compares names entry by entry). Not
// thread-safe by itself: a snapshot is guarded by its owner's lock.
#include <vector>

namespace platform {

class EnvironmentSnapshot {
public:
    // True when the environment's entries are those of the last call (never at the first call);
    // the snapshot then holds the current entries either way.
    bool unchanged();

private:
    std::vector<char*> entries_; // with the list's closing null; empty before the first call
};

} // namespace platform

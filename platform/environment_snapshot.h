#pragma once
// Whether the process's environment changed, told without reading a variable: by its list of
// entries, which setenv, unsetenv and putenv always change (setenv gives every value a text of its
// own, so the same entry means the same value). One thing it cannot see: a text handed to putenv
// and then edited in place, which this program never does.
//
// The timers find their folders through the environment ten times a second; comparing the list
// costs a fraction of reading the variables again (getenv compares names entry by entry), and in a
// LookBatch it is compared once per moment (platform/look_batch.h).
#include <QString>
#include <QtGlobal>

namespace platform {

// A count that moves whenever the environment's entries are not those of the last look: what was
// read from the environment at one count holds while the count stays. Any thread.
quint64 environmentChanges();

// The variable's value (empty when unset), read again only when environmentChanges() moved since
// it was last read. Any thread.
QString environmentVariable(const char* name);

} // namespace platform

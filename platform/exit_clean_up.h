#pragma once
// The program's own temporary files removed at an exit() that ends it from outside her own ways
// out: Qt's X connection thread calls exit() when the connection breaks (her client killed by the
// window system, the server gone), while her own thread still runs. Removed then: "*.tmp", "*.mp3"
// and "temp.mdb" of the temporary folder, "*.tmp" of its "mail" folder, as her own end removes
// them. The handler touches nothing the running program shares, only its own copy of the folder's
// name and plain system calls, so it is safe from any thread.
#include <QString>

namespace platform::exit_clean_up {

// From now on an exit() removes those files of tempFolder (the instance that owns the folder only).
void arm(const QString& tempFolder);
// Her own end cleans up on her thread: an exit() afterwards removes nothing.
void disarm();

} // namespace platform::exit_clean_up

#pragma once
// The session bus connection, made ahead of need; and none started where no session bus runs.
#include <thread>

namespace platform::session_bus {

// Where no session bus is named ($DBUS_SESSION_BUS_ADDRESS unset or empty), names the user's bus
// at $XDG_RUNTIME_DIR/bus when that socket is there, and else one that no connection reaches, so
// that neither Qt's D-Bus (libdbus) nor GLib's starts a bus of its own through dbus-launch, a
// daemon that would outlive her: she goes without the session bus then.
// Returns whether it set the variable (for the programs she starts, which should not inherit it).
// Call it before anything connects, before the QApplication is made.
bool withoutAutolaunch();

// Connects to the session bus on a thread of its own while it lives, so that the first user of the
// bus on the GUI thread finds the connection made; waits for that thread when it goes.
class EarlyConnection {
public:
    EarlyConnection();
    ~EarlyConnection();
    EarlyConnection(const EarlyConnection&) = delete;
    EarlyConnection& operator=(const EarlyConnection&) = delete;

private:
    std::thread worker_;
};

} // namespace platform::session_bus

#include "session_bus.h"

#include <QDBusConnection>

namespace platform::session_bus {

bool withoutAutolaunch() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return false;
    // An address of a kind libdbus (1.14) and GLib do not know: connecting fails at once, and an
    // address that is set, even a wrong one, is never replaced by an autolaunched bus.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    return true;
}

EarlyConnection::EarlyConnection() : worker_([] { QDBusConnection::sessionBus(); }) {}

EarlyConnection::~EarlyConnection() {
    worker_.join();
}

} // namespace platform::session_bus

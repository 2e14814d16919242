#include "session_bus.h"

#include <QDBusConnection>

namespace platform::session_bus {

EarlyConnection::EarlyConnection() : worker_([] { QDBusConnection::sessionBus(); }) {}

EarlyConnection::~EarlyConnection() {
    worker_.join();
}

} // namespace platform::session_bus

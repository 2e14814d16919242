#include "system_bus.h"

#include "platform/environment_snapshot.h"

#include <atomic>

namespace platform::dbus {

QString systemBusAddress() {
    // The dial-up watch asks ten times a second: the variable is read again only when the
    // environment changed (platform/environment_snapshot.h).
    const QString address = environmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    return address.isEmpty() ? QStringLiteral("unix:path=/var/run/dbus/system_bus_socket") : address;
}

namespace {

QString nextName(const char* prefix) {
    static std::atomic<int> count{0};
    return QStringLiteral("%1-%2").arg(QLatin1String(prefix)).arg(++count);
}

} // namespace

SystemBus::SystemBus(const char* prefix)
    : name_(nextName(prefix)), bus_(QDBusConnection::connectToBus(systemBusAddress(), name_)) {}

SystemBus::~SystemBus() {
    QDBusConnection::disconnectFromBus(name_);
}

} // namespace platform::dbus

#include "system_bus.h"

#include <atomic>

namespace platform::dbus {

QString systemBusAddress() {
    const QString fromEnv = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QStringLiteral("unix:path=/var/run/dbus/system_bus_socket");
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

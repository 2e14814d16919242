#include "system_bus.h"

#include "platform/environment_snapshot.h"

#include <QMutex>
#include <atomic>
#include <optional>

namespace platform::dbus {

QString systemBusAddress() {
    // The dial-up watch asks ten times a second: the variable is read again only when the
    // environment changed (platform/environment_snapshot.h).
    static QMutex lock;
    static std::optional<quint64> readAt;
    static QString address;
    const quint64 changes = environmentChanges();
    QMutexLocker locker(&lock);
    if (readAt != changes) {
        address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
        if (address.isEmpty())
            address = QStringLiteral("unix:path=/var/run/dbus/system_bus_socket");
        readAt = changes;
    }
    return address;
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

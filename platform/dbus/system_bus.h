#pragma once
// A connection of our own to the system bus, for one use: Qt's shared system-bus connection is made
// once per process, keeps the address of its first use and is never made again after the bus
// restarts. The address is $DBUS_SYSTEM_BUS_ADDRESS, else the standard socket.
#include <QDBusConnection>
#include <QString>

namespace platform::dbus {

// The system bus's address: $DBUS_SYSTEM_BUS_ADDRESS when set, else the standard socket.
QString systemBusAddress();

class SystemBus {
public:
    // prefix names the connection ("morvik-logind" gives "morvik-logind-1", "-2", …).
    explicit SystemBus(const char* prefix);
    ~SystemBus();
    SystemBus(const SystemBus&) = delete;
    SystemBus& operator=(const SystemBus&) = delete;

    QDBusConnection& connection() { return bus_; }

private:
    QString name_;
    QDBusConnection bus_;
};

} // namespace platform::dbus

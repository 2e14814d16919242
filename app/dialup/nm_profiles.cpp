#include "nm_profiles.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QMap>
#include <QVariantMap>
#include <atomic>
#include <optional>

namespace dialup {
namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kSettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
const QString kSettings = QStringLiteral("org.freedesktop.NetworkManager.Settings");
const QString kConnection = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");

using ConnectionSettings = QMap<QString, QVariantMap>; // a{sa{sv}}

QString systemBusAddress() {
    const QString fromEnv = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QStringLiteral("unix:path=/var/run/dbus/system_bus_socket");
}

// A connection of our own for one listing: the shared system-bus connection is made once per
// process and keeps the address and the fate of its first use.
class Bus {
public:
    Bus() : name_(nextName()), bus_(QDBusConnection::connectToBus(systemBusAddress(), name_)) {}
    ~Bus() { QDBusConnection::disconnectFromBus(name_); }
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    // The reply's first argument, or an invalid QVariant when the call failed.
    QVariant call(const QString& path, const QString& interface, const QString& method) {
        if (!bus_.isConnected())
            return {};
        const QDBusMessage reply =
            bus_.call(QDBusMessage::createMethodCall(kService, path, interface, method), QDBus::Block,
                      NmProfiles::kReplyLimitMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return {};
        return reply.arguments().constFirst();
    }

private:
    static QString nextName() {
        static std::atomic<int> counter{0};
        return QStringLiteral("morvik-nm-%1").arg(counter++);
    }

    QString name_;
    QDBusConnection bus_;
};

template <typename T> std::optional<T> demarshalled(const QVariant& value, const char* signature) {
    if (!value.canConvert<QDBusArgument>())
        return std::nullopt;
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String(signature))
        return std::nullopt;
    return qdbus_cast<T>(argument);
}

} // namespace

Backend::Entries NmProfiles::EnumEntries(const QString&) {
    Bus bus;
    const auto paths = demarshalled<QList<QDBusObjectPath>>(
        bus.call(kSettingsPath, kSettings, QStringLiteral("ListConnections")), "ao");
    Entries entries;
    if (!paths)
        return entries;
    for (const QDBusObjectPath& path : *paths) {
        const auto settings = demarshalled<ConnectionSettings>(
            bus.call(path.path(), kConnection, QStringLiteral("GetSettings")), "a{sa{sv}}");
        // A profile that vanished between the two questions, or has no name, is no entry.
        if (!settings)
            continue;
        const QString id =
            settings->value(QStringLiteral("connection")).value(QStringLiteral("id")).toString();
        if (!id.isEmpty())
            entries.names << id;
    }
    return entries;
}

} // namespace dialup

#include "nm_profiles.h"
#include "platform/dbus/system_bus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QMap>
#include <QVariantMap>
#include <optional>

namespace dialup {
namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kSettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
const QString kSettings = QStringLiteral("org.freedesktop.NetworkManager.Settings");
const QString kConnection = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");

using ConnectionSettings = QMap<QString, QVariantMap>; // a{sa{sv}}

// NetworkManager on a system-bus connection of its own, for one listing.
class Bus {
public:
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
    platform::dbus::SystemBus own_{"morvik-nm"};
    QDBusConnection& bus_ = own_.connection();
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

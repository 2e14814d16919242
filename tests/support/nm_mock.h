#pragma once
// python-dbusmock's NetworkManager on a private system bus, and what a test does to it from the
// outside: profiles, an ethernet device, activations and deactivations as another program would
// make them, state changes with their signals, and replaced methods. Nothing here reaches the
// machine's own system bus.
#include "private_bus.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QVariantMap>
#include <gtest/gtest.h>

namespace nm_mock {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kManager = QStringLiteral("org.freedesktop.NetworkManager");
const QString kActive = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString kMock = QStringLiteral("org.freedesktop.DBus.Mock");

using ConnectionSettings = QMap<QString, QVariantMap>;

class MockNetworkManager : public private_bus::SystemBusMock {
public:
    MockNetworkManager() { qDBusRegisterMetaType<ConnectionSettings>(); }

    void start() { SystemBusMock::start(QStringLiteral("networkmanager"), kService); }

    // A reply, or a failure of the test.
    QDBusMessage ask(const QString& path, const QString& interface, const QString& method,
                     const QVariantList& arguments) {
        const QDBusMessage reply = call(kService, path, interface, method, arguments);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
            << method.toStdString() << ": " << reply.errorMessage().toStdString();
        return reply;
    }
    QString firstPath(const QDBusMessage& reply) {
        if (reply.arguments().isEmpty())
            return {};
        const QVariant first = reply.arguments().constFirst();
        if (first.canConvert<QDBusObjectPath>())
            return first.value<QDBusObjectPath>().path();
        return first.toString();
    }

    // The ethernet device that DeactivateConnection acts through.
    QString addDevice() {
        return firstPath(ask(kPath, kMock, QStringLiteral("AddEthernetDevice"),
                             {QStringLiteral("eth0"), QStringLiteral("eth0"), 100}));
    }
    // A profile through Settings.AddConnection; its object path.
    QString addProfile(const QString& id, const QString& uuid = QString()) {
        ConnectionSettings settings;
        settings[QStringLiteral("connection")] = {{QStringLiteral("id"), id},
                                                  {QStringLiteral("type"), QStringLiteral("pppoe")}};
        if (!uuid.isEmpty())
            settings[QStringLiteral("connection")][QStringLiteral("uuid")] = uuid;
        return firstPath(ask(QStringLiteral("/org/freedesktop/NetworkManager/Settings"),
                             QStringLiteral("org.freedesktop.NetworkManager.Settings"),
                             QStringLiteral("AddConnection"), {QVariant::fromValue(settings)}));
    }
    // Activates a profile as another program would; the active connection's path.
    QString activate(const QString& profile) {
        const QVariant root = QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")));
        return firstPath(ask(kPath, kManager, QStringLiteral("ActivateConnection"),
                             {QVariant::fromValue(QDBusObjectPath(profile)), root, root}));
    }
    void deactivate(const QString& active) {
        ask(kPath, kManager, QStringLiteral("DeactivateConnection"),
            {QVariant::fromValue(QDBusObjectPath(active))});
    }
    // Sets an active connection's State, with NetworkManager's PropertiesChanged.
    void setState(const QString& active, uint state) {
        ask(kPath, kMock, QStringLiteral("SetProperty"),
            {active, kActive, QStringLiteral("State"),
             QVariant::fromValue(QDBusVariant(QVariant::fromValue(state)))});
    }
    // The active connection's StateChanged(state, reason).
    void stateChanged(const QString& active, uint state, uint reason) {
        ask(active, kMock, QStringLiteral("EmitSignal"),
            {kActive, QStringLiteral("StateChanged"), QStringLiteral("uu"),
             QVariant::fromValue(
                 QVariantList{QVariant::fromValue(QDBusVariant(QVariant::fromValue(state))),
                              QVariant::fromValue(QDBusVariant(QVariant::fromValue(reason)))})});
    }
    // The end of an activation as NetworkManager tells it: State 4, then StateChanged(4, reason).
    void fail(const QString& active, uint reason) {
        setState(active, 4);
        stateChanged(active, 4, reason);
    }
    // Takes an active connection away (from the device's side), as when it vanishes.
    void remove(const QString& device, const QString& active) {
        ask(kPath, kMock, QStringLiteral("RemoveActiveConnection"), {device, active});
    }
    // Replaces the manager's ActivateConnection(ooo) → o with Python code.
    void replaceActivate(const QString& code) {
        ask(kPath, kMock, QStringLiteral("AddMethod"),
            {kManager, QStringLiteral("ActivateConnection"), QStringLiteral("ooo"), QStringLiteral("o"),
             code});
    }
    // ActivateConnection that makes an active connection of the profile still activating (state 1).
    void activateStaysActivating() {
        replaceActivate(QStringLiteral(
            "n = str(100 + len(self.Get('org.freedesktop.NetworkManager', 'ActiveConnections')))\n"
            "ret = dbus.ObjectPath(self.AddActiveConnection([], args[0], '/', n, dbus.UInt32(1)))"));
    }
    // ActivateConnection that raises the D-Bus error name.
    void activateRaises(const QString& errorName) {
        replaceActivate(
            QStringLiteral("raise dbus.exceptions.DBusException('refused', name='%1')").arg(errorName));
    }
    // The active connections NetworkManager lists now.
    QStringList activeConnections() {
        const QDBusMessage reply =
            ask(kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                {kManager, QStringLiteral("ActiveConnections")});
        QStringList list;
        if (reply.arguments().isEmpty())
            return list;
        const QDBusArgument paths =
            reply.arguments().constFirst().value<QDBusVariant>().variant().value<QDBusArgument>();
        for (const QDBusObjectPath& path : qdbus_cast<QList<QDBusObjectPath>>(paths))
            list << path.path();
        return list;
    }
    // How often the manager's method was called, from its call log.
    int calls(const QString& method) {
        const QDBusMessage reply = ask(kPath, kMock, QStringLiteral("GetMethodCalls"), {method});
        if (reply.arguments().isEmpty())
            return -1;
        const QDBusArgument log = reply.arguments().constFirst().value<QDBusArgument>();
        int count = 0;
        log.beginArray();
        while (!log.atEnd()) {
            qulonglong timestamp = 0;
            QVariantList arguments;
            log.beginStructure();
            log >> timestamp >> arguments;
            log.endStructure();
            ++count;
        }
        log.endArray();
        return count;
    }
    // Property reads the mock has answered (Get and GetAll), from its log.
    int propertyReads() const { return logged(QStringLiteral(" Get ")) + logged(QStringLiteral(" GetAll ")); }
};

} // namespace nm_mock

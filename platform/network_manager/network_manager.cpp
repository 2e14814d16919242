#include "network_manager.h"

#include "platform/dbus/system_bus.h"
#include "platform/file_stamp.h"
#include "platform/pace.h"
#include "platform/quiet.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QMap>
#include <QTimer>
#include <QVariantMap>
#include <memory>

namespace platform::network_manager {
namespace {

// The file of a bus address "unix:path=FILE[,...]" (the first of several), else nothing.
QByteArray socketPath(const QString& address) {
    const QString first = address.section(QLatin1Char(';'), 0, 0);
    if (!first.startsWith(QLatin1String("unix:")))
        return {};
    for (const QString& pair : first.mid(5).split(QLatin1Char(','))) {
        if (pair.startsWith(QLatin1String("path=")))
            return QByteArray::fromPercentEncoding(pair.mid(5).toLatin1());
    }
    return {};
}

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kManager = QStringLiteral("org.freedesktop.NetworkManager");
const QString kSettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
const QString kSettings = QStringLiteral("org.freedesktop.NetworkManager.Settings");
const QString kConnection = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString kActive = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

using ConnectionSettings = QMap<QString, QVariantMap>; // a{sa{sv}}

// An end of state 4 without its reason yet: NetworkManager may send the reason (StateChanged) just
// after the property change; this long it is waited for.
constexpr int kReasonGraceMs = 500;
// How long a deactivation may wait, the user's authorisation included.
constexpr int kActionLimitMs = 120000;

// A value that came as a D-Bus argument (inside a variant, or a reply) as T.
template <typename T> std::optional<T> demarshalled(const QVariant& value) {
    if (value.canConvert<QDBusArgument>())
        return qdbus_cast<T>(value.value<QDBusArgument>());
    if (value.canConvert<T>())
        return value.value<T>();
    return std::nullopt;
}

std::optional<QList<QDBusObjectPath>> paths(const QVariant& value) {
    if (value.canConvert<QDBusArgument>()) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        if (argument.currentSignature() != QLatin1String("ao"))
            return std::nullopt;
        return qdbus_cast<QList<QDBusObjectPath>>(argument);
    }
    if (value.canConvert<QList<QDBusObjectPath>>())
        return value.value<QList<QDBusObjectPath>>();
    return std::nullopt;
}

QDBusMessage methodCall(const QString& path, const QString& interface, const QString& method,
                        const QVariantList& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(arguments);
    // Asking never starts NetworkManager: she only follows what the system runs.
    message.setAutoStartService(false);
    return message;
}

QDBusMessage propertyGet(const QString& path, const QString& interface, const QString& name) {
    return methodCall(path, kProperties, QStringLiteral("Get"), {interface, name});
}

QDBusMessage noBus() {
    return QDBusMessage::createError(QStringLiteral("org.freedesktop.DBus.Error.Disconnected"),
                                     QStringLiteral("no system bus"));
}

// The process's one link to NetworkManager: the bus connection, its signal subscriptions and the
// cache of active connections.
class Link : public QObject {
    Q_OBJECT
public:
    // The connection, made (again) when needed; null when the bus cannot be reached.
    QDBusConnection* connection() {
        ensure();
        return bus_ && bus_->connection().isConnected() ? &bus_->connection() : nullptr;
    }

    const QList<ActiveConnection>& active() {
        ensure();
        // A list that could not be read whole is read again after a pause: meanwhile no signal
        // will tell what it missed.
        if (stale_) {
            quiet::unannounced();
            if (!staleSince_.isValid() || staleSince_.elapsed() >= kReconnectMs)
                refill();
        }
        return active_;
    }

    bool present() const { return present_; }

    quint32 newSerial() { return ++serials_; }

    void reset() {
        drop();
        address_.clear();
        lastTry_.invalidate();
    }

    // Blocking: the cache never nests in an event loop of its own.
    QDBusMessage callBlocking(const QDBusMessage& message) {
        if (!bus_ || !bus_->connection().isConnected())
            return noBus();
        return bus_->connection().call(message, QDBus::Block, kReplyLimitMs);
    }

public slots:
    void managerProperties(const QString& interface, const QVariantMap& changed, const QStringList&) {
        if (interface == kManager)
            managerChanged(changed);
    }
    void managerChanged(const QVariantMap& changed) {
        const auto it = changed.constFind(QStringLiteral("ActiveConnections"));
        if (it == changed.constEnd())
            return;
        if (const auto list = paths(*it))
            take(*list, false);
    }
    void activeProperties(const QString& interface, const QVariantMap& changed, const QStringList&,
                          const QDBusMessage& message) {
        if (interface == kActive)
            activeChanged(changed, message);
    }
    void activeChanged(const QVariantMap& changed, const QDBusMessage& message) {
        const auto it = changed.constFind(QStringLiteral("State"));
        if (it != changed.constEnd())
            setState(message.path(), it->toUInt());
    }
    void activeStateChanged(uint state, uint, const QDBusMessage& message) {
        setState(message.path(), state);
    }
    void ownerChanged(const QString&, const QString&, const QString& newOwner) {
        if (newOwner.isEmpty()) {
            present_ = false;
            active_.clear();
            emit cache().changed();
            return;
        }
        refill();
    }

private:
    void ensure() {
        const QString address = platform::dbus::systemBusAddress();
        if (bus_ && address == address_ && bus_->connection().isConnected())
            return;
        // Where the bus is a socket that is not there, its coming is announced by the watch on its
        // folder; until then trying again would fail as before.
        bool watching = false;
        const QByteArray socket = socketPath(address);
        const bool absent = !socket.isEmpty() && !FileStamp::watched(socket, &watching).exists && watching;
        if (absent && address == address_ && lastTry_.isValid())
            return;
        // A bus that is lost, or cannot be reached, is tried again now and then, not at every ask:
        // meanwhile nothing announces it, the one who asks must ask again.
        if (address == address_ && lastTry_.isValid() && lastTry_.elapsed() < kReconnectMs) {
            quiet::unannounced();
            return;
        }
        drop();
        address_ = address;
        lastTry_.start();
        bus_ = std::make_unique<platform::dbus::SystemBus>("morvik-nm");
        QDBusConnection& bus = bus_->connection();
        if (!bus.isConnected()) {
            if (!absent)
                quiet::unannounced();
            return;
        }
        subscribe(bus);
        refill();
    }

    void subscribe(QDBusConnection& bus) {
        // Both ways NetworkManager has told of property changes: the standard signal, and the older
        // one of each interface.
        bus.connect(kService, kPath, kProperties, QStringLiteral("PropertiesChanged"), {kManager}, QString(),
                    this, SLOT(managerProperties(QString, QVariantMap, QStringList)));
        bus.connect(kService, kPath, kManager, QStringLiteral("PropertiesChanged"), this,
                    SLOT(managerChanged(QVariantMap)));
        // Every active connection's, whatever its path.
        bus.connect(kService, QString(), kProperties, QStringLiteral("PropertiesChanged"), {kActive},
                    QString(), this, SLOT(activeProperties(QString, QVariantMap, QStringList, QDBusMessage)));
        bus.connect(kService, QString(), kActive, QStringLiteral("PropertiesChanged"), this,
                    SLOT(activeChanged(QVariantMap, QDBusMessage)));
        bus.connect(kService, QString(), kActive, QStringLiteral("StateChanged"), this,
                    SLOT(activeStateChanged(uint, uint, QDBusMessage)));
        watcher_ =
            std::make_unique<QDBusServiceWatcher>(kService, bus, QDBusServiceWatcher::WatchForOwnerChange);
        connect(watcher_.get(), &QDBusServiceWatcher::serviceOwnerChanged, this, &Link::ownerChanged);
    }

    void drop() {
        watcher_.reset();
        bus_.reset();
        present_ = false;
        if (!active_.isEmpty()) {
            active_.clear();
            emit cache().changed();
        }
    }

    // Reads the whole list anew: at connecting, and when NetworkManager (re)appears.
    void refill() {
        stale_ = false;
        const QDBusMessage reply =
            callBlocking(propertyGet(kPath, kManager, QStringLiteral("ActiveConnections")));
        // Not there is an answer (its coming is announced); a time-out or another error is not.
        if (reply.type() == QDBusMessage::ErrorMessage && !absentService(reply))
            markStale();
        std::optional<QList<QDBusObjectPath>> list;
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
            list = paths(reply.arguments().constFirst().value<QDBusVariant>().variant());
        present_ = bool(list);
        if (!list) {
            active_.clear();
            emit cache().changed();
            return;
        }
        take(*list, true);
    }

    // The list NetworkManager gave: entries already known keep what was read of them (an active
    // connection's id and uuid never change), new ones are read once.
    void take(const QList<QDBusObjectPath>& list, bool afresh) {
        QList<ActiveConnection> next;
        for (const QDBusObjectPath& path : list) {
            const auto known = std::find_if(active_.cbegin(), active_.cend(),
                                            [&](const ActiveConnection& a) { return a.path == path.path(); });
            if (!afresh && known != active_.cend()) {
                next << *known;
                continue;
            }
            if (auto read = readActive(path.path())) {
                if (known != active_.cend() && known->uuid == read->uuid)
                    read->serial = known->serial;
                next << *read;
            }
        }
        present_ = true;
        active_ = next;
        emit cache().changed();
    }

    void markStale() {
        stale_ = true;
        staleSince_.start();
    }
    static bool absentService(const QDBusMessage& reply) {
        return reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
               reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
    }
    static bool absentObject(const QDBusMessage& reply) {
        return absentService(reply) ||
               reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownObject") ||
               reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod");
    }

    std::optional<ActiveConnection> readActive(const QString& path) {
        const QDBusMessage reply =
            callBlocking(methodCall(path, kProperties, QStringLiteral("GetAll"), {kActive}));
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            if (reply.type() == QDBusMessage::ErrorMessage && !absentObject(reply))
                markStale();
            return std::nullopt; // gone meanwhile
        }
        const auto properties = demarshalled<QVariantMap>(reply.arguments().constFirst());
        if (!properties)
            return std::nullopt;
        ActiveConnection active;
        active.serial = newSerial();
        active.path = path;
        active.id = properties->value(QStringLiteral("Id")).toString();
        active.uuid = properties->value(QStringLiteral("Uuid")).toString();
        active.state = properties->value(QStringLiteral("State")).toUInt();
        return active;
    }

    void setState(const QString& path, quint32 state) {
        for (ActiveConnection& active : active_) {
            if (active.path != path || active.state == state)
                continue;
            active.state = state;
            emit cache().changed();
        }
    }

    std::unique_ptr<platform::dbus::SystemBus> bus_;
    std::unique_ptr<QDBusServiceWatcher> watcher_;
    QString address_;
    QElapsedTimer lastTry_;
    QList<ActiveConnection> active_;
    bool stale_ = false;
    QElapsedTimer staleSince_;
    bool present_ = false;
    quint32 serials_ = 0;
};

Link& link() {
    static Link* one = new Link; // lives as long as the process: the bus is left as the program ends
    return *one;
}

// A call whose reply is waited for in a pace::Wait.
QDBusMessage callAndWait(QDBusMessage message, int limitMs, bool interactive = false) {
    QDBusConnection* bus = link().connection();
    if (!bus)
        return noBus();
    message.setInteractiveAuthorizationAllowed(interactive);
    const QDBusPendingCall call = bus->asyncCall(message, limitMs);
    if (!call.isFinished()) {
        pace::Wait wait;
        QDBusPendingCallWatcher watcher(call);
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, [&wait] { wait.finish(); });
        if (!wait.run(limitMs) && !call.isFinished())
            return QDBusMessage::createError(QStringLiteral("org.freedesktop.DBus.Error.NoReply"),
                                             QStringLiteral("no reply within the limit"));
    }
    return call.reply();
}

QString errorName(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ErrorMessage ? reply.errorName()
                                                      : QStringLiteral("unexpected reply");
}

// What one activation hears of its active connection, until it has its outcome.
class ActivationWatch : public QObject {
    Q_OBJECT
public:
    ActivationWatch(QDBusConnection& bus, const QString& path, pace::Wait& wait)
        : bus_(bus), path_(path), wait_(wait) {
        bus_.connect(kService, path_, kProperties, QStringLiteral("PropertiesChanged"), {kActive}, QString(),
                     this, SLOT(properties(QString, QVariantMap, QStringList)));
        bus_.connect(kService, path_, kActive, QStringLiteral("PropertiesChanged"), this,
                     SLOT(changed(QVariantMap)));
        bus_.connect(kService, path_, kActive, QStringLiteral("StateChanged"), this,
                     SLOT(stateChanged(uint, uint)));
        connect(&cache(), &Cache::changed, this, &ActivationWatch::cacheChanged);
        grace_.setSingleShot(true);
        connect(&grace_, &QTimer::timeout, this, [this] { wait_.finish(); });
    }
    ~ActivationWatch() override {
        bus_.disconnect(kService, path_, kProperties, QStringLiteral("PropertiesChanged"), {kActive},
                        QString(), this, SLOT(properties(QString, QVariantMap, QStringList)));
        bus_.disconnect(kService, path_, kActive, QStringLiteral("PropertiesChanged"), this,
                        SLOT(changed(QVariantMap)));
        bus_.disconnect(kService, path_, kActive, QStringLiteral("StateChanged"), this,
                        SLOT(stateChanged(uint, uint)));
    }

    // The state read once after subscribing (an end before the subscription shows here).
    void read(const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            seen(reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt());
            return;
        }
        if (failureOf(reply.errorName()) == Failure::NoService)
            serviceGone = true;
        else
            gone = true; // no such object: it ended and went before we asked
        decide();
    }

    quint32 state = Unknown;
    quint32 reason = 0;
    bool reasonKnown = false, gone = false, serviceGone = false;

public slots:
    void properties(const QString& interface, const QVariantMap& values, const QStringList&) {
        if (interface == kActive)
            changed(values);
    }
    void changed(const QVariantMap& values) {
        const auto it = values.constFind(QStringLiteral("State"));
        if (it != values.constEnd())
            seen(it->toUInt());
    }
    void stateChanged(uint now, uint why) {
        if (now == Deactivated) {
            reason = why;
            reasonKnown = true;
        }
        seen(now);
    }
    void cacheChanged() {
        if (!link().present()) {
            serviceGone = true;
        } else {
            const QList<ActiveConnection>& list = link().active();
            const bool listed = std::any_of(list.cbegin(), list.cend(),
                                            [this](const ActiveConnection& a) { return a.path == path_; });
            if (listed)
                listed_ = true;
            else if (listed_)
                gone = true;
        }
        decide();
    }

private:
    void seen(quint32 now) {
        state = now;
        decide();
    }
    void decide() {
        if (serviceGone || gone || state == Activated || (state == Deactivated && reasonKnown)) {
            wait_.finish();
            return;
        }
        if (state == Deactivated && !grace_.isActive())
            grace_.start(kReasonGraceMs);
    }

    QDBusConnection& bus_;
    QString path_;
    pace::Wait& wait_;
    QTimer grace_;
    bool listed_ = false;
};

} // namespace

Failure failureOf(const QString& name) {
    static const QMap<QString, Failure> known{
        {QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"), Failure::NotAuthorised},
        {QStringLiteral("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"),
         Failure::NotAuthorised},
        {QStringLiteral("org.freedesktop.NetworkManager.PermissionDenied"), Failure::NotAuthorised},
        {QStringLiteral("org.freedesktop.PolicyKit1.Error.NotAuthorized"), Failure::NotAuthorised},
        {QStringLiteral("org.freedesktop.NetworkManager.UnknownDevice"), Failure::NoDevice},
        {QStringLiteral("org.freedesktop.NetworkManager.ConnectionNotAvailable"), Failure::NoDevice},
        {QStringLiteral("org.freedesktop.NetworkManager.UnknownConnection"), Failure::NoProfile},
        {QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"), Failure::NoProfile},
        {QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"), Failure::NoService},
        {QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"), Failure::NoService},
        {QStringLiteral("org.freedesktop.DBus.Error.Disconnected"), Failure::NoService},
        {QStringLiteral("org.freedesktop.DBus.Error.NoServer"), Failure::NoService},
        {QStringLiteral("org.freedesktop.DBus.Error.NoReply"), Failure::TimeLimit},
        {QStringLiteral("org.freedesktop.DBus.Error.Timeout"), Failure::TimeLimit},
    };
    if (name.isEmpty())
        return Failure::None;
    if (name.startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn.")))
        return Failure::NoService;
    return known.value(name, Failure::Other);
}

Profiles profiles() {
    Profiles result;
    const QDBusMessage listed =
        callAndWait(methodCall(kSettingsPath, kSettings, QStringLiteral("ListConnections")), kReplyLimitMs);
    if (listed.type() != QDBusMessage::ReplyMessage || listed.arguments().isEmpty()) {
        result.failure = failureOf(errorName(listed));
        return result;
    }
    const auto list = paths(listed.arguments().constFirst());
    if (!list) {
        result.failure = Failure::Other;
        return result;
    }
    qDBusRegisterMetaType<ConnectionSettings>();
    for (const QDBusObjectPath& path : *list) {
        const QDBusMessage reply =
            callAndWait(methodCall(path.path(), kConnection, QStringLiteral("GetSettings")), kReplyLimitMs);
        // A profile that vanished between the two questions is none.
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            continue;
        const auto settings = demarshalled<ConnectionSettings>(reply.arguments().constFirst());
        if (!settings)
            continue;
        const QVariantMap connection = settings->value(QStringLiteral("connection"));
        Profile profile{path.path(), connection.value(QStringLiteral("id")).toString(),
                        connection.value(QStringLiteral("uuid")).toString()};
        if (!profile.id.isEmpty())
            result.list << profile;
    }
    return result;
}

QList<ActiveConnection> activeConnections() {
    return link().active();
}

quint32 newSerial() {
    return link().newSerial();
}

Cache& cache() {
    static Cache* one = new Cache;
    return *one;
}

Activation activate(const QString& profilePath, int limitMs) {
    Activation result;
    QElapsedTimer took;
    took.start();
    auto left = [&] { return std::max<qint64>(0, limitMs - took.elapsed()); };
    const QDBusMessage reply =
        callAndWait(methodCall(kPath, kManager, QStringLiteral("ActivateConnection"),
                               {QVariant::fromValue(QDBusObjectPath(profilePath)),
                                QVariant::fromValue(QDBusObjectPath(QStringLiteral("/"))),
                                QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")))}),
                    limitMs, true);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        result.error = errorName(reply);
        result.failure = failureOf(result.error);
        return result;
    }
    result.path = reply.arguments().constFirst().value<QDBusObjectPath>().path();
    QDBusConnection* bus = link().connection();
    if (!bus || result.path.isEmpty()) {
        result.failure = Failure::NoService;
        return result;
    }

    pace::Wait wait;
    ActivationWatch watch(*bus, result.path, wait);
    watch.cacheChanged(); // what the cache knows already (the path may be listed by now)
    if (!wait.finished()) {
        QDBusMessage get = propertyGet(result.path, kActive, QStringLiteral("State"));
        const QDBusPendingCall call = bus->asyncCall(get, kReplyLimitMs);
        QDBusPendingCallWatcher answered(call);
        QObject::connect(&answered, &QDBusPendingCallWatcher::finished, &watch,
                         [&watch, &call] { watch.read(call.reply()); });
        wait.run(int(left()));
    }
    if (watch.serviceGone) {
        result.failure = Failure::NoService;
    } else if (watch.state == Activated && !watch.gone) {
        result.failure = Failure::None;
    } else if (watch.state == Deactivated || watch.gone) {
        result.failure = Failure::Ended;
        result.reason = watch.reason;
    } else {
        result.failure = Failure::TimeLimit;
    }
    return result;
}

Outcome deactivate(const QString& activePath) {
    const QDBusMessage reply = callAndWait(methodCall(kPath, kManager, QStringLiteral("DeactivateConnection"),
                                                      {QVariant::fromValue(QDBusObjectPath(activePath))}),
                                           kActionLimitMs, true);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return {};
    return {failureOf(errorName(reply)), errorName(reply)};
}

std::optional<QString> activeUuid(const QString& activePath) {
    const QDBusMessage reply =
        callAndWait(propertyGet(activePath, kActive, QStringLiteral("Uuid")), kReplyLimitMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toString();
}

void reset() {
    link().reset();
}

} // namespace platform::network_manager

#include "network_manager.moc"

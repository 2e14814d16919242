#include "logind.h"
#include "system_bus.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <memory>

namespace platform::logind {
namespace {

constexpr int kDefaultCanPowerOffMs = 5000;
constexpr int kDefaultPowerOffMs = 120000;
int canPowerOffMs = kDefaultCanPowerOffMs;
int powerOffMs = kDefaultPowerOffMs;

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");

// logind's manager on a system-bus connection of its own, for one call.
class Bus {
public:
    QDBusMessage call(const QString& method, const QVariantList& arguments, int timeoutMs) {
        if (!bus_.isConnected())
            return QDBusMessage::createError(bus_.lastError());
        return bus_.call(message(method, arguments), QDBus::Block, timeoutMs);
    }

    QDBusPendingCall asyncCall(const QString& method, const QVariantList& arguments, int timeoutMs) {
        if (!bus_.isConnected())
            return QDBusPendingCall::fromError(bus_.lastError());
        return bus_.asyncCall(message(method, arguments), timeoutMs);
    }

private:
    static QDBusMessage message(const QString& method, const QVariantList& arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kManager, method);
        message.setArguments(arguments);
        message.setInteractiveAuthorizationAllowed(true);
        return message;
    }

    platform::dbus::SystemBus own_{"morvik-logind"};
    QDBusConnection& bus_ = own_.connection();
};

QString errorText(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ErrorMessage)
        return QStringLiteral("unexpected reply from logind");
    if (!reply.errorMessage().isEmpty())
        return reply.errorMessage();
    if (!reply.errorName().isEmpty())
        return reply.errorName();
    return QStringLiteral("logind could not be reached");
}

} // namespace

QString CanPowerOff() {
    Bus bus;
    const QDBusMessage reply = bus.call(QStringLiteral("CanPowerOff"), {}, canPowerOffMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return QString();
    const QVariant answer = reply.arguments().constFirst();
    if (answer.metaType() != QMetaType::fromType<QString>())
        return QString();
    return answer.toString();
}

bool MayPowerOff() {
    const QString answer = CanPowerOff();
    return answer == QStringLiteral("yes") || answer == QStringLiteral("challenge");
}

void PowerOff(QObject* context, PowerOffDone done) {
    // The connection lives until the answer has been handled (or the context is gone).
    auto bus = std::make_shared<Bus>();
    const QDBusPendingCall call = bus->asyncCall(QStringLiteral("PowerOff"), {QVariant(true)}, powerOffMs);
    auto* watcher = new QDBusPendingCallWatcher(call, context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [bus, done = std::move(done)](QDBusPendingCallWatcher* answered) {
                         answered->deleteLater();
                         const QDBusMessage reply = answered->reply();
                         if (!done)
                             return;
                         if (reply.type() == QDBusMessage::ReplyMessage)
                             done(true, QString());
                         else
                             done(false, errorText(reply));
                     });
}

void setTimeouts(int canPowerOff, int powerOff) {
    canPowerOffMs = canPowerOff > 0 ? canPowerOff : kDefaultCanPowerOffMs;
    powerOffMs = powerOff > 0 ? powerOff : kDefaultPowerOffMs;
}

} // namespace platform::logind

#include "platform/timedated/timedated.h"

#include "platform/dbus/system_bus.h"
#include "platform/pace.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>

namespace platform::timedated {

Result SetTime(qint64 usecUtc, bool relative, bool interactive, int limitMs) {
    platform::dbus::SystemBus own("morvik-timedated");
    QDBusConnection& bus = own.connection();
    if (!bus.isConnected())
        return {false, QStringLiteral("org.freedesktop.DBus.Error.Disconnected"), bus.lastError().message()};
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("/org/freedesktop/timedate1"),
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("SetTime"));
    message.setArguments({QVariant::fromValue(usecUtc), relative, interactive});
    message.setInteractiveAuthorizationAllowed(interactive);
    const QDBusPendingCall call = bus.asyncCall(message, limitMs);
    if (!call.isFinished()) {
        pace::Wait wait;
        QDBusPendingCallWatcher watcher(call);
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, [&wait] { wait.finish(); });
        if (!wait.run(limitMs) && !call.isFinished())
            return {false, QStringLiteral("org.freedesktop.DBus.Error.NoReply"),
                    QStringLiteral("no answer in time")};
    }
    const QDBusMessage reply = call.reply();
    if (reply.type() == QDBusMessage::ReplyMessage)
        return {true, {}, {}};
    return {false, reply.errorName(), reply.errorMessage()};
}

} // namespace platform::timedated

#include "session_bus.h"

#include <QDBusConnection>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace platform::session_bus {

bool withoutAutolaunch() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return false;
    // The user's bus that systemd runs, which libdbus would have found there by itself.
    if (const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR"); !runtime.isEmpty()) {
        const QString socket = runtime + QStringLiteral("/bus");
        struct stat info {};
        if (::lstat(QFile::encodeName(socket).constData(), &info) == 0 && S_ISSOCK(info.st_mode) &&
            info.st_uid == ::getuid()) {
            qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(socket));
            return true;
        }
    }
    // An address of a kind libdbus (1.14) and GLib do not know: connecting fails at once, and an
    // address that is set, even a wrong one, is never replaced by an autolaunched bus.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    return true;
}

EarlyConnection::EarlyConnection() : worker_([] { QDBusConnection::sessionBus(); }) {}

EarlyConnection::~EarlyConnection() {
    worker_.join();
}

} // namespace platform::session_bus

// Which session bus she names for herself before anything connects: the one given, else the user's
// bus socket in the runtime folder, else none at all (never an autolaunched one).
#include "platform/dbus/session_bus.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A listening Unix socket at path, closed when the object goes.
struct Socket {
    explicit Socket(const QString& path) {
        fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::memcpy(address.sun_path, name.constData(), std::min<size_t>(name.size(), sizeof address.sun_path - 1));
        bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(fd, 1) == 0;
    }
    ~Socket() { ::close(fd); }
    int fd = -1;
    bool bound = false;
};

TEST(SessionBus, TheGivenBusElseTheUsersSocketElseNone) {
    const QByteArray savedAddress = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const QString bus = runtime.filePath(QStringLiteral("bus"));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));

    // A bus already named stays as it is.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/elsewhere");
    EXPECT_FALSE(platform::session_bus::withoutAutolaunch());
    EXPECT_EQ(qgetenv("DBUS_SESSION_BUS_ADDRESS"), "unix:path=/run/elsewhere");

    // None named, none in the runtime folder (or a file that is no socket): none at all.
    for (const bool file : {false, true}) {
        SCOPED_TRACE(file);
        if (file) {
            QFile plain(bus);
            ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
        }
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        EXPECT_TRUE(platform::session_bus::withoutAutolaunch());
        EXPECT_EQ(qgetenv("DBUS_SESSION_BUS_ADDRESS"), "disabled:");
    }
    QFile::remove(bus);

    // The user's bus socket, which libdbus itself would have found there.
    const Socket socket(bus);
    ASSERT_TRUE(socket.bound);
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    EXPECT_TRUE(platform::session_bus::withoutAutolaunch());
    EXPECT_EQ(qgetenv("DBUS_SESSION_BUS_ADDRESS"), "unix:path=" + QFile::encodeName(bus));

    qputenv("DBUS_SESSION_BUS_ADDRESS", savedAddress);
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
}

} // namespace

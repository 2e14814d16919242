#include "os_version.h"

#include "platform/dbus/logind.h"

#include <QStringList>
#include <sys/utsname.h>

namespace ExitWindow {

void GetOsKind() {
    OsInfo = {};
    utsname name{};
    if (uname(&name) == 0) {
        const QStringList parts = QString::fromLocal8Bit(name.release).split(QLatin1Char('.'));
        OsInfo.dwMajorVersion = parts.value(0).toUInt();
        OsInfo.dwMinorVersion = parts.value(1).toUInt();
        OsInfo.dwBuildNumber = parts.value(2).section(QLatin1Char('-'), 0, 0).toUInt();
        OsInfo.dwPlatformId = 2;
        OsInfo.szCSDVersion = QString::fromLocal8Bit(name.version);
    }
}

bool EnablePrivilege(const QString& name) {
    (void)name; // logind knows one right to power off, whatever the system called it
    return platform::logind::MayPowerOff();
}

} // namespace ExitWindow

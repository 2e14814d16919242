#include "ExitWindow.h"

#include "platform/dbus/logind.h"

#include <QStringList>
#include <sys/utsname.h>

namespace ExitWindow {

qint32 KindOf(const OSVERSIONINFO& info) {
    if (info.dwPlatformId == 0)
        return 0;
    if (info.dwPlatformId == 1)
        return info.dwMinorVersion == 0 ? 1 : 2;
    if (info.dwMajorVersion == 3)
        return 3;
    if (info.dwMajorVersion == 4)
        return 4;
    return 5;
}

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
    OsKind = KindOf(OsInfo);
}

bool EnablePrivilege(const QString& name) {
    (void)name; // logind knows one right to power off, whatever the system called it
    return platform::logind::MayPowerOff();
}

} // namespace ExitWindow

#pragma once
// Which system the program runs on, and the right to power the computer off.
// On Linux the version record reports the NT line (platform id 2) with the kernel's version.
#include <QString>
#include <QtGlobal>

namespace ExitWindow {

struct OSVERSIONINFO {
    quint32 dwMajorVersion = 0;
    quint32 dwMinorVersion = 0;
    quint32 dwBuildNumber = 0;
    quint32 dwPlatformId = 0;
    QString szCSDVersion;
};

inline OSVERSIONINFO OsInfo;
inline qint32 OsKind = 0;

// Fills OsInfo from the running kernel and sets OsKind: 0 Win32s, 1 and 2 the 95 line, 3 to 5 the
// NT line by major version (5 for anything newer than 4).
void GetOsKind();
qint32 KindOf(const OSVERSIONINFO& info);

// Whether this user may power the computer off: logind's CanPowerOff allows it.
bool EnablePrivilege(const QString& name);

} // namespace ExitWindow

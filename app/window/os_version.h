#pragma once
// Which system the program runs on (the version record that the shutdown and the headline engine
// read), and the right to power the computer off: the design's module ExitWindow, hence the
// namespace. On Linux the version record reports the NT line (platform id 2) with the kernel's
// version.
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

// Fills OsInfo from the running kernel.
void GetOsKind();

// Whether this user may power the computer off: logind's CanPowerOff allows it.
bool EnablePrivilege(const QString& name);

} // namespace ExitWindow

#pragma once
// Setting the system clock through systemd-timedated (org.freedesktop.timedate1) on the system bus,
// in place of a privilege of our own: timedated (with polkit) decides whether this user may, and
// may ask for authorisation interactively. It refuses while automatic time synchronisation (NTP) is
// on, with org.freedesktop.timedate1.AutomaticTimeSyncEnabled. The bus is the one named by
// $DBUS_SYSTEM_BUS_ADDRESS when set.
#include <QString>
#include <QtGlobal>

namespace platform::timedated {

inline constexpr int kDefaultLimitMs = 120000;

struct Result {
    bool ok = false;
    QString error;   // the D-Bus error name when refused or unreachable
    QString message; // its message
};

// SetTime(usecUtc, relative, interactive): sets the clock to usecUtc (µs since 1970-01-01 UTC), or
// moves it by usecUtc when relative. Waits for the answer at most limitMs in a pace::Wait (she keeps
// drawing while the user authorises; no user command nests). GUI thread only.
Result SetTime(qint64 usecUtc, bool relative, bool interactive, int limitMs = kDefaultLimitMs);

} // namespace platform::timedated

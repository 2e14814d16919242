#pragma once
// Powering the computer off through systemd-logind on the system bus (org.freedesktop.login1),
// in place of a shutdown privilege: logind itself decides whether this user may do it, and may ask
// for authorisation interactively. The bus is the one named by $DBUS_SYSTEM_BUS_ADDRESS when set.
#include <QString>
#include <functional>

class QObject;

namespace platform::logind {

// logind's answer to CanPowerOff: "yes", "no", "challenge" or "na"; the empty text when logind
// cannot be reached.
QString CanPowerOff();

// True when CanPowerOff allows it ("yes" or "challenge").
bool MayPowerOff();

// Asks logind to power off, allowing interactive authorisation, and returns at once: logind may
// take its time while the user authorises, and the caller's thread goes on meanwhile. done(ok,
// error) then runs on context's thread from its event loop, with ok false when the call was
// refused or failed and error holding logind's or the bus's message; it never runs once context is
// destroyed, and it runs later even when the bus cannot be reached at all.
using PowerOffDone = std::function<void(bool ok, const QString& error)>;
void PowerOff(QObject* context, PowerOffDone done);

// How long each call waits for logind's answer before it gives up as above: by default 5 s for
// CanPowerOff and 120 s for PowerOff, which may wait while the user authorises. Each call opens
// its own connection to the bus and closes it once answered. A value of 0 or less restores the
// default.
void setTimeouts(int canPowerOffMs, int powerOffMs);

} // namespace platform::logind

#pragma once
// Powering the computer off through systemd-logind on the system bus (org.freedesktop.login1),
// in place of a shutdown privilege: logind itself decides whether this user may do it, and may ask
// for authorisation interactively. The bus is the one named by $DBUS_SYSTEM_BUS_ADDRESS when set.
#include <QString>

namespace platform::logind {

// logind's answer to CanPowerOff: "yes", "no", "challenge" or "na"; the empty text when logind
// cannot be reached.
QString CanPowerOff();

// True when CanPowerOff allows it ("yes" or "challenge").
bool MayPowerOff();

// Asks logind to power off, allowing interactive authorisation. False when the call was refused
// or failed; error then holds logind's or the bus's message.
bool PowerOff(QString* error = nullptr);

// How long each call waits for logind's answer before it gives up as above: by default 5 s for
// CanPowerOff and 120 s for PowerOff, which may wait while the user authorises. Each call opens
// its own connection to the bus and closes it afterwards. A value of 0 or less restores the
// default.
void setTimeouts(int canPowerOffMs, int powerOffMs);

} // namespace platform::logind

#pragma once
// The power source and the battery charge, read from /sys/class/power_supply (the root folder is
// settable, so tests use fixture folders).
//
// ACLineStatus: 1 on mains power, 0 on battery, 255 when it cannot be told.
// BatteryLifePercent: 0 to 100, or 255 when unknown.
// A machine without a battery reads as on mains power with the percentage unknown (1, 255), so a
// desktop never shows the battery poses. Mains is taken from a supply of type "Mains" (its `online`);
// without one, from the battery's `status` ("Discharging" = on battery). Several batteries: their
// `energy_now`/`energy_full` (or `charge_*`) are summed; failing that the first `capacity` is used.
//
// The battery watch asks ten times a second, so the folder's listing (which entries are this
// computer's mains and batteries, by their `type` and `scope`) is kept, and listed again when the
// folder's stamp changes, when a listed supply has gone, and at least every 10 s (sysfs does not
// date its folders: there a battery put in shows that way, and the stamp is not looked at). Each
// call reads afresh only the values its answer needs: `online`, `present`, then `status` or the
// charge as far as they decide.
#include <QString>

namespace platform::power {

struct Status {
    int ACLineStatus = 255;
    int BatteryLifePercent = 255;
};

Status GetSystemPowerStatus();

// The folder read by GetSystemPowerStatus: $MORVIK_POWER_SUPPLY, else /sys/class/power_supply,
// unless a test has set one.
QString root();
void setRoot(const QString& folder); // an empty text restores the default

} // namespace platform::power

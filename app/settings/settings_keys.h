#pragma once
// The keys of the settings file, read with the defaults and reading rules every reader shares.
// Each call sees the file as it is now (a save of the settings dialog takes effect at the next
// read; the file is kept parsed in memory only while it is unchanged) in the section of the
// current batch (IniManage::BeginBatch()).
#include <QString>

namespace settings_keys {

// The SNTP server used while `sntpTXT` is empty: the settings dialog shows it, the clock asks it.
inline constexpr char16_t kDefaultSntpHost[] = u"ntp.nict.jp";

// `sntpTXT`, with the empty text replaced by kDefaultSntpHost.
QString sntpHost();

// A flag: true when the key's value is "1".
bool flag(const QString& key);

// `batflag`: only "0" turns the battery watch off.
bool batteryWatched();

// `mailcheckF` as a whole number: empty or not a number gives 0 (off); any other value is on.
int mailCheckSwitch();

// `Tereho` as a whole number (not a number: 0).
int flatRateSwitch();

// The flat-rate (night) window from `tele01` to `tele04`: each an hour or minute 0 to 255, the
// defaults 23, 0, 8 and 0 taken for an empty value or one that is not such a number.
struct FlatRateWindow {
    int startHour = 23, startMinute = 0, endHour = 8, endMinute = 0;
    // Whether the clock value hour*100+minute lies inside the window, both ends included. A window
    // whose start lies after its end runs across midnight.
    bool contains(int hour, int minute) const;
};
FlatRateWindow flatRateWindow();

// `temae`, with the empty text replaced by "1".
QString topMost();

// `MasterName` as the greeting says it: "マスター" when empty, else the name and "さん".
QString masterCall();
QString masterCall(const QString& name);

} // namespace settings_keys

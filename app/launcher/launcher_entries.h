#pragma once
// The launcher entries as ヴェンス reads them, under the names his window uses: the settings
// file's reader shared with the settings dialog (app/settings/launcher_entries.h), which says what
// counts as registered and which quick_lu_id starts a slot. Each call reads the file afresh, so a
// save of the settings dialog reaches his next menu and his next double-click. GUI thread only.
#include "app/settings/launcher_entries.h"

namespace launcher {

inline constexpr int kSlots = launcher_entries::kSlots;
using Entry = launcher_entries::Entry;

// Every registered slot, in slot order.
inline std::vector<Entry> RegisteredEntries() {
    return launcher_entries::registered();
}

// The registered slot quick_lu_id names, or nothing.
inline std::optional<Entry> QuickLaunchEntry() {
    return launcher_entries::quickLaunch();
}

} // namespace launcher

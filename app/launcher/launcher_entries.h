#pragma once
// The launcher entries of the settings file as ヴェンス reads them: ten slots, 0 to 9, each with its
// caption `lunch_name`i, program `lunch_pass`i and voice id `lunch_voice`i, and `quick_lu_id`, the
// slot a double-click on him starts. A slot is registered when it has both a caption and a program;
// a cleared slot between two registered ones hides neither of them.
//
// Each call begins a settings batch (IniManage::BeginBatch()) and reads the file afresh, so a save of
// the settings dialog reaches his next menu and his next double-click. GUI thread only.
#include <QString>
#include <optional>
#include <vector>

namespace launcher {

inline constexpr int kSlots = 10;

struct Entry {
    int slot = 0; // 0 to 9
    QString name, path, voice;
    friend bool operator==(const Entry&, const Entry&) = default;
};

// Every registered slot, in slot order.
std::vector<Entry> RegisteredEntries();

// The slot `quick_lu_id` names, when that is one digit 0 to 9 and the slot is registered; nothing
// for "-1", an absent or empty key, any other text, or a slot that is not registered.
std::optional<Entry> QuickLaunchEntry();

} // namespace launcher

#pragma once
// The launcher entries: ten slots kept in the settings file under the keys lunch_id<i>,
// lunch_name<i>, lunch_pass<i> and lunch_voice<i> (i = 0 to 9, without a leading zero), and the
// quick-launch slot under quick_lu_id. The settings dialog registers and clears them; ヴェンス reads
// them for his menu and his double-click.
//
// A slot is registered when both its caption and its program path are non-empty; a cleared slot
// holds empty texts (its lunch_id stays). Every call begins its own batch (IniManage::BeginBatch)
// and reads the file afresh, so a change in the dialog reaches the next reader at once. A write
// stores all of its keys in one rewrite of the file or none of them. GUI thread only.
#include <QString>
#include <optional>
#include <vector>

namespace launcher_entries {

inline constexpr int kSlots = 10;

struct Entry {
    int slot = 0;  // 0 to 9; the dialog shows it as slot + 1 ("01" to "10")
    QString name;  // the caption in ヴェンス's menu
    QString path;  // the program to start
    QString voice; // the voice id as stored: "01" upward, "00" for none, empty after clearing
    bool registered() const { return !name.isEmpty() && !path.isEmpty(); }
    friend bool operator==(const Entry&, const Entry&) = default;
};

// The key of a slot: prefix and slot number ("lunch_name" and 3 give "lunch_name3").
QString key(const QString& prefix, int slot);

// The slot's entry as stored (caption and path may be empty); nothing for a slot outside 0 to 9.
std::optional<Entry> read(int slot);

// Every registered slot, in ascending order; a cleared slot hides none of the slots after it.
std::vector<Entry> registered();

// The slot quick_lu_id names, one digit "0" to "9" as the dialog writes it; nothing for "-1", an
// empty or absent key, or any other text ("01", "12", a sign, a fraction, not a number).
std::optional<int> quickSlot();

// The entry a double-click on ヴェンス starts: the quick-launch slot when it is registered, else
// nothing (no slot chosen, or the chosen slot was cleared): only a registered slot launches.
std::optional<Entry> quickLaunch();

// The voice id stored for a position in the dialog's voice list (ids run "01", "02", … in list
// order): position + 1 in two digits or more ("01", "10", "12"), "00" for no voice (-1).
QString voiceId(int position);

// The voice list position a stored voice id selects: "03" gives 2; "00", an empty text and any
// text that is not a number from 1 up give -1 (no voice).
int voicePosition(const QString& voiceId);

// Registers a slot: lunch_id (the slot's two-digit number), lunch_name, lunch_pass and lunch_voice,
// in this order, in one rewrite. False (and nothing written) for a slot outside 0 to 9 or a failed
// write.
bool store(int slot, const QString& name, const QString& path, const QString& voiceId);

// Clears a slot: empty lunch_name, lunch_pass and lunch_voice, in this order, in one rewrite;
// lunch_id stays. False (and nothing written) for a slot outside 0 to 9 or a failed write.
bool clear(int slot);

} // namespace launcher_entries

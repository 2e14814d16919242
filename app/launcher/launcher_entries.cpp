#include "launcher_entries.h"

#include "app/settings/IniManage.h"

namespace launcher {
namespace {

std::optional<Entry> readSlot(int slot) {
    const QString suffix = QString::number(slot);
    Entry entry{slot, IniManage::GetIni(QStringLiteral("lunch_name") + suffix),
                IniManage::GetIni(QStringLiteral("lunch_pass") + suffix),
                IniManage::GetIni(QStringLiteral("lunch_voice") + suffix)};
    if (entry.name.isEmpty() || entry.path.isEmpty())
        return std::nullopt;
    return entry;
}

} // namespace

std::vector<Entry> RegisteredEntries() {
    IniManage::BeginBatch();
    std::vector<Entry> entries;
    for (int slot = 0; slot < kSlots; ++slot)
        if (auto entry = readSlot(slot))
            entries.push_back(*entry);
    return entries;
}

std::optional<Entry> QuickLaunchEntry() {
    IniManage::BeginBatch();
    const QString quick = IniManage::GetIni(QStringLiteral("quick_lu_id"));
    if (quick.size() != 1 || !quick.at(0).isDigit() || quick.at(0).unicode() > u'9')
        return std::nullopt;
    return readSlot(quick.toInt());
}

} // namespace launcher

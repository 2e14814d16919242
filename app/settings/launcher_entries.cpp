#include "app/settings/launcher_entries.h"

#include "app/settings/IniManage.h"

#include <QRegularExpression>

namespace launcher_entries {
namespace {

bool validSlot(int slot) {
    return slot >= 0 && slot < kSlots;
}

// A whole number written in plain digits only ("1e3", " 3", "+3" are none).
std::optional<int> digits(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^[0-9]{1,9}$"));
    if (!plain.match(text).hasMatch())
        return std::nullopt;
    return text.toInt();
}

} // namespace

QString key(const QString& prefix, int slot) {
    return prefix + QString::number(slot);
}

std::optional<Entry> read(int slot) {
    if (!validSlot(slot))
        return std::nullopt;
    IniManage::BeginBatch();
    Entry entry;
    entry.slot = slot;
    entry.name = IniManage::GetIni(key(QStringLiteral("lunch_name"), slot));
    entry.path = IniManage::GetIni(key(QStringLiteral("lunch_pass"), slot));
    entry.voice = IniManage::GetIni(key(QStringLiteral("lunch_voice"), slot));
    return entry;
}

std::vector<Entry> registered() {
    std::vector<Entry> entries;
    for (int slot = 0; slot < kSlots; ++slot) {
        if (std::optional<Entry> entry = read(slot); entry && entry->registered())
            entries.push_back(*entry);
    }
    return entries;
}

std::optional<int> quickSlot() {
    IniManage::BeginBatch();
    // One digit, as the settings dialog writes it.
    static const QRegularExpression oneDigit(QStringLiteral("^[0-9]$"));
    const QString quick = IniManage::GetIni(QStringLiteral("quick_lu_id"));
    if (!oneDigit.match(quick).hasMatch())
        return std::nullopt;
    return quick.toInt();
}

std::optional<Entry> quickLaunch() {
    const std::optional<int> slot = quickSlot();
    if (!slot)
        return std::nullopt;
    std::optional<Entry> entry = read(*slot);
    if (!entry || !entry->registered())
        return std::nullopt;
    return entry;
}

QString voiceId(int position) {
    if (position < 0)
        return QStringLiteral("00");
    return QString::number(position + 1).rightJustified(2, QLatin1Char('0'));
}

int voicePosition(const QString& voiceId) {
    const std::optional<int> id = digits(voiceId);
    return id && *id >= 1 ? *id - 1 : -1;
}

bool store(int slot, const QString& name, const QString& path, const QString& voiceId) {
    if (!validSlot(slot))
        return false;
    IniManage::BeginBatch();
    return IniManage::WriteAll({
        {key(QStringLiteral("lunch_id"), slot),
         QString::number(slot + 1).rightJustified(2, QLatin1Char('0'))},
        {key(QStringLiteral("lunch_name"), slot), name},
        {key(QStringLiteral("lunch_pass"), slot), path},
        {key(QStringLiteral("lunch_voice"), slot), voiceId},
    });
}

bool clear(int slot) {
    if (!validSlot(slot))
        return false;
    IniManage::BeginBatch();
    return IniManage::WriteAll({
        {key(QStringLiteral("lunch_name"), slot), QString()},
        {key(QStringLiteral("lunch_pass"), slot), QString()},
        {key(QStringLiteral("lunch_voice"), slot), QString()},
    });
}

} // namespace launcher_entries

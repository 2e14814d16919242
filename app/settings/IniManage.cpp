#include "app/settings/IniManage.h"

#include "platform/ini_file.h"
#include "platform/look_batch.h"
#include "platform/program_folder.h"

#include <pwd.h>
#include <unistd.h>

namespace IniManage {

void BeginBatch() {
    // The path is built again only when the program folder moves, and the folder is asked once per
    // moment of the timers' beat (platform/look_batch.h): the timers begin a batch several times
    // every 100 ms.
    static QString folder, built;
    static quint64 askedIn = 0;
    const quint64 moment = platform::LookBatch::moment();
    if (moment == 0 || moment != askedIn || built.isEmpty()) {
        const QString now = platform::programFolderPath();
        if (now != folder || built.isEmpty()) {
            folder = now;
            built = now + QStringLiteral("/mailSet.ini");
        }
        askedIn = moment;
    }
    state.IniPath = built;
    locate::GetUserSection();
}

QString GetIni(const QString& key, const QString& def) {
    return platform::ini::read(state.IniPath, state.Section, key).value_or(def);
}

bool WriteIni(const QString& key, const QString& value) {
    platform::programFolder(); // made again if it was removed since the batch began
    return platform::ini::write(state.IniPath, state.Section, key, value);
}

bool WriteAll(const platform::ini::Pairs& pairs) {
    return platform::ini::writeAll(state.IniPath, state.Section, pairs);
}

QString TrimNull(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? QString() : text.left(nul);
}

} // namespace IniManage

namespace locate {

void GetUserSection() {
    // Asked once per run: the timers begin a batch every 100 ms, and a directory service behind
    // the password database need not answer that often.
    static const QString section = [] {
        const passwd* entry = getpwuid(geteuid());
        if (!entry || !entry->pw_name || !*entry->pw_name)
            return QStringLiteral("DEFAULT");
        return QString::fromLocal8Bit(entry->pw_name);
    }();
    IniManage::state.Section = section;
}

} // namespace locate

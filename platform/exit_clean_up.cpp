#include "exit_clean_up.h"

#include <QFile>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <unistd.h>

namespace platform::exit_clean_up {
namespace {

std::atomic_bool armed{false};
// Written once, before armed is raised, never again: the handler reads it without a lock.
std::string folder;

bool endsWith(const char* name, const char* suffix) {
    const std::size_t n = std::strlen(name), s = std::strlen(suffix);
    return n > s && std::strcmp(name + n - s, suffix) == 0;
}

void removeIn(const std::string& dir, bool own) {
    DIR* listing = ::opendir(dir.c_str());
    if (!listing)
        return;
    while (const dirent* entry = ::readdir(listing)) {
        const char* name = entry->d_name;
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN)
            continue;
        const bool ours =
            endsWith(name, ".tmp") || (own && (endsWith(name, ".mp3") || std::strcmp(name, "temp.mdb") == 0));
        if (ours)
            ::unlinkat(::dirfd(listing), name, 0);
    }
    ::closedir(listing);
}

void atExit() {
    if (!armed.exchange(false))
        return;
    removeIn(folder, true);
    removeIn(folder + "/mail", false);
}

} // namespace

void arm(const QString& tempFolder) {
    static const bool registered = std::atexit(atExit) == 0;
    if (!registered || armed)
        return;
    folder = QFile::encodeName(tempFolder).toStdString();
    armed = true;
}

void disarm() {
    armed = false;
}

} // namespace platform::exit_clean_up

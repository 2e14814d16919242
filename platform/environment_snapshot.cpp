#include "environment_snapshot.h"

#include <unistd.h>

namespace platform {

bool EnvironmentSnapshot::unchanged() {
    char** now = environ;
    if (!entries_.empty() && now) {
        // An entry is read only while the ones before it were equal and not the closing null (which
        // the snapshot ends with), so neither list is ever read past its end.
        const char* const* kept = entries_.data();
        for (char** entry = now; *entry == *kept; ++entry, ++kept) {
            if (!*entry)
                return true;
        }
    }
    entries_.clear();
    for (char** entry = now; entry && *entry; ++entry)
        entries_.push_back(*entry);
    entries_.push_back(nullptr);
    return false;
}

} // namespace platform

#include "environment_snapshot.h"

#include "platform/look_batch.h"

#include <QMutex>
#include <unistd.h>
#include <vector>

namespace platform {

quint64 environmentChanges() {
    static QMutex lock;
    static std::vector<char*> entries; // with the list's closing null; empty before the first look
    static quint64 changes = 0;
    static quint64 lookedIn = 0; // the LookBatch moment of the last look
    QMutexLocker locker(&lock);
    const quint64 moment = LookBatch::moment();
    if (moment != 0 && moment == lookedIn)
        return changes;
    lookedIn = moment;
    char** now = environ;
    if (!entries.empty() && now) {
        // An entry is read only while the ones before it were equal and not the closing null (which
        // the snapshot ends with), so neither list is ever read past its end.
        const char* const* kept = entries.data();
        for (char** entry = now; *entry == *kept; ++entry, ++kept) {
            if (!*entry)
                return changes;
        }
    }
    entries.clear();
    for (char** entry = now; entry && *entry; ++entry)
        entries.push_back(*entry);
    entries.push_back(nullptr);
    return ++changes;
}

} // namespace platform

#include "environment_snapshot.h"

#include "platform/look_batch.h"

#include <QHash>
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

QString environmentVariable(const char* name) {
    static QMutex lock;
    static QHash<QByteArray, QString> values;
    static quint64 readAt = 0; // the count of environmentChanges() the values were read at
    const quint64 changes = environmentChanges();
    QMutexLocker locker(&lock);
    if (readAt != changes) {
        values.clear();
        readAt = changes;
    }
    const QByteArray key(name);
    const auto kept = values.constFind(key);
    if (kept != values.cend())
        return *kept;
    return *values.insert(key, qEnvironmentVariable(name));
}

} // namespace platform

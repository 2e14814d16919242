#include "file_stamp.h"

#include "platform/look_batch.h"
#include "platform/quiet.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace platform {
namespace {

qint64 nanoseconds(const timespec& t) {
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

std::atomic<qint64> settleMargin{kSettleNs};

qint64 realNowNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

// Kept stamps of watched paths. Each path has a watch on its folder (changes to its entry there)
// and, when it is a folder itself, one on it (changes to what it holds, which move its times).
class Watcher {
public:
    FileStamp stamp(const QByteArray& path, bool* watching) {
        QMutexLocker lock(&lock_);
        if (!ready()) {
            if (watching)
                *watching = false;
            quiet::unannounced();
            return FileStamp::of(path);
        }
        // Until the queue wakes the event loop, a change is seen only when somebody looks.
        if (!announced_.load(std::memory_order_acquire))
            quiet::unannounced();
        look();
        auto entry = entries_.find(path);
        if (entry != entries_.end() && entry->valid) {
            if (watching)
                *watching = true;
            FileStamp kept = entry->stamp;
            kept.takenNs = realNowNs();
            return kept;
        }
        if (entry == entries_.end()) {
            if (entries_.size() >= kMaxEntries) {
                entries_.clear();
                ++changes_;
            }
            entry = entries_.insert(path, Entry{});
        }
        const FileStamp now = arm(path, *entry);
        if (watching)
            *watching = entry->valid;
        if (!entry->valid)
            quiet::unannounced();
        return now;
    }

    quint64 changes() {
        QMutexLocker lock(&lock_);
        if (ready())
            look();
        return changes_;
    }

private:
    struct Entry {
        FileStamp stamp;
        QByteArray name; // the last part of the path
        int folderWatch = -1, selfWatch = -1;
        bool valid = false;
    };

    static constexpr qsizetype kMaxEntries = 64;
    // Not IN_CLOSE_WRITE: a reader that opens for writing and writes nothing (SQLite) changes
    // nothing, and every write is an IN_MODIFY.
    static constexpr quint32 kMask = IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                     IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

    // The watches are set before the stat, so a change after the stat is in the queue.
    FileStamp arm(const QByteArray& path, Entry& entry) {
        entry.valid = false;
        const qsizetype slash = path.lastIndexOf('/');
        const QByteArray folder = slash < 0    ? QByteArrayLiteral(".")
                                  : slash == 0 ? QByteArrayLiteral("/")
                                               : path.left(slash);
        entry.name = path.mid(slash + 1);
        entry.folderWatch = ::inotify_add_watch(fd_, folder.constData(), kMask);
        struct stat link {};
        const bool found = ::lstat(path.constData(), &link) == 0;
        const bool isLink = found && S_ISLNK(link.st_mode);
        entry.selfWatch =
            found && S_ISDIR(link.st_mode) ? ::inotify_add_watch(fd_, path.constData(), kMask) : -1;
        const FileStamp now = FileStamp::of(path);
        entry.stamp = now;
        entry.valid = entry.folderWatch >= 0 && !isLink && !entry.name.isEmpty() &&
                      (!now.exists || !S_ISDIR(now.mode) || entry.selfWatch >= 0);
        return now;
    }

    bool ready() {
        if (fd_ < 0 && !failed_) {
            fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            failed_ = fd_ < 0;
        }
        if (!failed_ && !announcing_)
            announce();
        return !failed_;
    }

    // The queue wakes the main thread's event loop when a change comes, and is read then: so a
    // timer resting on what it watches is woken by the change (platform/timer.h).
    void announce() {
        announcing_ = quiet::announceReadable(
            fd_,
            [this] {
                QMutexLocker lock(&lock_);
                drain(false);
            },
            &announced_);
    }

    // Reads the queue, unless it was read in this very moment of a LookBatch.
    void look() {
        const quint64 moment = LookBatch::moment();
        if (moment != 0 && moment == lookedIn_)
            return;
        drain();
        lookedIn_ = moment;
    }

    // Reads the queue. A look that reads a change before the event loop did (between its wake and
    // the notifier) tells the loop, or whoever rests on the change would not hear of it.
    void drain(bool tell = true) {
        alignas(inotify_event) char buffer[4096];
        const quint64 before = changes_;
        for (;;) {
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            if (got <= 0) {
                if (got < 0 && errno == EINTR)
                    continue;
                if (tell && changes_ != before)
                    quiet::changeSeen();
                return;
            }
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += ssize_t(sizeof(inotify_event) + event->len);
                note(*event);
            }
        }
    }

    void note(const inotify_event& event) {
        const bool everything = event.mask & IN_Q_OVERFLOW;
        const QByteArray name = event.len ? QByteArray(event.name) : QByteArray();
        for (Entry& entry : entries_) {
            if (entry.valid && (everything || entry.selfWatch == event.wd ||
                                (entry.folderWatch == event.wd && (name.isEmpty() || name == entry.name)))) {
                entry.valid = false;
                ++changes_;
            }
        }
        if (everything)
            ++changes_;
    }

    QMutex lock_;
    int fd_ = -1;
    bool failed_ = false;
    bool announcing_ = false;
    std::atomic_bool announced_{false};
    quint64 changes_ = 0;
    quint64 lookedIn_ = 0; // the LookBatch moment of the last read of the queue
    QHash<QByteArray, Entry> entries_;
};

Watcher& watcher() {
    static Watcher w;
    return w;
}

} // namespace

FileStamp FileStamp::watched(const QByteArray& encodedPath, bool* watching) {
    return watcher().stamp(encodedPath, watching);
}

quint64 FileStamp::watchedChanges() {
    return watcher().changes();
}

FileStamp FileStamp::of(const QString& path) {
    return of(QFile::encodeName(path));
}

FileStamp FileStamp::of(const QByteArray& encodedPath) {
    FileStamp stamp;
    stamp.takenNs = realNowNs();
    struct stat info {};
    if (::stat(encodedPath.constData(), &info) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modifiedNs = nanoseconds(info.st_mtim);
    stamp.changedNs = nanoseconds(info.st_ctim);
    stamp.mode = info.st_mode;
    return stamp;
}

bool FileStamp::sameAs(const FileStamp& other) const {
    return exists == other.exists && device == other.device && inode == other.inode && size == other.size &&
           modifiedNs == other.modifiedNs && changedNs == other.changedNs && mode == other.mode;
}

bool FileStamp::settled() const {
    if (!exists)
        return true;
    // A time in the future (a clock set back, a file dated by hand) never settles.
    const qint64 lastChange = std::max(modifiedNs, changedNs);
    return takenNs - lastChange >= settleMargin.load(std::memory_order_relaxed);
}

void setSettleMargin(qint64 ns) {
    settleMargin.store(ns, std::memory_order_relaxed);
}

} // namespace platform

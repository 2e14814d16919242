#include "file_stamp.h"

#include <QFile>
#include <algorithm>
#include <atomic>
#include <sys/stat.h>
#include <time.h>

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

} // namespace

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

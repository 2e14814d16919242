#pragma once
// For tests of readers that keep what they read while the file's stamp is unchanged.
#include "platform/file_stamp.h"

#include <QFile>
#include <QString>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>

// Dates a file or folder an hour back, as one left untouched for long: a change made now moves
// its modification time.
inline void backdate(const QString& path) {
    timespec times[2] = {{0, UTIME_OMIT}, {0, 0}};
    clock_gettime(CLOCK_REALTIME, &times[1]);
    times[1].tv_sec -= 3600;
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0)
        << path.toStdString();
}

// Gives `to` the modification time of `from`, to the nanosecond.
inline void copyModified(const QString& from, const QString& to) {
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(from).constData(), &info), 0);
    const timespec times[2] = {{0, UTIME_OMIT}, info.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(to).constData(), times, 0), 0);
}

// While it lives, every stamp is trusted at once (no settle margin): what a reader then sees of a
// change it sees by the stamp alone, not because the file was too fresh to trust.
class TrustedStamps {
public:
    TrustedStamps() { platform::setSettleMargin(0); }
    ~TrustedStamps() { platform::setSettleMargin(platform::kSettleNs); }
    TrustedStamps(const TrustedStamps&) = delete;
    TrustedStamps& operator=(const TrustedStamps&) = delete;
};

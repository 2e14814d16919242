#include "platform/file_stamp.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Sets a file's modification time, to the nanosecond.
void setModified(const QString& path, qint64 ns) {
    const timespec times[2] = {{0, UTIME_OMIT}, {time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

struct Change {
    const char* name;
    std::function<void(const QString& path)> make;
};
void PrintTo(const Change& c, std::ostream* os) {
    *os << c.name;
}

class StampOfAChangedFile : public ::testing::TestWithParam<Change> {};

// Every change a reader must not miss gives another stamp, even the ones that keep the size and the
// modification time.
TEST_P(StampOfAChangedFile, DiffersFromTheStampBefore) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mailSet.ini"));
    writeAll(path, "[alice]\ntop=1111\n");
    setModified(path, 1'600'000'000'123'456'789);
    const platform::FileStamp before = platform::FileStamp::of(path);
    ASSERT_TRUE(before.sameAs(platform::FileStamp::of(path)));
    GetParam().make(path);
    EXPECT_FALSE(before.sameAs(platform::FileStamp::of(path)));
}

INSTANTIATE_TEST_SUITE_P(
    Changes, StampOfAChangedFile,
    ::testing::Values(
        Change{"written_in_place", [](const QString& p) { writeAll(p, "[alice]\ntop=2222\n"); }},
        Change{"written_in_place_and_redated",
               [](const QString& p) {
                   writeAll(p, "[alice]\ntop=2222\n");
                   setModified(p, 1'600'000'000'123'456'789);
               }},
        Change{"replaced_by_rename_with_the_same_size_and_time",
               [](const QString& p) {
                   const QString next = p + QStringLiteral(".new");
                   writeAll(next, "[alice]\ntop=2222\n");
                   setModified(next, 1'600'000'000'123'456'789);
                   ASSERT_EQ(::rename(QFile::encodeName(next).constData(), QFile::encodeName(p).constData()),
                             0);
               }},
        Change{"made_readable_by_all",
               [](const QString& p) { ASSERT_EQ(::chmod(QFile::encodeName(p).constData(), 0644), 0); }},
        Change{"deleted", [](const QString& p) { ASSERT_TRUE(QFile::remove(p)); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FileStamp, AMissingFileStaysTheSame) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("none"));
    EXPECT_TRUE(platform::FileStamp::of(path).sameAs(platform::FileStamp::of(path)));
    EXPECT_FALSE(platform::FileStamp::of(path).exists);
}

// A stamp is trusted only once the last change lies a whole settle margin before it: a change
// within the file system's time granularity of the last one could leave the time unmoved.
TEST(FileStamp, SettlesOnlyAMarginAfterTheLastChange) {
    struct Case {
        const char* name;
        qint64 modifiedAgo, changedAgo; // before the stamp was taken
        bool settled;
    };
    constexpr qint64 kMs = 1'000'000;
    for (const Case& c : {Case{"just_written", 1 * kMs, 1 * kMs, false},
                          Case{"written_a_second_ago", 1000 * kMs, 1000 * kMs, false},
                          Case{"written_long_ago", 3000 * kMs, 3000 * kMs, true},
                          Case{"old_time_but_just_changed", 3000 * kMs, 1 * kMs, false},
                          Case{"dated_in_the_future", -5000 * kMs, 3000 * kMs, false}}) {
        platform::FileStamp stamp;
        stamp.exists = true;
        stamp.takenNs = 1'700'000'000'000'000'000;
        stamp.modifiedNs = stamp.takenNs - c.modifiedAgo;
        stamp.changedNs = stamp.takenNs - c.changedAgo;
        EXPECT_EQ(stamp.settled(), c.settled) << c.name;
    }
    EXPECT_TRUE(platform::FileStamp{}.settled()) << "a missing file";
}

} // namespace

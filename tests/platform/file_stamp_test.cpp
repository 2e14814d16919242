#include "platform/file_stamp.h"

#include "platform/look_batch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

platform::FileStamp watched(const QString& path) {
    return platform::FileStamp::watched(QFile::encodeName(path));
}

// The watched stamp, kept while the folder's watch reports nothing, sees the same changes at the
// very next look, and is then what a fresh stat() gives.
TEST_P(StampOfAChangedFile, TheWatchedStampSeesItAtTheNextLook) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mailSet.ini"));
    writeAll(path, "[alice]\ntop=1111\n");
    setModified(path, 1'600'000'000'123'456'789);
    const platform::FileStamp before = watched(path);
    ASSERT_TRUE(before.sameAs(platform::FileStamp::of(path)));
    ASSERT_TRUE(watched(path).sameAs(before)) << "kept while nothing changes";
    GetParam().make(path);
    const platform::FileStamp after = watched(path);
    EXPECT_FALSE(before.sameAs(after));
    EXPECT_TRUE(after.sameAs(platform::FileStamp::of(path)));
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

// What else may happen around a watched path: it appears (written or renamed into place), a
// folder gains or loses an entry, a neighbour changes (the path's stamp stays), a symbolic link's
// target changes (no watch can follow it: the stamp is taken afresh).
TEST(WatchedStamp, FollowsTheKernelsReports) {
    struct Case {
        const char* name;
        const char* watchedPath; // in the test folder
        std::function<void(const QDir&dir)> before, change;
        bool differs;
    };
    auto write = [](const QDir& d, const char* name, const QByteArray& bytes) {
        writeAll(d.filePath(QLatin1String(name)), bytes);
    };
    const std::vector<Case> cases{
        {"created", "mailSet.ini", [](const QDir&) {},
         [&](const QDir& d) { write(d, "mailSet.ini", "[a]\n"); }, true},
        {"renamed_into_place", "MAIL.INI", [&](const QDir& d) { write(d, "MAIL.INI.new", "x"); },
         [](const QDir& d) {
             ASSERT_EQ(::rename(QFile::encodeName(d.filePath(QStringLiteral("MAIL.INI.new"))).constData(),
                                QFile::encodeName(d.filePath(QStringLiteral("MAIL.INI"))).constData()),
                       0);
         },
         true},
        {"folder_gains_an_entry", "sub", [](const QDir& d) { ASSERT_TRUE(d.mkdir(QStringLiteral("sub"))); },
         [&](const QDir& d) { write(d, "sub/BAT1", "x"); }, true},
        {"neighbour_written", "mailSet.ini", [&](const QDir& d) { write(d, "mailSet.ini", "[a]\n"); },
         [&](const QDir& d) { write(d, "other.ini", "[b]\n"); }, false},
        {"link_target_written", "link.ini",
         [&](const QDir& d) {
             write(d, "target/file.ini", "");
             ASSERT_EQ(::symlink(QFile::encodeName(d.filePath(QStringLiteral("target/file.ini"))).constData(),
                                 QFile::encodeName(d.filePath(QStringLiteral("link.ini"))).constData()),
                       0);
         },
         [&](const QDir& d) { write(d, "target/file.ini", "[a]\nkey=1\n"); }, true},
    };
    for (const Case& c : cases) {
        QTemporaryDir temp;
        const QDir dir(temp.path());
        ASSERT_TRUE(dir.mkdir(QStringLiteral("target")));
        c.before(dir);
        const QString path = dir.filePath(QLatin1String(c.watchedPath));
        const platform::FileStamp first = watched(path);
        ASSERT_TRUE(first.sameAs(platform::FileStamp::of(path))) << c.name;
        c.change(dir);
        const platform::FileStamp next = watched(path);
        EXPECT_EQ(!first.sameAs(next), c.differs) << c.name;
        EXPECT_TRUE(next.sameAs(platform::FileStamp::of(path))) << c.name;
    }
}

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

// ---- the count of changes ------------------------------------------------------------------------

// What was learned from a watched stamp holds while the count stays: it moves with every change of
// a watched path and with nothing else.
TEST(WatchedChanges, MoveWithAChangeOfAWatchedPathAndNothingElse) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mailSet.ini"));
    writeAll(path, "[a]\n");
    bool watching = false;
    platform::FileStamp::watched(QFile::encodeName(path), &watching);
    ASSERT_TRUE(watching);
    const quint64 before = platform::FileStamp::watchedChanges();
    EXPECT_EQ(platform::FileStamp::watchedChanges(), before);
    writeAll(dir.filePath(QStringLiteral("other.ini")), "[b]\n"); // a neighbour
    QTemporaryDir elsewhere;
    writeAll(elsewhere.filePath(QStringLiteral("mailSet.ini")), "[c]\n");
    EXPECT_EQ(platform::FileStamp::watchedChanges(), before);
    writeAll(path, "[a]\nkey=1\n");
    EXPECT_GT(platform::FileStamp::watchedChanges(), before);
}

// Behind a link the kernel reports nothing of the target: no watch stands behind such a stamp, and
// nothing may be kept on the count for it.
TEST(WatchedChanges, NoWatchStandsBehindALink) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("target.ini"));
    const QString link = dir.filePath(QStringLiteral("link.ini"));
    writeAll(target, "[a]\n");
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
    bool watching = true;
    platform::FileStamp::watched(QFile::encodeName(link), &watching);
    EXPECT_FALSE(watching);
}

// Inside a LookBatch the queue is read once per moment; a change made meanwhile is seen in the next
// moment, which the event loop running starts.
TEST(WatchedChanges, AChangeWithinAMomentIsSeenInTheNext) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("MAIL.INI"));
    writeAll(path, "one");
    const QByteArray encoded = QFile::encodeName(path);
    const platform::LookBatch beat;
    const platform::FileStamp first = platform::FileStamp::watched(encoded);
    const quint64 before = platform::FileStamp::watchedChanges();
    writeAll(path, "two, longer");
    EXPECT_EQ(platform::FileStamp::watchedChanges(), before) << "read once in the moment";
    QCoreApplication::processEvents();
    EXPECT_GT(platform::FileStamp::watchedChanges(), before);
    const platform::FileStamp next = platform::FileStamp::watched(encoded);
    EXPECT_FALSE(next.sameAs(first));
    EXPECT_TRUE(next.sameAs(platform::FileStamp::of(path)));
}

} // namespace

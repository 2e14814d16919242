#include "platform/look_batch.h"
#include "platform/program_folder.h"
#include "platform/system_folder.h"
#include "test_home.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

TEST(ProgramFolder, FollowsMorvikHomeAndCreatesAPrivateTempFolder) {
    TestHome home;
    EXPECT_EQ(platform::programFolder(), home.path());
    const QString temp = platform::tempFolder();
    EXPECT_EQ(QFileInfo(temp).absolutePath(), home.path());
    EXPECT_TRUE(QFileInfo(temp).isDir());
    EXPECT_EQ(QFileInfo(temp).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);
}

// The mail cache's timer asks ten times a second whether tmp/temp.mdb is there.
TEST(ProgramFolder, ATempFileMadeOrRemovedIsSeenByTheNextLookAndTheNextBeat) {
    TestHome home;
    const QString file = platform::tempFolder() + QStringLiteral("/temp.mdb");
    EXPECT_FALSE(platform::tempFileExists("temp.mdb"));
    touch(file);
    EXPECT_TRUE(platform::tempFileExists("temp.mdb"));
    EXPECT_FALSE(platform::tempFileExists("other.mdb"));
    ASSERT_TRUE(QFile::remove(file));
    EXPECT_FALSE(platform::tempFileExists("temp.mdb"));
    {
        const platform::LookBatch beat;
        EXPECT_FALSE(platform::tempFileExists("temp.mdb"));
    }
    touch(file);
    const platform::LookBatch beat;
    EXPECT_TRUE(platform::tempFileExists("temp.mdb"));
}

// The folders follow the environment however often they are asked, also within one beat once the
// event loop has run.
TEST(ProgramFolder, FollowsMorvikHomeWithinABeat) {
    TestHome first;
    const platform::LookBatch beat;
    EXPECT_EQ(platform::programFolderPath(), QDir(first.path()).absolutePath());
    TestHome second;
    QCoreApplication::processEvents();
    EXPECT_EQ(platform::programFolderPath(), QDir(second.path()).absolutePath());
}

TEST(ProgramFolder, FallsBackToXdgDataHome) {
    const QByteArray saved = qgetenv("MORVIK_HOME");
    qunsetenv("MORVIK_HOME");
    EXPECT_EQ(platform::programFolder(), qEnvironmentVariable("XDG_DATA_HOME") + "/morvik");
    qputenv("MORVIK_HOME", saved);
}

TEST(ProgramFolder, PatternDeleteTouchesOnlyTheTempFolder) {
    TestHome home;
    const QString temp = platform::tempFolder();
    touch(temp + "/a.tmp");
    touch(temp + "/b.tmp");
    touch(temp + "/keep.mp3");
    touch(home.file("users-own.tmp"));
    QDir().mkpath(temp + "/sub.tmp");
    EXPECT_EQ(platform::deleteTempFiles("*.tmp"), 2);
    EXPECT_TRUE(QFile::exists(temp + "/keep.mp3"));
    EXPECT_TRUE(QFile::exists(home.file("users-own.tmp")));
    EXPECT_TRUE(QFileInfo(temp + "/sub.tmp").isDir());
}

TEST(ProgramFolder, SiblingsAreFoundBesideTheExecutableAndInTheProgramFolder) {
    TestHome home;
    QTemporaryDir bin;
    const QByteArray saved = qgetenv("MORVIK_BIN");
    qputenv("MORVIK_BIN", QFile::encodeName(bin.path()));
    EXPECT_EQ(platform::programBinFolder(), bin.path());
    EXPECT_FALSE(platform::siblingPresent("vens"));
    touch(bin.path() + "/vens");
    touch(home.file("palk"));
    EXPECT_TRUE(platform::siblingPresent("vens"));
    EXPECT_TRUE(platform::siblingPresent("palk"));
    EXPECT_FALSE(platform::siblingPresent("dwim"));
    // Unset, it is the folder of the running program.
    qunsetenv("MORVIK_BIN");
    EXPECT_EQ(platform::programBinFolder(), QCoreApplication::applicationDirPath());
    qputenv("MORVIK_BIN", saved);
}

TEST(SystemFolder, DesktopFromUserDirsAndWindowsOnlyFoldersEmpty) {
    TestHome home;
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    QDir().mkpath(config);
    QFile dirs(config + "/user-dirs.dirs");
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\n");
    dirs.close();
    clsSystemFolder folders;
    EXPECT_EQ(folders.Desktop(), QDir::homePath() + "/デスクトップ");
    EXPECT_TRUE(folders.Temp().endsWith('/'));
    EXPECT_FALSE(folders.Desktop().endsWith('/'));
    EXPECT_EQ(folders.OldWindows(), "");
    EXPECT_EQ(folders.Windows(), "");
    dirs.remove();
}

} // namespace

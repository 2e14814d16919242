// Replacing a file whole: a failed write keeps the old file, a killed one leaves a leftover that
// the next start removes.
#include "file_size_limit.h"
#include "platform/atomic_file.h"
#include "test_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using files::readFile;
using files::writeFile;

unsigned modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

TEST(AtomicFile, ReplacesTheTargetOfALinkWithExactlyTheGivenMode) {
    QTemporaryDir dir;
    const QString target = dir.filePath("real.ini"), link = dir.filePath("mailSet.ini");
    writeFile(target, "old\n");
    ASSERT_TRUE(QFile::link(target, link));
    const mode_t mask = ::umask(0);
    QString error;
    const bool written = platform::writeFileAtomically(link, "new\n", 0600, &error);
    ::umask(mask);
    ASSERT_TRUE(written) << error.toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readFile(target), "new\n");
    EXPECT_EQ(modeOf(target), 0600u);
    EXPECT_EQ(filesIn(dir.path()), (QStringList{"mailSet.ini", "real.ini"}));
}

TEST(AtomicFile, AFullDiskFailsAndKeepsTheOldFileWhole) {
    QTemporaryDir dir;
    const QString path = dir.filePath("mailSet.ini");
    const QByteArray before = "[alice]\ntop=1\n";
    writeFile(path, before);
    QString error;
    bool written = true;
    {
        const FileSizeLimit limit(before.size());
        written = platform::writeFileAtomically(path, QByteArray(4000, 'x'), 0600, &error);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(error, path + ": cannot write: " + QString::fromLocal8Bit(std::strerror(EFBIG)));
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(filesIn(dir.path()), QStringList{"mailSet.ini"});
}

TEST(AtomicFile, AWriterKilledMidWriteLeavesALeftoverTheNextStartRemoves) {
    QTemporaryDir dir;
    const QString path = dir.filePath("mailSet.ini");
    writeFile(path, "old\n");
    // The user's own copies beside it, whatever their names look like.
    const QStringList users{"classes.reg.backup", "mailSet.ini.2024-01", "mailSet.ini.backup",
                            "mailSet.ini.bak",    "mailSet.ini.bPFmWN",  "notes.txt.bPFmWN"};
    for (const QString& other : users)
        writeFile(dir.filePath(other), "x");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // SIGXFSZ at its default ends the writer in the middle of the write, as a kill would.
        const rlimit limit{4096, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        platform::writeFileAtomically(path, QByteArray(65536, 'x'), 0600);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    const QStringList left = filesIn(dir.path()).filter(".mailSet.ini.morvik-tmp-");
    ASSERT_EQ(left.size(), 1) << filesIn(dir.path()).join(' ').toStdString();

    EXPECT_EQ(platform::removeAtomicLeftovers(dir.path()), 1);
    QStringList kept = users;
    kept << "mailSet.ini";
    kept.sort();
    EXPECT_EQ(filesIn(dir.path()), kept);
    EXPECT_EQ(readFile(path), "old\n");
}

} // namespace

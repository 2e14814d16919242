#include "platform/single_instance.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Holds the named lock in a child process until destroyed.
class LockInAnotherProcess {
public:
    explicit LockInAnotherProcess(const QString& name) {
        int ready[2];
        if (pipe(ready) != 0)
            return;
        child_ = fork();
        if (child_ == 0) {
            platform::SingleInstance held(name);
            const char c = held.acquired() ? 'y' : 'n';
            (void)!write(ready[1], &c, 1);
            pause();
            _exit(0);
        }
        char c = 0;
        acquired_ = child_ > 0 && read(ready[0], &c, 1) == 1 && c == 'y';
        close(ready[0]);
        close(ready[1]);
    }
    ~LockInAnotherProcess() {
        if (child_ > 0) {
            kill(child_, SIGKILL);
            waitpid(child_, nullptr, 0);
        }
    }
    bool acquired() const { return acquired_; }

private:
    pid_t child_ = -1;
    bool acquired_ = false;
};

// Counts the opens of one file while it lives.
class OpenWatch {
public:
    explicit OpenWatch(const QString& path) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        watch_ = inotify_add_watch(fd_, QFile::encodeName(path).constData(), IN_OPEN);
    }
    ~OpenWatch() { close(fd_); }
    bool watching() const { return fd_ >= 0 && watch_ >= 0; }
    int opens() {
        alignas(inotify_event) char buffer[4096];
        int count = 0;
        for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;) {
            for (char* at = buffer; at < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                count += (event->mask & IN_OPEN) != 0;
                at += sizeof(inotify_event) + event->len;
            }
        }
        return count;
    }

private:
    int fd_;
    int watch_ = -1;
};

// A peek that took the lock for a moment, even a shared one, would turn away an instance that
// starts in that moment; so the peek must not even open the file.
TEST(SingleInstance, HeldElsewhereNeitherOpensNorMakesTheLockFile) {
    const QString name = QStringLiteral("test-peek-%1").arg(getpid());
    const QString path = platform::SingleInstance::lockPath(name);
    EXPECT_FALSE(platform::SingleInstance::heldElsewhere(name));
    EXPECT_FALSE(QFile::exists(path));
    {
        const LockInAnotherProcess holder(name);
        ASSERT_TRUE(holder.acquired());
        OpenWatch watch(path);
        ASSERT_TRUE(watch.watching());
        EXPECT_TRUE(platform::SingleInstance::heldElsewhere(name));
        EXPECT_EQ(watch.opens(), 0);
    }
    OpenWatch watch(path);
    ASSERT_TRUE(watch.watching());
    EXPECT_FALSE(platform::SingleInstance::heldElsewhere(name)); // the file stays, the lock is gone
    EXPECT_EQ(watch.opens(), 0);
    QFile::remove(path);
}

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstIsGone) {
    const QString name = QStringLiteral("test-instance-%1").arg(getpid());
    {
        platform::SingleInstance first(name);
        ASSERT_TRUE(first.acquired());
        EXPECT_TRUE(platform::SingleInstance::heldElsewhere(name));
        platform::SingleInstance second(name);
        EXPECT_FALSE(second.acquired());
        EXPECT_EQ(second.outcome(), platform::SingleInstance::Outcome::HeldByAnother);
        EXPECT_TRUE(second.error().isEmpty());
    }
    EXPECT_FALSE(platform::SingleInstance::heldElsewhere(name));
    platform::SingleInstance third(name);
    EXPECT_TRUE(third.acquired());
}

// A lock file that cannot be made (here a folder stands in its place, which stops root too) is a
// failure with its reason, never taken for another instance.
TEST(SingleInstance, LockThatCannotBeMadeIsAFailureNotAnotherInstance) {
    const QString name = QStringLiteral("test-unmakeable-%1").arg(getpid());
    const QString path = platform::SingleInstance::lockPath(name);
    ASSERT_TRUE(QDir().mkpath(path));
    {
        platform::SingleInstance lock(name);
        EXPECT_FALSE(lock.acquired());
        EXPECT_EQ(lock.outcome(), platform::SingleInstance::Outcome::Failed);
        EXPECT_TRUE(lock.error().contains(path)) << lock.error().toStdString();
        EXPECT_FALSE(platform::SingleInstance::heldElsewhere(name));
    }
    QDir().rmdir(path);
}

TEST(SingleInstance, LockDiesWithItsProcess) {
    const QString name = QStringLiteral("test-crash-%1").arg(getpid());
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::SingleInstance held(name);
        char c = held.acquired() ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        pause();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    EXPECT_FALSE(platform::SingleInstance(name).acquired());
    kill(child, SIGKILL); // no clean-up runs: the kernel releases the lock
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(platform::SingleInstance(name).acquired());
}

// Without $XDG_RUNTIME_DIR the lock falls back to ROOT/morvik-UID, ROOT a folder of the test's own,
// and the program folder to another; both are put back afterwards.
class Fallback : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid() && home_.isValid());
        runtime_ = qgetenv("XDG_RUNTIME_DIR");
        home_before_ = qgetenv("MORVIK_HOME");
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("MORVIK_HOME", QFile::encodeName(home_.path()));
        platform::SingleInstance::setFallbackRoot(root_.path());
    }
    void TearDown() override {
        platform::SingleInstance::setFallbackRoot(QString());
        qputenv("XDG_RUNTIME_DIR", runtime_);
        if (home_before_.isNull())
            qunsetenv("MORVIK_HOME");
        else
            qputenv("MORVIK_HOME", home_before_);
    }
    QString folder() const { return root_.filePath(QStringLiteral("morvik-%1").arg(getuid())); }
    QString home() const { return home_.path(); }

private:
    QTemporaryDir root_, home_;
    QByteArray runtime_, home_before_;
};

TEST_F(Fallback, IsMadePrivateAndUsedWhenMissing) {
    const QString name = QStringLiteral("test-fallback-%1").arg(getpid());
    EXPECT_EQ(platform::SingleInstance::lockPath(name), folder() + QLatin1Char('/') + name + QStringLiteral(".lock"));
    struct stat st {};
    ASSERT_EQ(lstat(QFile::encodeName(folder()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_TRUE(platform::SingleInstance(name).acquired());
}

// A folder there that anyone may write to could hold another user's lock file, locked, which would
// turn her away at every start: it is refused, said, and the program folder holds the lock.
TEST_F(Fallback, OneOpenToOthersIsRefusedForTheProgramFolder) {
    const QString name = QStringLiteral("test-planted-%1").arg(getpid());
    ASSERT_TRUE(QDir().mkdir(folder()));
    ASSERT_EQ(chmod(QFile::encodeName(folder()).constData(), 0777), 0);
    // The planted lock, held by another process.
    const QString planted = folder() + QLatin1Char('/') + name + QStringLiteral(".lock");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const int fd = open(QFile::encodeName(planted).constData(), O_RDWR | O_CREAT, 0666);
        const char c = fd >= 0 && flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        pause();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);
    close(ready[1]);
    ASSERT_EQ(c, 'y');

    testing::internal::CaptureStderr();
    const QString path = platform::SingleInstance::lockPath(name);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(path, home() + QLatin1Char('/') + name + QStringLiteral(".lock"));
    EXPECT_NE(said.find("morvik: not using " + QFile::encodeName(folder()).toStdString()), std::string::npos)
        << said;
    EXPECT_NE(said.find("0777"), std::string::npos) << said;
    EXPECT_TRUE(platform::SingleInstance(name).acquired());
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
}

// The SSTP control peeks at the lock of an SSTP server from a copy of this code inside its own
// library: the peek says nothing, so that the refusal is said once, by her own lock, not once by
// each copy.
TEST_F(Fallback, ARefusedFolderIsSaidOnceByTheLockAndNeverByAPeek) {
    const QString name = QStringLiteral("test-peeked-%1").arg(getpid());
    ASSERT_TRUE(QDir().mkdir(folder()));
    ASSERT_EQ(chmod(QFile::encodeName(folder()).constData(), 0755), 0);
    testing::internal::CaptureStderr();
    const bool held = platform::SingleInstance::heldElsewhere(QStringLiteral("sakura"));
    const std::string peeked = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(held);
    EXPECT_EQ(peeked, "");
    testing::internal::CaptureStderr();
    const bool acquired = platform::SingleInstance(name).acquired();
    platform::SingleInstance::heldElsewhere(QStringLiteral("sakura"));
    const bool again = platform::SingleInstance(name + QStringLiteral("-2")).acquired();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(acquired && again);
    const std::string line = "morvik: not using " + QFile::encodeName(folder()).toStdString();
    ASSERT_NE(said.find(line), std::string::npos) << said;
    EXPECT_EQ(said.find(line, said.find(line) + 1), std::string::npos) << said;
}

struct FolderCase {
    const char* what;
    bool good;
    void (*make)(const QString& path, const QString& beside);
};
void PrintTo(const FolderCase& c, std::ostream* os) {
    *os << c.what;
}

class PrivateFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(PrivateFolder, OnlyAUsersOwnMode0700FolderIsPrivate) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("folder"));
    GetParam().make(path, dir.filePath(QStringLiteral("beside")));
    EXPECT_EQ(platform::SingleInstance::notPrivateFolder(path).isEmpty(), GetParam().good)
        << platform::SingleInstance::notPrivateFolder(path).toStdString();
}

void makeWithMode(const QString& path, mode_t mode) {
    ASSERT_EQ(mkdir(QFile::encodeName(path).constData(), 0700), 0);
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), mode), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PrivateFolder,
    ::testing::Values(
        FolderCase{"mode0700", true, [](const QString& p, const QString&) { makeWithMode(p, 0700); }},
        FolderCase{"mode0777", false, [](const QString& p, const QString&) { makeWithMode(p, 0777); }},
        FolderCase{"mode0755", false, [](const QString& p, const QString&) { makeWithMode(p, 0755); }},
        FolderCase{"sticky1700", false, [](const QString& p, const QString&) { makeWithMode(p, 01700); }},
        // A link to a private folder is no folder of hers: whoever made the link chose where it goes.
        FolderCase{"symlink", false,
                   [](const QString& p, const QString& beside) {
                       makeWithMode(beside, 0700);
                       ASSERT_TRUE(QFile::link(beside, p));
                   }},
        FolderCase{"file", false,
                   [](const QString& p, const QString&) {
                       QFile f(p);
                       ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                       f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                   }},
        FolderCase{"missing", false, [](const QString&, const QString&) {}}),
    [](const auto& info) { return std::string(info.param.what); });

} // namespace

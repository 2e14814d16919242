#include "platform/single_instance.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/inotify.h>
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

} // namespace

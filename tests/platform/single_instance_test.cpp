#include "platform/single_instance.h"

#include <QDir>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

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

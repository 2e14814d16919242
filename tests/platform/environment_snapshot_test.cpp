// Telling a changed environment by its entries: every set, unset and new variable moves the count,
// nothing else does; within a moment of a LookBatch it is looked at once.
#include "platform/environment_snapshot.h"
#include "platform/look_batch.h"

#include <QByteArray>
#include <QCoreApplication>
#include <functional>
#include <gtest/gtest.h>

namespace {

class EnvironmentChanges : public ::testing::Test {
protected:
    void SetUp() override {
        had_ = qEnvironmentVariableIsSet(kName);
        previous_ = qgetenv(kName);
        qunsetenv(kName);
    }
    void TearDown() override {
        if (had_)
            qputenv(kName, previous_);
        else
            qunsetenv(kName);
    }
    static constexpr const char* kName = "MORVIK_SNAPSHOT_TEST";

private:
    bool had_ = false;
    QByteArray previous_;
};

TEST_F(EnvironmentChanges, EverySetUnsetAndNewVariableMovesTheCount) {
    struct Case {
        const char* name;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"new variable", [] { qputenv(kName, "one"); }},
        {"another value", [] { qputenv(kName, "two"); }},
        {"a value of the same length", [] { qputenv(kName, "six"); }},
        {"unset", [] { qunsetenv(kName); }},
    };
    quint64 count = platform::environmentChanges();
    EXPECT_EQ(platform::environmentChanges(), count);
    for (const Case& c : cases) {
        c.change();
        const quint64 next = platform::environmentChanges();
        EXPECT_NE(next, count) << c.name;
        EXPECT_EQ(platform::environmentChanges(), next) << c.name;
        count = next;
    }
}

TEST_F(EnvironmentChanges, AChangeWithinAMomentIsSeenInTheNext) {
    const platform::LookBatch beat;
    const quint64 before = platform::environmentChanges();
    qputenv(kName, "one");
    EXPECT_EQ(platform::environmentChanges(), before);
    QCoreApplication::processEvents();
    EXPECT_NE(platform::environmentChanges(), before);
}

// A kept value follows every change of the variable: set, set again, unset.
TEST_F(EnvironmentChanges, AKeptVariableFollowsItsChanges) {
    qputenv(kName, "one");
    EXPECT_EQ(platform::environmentVariable(kName), QStringLiteral("one"));
    EXPECT_EQ(platform::environmentVariable(kName), QStringLiteral("one"));
    qputenv(kName, "two");
    EXPECT_EQ(platform::environmentVariable(kName), QStringLiteral("two"));
    qunsetenv(kName);
    EXPECT_EQ(platform::environmentVariable(kName), QString());
}

} // namespace

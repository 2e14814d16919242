// Telling a changed environment by its entries: every set, unset and new variable is a change.
#include "platform/environment_snapshot.h"

#include <QByteArray>
#include <functional>
#include <gtest/gtest.h>

namespace {

TEST(EnvironmentSnapshot, EverySetUnsetAndNewVariableIsAChange) {
    struct Case {
        const char* name;
        std::function<void()> change;
    };
    const QByteArray previous = qgetenv("MORVIK_SNAPSHOT_TEST");
    const bool had = qEnvironmentVariableIsSet("MORVIK_SNAPSHOT_TEST");
    qunsetenv("MORVIK_SNAPSHOT_TEST");
    const Case cases[] = {
        {"new variable", [] { qputenv("MORVIK_SNAPSHOT_TEST", "one"); }},
        {"another value", [] { qputenv("MORVIK_SNAPSHOT_TEST", "two"); }},
        {"a value of the same length", [] { qputenv("MORVIK_SNAPSHOT_TEST", "six"); }},
        {"unset", [] { qunsetenv("MORVIK_SNAPSHOT_TEST"); }},
    };
    platform::EnvironmentSnapshot snapshot;
    EXPECT_FALSE(snapshot.unchanged()) << "the first look knows nothing before it";
    EXPECT_TRUE(snapshot.unchanged());
    for (const Case& c : cases) {
        c.change();
        EXPECT_FALSE(snapshot.unchanged()) << c.name;
        EXPECT_TRUE(snapshot.unchanged()) << c.name;
    }
    if (had)
        qputenv("MORVIK_SNAPSHOT_TEST", previous);
}

} // namespace

// Setting the clock through timedated, against python-dbusmock's timedated on a private bus: what is
// asked, each way the system refuses, and no timedated at all.
#include "platform/timedated/timedated.h"
#include "timedated_mock.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

using timedated_mock::MockTimedated;

TEST(Timedated, SetTimeAsksOnceWithItsArguments) {
    MockTimedated mock;
    mock.start();
    const qint64 usec = 1715662389000000; // 2024-05-14 04:53:09 UTC
    const platform::timedated::Result result = platform::timedated::SetTime(usec, false, true);
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    const auto calls = mock.setTimes();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], (QVariantList{QVariant::fromValue(usec), false, true}));
}

TEST(Timedated, EachRefusalIsAFailureWithItsName) {
    for (const QString& name : {QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                                QStringLiteral("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"),
                                QStringLiteral("org.freedesktop.timedate1.AutomaticTimeSyncEnabled")}) {
        SCOPED_TRACE(name.toStdString());
        MockTimedated mock;
        mock.start();
        mock.refuse(name);
        const platform::timedated::Result result = platform::timedated::SetTime(1, false, true);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, name);
    }
}

TEST(Timedated, WithoutTimedatedItFailsAtOnce) {
    MockTimedated bus; // a bus without timedated on it
    QElapsedTimer took;
    took.start();
    const platform::timedated::Result result = platform::timedated::SetTime(1, false, true);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_LT(took.elapsed(), 2000);
}

TEST(Timedated, WithoutABusItFails) {
    const QByteArray previous = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/morvik-test-bus");
    const platform::timedated::Result result = platform::timedated::SetTime(1, false, true);
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", previous);
    EXPECT_FALSE(result.ok);
}

} // namespace

// NetworkManager's profiles as the dial-up object's phone book, against python-dbusmock's
// NetworkManager on a private system bus: the profiles the test adds, by their ids, in NetworkManager's
// order; nothing at all when NetworkManager or the bus is not there.
#include "app/dialup/VBRas32.h"
#include "app/dialup/nm_profiles.h"
#include "private_bus.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QElapsedTimer>
#include <QVariantMap>
#include <gtest/gtest.h>

namespace {

using ConnectionSettings = QMap<QString, QVariantMap>;

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");

class NmProfiles : public ::testing::Test {
protected:
    void SetUp() override { qDBusRegisterMetaType<ConnectionSettings>(); }
    void TearDown() override { dialup::install(nullptr); }

    // Adds a profile through NetworkManager's own Settings.AddConnection.
    void addProfile(const QString& id, const QString& type) {
        ConnectionSettings settings;
        settings[QStringLiteral("connection")] = {{QStringLiteral("id"), id}, {QStringLiteral("type"), type}};
        const QDBusMessage reply =
            bus.call(kService, QStringLiteral("/org/freedesktop/NetworkManager/Settings"),
                     QStringLiteral("org.freedesktop.NetworkManager.Settings"),
                     QStringLiteral("AddConnection"), {QVariant::fromValue(settings)});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }

    private_bus::SystemBusMock bus;
};

TEST_F(NmProfiles, ListsEveryProfileByItsIdInNetworkManagersOrder) {
    bus.start(QStringLiteral("networkmanager"), kService);
    const QStringList ids{"有線接続 1", "モバイル", "isp; $(touch x) 'a'"};
    addProfile(ids[0], "802-3-ethernet");
    addProfile(ids[1], "gsm");
    addProfile(ids[2], "pppoe");

    dialup::NmProfiles profiles;
    const dialup::Backend::Entries entries = profiles.EnumEntries(QString());
    EXPECT_EQ(entries.result, 0);
    EXPECT_EQ(entries.names, ids);

    // Made after the install, the settings dialog's dial-up object lists them in its slots.
    dialup::install(std::make_shared<dialup::NmProfiles>());
    VBRas32 ras;
    ASSERT_EQ(ras.EntryCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ras.EnumEntries(i), ids[i]);
    EXPECT_EQ(ras.EnumEntries(3), QString());
}

TEST_F(NmProfiles, NoProfileListsNothing) {
    bus.start(QStringLiteral("networkmanager"), kService);
    const dialup::Backend::Entries entries = dialup::NmProfiles().EnumEntries(QString());
    EXPECT_EQ(entries.result, 0);
    EXPECT_TRUE(entries.names.isEmpty());
}

TEST_F(NmProfiles, WithoutNetworkManagerTheListIsEmptyAtOnceAndNoErrorIsSaid) {
    QElapsedTimer took;
    took.start();
    const dialup::Backend::Entries entries = dialup::NmProfiles().EnumEntries(QString());
    EXPECT_EQ(entries.result, 0);
    EXPECT_TRUE(entries.names.isEmpty());
    EXPECT_LT(took.elapsed(), dialup::NmProfiles::kReplyLimitMs); // nobody is waited for
}

TEST(NmProfilesWithoutBus, NoSystemBusListsNothing) {
    const QByteArray previous = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/morvik-test-bus");
    const dialup::Backend::Entries entries = dialup::NmProfiles().EnumEntries(QString());
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", previous);
    EXPECT_EQ(entries.result, 0);
    EXPECT_TRUE(entries.names.isEmpty());
}

TEST(NmProfilesDial, DialAndHangUpAreThoseOfADesktopWithoutDialUp) {
    dialup::NmProfiles profiles;
    EXPECT_EQ(profiles.Dial(QString(), {"モバイル", "u", "p", ""}).result, dialup::kNoEntry);
    EXPECT_EQ(profiles.HangUp(7), 0);
    EXPECT_TRUE(profiles.EnumConnections().list.isEmpty());
    EXPECT_FALSE(profiles.ErrorString(dialup::kNoEntry).isEmpty());
}

} // namespace

// The dial-up object over NetworkManager, against python-dbusmock's NetworkManager on a private
// system bus: the profiles as entries, a dial's success and each way it fails, the lookup of the
// connections that are up from the cache that NetworkManager's signals keep (no bus call per ask),
// and the hang-up of a kept, a missing and a stale handle.
#include "app/dialup/VBRas32.h"
#include "app/dialup/nm_backend.h"
#include "nm_mock.h"
#include "platform/network_manager/network_manager.h"
#include "platform/pace.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

using nm_mock::MockNetworkManager;
namespace nm = platform::network_manager;

class NmBackend : public ::testing::Test {
protected:
    void SetUp() override {
        nm::reset();
        dialup::install(std::make_shared<dialup::NmBackend>());
    }
    void TearDown() override {
        dialup::install(nullptr);
        dialup::NmBackend::DialLimitMs = dialup::NmBackend::kDefaultDialLimitMs;
        nm::reset();
    }
    // Runs the event loop until the condition holds (at most limitMs).
    static bool within(int limitMs, const std::function<bool()>& condition) {
        return QTest::qWaitFor(condition, limitMs);
    }

    MockNetworkManager mock;
};

// The signals of one object, in the order raised, with the pauses recorded before them.
struct Heard {
    QStringList events;
    platform::pace::Recorder recorder;
    QObject listening;

    explicit Heard(VBRas32& ras) {
        QObject::connect(&ras, &VBRas32::ConnectComplete, &listening, [this] { note("ConnectComplete"); });
        QObject::connect(&ras, &VBRas32::ConnectError, &listening,
                         [this](qint32 code) { note(QStringLiteral("ConnectError %1").arg(code)); });
    }
    void note(const QString& what) {
        events << recorder.events << what;
        recorder.events.clear();
    }
};

TEST_F(NmBackend, EveryProfileIsAnEntryInNetworkManagersOrder) {
    mock.start();
    const QStringList ids{"有線接続 1", "モバイル", "isp; $(touch x) 'a'"};
    for (const QString& id : ids)
        mock.addProfile(id);
    VBRas32 ras;
    ASSERT_EQ(ras.EntryCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ras.EnumEntries(i), ids[i]);
    EXPECT_EQ(ras.EnumEntries(3), QString());
    EXPECT_THROW(ras.EnumEntries(4), std::out_of_range);
    EXPECT_THROW(ras.EnumEntries(-1), std::out_of_range);
    EXPECT_EQ(ras.RefreshEntries(), 0);
}

TEST_F(NmBackend, WithoutNetworkManagerNothingIsListedAndTheCodeSaysSo) {
    QElapsedTimer took;
    took.start();
    VBRas32 ras;
    EXPECT_EQ(ras.EntryCount(), 0);
    EXPECT_EQ(ras.RefreshEntries(), dialup::kNoNetworkManager);
    EXPECT_FALSE(ras.SeekEnumConns(QStringLiteral("isp"), true));
    EXPECT_LT(took.elapsed(), nm::kReplyLimitMs); // nobody is waited for
}

TEST(NmBackendWithoutBus, NoSystemBusListsNothing) {
    const QByteArray previous = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/morvik-test-bus");
    nm::reset();
    dialup::NmBackend backend;
    const dialup::Backend::Entries entries = backend.EnumEntries();
    const dialup::Backend::Dialled dialled = backend.Dial(QStringLiteral("isp"));
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", previous);
    nm::reset();
    EXPECT_EQ(entries.result, dialup::kNoNetworkManager);
    EXPECT_TRUE(entries.names.isEmpty());
    EXPECT_EQ(dialled.result, dialup::kNoNetworkManager);
}

// One dial, what NetworkManager does meanwhile, and what the object says.
struct Dial {
    const char* name;
    // Prepares the mock before the dial (profiles are "isp" and "other", a device is there).
    std::function<void(MockNetworkManager&)> before;
    // Acts on the mock while the dial waits, given the active connection it made.
    std::function<void(MockNetworkManager&, const QString& active, const QString& device)> during;
    const char* entry;
    qint32 code;
    bool leftActive; // an active connection of the dial is still listed afterwards
};

void PrintTo(const Dial& d, std::ostream* os) {
    *os << d.name;
}

class Dials : public NmBackend, public ::testing::WithParamInterface<Dial> {};

TEST_P(Dials, OneOutcomeRaisedAfterTheWaitItsCodeReturned) {
    const Dial& d = GetParam();
    mock.start();
    const QString device = mock.addDevice();
    mock.addProfile(QStringLiteral("other"));
    mock.addProfile(QStringLiteral("isp"));
    if (d.before)
        d.before(mock);
    dialup::NmBackend::DialLimitMs = 1500;
    VBRas32 ras;
    ras.setEntry(QLatin1String(d.entry));
    ras.setUserID(QStringLiteral("me"));
    ras.setPassword(QStringLiteral("secret"));
    if (d.during) {
        // Once the dial's active connection shows, NetworkManager acts on it.
        auto* poll = new QTimer(&ras);
        QObject::connect(poll, &QTimer::timeout, [&, poll] {
            const QStringList active = mock.activeConnections();
            if (active.isEmpty())
                return;
            poll->stop();
            d.during(mock, active.constLast(), device);
        });
        poll->start(50);
    }
    Heard heard(ras);
    QElapsedTimer took;
    took.start();
    const qint32 result = ras.Dialup();
    EXPECT_LT(took.elapsed(), 5000);
    EXPECT_EQ(result, d.code) << ras.ErrMsg(result).toStdString();
    if (d.code == 0) {
        EXPECT_EQ(heard.events, QStringList{"ConnectComplete"});
        EXPECT_NE(ras.Connection(), 0u);
        EXPECT_TRUE(ras.SeekEnumConns(QStringLiteral("isp"), false));
    } else {
        EXPECT_EQ(heard.events, (QStringList{"sleep 3000", QStringLiteral("ConnectError %1").arg(d.code)}));
        EXPECT_EQ(ras.Connection(), 0u);
        EXPECT_FALSE(ras.ErrMsg(d.code).isEmpty());
    }
    EXPECT_EQ(!mock.activeConnections().isEmpty(), d.leftActive);
    EXPECT_FALSE(ras.Dialling());
}

// The device's own reasons: 10 is "login failed", 9 "no secrets".
INSTANTIATE_TEST_SUITE_P(
    Outcomes, Dials,
    ::testing::Values(
        Dial{"connected", nullptr, nullptr, "isp", 0, true},
        Dial{"no profile of the name", nullptr, nullptr, "ISP", dialup::kNoProfile, false},
        Dial{"refused by NetworkManager",
             [](MockNetworkManager& m) {
                 m.activateRaises("org.freedesktop.NetworkManager.PermissionDenied");
             },
             nullptr, "isp", dialup::kNotAuthorised, false},
        Dial{"refused by polkit",
             [](MockNetworkManager& m) { m.activateRaises("org.freedesktop.DBus.Error.AccessDenied"); },
             nullptr, "isp", dialup::kNotAuthorised, false},
        Dial{"no device",
             [](MockNetworkManager& m) {
                 m.activateRaises("org.freedesktop.NetworkManager.ConnectionNotAvailable");
             },
             nullptr, "isp", dialup::kNoDevice, false},
        Dial{"another error",
             [](MockNetworkManager& m) { m.activateRaises("org.freedesktop.NetworkManager.Failed"); },
             nullptr, "isp", dialup::kFailed, false},
        Dial{"login failed", [](MockNetworkManager& m) { m.activateStaysActivating(); },
             [](MockNetworkManager& m, const QString& active, const QString&) { m.fail(active, 10); }, "isp",
             dialup::kReasonBase + 10, false},
        Dial{"ended before the dial listened",
             [](MockNetworkManager& m) {
                 m.replaceActivate(QStringLiteral(
                     "n = str(100 + len(self.Get('org.freedesktop.NetworkManager', 'ActiveConnections')))\n"
                     "ret = dbus.ObjectPath(self.AddActiveConnection([], args[0], '/', n, dbus.UInt32(4)))"));
             },
             nullptr, "isp", dialup::kReasonBase, false},
        Dial{"vanished while activating", [](MockNetworkManager& m) { m.activateStaysActivating(); },
             [](MockNetworkManager& m, const QString& active, const QString& device) {
                 m.remove(device, active);
             },
             "isp", dialup::kReasonBase, false},
        Dial{"no outcome within the limit", [](MockNetworkManager& m) { m.activateStaysActivating(); },
             nullptr, "isp", dialup::kTimeLimit, false}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); },
            '_');
        return name;
    });

TEST_F(NmBackend, WithoutNetworkManagerADialFailsAtOnce) {
    VBRas32 ras;
    ras.setEntry(QStringLiteral("isp"));
    Heard heard(ras);
    EXPECT_EQ(ras.Dialup(), dialup::kNoNetworkManager);
    EXPECT_EQ(heard.events,
              (QStringList{"sleep 3000", QStringLiteral("ConnectError %1").arg(dialup::kNoNetworkManager)}));
}

TEST_F(NmBackend, SeekingComparesEveryConnectionThatIsUp) {
    mock.start();
    mock.addDevice();
    struct Case {
        const char* name;
        QStringList up;         // profiles activated, in order
        QStringList activating; // of those, the ones put back to state 1
        const char* asked;
        bool keep, found;
        int keptIndex; // which activation's connection is kept
    } cases[] = {
        {"kept", {"isp"}, {}, "isp", true, true, 0},
        {"found, not kept", {"isp"}, {}, "isp", false, true, -1},
        {"letter case differs", {"ISP"}, {}, "isp", true, false, -1},
        {"the second of two", {"lan", "isp"}, {}, "isp", true, true, 1},
        {"the third of three", {"lan", "vpn", "isp"}, {}, "isp", true, true, 2},
        {"the last of five", {"lan", "vpn", "wifi", "tether", "isp"}, {}, "isp", true, true, 4},
        {"still activating", {"lan", "isp"}, {"isp"}, "isp", true, false, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString& active : mock.activeConnections())
            mock.deactivate(active);
        QStringList made;
        for (const QString& id : c.up) {
            made << mock.activate(mock.addProfile(id));
            if (c.activating.contains(id))
                mock.setState(made.constLast(), 1);
        }
        VBRas32 ras;
        // The cache follows within a tick of NetworkManager's signals.
        const bool settled = within(100, [&] {
            const QList<nm::ActiveConnection> cached = nm::activeConnections();
            return cached.size() == made.size() &&
                   std::count_if(cached.cbegin(), cached.cend(), [](const nm::ActiveConnection& a) {
                       return a.state == nm::Activated;
                   }) == made.size() - c.activating.size();
        });
        ASSERT_TRUE(settled);
        ras.setEntry(QStringLiteral("before"));
        EXPECT_EQ(ras.SeekEnumConns(QLatin1String(c.asked), c.keep), c.found);
        EXPECT_EQ(ras.Entry(), c.keptIndex >= 0 ? QLatin1String(c.asked) : QLatin1String("before"));
        EXPECT_EQ(ras.Connection() != 0, c.keptIndex >= 0);
        if (c.keptIndex < 0)
            continue;
        // The handle kept is that connection's: hanging it up ends that one and no other.
        platform::pace::Recorder recorder;
        EXPECT_EQ(ras.HangUp(), 0);
        QStringList left = made;
        left.removeAt(c.keptIndex);
        EXPECT_EQ(mock.activeConnections(), left);
    }
}

TEST_F(NmBackend, TheCacheFollowsAnOutsideChangeWithinATickAndAsksNothingPerAsk) {
    mock.start();
    mock.addDevice();
    const QString profile = mock.addProfile(QStringLiteral("isp"));
    VBRas32 ras;
    EXPECT_FALSE(ras.SeekEnumConns(QStringLiteral("isp"), true));

    const QString active = mock.activate(profile);
    EXPECT_TRUE(within(100, [&] { return ras.SeekEnumConns(QStringLiteral("isp"), true); }));
    mock.setState(active, 3); // deactivating: no longer up
    EXPECT_TRUE(within(100, [&] { return !ras.SeekEnumConns(QStringLiteral("isp"), true); }));
    mock.setState(active, 2);
    EXPECT_TRUE(within(100, [&] { return ras.SeekEnumConns(QStringLiteral("isp"), true); }));

    // Ten times a second for a while, as her menu asks: not one property read.
    const int reads = mock.propertyReads();
    for (int i = 0; i < 30; ++i) {
        EXPECT_TRUE(ras.SeekEnumConns(QStringLiteral("isp"), true));
        QTest::qWait(10);
    }
    EXPECT_EQ(mock.propertyReads(), reads);

    mock.deactivate(active);
    EXPECT_TRUE(within(100, [&] { return !ras.SeekEnumConns(QStringLiteral("isp"), true); }));
}

TEST_F(NmBackend, TheCacheIsReadAnewWhenNetworkManagerComesBack) {
    mock.start();
    mock.addDevice();
    mock.activate(mock.addProfile(QStringLiteral("isp")));
    VBRas32 ras;
    EXPECT_TRUE(ras.SeekEnumConns(QStringLiteral("isp"), false)); // read whole when first asked
    mock.stop();
    EXPECT_TRUE(within(1000, [&] { return !ras.SeekEnumConns(QStringLiteral("isp"), false); }));
    mock.start();
    mock.addDevice();
    mock.activate(mock.addProfile(QStringLiteral("isp")));
    EXPECT_TRUE(within(1000, [&] { return ras.SeekEnumConns(QStringLiteral("isp"), false); }));
}

TEST_F(NmBackend, HangingUpNothingKeptEndsNothing) {
    mock.start();
    mock.addDevice();
    mock.activate(mock.addProfile(QStringLiteral("isp")));
    VBRas32 ras;
    platform::pace::Recorder recorder;
    EXPECT_EQ(ras.HangUp(), dialup::kNoConnection);
    EXPECT_EQ(recorder.events, QStringList{"sleep 3000"});
    EXPECT_EQ(mock.activeConnections().size(), 1);
    EXPECT_EQ(mock.calls(QStringLiteral("DeactivateConnection")), 0);
}

// NetworkManager hands the path of an ended connection to the next one: a handle kept from before
// must not end the connection of another profile that now has its path.
TEST_F(NmBackend, AStaleHandleEndsNothing) {
    mock.start();
    mock.addDevice();
    const QString isp = mock.addProfile(QStringLiteral("isp"));
    const QString other = mock.addProfile(QStringLiteral("other"));
    const QString first = mock.activate(isp);
    VBRas32 ras;
    ASSERT_TRUE(within(100, [&] { return ras.SeekEnumConns(QStringLiteral("isp"), true); }));
    mock.deactivate(first);
    const QString second = mock.activate(other);
    ASSERT_EQ(second, first); // the same path, now another profile's
    platform::pace::Recorder recorder;
    EXPECT_EQ(ras.HangUp(), dialup::kNoConnection);
    EXPECT_EQ(recorder.events, QStringList{"sleep 3000"});
    EXPECT_EQ(mock.activeConnections(), QStringList{second});
    EXPECT_EQ(ras.Connection(), 0u);
}

TEST_F(NmBackend, ADialedConnectionIsHungUpByItsOwnHandle) {
    mock.start();
    mock.addDevice();
    mock.addProfile(QStringLiteral("isp"));
    VBRas32 ras;
    ras.setEntry(QStringLiteral("isp"));
    platform::pace::Recorder recorder;
    ASSERT_EQ(ras.Dialup(), 0);
    const quint32 dialled = ras.Connection();
    // The lookup's handle of the same connection is another number: a dial never reuses one.
    VBRas32 other;
    ASSERT_TRUE(within(100, [&] { return other.SeekEnumConns(QStringLiteral("isp"), true); }));
    EXPECT_NE(other.Connection(), dialled);
    EXPECT_EQ(ras.HangUp(), 0);
    EXPECT_TRUE(mock.activeConnections().isEmpty());
    EXPECT_EQ(other.HangUp(), dialup::kNoConnection);
}

} // namespace

// The dial-up object: as it stands on a desktop without dial-up (the default backend), and its own
// rules over a backend of the test's own: the entry slots, the lookup of a connection, the dial's
// two outcomes and the hang-up.
#include "app/dialup/VBRas32.h"
#include "fake_dialup.h"
#include "platform/pace.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// The signals of one object, in the order raised, with the pauses between them.
struct Heard {
    QStringList events;
    platform::pace::Recorder recorder;
    QObject listening; // the connections go with it

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

TEST(VBRas32Default, NoEntryNothingConnectedAndADialThatFailsOnce) {
    dialup::install(nullptr);
    VBRas32 ras;
    EXPECT_EQ(ras.EntryCount(), 0);
    EXPECT_EQ(ras.EnumEntries(0), QString());
    EXPECT_THROW(ras.EnumEntries(1), std::out_of_range);
    EXPECT_THROW(ras.EnumEntries(-1), std::out_of_range);
    EXPECT_EQ(ras.RefreshEntries(), 0);
    EXPECT_TRUE(ras.Entry().isEmpty() && ras.UserID().isEmpty() && ras.password().isEmpty() &&
                ras.Domain().isEmpty() && ras.PhoneBook().isEmpty());
    EXPECT_TRUE(ras.ShowMoniter());
    EXPECT_FALSE(ras.SeekEnumConns(QString(), true));
    EXPECT_FALSE(ras.SeekEnumConns(QStringLiteral("isp"), true));
    EXPECT_EQ(ras.Connection(), 0u);

    ras.setEntry(QStringLiteral("isp"));
    Heard heard(ras);
    EXPECT_EQ(ras.Dialup(), dialup::kNoEntry);
    EXPECT_EQ(heard.events,
              (QStringList{"sleep 3000", QStringLiteral("ConnectError %1").arg(dialup::kNoEntry)}));
    EXPECT_EQ(ras.Connection(), 0u);
    EXPECT_FALSE(ras.ErrMsg(dialup::kNoEntry).isEmpty());
    EXPECT_EQ(ras.ErrMsg(0), QString());
}

class WithBackend : public ::testing::Test {
protected:
    void SetUp() override { dialup::install(backend); }
    void TearDown() override { dialup::install(nullptr); }
    std::shared_ptr<FakeRas> backend = std::make_shared<FakeRas>();
};

TEST_F(WithBackend, TheEntriesOfTheListingMadeAtCreationAndOneEmptySlot) {
    backend->entries = QStringList{"isp", "会社"};
    VBRas32 ras;
    backend->entries = QStringList{"later"}; // a new listing only when asked for
    EXPECT_EQ(ras.EntryCount(), 2);
    EXPECT_EQ(ras.EnumEntries(0), "isp");
    EXPECT_EQ(ras.EnumEntries(1), "会社");
    EXPECT_EQ(ras.EnumEntries(2), QString());
    EXPECT_THROW(ras.EnumEntries(3), std::out_of_range);
    ras.setPhoneBook(QStringLiteral("/etc/book"));
    backend->listResult = 5;
    EXPECT_EQ(ras.RefreshEntries(), 5);
    EXPECT_EQ(ras.EntryCount(), 1);
    EXPECT_EQ(backend->calls, (QStringList{"EnumEntries ", "EnumEntries /etc/book"}));
}

TEST_F(WithBackend, SeekingAConnection) {
    struct Case {
        const char* name;
        QList<dialup::Connection> active;
        qint32 result;
        const char* asked;
        bool keep, found;
        quint32 handle; // the connection kept afterwards
    } cases[] = {
        {"none", {}, 0, "isp", true, false, 0},
        {"found, not kept", {{11, "isp"}}, 0, "isp", false, true, 0},
        {"found and kept", {{11, "isp"}}, 0, "isp", true, true, 11},
        {"letter case differs", {{11, "ISP"}}, 0, "isp", true, false, 0},
        {"the second of two", {{11, "lan"}, {12, "isp"}}, 0, "isp", true, true, 12},
        {"three do not fit", {{11, "lan"}, {12, "isp"}, {13, "vpn"}}, 0, "isp", true, false, 0},
        {"the listing fails", {{11, "isp"}}, 603, "isp", true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        backend->connections = c.active;
        backend->listResult = c.result;
        VBRas32 ras;
        ras.setEntry(QStringLiteral("before"));
        EXPECT_EQ(ras.SeekEnumConns(QLatin1String(c.asked), c.keep), c.found);
        EXPECT_EQ(ras.Connection(), c.handle);
        EXPECT_EQ(ras.Entry(), c.handle ? QLatin1String(c.asked) : QLatin1String("before"));
    }
}

TEST_F(WithBackend, ADialRaisesExactlyOneOutcomeBeforeItReturns) {
    VBRas32 ras;
    ras.setEntry(QStringLiteral("isp"));
    ras.setUserID(QStringLiteral("me"));
    ras.setPassword(QStringLiteral("secret"));
    {
        Heard heard(ras);
        backend->dialled = {0, 7};
        EXPECT_EQ(ras.Dialup(), 0);
        EXPECT_EQ(heard.events, QStringList{"ConnectComplete"});
        EXPECT_EQ(ras.Connection(), 7u);
    }
    {
        Heard heard(ras);
        backend->calls.clear();
        backend->dialled = {678, 9};
        EXPECT_EQ(ras.Dialup(), 678);
        // What the failed dial left is hung up and waited for before the error is raised.
        EXPECT_EQ(backend->calls, (QStringList{"Dial isp me secret", "HangUp 9"}));
        EXPECT_EQ(heard.events, (QStringList{"sleep 3000", "ConnectError 678"}));
        EXPECT_EQ(ras.Connection(), 0u);
        EXPECT_EQ(ras.ErrMsg(678), "error 678");
    }
}

TEST_F(WithBackend, HangingUpEndsTheKeptConnectionAndWaits) {
    backend->connections = {{21, "isp"}};
    VBRas32 ras;
    ASSERT_TRUE(ras.SeekEnumConns(QStringLiteral("isp"), true));
    platform::pace::Recorder recorder;
    EXPECT_EQ(ras.HangUp(), 0);
    EXPECT_EQ(ras.Connection(), 0u);
    EXPECT_EQ(recorder.events, QStringList{"sleep 3000"});
    // With nothing kept, the service is still asked, with handle 0.
    ras.HangUp();
    EXPECT_EQ(backend->calls.filter("HangUp"), (QStringList{"HangUp 21", "HangUp 0"}));
}

} // namespace

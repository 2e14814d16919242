// The dial-up object: as it stands on a desktop without dial-up (the default backend), and its own
// rules over a backend of the test's own: the entry slots, the lookup of a connection, the dial's
// two outcomes and the hang-up. NetworkManager's backend: nm_backend_test.cpp.
#include "app/dialup/VBRas32.h"
#include "fake_dialup.h"
#include "platform/pace.h"

#include <QSet>
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
    EXPECT_EQ(ras.PlatformId(), 2);
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
    platform::pace::Recorder recorder;
    EXPECT_EQ(ras.HangUp(), dialup::kNoConnection);
    EXPECT_EQ(recorder.events, QStringList{"sleep 3000"});
}

TEST(VBRas32Codes, EveryCodeOfOursHasItsOwnTextAndNoOtherCodeHasOne) {
    VBRas32 ras;
    QSet<QString> texts;
    QList<qint32> ours{
        dialup::kNoProfile, dialup::kNoNetworkManager, dialup::kNotAuthorised, dialup::kNoDevice,
        dialup::kTimeLimit, dialup::kDialling,         dialup::kNoConnection,  dialup::kFailed};
    for (qint32 reason = 0; reason <= 14; ++reason)
        ours << dialup::kReasonBase + reason;
    for (qint32 code : ours) {
        const QString text = ras.ErrMsg(code);
        EXPECT_FALSE(text.isEmpty()) << code;
        EXPECT_FALSE(texts.contains(text)) << code << " repeats " << text.toStdString();
        texts << text;
    }
    for (qint32 code : {0, -1, 623, 678, dialup::kReasonBase - 1, dialup::kReasonBase + 15, 1099, 1108})
        EXPECT_EQ(ras.ErrMsg(code), QString()) << code;
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
    EXPECT_THROW(ras.EnumEntries(-1), std::out_of_range);
    // The phone book is kept but asks nothing of the backend.
    ras.setPhoneBook(QStringLiteral("/etc/book"));
    EXPECT_EQ(ras.PhoneBook(), "/etc/book");
    backend->listResult = dialup::kNoNetworkManager;
    EXPECT_EQ(ras.RefreshEntries(), dialup::kNoNetworkManager);
    EXPECT_EQ(ras.EntryCount(), 1);
    EXPECT_EQ(backend->calls, (QStringList{"EnumEntries", "EnumEntries"}));
}

TEST_F(WithBackend, SeekingAConnection) {
    const QList<dialup::Connection> five{{11, "lan"}, {12, "vpn"}, {13, "wifi"}, {14, "tether"}, {15, "isp"}};
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
        {"the third of three", {{11, "lan"}, {12, "vpn"}, {13, "isp"}}, 0, "isp", true, true, 13},
        {"the last of five", five, 0, "isp", true, true, 15},
        {"the first of two of the name", {{11, "isp"}, {12, "isp"}}, 0, "isp", true, true, 11},
        {"the listing fails", {{11, "isp"}}, dialup::kNoNetworkManager, "isp", true, false, 0},
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
    ras.setDomain(QStringLiteral("home"));
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
        backend->dialled = {dialup::kNoDevice, 9};
        EXPECT_EQ(ras.Dialup(), dialup::kNoDevice);
        // Only the entry's name leaves the object; what the failed dial left is ended and waited
        // for before the error is raised.
        EXPECT_EQ(backend->calls, (QStringList{"Dial isp", "HangUp 9"}));
        EXPECT_EQ(heard.events,
                  (QStringList{"sleep 3000", QStringLiteral("ConnectError %1").arg(dialup::kNoDevice)}));
        EXPECT_EQ(ras.Connection(), 0u);
    }
    {
        // A dial that made nothing leaves nothing to end.
        Heard heard(ras);
        backend->calls.clear();
        backend->dialled = {dialup::kNotAuthorised, 0};
        EXPECT_EQ(ras.Dialup(), dialup::kNotAuthorised);
        EXPECT_EQ(backend->calls, QStringList{"Dial isp"});
        EXPECT_EQ(heard.events,
                  (QStringList{"sleep 3000", QStringLiteral("ConnectError %1").arg(dialup::kNotAuthorised)}));
    }
}

TEST_F(WithBackend, TheErrorHandlersCodeIsWhatTheDialReturns) {
    VBRas32 ras;
    backend->dialled = {dialup::kTimeLimit, 0};
    QObject::connect(&ras, &VBRas32::ConnectError, &ras, [](qint32& code) { code = 0; });
    platform::pace::Recorder recorder;
    EXPECT_EQ(ras.Dialup(), 0);
}

TEST_F(WithBackend, AHandlerMayDialAgainButNoDialNestsInAWaitingOne) {
    VBRas32 ras;
    ras.setEntry(QStringLiteral("isp"));
    platform::pace::Recorder recorder;
    // A timer that runs while the dial waits asks for another dial: refused at once, nothing raised.
    qint32 nested = -1;
    int errors = 0;
    QObject::connect(&ras, &VBRas32::ConnectError, &ras, [&](qint32& code) {
        ++errors;
        EXPECT_FALSE(ras.Dialling());
        if (errors == 1) {
            backend->dialled = {0, 8};
            code = ras.Dialup(); // the retry of a holder such as the palk window
        }
    });
    backend->onDial = [&] {
        EXPECT_TRUE(ras.Dialling());
        nested = ras.Dialup();
    };
    backend->dialled = {dialup::kReasonBase + 10, 0};
    EXPECT_EQ(ras.Dialup(), 0);
    EXPECT_EQ(nested, dialup::kDialling);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(backend->calls.filter("Dial"), (QStringList{"Dial isp", "Dial isp"}));
    EXPECT_EQ(ras.Connection(), 8u);
}

TEST_F(WithBackend, ADialNeverKeepsTheHandleOfBefore) {
    backend->connections = {{21, "isp"}};
    VBRas32 ras;
    ASSERT_TRUE(ras.SeekEnumConns(QStringLiteral("isp"), true));
    ASSERT_EQ(ras.Connection(), 21u);
    // Asked while dialling (her gating tick), the lookup takes nothing over.
    backend->onDial = [&] {
        EXPECT_TRUE(ras.SeekEnumConns(QStringLiteral("isp"), true));
        EXPECT_EQ(ras.Connection(), 0u);
    };
    backend->dialled = {dialup::kFailed, 0};
    platform::pace::Recorder recorder;
    ras.Dialup();
    EXPECT_EQ(ras.Connection(), 0u);
    EXPECT_FALSE(backend->calls.contains("HangUp 21"));
}

TEST_F(WithBackend, HangingUpEndsTheKeptConnectionAndWaits) {
    backend->connections = {{21, "isp"}};
    VBRas32 ras;
    ASSERT_TRUE(ras.SeekEnumConns(QStringLiteral("isp"), true));
    platform::pace::Recorder recorder;
    EXPECT_EQ(ras.HangUp(), 0);
    EXPECT_EQ(ras.Connection(), 0u);
    EXPECT_EQ(recorder.events, QStringList{"sleep 3000"});
    // With nothing kept the backend's code comes back, after the same wait.
    backend->hangUpResult = dialup::kNoConnection;
    EXPECT_EQ(ras.HangUp(), dialup::kNoConnection);
    EXPECT_EQ(backend->calls.filter("HangUp"), (QStringList{"HangUp 21", "HangUp 0"}));
    EXPECT_EQ(recorder.events, (QStringList{"sleep 3000", "sleep 3000"}));
}

} // namespace

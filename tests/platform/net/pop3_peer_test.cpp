#include "platform/net/mail_transfer.h"
#include "pop3_peer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <future>
#include <gtest/gtest.h>

namespace {

using mail_transfer::RcvMail;

QString serverOf(const Pop3Peer& peer) {
    return QStringLiteral("127.0.0.1\t%1").arg(peer.port());
}

struct Timed {
    std::optional<QStringList> result;
    QString error;
    qint64 ms = 0;
    int ticks = 0; // of a 20 ms timer on this thread, which the call must not hold up
};

// Runs the call on a worker while this thread's event loop turns, as the program waits for one.
Timed runTimed(std::function<std::optional<QStringList>()> call) {
    Timed timed;
    QElapsedTimer clock;
    clock.start();
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    std::thread worker([&] {
        timed.result = call();
        timed.error = mail_transfer::lastError();
        done.set_value();
    });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++timed.ticks; });
    tick.start(20);
    while (finished.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    timed.ms = clock.elapsed();
    return timed;
}

class Pop3PeerTest : public ::testing::Test {
protected:
    void SetUp() override { mail_transfer::setLimits({1000, 1000}); }
    void TearDown() override { mail_transfer::setLimits({}); }
};

std::vector<QByteArray> numbered(int count) {
    std::vector<QByteArray> messages;
    for (int i = 1; i <= count; ++i)
        messages.push_back(Pop3Peer::message("subject " + QByteArray::number(i)));
    return messages;
}

// Commands that begin with prefix.
qsizetype countOf(const QByteArrayList& commands, const char* prefix) {
    return std::count_if(commands.begin(), commands.end(),
                         [&](const QByteArray& command) { return command.startsWith(prefix); });
}

void expectNoDelete(Pop3Peer& peer) {
    const QByteArrayList commands = peer.commands();
    for (const QByteArray& command : commands)
        EXPECT_FALSE(command.toUpper().startsWith("DELE")) << command.constData();
}

struct FaultCase {
    const char* name;
    Pop3Peer::Fault fault;
    const char* command;
    const char* error;
};
void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

class Faults : public Pop3PeerTest, public ::testing::WithParamInterface<FaultCase> {};

// Each fault ends the call as a failure within twice the 1 s limits, while the caller's timers run;
// SAVEALL leaves no file behind.
TEST_P(Faults, FailWithinTheLimits) {
    const FaultCase& c = GetParam();
    Pop3Peer peer(numbered(3), c.fault);
    ASSERT_TRUE(peer.listening());
    QTemporaryDir folder;
    const Timed timed = runTimed([&] {
        return RcvMail(serverOf(peer), QStringLiteral("me"), QStringLiteral("pw"),
                       QString::fromUtf8(c.command), folder.path());
    });
    EXPECT_FALSE(timed.result.has_value());
    EXPECT_FALSE(timed.error.isEmpty());
    EXPECT_EQ(timed.error, QString::fromUtf8(c.error));
    EXPECT_LT(timed.ms, 2000);
    EXPECT_GE(timed.ticks, timed.ms / 20 / 2);
    EXPECT_TRUE(QDir(folder.path()).isEmpty(QDir::Files | QDir::Hidden));
    expectNoDelete(peer);
}

INSTANTIATE_TEST_SUITE_P(
    Peer, Faults,
    ::testing::Values(
        FaultCase{"silent_before_greeting", Pop3Peer::SilentBeforeGreeting, "STAT",
                  "サーバの応答がありません"},
        FaultCase{"silent_after_stat", Pop3Peer::SilentAfterStat, "STAT", "サーバの応答がありません"},
        FaultCase{"garbage", Pop3Peer::Garbage, "STAT", "サーバの応答がありません"},
        FaultCase{"err_to_stat", Pop3Peer::ErrOnStat, "STAT", "サーバがエラーを返しました"},
        FaultCase{"stat_without_count", Pop3Peer::BareStat, "STAT", "サーバの応答が読めません"},
        FaultCase{"err_to_stat_before_saving", Pop3Peer::ErrOnStat, "SAVEALL", "サーバがエラーを返しました"},
        // libcurl takes the close for the message's end: the cut message must not
        // count as stored.
        FaultCase{"close_mid_retr", Pop3Peer::CloseMidRetr, "SAVEALL", "サーバとの接続が途中で切れました"},
        FaultCase{"close_mid_first_retr", Pop3Peer::CloseMidFirstRetr, "SAVEALL",
                  "サーバとの接続が途中で切れました"},
        FaultCase{"silent_mid_retr", Pop3Peer::SilentMidRetr, "SAVEALL", "サーバの応答がありません"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Pop3PeerTest, StatGivesTheReplyAfterOk) {
    Pop3Peer peer(numbered(3));
    const auto result =
        RcvMail(serverOf(peer), QStringLiteral("me"), QStringLiteral("pw"), QStringLiteral("STAT"), {});
    ASSERT_TRUE(result.has_value()) << mail_transfer::lastError().toStdString();
    ASSERT_EQ(result->size(), 1);
    EXPECT_TRUE(result->at(0).startsWith(QStringLiteral("3 "))) << result->at(0).toStdString();
    EXPECT_EQ(countOf(peer.commands(), "STAT"), 1);
    EXPECT_EQ(peer.commands().last(), QByteArray("QUIT"));
}

// 123 messages: a subject each, in order, on one connection; a second LIST in the same run asks
// for no header it has seen.
TEST_F(Pop3PeerTest, ListReadsEverySubjectOnceARun) {
    Pop3Peer peer(numbered(123));
    const QString server = serverOf(peer);
    const auto first =
        RcvMail(server, QStringLiteral("list-user"), QStringLiteral("pw"), QStringLiteral("LIST"), {});
    ASSERT_TRUE(first.has_value()) << mail_transfer::lastError().toStdString();
    ASSERT_EQ(first->size(), 123);
    EXPECT_EQ(first->at(0), QStringLiteral("Subject:subject 1"));
    EXPECT_EQ(first->at(122), QStringLiteral("Subject:subject 123"));
    EXPECT_EQ(countOf(peer.commands(), "TOP "), 123);
    EXPECT_EQ(peer.connections(), 1);

    const auto second =
        RcvMail(server, QStringLiteral("list-user"), QStringLiteral("pw"), QStringLiteral("LIST"), {});
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(*second, *first);
    EXPECT_EQ(countOf(peer.commands(), "TOP "), 123);
    expectNoDelete(peer);
    EXPECT_EQ(countOf(peer.commands(), "QUIT"), 2);
}

TEST_F(Pop3PeerTest, ListWithoutUidlAsksForEveryHeader) {
    Pop3Peer peer(numbered(4), Pop3Peer::NoUidl);
    for (int run = 0; run < 2; ++run) {
        const auto result =
            RcvMail(serverOf(peer), QStringLiteral("me"), QStringLiteral("pw"), QStringLiteral("LIST"), {});
        ASSERT_TRUE(result.has_value()) << mail_transfer::lastError().toStdString();
        EXPECT_EQ(result->value(3), QStringLiteral("Subject:subject 4"));
    }
    EXPECT_EQ(countOf(peer.commands(), "TOP "), 8);
}

TEST_F(Pop3PeerTest, SaveAllStoresEveryMessageWhole) {
    const std::vector<QByteArray> messages = numbered(3);
    Pop3Peer peer(messages);
    QTemporaryDir folder;
    const auto files = RcvMail(serverOf(peer), QStringLiteral("me"), QStringLiteral("pw"),
                               QStringLiteral("SAVEALL"), folder.path());
    ASSERT_TRUE(files.has_value()) << mail_transfer::lastError().toStdString();
    ASSERT_EQ(files->size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(files->at(i).endsWith(QStringLiteral(".tmp")));
        EXPECT_EQ(QFileInfo(files->at(i)).absolutePath(), QDir(folder.path()).absolutePath());
        QFile file(files->at(i));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), messages[size_t(i)]); // dots unstuffed
    }
    const QByteArrayList commands = peer.commands();
    EXPECT_EQ(countOf(commands, "RETR "), 3);
    EXPECT_EQ(commands.value(commands.size() - 2), QByteArray("NOOP"));
    EXPECT_EQ(commands.last(), QByteArray("QUIT"));
    expectNoDelete(peer);
}

TEST_F(Pop3PeerTest, SaveAllOfAnEmptyMailboxGivesAnEmptyArray) {
    Pop3Peer peer({});
    QTemporaryDir folder;
    const auto files = RcvMail(serverOf(peer), QStringLiteral("me"), QStringLiteral("pw"),
                               QStringLiteral("SAVEALL"), folder.path());
    ASSERT_TRUE(files.has_value());
    EXPECT_TRUE(files->isEmpty());
}

// In a network of its own this test may hold port 110 itself.
TEST_F(Pop3PeerTest, ServerWithoutPortMeans110) {
    Pop3Peer peer(numbered(2), Pop3Peer::None, 110);
    ASSERT_TRUE(peer.listening()) << "port 110 is taken";
    for (const QString& server : {QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.1\t")}) {
        const auto result =
            RcvMail(server, QStringLiteral("me"), QStringLiteral("pw"), QStringLiteral("STAT"), {});
        ASSERT_TRUE(result.has_value()) << mail_transfer::lastError().toStdString();
        EXPECT_TRUE(result->at(0).startsWith(QStringLiteral("2 ")));
    }
}

TEST_F(Pop3PeerTest, BadServerTextsFailWithoutConnecting) {
    Pop3Peer peer(numbered(1));
    const QString port = QString::number(peer.port());
    for (const QString& server :
         {QStringLiteral("127.0.0.1\t0"), QStringLiteral("127.0.0.1\t65536"),
          QStringLiteral("127.0.0.1\t+110"), QStringLiteral("127.0.0.1\t1e2"),
          QStringLiteral("127.0.0.1\t-1"), QStringLiteral(""), QStringLiteral("bad host\t") + port,
          QStringLiteral("127.0.0.1/x\t") + port}) {
        EXPECT_FALSE(RcvMail(server, QStringLiteral("me"), QStringLiteral("pw"), QStringLiteral("STAT"), {}))
            << server.toStdString();
        EXPECT_FALSE(mail_transfer::lastError().isEmpty());
    }
    EXPECT_EQ(peer.connections(), 0);
}

TEST_F(Pop3PeerTest, LineBreaksInCredentialsFailWithoutConnecting) {
    Pop3Peer peer(numbered(1));
    for (const auto& [user, password] : {std::pair{QStringLiteral("me\r\nDELE 1"), QStringLiteral("pw")},
                                         std::pair{QStringLiteral("me"), QStringLiteral("pw\nDELE 1")},
                                         std::pair{QStringLiteral("me"), QStringLiteral("pw\r")}}) {
        EXPECT_FALSE(RcvMail(serverOf(peer), user, password, QStringLiteral("STAT"), {}));
        EXPECT_FALSE(mail_transfer::lastError().isEmpty());
    }
    EXPECT_EQ(peer.connections(), 0);
}

// A server that offers STLS gets no password before TLS is up (here it never is).
TEST_F(Pop3PeerTest, StartsTlsWhenOffered) {
    Pop3Peer peer(numbered(1), Pop3Peer::OffersStls);
    EXPECT_FALSE(
        RcvMail(serverOf(peer), QStringLiteral("me"), QStringLiteral("pw"), QStringLiteral("STAT"), {}));
    const QByteArrayList commands = peer.commands();
    EXPECT_TRUE(commands.contains("STLS"));
    EXPECT_EQ(countOf(commands, "USER"), 0);
    EXPECT_EQ(countOf(commands, "PASS"), 0);
    EXPECT_EQ(countOf(commands, "AUTH"), 0);
    EXPECT_TRUE(peer.silentlyReceived().startsWith("\x16\x03")); // a TLS handshake record
}

// Port 995 starts with TLS before any POP3 word.
TEST_F(Pop3PeerTest, Port995IsTlsFromTheStart) {
    Pop3Peer peer(numbered(1), Pop3Peer::SilentBeforeGreeting, 995);
    ASSERT_TRUE(peer.listening()) << "port 995 is taken";
    EXPECT_FALSE(RcvMail(QStringLiteral("127.0.0.1\t995"), QStringLiteral("me"), QStringLiteral("pw"),
                         QStringLiteral("STAT"), {}));
    EXPECT_TRUE(peer.silentlyReceived().startsWith("\x16\x03"));
}

// The exit's cancel ends a session that would otherwise wait out long limits.
TEST_F(Pop3PeerTest, CancelEndsASessionInProgress) {
    mail_transfer::setLimits({30000, 30000});
    Pop3Peer peer(numbered(1), Pop3Peer::SilentAfterStat);
    QTimer::singleShot(200, [] { mail_transfer::cancel(); });
    const Timed timed = runTimed([&] {
        return RcvMail(serverOf(peer), QStringLiteral("me"), QStringLiteral("pw"), QStringLiteral("STAT"),
                       {});
    });
    EXPECT_FALSE(timed.result.has_value());
    EXPECT_LT(timed.ms, 1500);
    // and the next call runs as usual
    Pop3Peer next(numbered(1));
    EXPECT_TRUE(
        RcvMail(serverOf(next), QStringLiteral("me"), QStringLiteral("pw"), QStringLiteral("STAT"), {}));
}

// A reply that trickles in, a byte every 200 ms, fails once the limit has passed since its command
// went out, as a silent one does: a limit on the time between bytes would wait as long as the
// server likes. The session gets no further.
struct TrickleCase {
    const char* name;
    Pop3Peer::Fault fault;
    const char* command;
    const char* next; // a command the session must not have reached
};
void PrintTo(const TrickleCase& c, std::ostream* os) {
    *os << c.name;
}

class Trickles : public Pop3PeerTest, public ::testing::WithParamInterface<TrickleCase> {};

TEST_P(Trickles, FailWithinTheLimit) {
    const TrickleCase& c = GetParam();
    Pop3Peer peer(numbered(3), c.fault);
    ASSERT_TRUE(peer.listening());
    QTemporaryDir folder;
    const Timed timed = runTimed([&] {
        return RcvMail(serverOf(peer), QStringLiteral("me"), QStringLiteral("pw"),
                       QString::fromUtf8(c.command), folder.path());
    });
    EXPECT_FALSE(timed.result.has_value());
    EXPECT_EQ(timed.error, QStringLiteral("サーバの応答がありません"));
    EXPECT_LT(timed.ms, 1000 + 700);
    EXPECT_EQ(countOf(peer.commands(), c.next), 0);
    EXPECT_TRUE(QDir(folder.path()).isEmpty(QDir::Files | QDir::Hidden));
    expectNoDelete(peer);
}

INSTANTIATE_TEST_SUITE_P(Peer, Trickles,
                         ::testing::Values(TrickleCase{"stat", Pop3Peer::TrickleStat, "STAT", "QUIT"},
                                           TrickleCase{"uidl", Pop3Peer::TrickleUidl, "LIST", "TOP "},
                                           TrickleCase{"top", Pop3Peer::TrickleTop, "LIST", "TOP 2"},
                                           TrickleCase{"retr", Pop3Peer::TrickleRetr, "SAVEALL", "RETR 2"}),
                         [](const auto& info) { return std::string(info.param.name); });

// A large message over a slow line that keeps coming gets in whole, though it takes longer than the
// limit.
TEST_F(Pop3PeerTest, ASlowDownloadThatKeepsComingGetsInWhole) {
    const std::vector<QByteArray> messages{Pop3Peer::message("large", 1500)}; // about 16 KiB: 1.6 s
    Pop3Peer peer(messages, Pop3Peer::SlowRetr);
    QTemporaryDir folder;
    const Timed timed = runTimed([&] {
        return RcvMail(serverOf(peer), QStringLiteral("me"), QStringLiteral("pw"), QStringLiteral("SAVEALL"),
                       folder.path());
    });
    ASSERT_TRUE(timed.result.has_value()) << timed.error.toStdString();
    EXPECT_GT(timed.ms, 1000);
    ASSERT_EQ(timed.result->size(), 1);
    QFile file(timed.result->at(0));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), messages[0]);
}

// A server that never answers QUIT costs QUIT's own short limit, not a whole reply limit, and what
// the session did stands.
TEST_F(Pop3PeerTest, ASilentQuitCostsOnlyItsOwnLimit) {
    mail_transfer::setLimits({1000, 3000, 300});
    const std::vector<QByteArray> messages = numbered(2);
    for (const char* command : {"STAT", "LIST", "SAVEALL"}) {
        SCOPED_TRACE(command);
        Pop3Peer peer(messages, Pop3Peer::SilentQuit);
        QTemporaryDir folder;
        const Timed timed = runTimed([&] {
            return RcvMail(serverOf(peer), QStringLiteral("me"), QStringLiteral("pw"),
                           QString::fromUtf8(command), folder.path());
        });
        ASSERT_TRUE(timed.result.has_value()) << timed.error.toStdString();
        EXPECT_LT(timed.ms, 300 + 700);
        EXPECT_EQ(peer.commands().last(), QByteArray("QUIT"));
        const QStringList& result = *timed.result;
        if (command == std::string("STAT")) {
            EXPECT_TRUE(result.value(0).startsWith(QStringLiteral("2 "))) << result.value(0).toStdString();
        } else if (command == std::string("LIST")) {
            EXPECT_EQ(result, (QStringList{"Subject:subject 1", "Subject:subject 2"}));
        } else {
            ASSERT_EQ(result.size(), 2);
            for (int i = 0; i < 2; ++i) {
                QFile file(result[i]);
                ASSERT_TRUE(file.open(QIODevice::ReadOnly));
                EXPECT_EQ(file.readAll(), messages[size_t(i)]);
            }
        }
    }
}

// The caller takes the mark before it hands the call to a worker: a cancel asked before the worker
// began the call holds, and the call connects nowhere. A later mark runs as usual.
TEST_F(Pop3PeerTest, ACancelBeforeTheCallBeganHolds) {
    mail_transfer::setLimits({5000, 5000});
    Pop3Peer peer(numbered(1), Pop3Peer::SilentAfterStat);
    const mail_transfer::CancelMark mark = mail_transfer::cancelMark();
    mail_transfer::cancel();
    const Timed timed = runTimed([&] {
        return mail_transfer::RcvMailMarked(mark, serverOf(peer), QStringLiteral("me"), QStringLiteral("pw"),
                                            QStringLiteral("STAT"), {});
    });
    EXPECT_FALSE(timed.result.has_value());
    EXPECT_EQ(timed.error, QStringLiteral("受信を中断しました"));
    EXPECT_LT(timed.ms, 1000);
    EXPECT_EQ(peer.connections(), 0);

    Pop3Peer next(numbered(1));
    EXPECT_TRUE(mail_transfer::RcvMailMarked(mail_transfer::cancelMark(), serverOf(next),
                                             QStringLiteral("me"), QStringLiteral("pw"),
                                             QStringLiteral("STAT"), {}))
        << mail_transfer::lastError().toStdString();
}

} // namespace

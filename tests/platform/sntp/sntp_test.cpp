// Our SNTP client against a scripted peer on loopback: good replies, each field that makes a reply
// unfit to set a clock by, datagrams that are not replies to our question, silence beside a closed
// port, the era after 2036 and a fraction of a second.
#include "platform/sntp/sntp.h"
#include "sntp_peer.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QUdpSocket>
#include <functional>
#include <gtest/gtest.h>

namespace {

using platform::sntp::Failure;

using sntp_peer::Fields;
using sntp_peer::ntpOf;
using sntp_peer::Peer;

const QDateTime kServerTime(QDate(2024, 5, 14), QTime(4, 53, 9), Qt::UTC);

Fields good() {
    return sntp_peer::sentAt(kServerTime);
}

struct Case {
    const char* name;
    std::function<QList<Fields>()> answers; // one question's datagrams, in order
    Failure failure;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class Replies : public ::testing::TestWithParam<Case> {};

TEST_P(Replies, OnlyAFitReplyToOurQuestionCounts) {
    const Case& c = GetParam();
    Peer peer([&](const QByteArray&) { return c.answers(); });
    QElapsedTimer took;
    took.start();
    const platform::sntp::Result result =
        platform::sntp::query(QStringLiteral("127.0.0.1"), peer.port(), 700);
    EXPECT_EQ(result.failure, c.failure) << result.reason.toStdString();
    EXPECT_EQ(result.ok(), result.reason.isEmpty());
    // A refusal needs no wait; only silence uses up the limit, and no more than it.
    if (c.failure == Failure::NoReply) {
        EXPECT_GE(took.elapsed(), 650);
        EXPECT_LT(took.elapsed(), 1200);
    } else {
        EXPECT_LT(took.elapsed(), 500);
    }
    if (result.ok()) {
        EXPECT_LT(std::abs(result.utcUsec - kServerTime.toMSecsSinceEpoch() * 1000), 100000);
    }
    // The question: a client's of version 4 whose transmit timestamp is not our clock.
    ASSERT_EQ(peer.questions.size(), 1);
    const QByteArray q = peer.questions.constFirst();
    ASSERT_EQ(q.size(), 48);
    EXPECT_EQ(quint8(q[0]), (4 << 3) | 3);
    EXPECT_EQ(q.mid(1, 39), QByteArray(39, '\0'));
    EXPECT_NE(qFromBigEndian<quint64>(q.constData() + 40), 0u);
}

Fields with(std::function<void(Fields&)> change) {
    Fields f = good();
    change(f);
    return f;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Replies,
    ::testing::Values(
        Case{"good", [] { return QList<Fields>{good()}; }, Failure::None},
        Case{"version_3", [] { return QList{with([](Fields& f) { f.version = 3; })}; }, Failure::None},
        Case{"leap_warning_of_a_synchronised_clock",
             [] { return QList{with([](Fields& f) { f.leap = 1; })}; }, Failure::None},
        Case{"longer_than_48_bytes", [] { return QList{with([](Fields& f) { f.size = 68; })}; },
             Failure::None},
        Case{"mode_3", [] { return QList{with([](Fields& f) { f.mode = 3; })}; }, Failure::BadReply},
        Case{"mode_5", [] { return QList{with([](Fields& f) { f.mode = 5; })}; }, Failure::BadReply},
        Case{"version_2", [] { return QList{with([](Fields& f) { f.version = 2; })}; }, Failure::BadReply},
        Case{"version_5", [] { return QList{with([](Fields& f) { f.version = 5; })}; }, Failure::BadReply},
        Case{"leap_3", [] { return QList{with([](Fields& f) { f.leap = 3; })}; }, Failure::BadReply},
        Case{"stratum_0", [] { return QList{with([](Fields& f) { f.stratum = 0; })}; }, Failure::BadReply},
        Case{"stratum_16", [] { return QList{with([](Fields& f) { f.stratum = 16; })}; }, Failure::BadReply},
        Case{"zero_transmit_time", [] { return QList{with([](Fields& f) { f.transmit = 0; })}; },
             Failure::BadReply},
        Case{"short", [] { return QList{with([](Fields& f) { f.size = 47; })}; }, Failure::NoReply},
        Case{"short_then_good",
             [] {
                 return QList{with([](Fields& f) { f.size = 47; }), good()};
             },
             Failure::None},
        Case{"foreign_originate", [] { return QList{with([](Fields& f) { f.foreignOriginate = true; })}; },
             Failure::NoReply},
        Case{"foreign_originate_unfit_then_good",
             [] {
                 return QList{with([](Fields& f) {
                                  f.foreignOriginate = true;
                                  f.mode = 3;
                              }),
                              good()};
             },
             Failure::None},
        Case{"silence", [] { return QList<Fields>{}; }, Failure::NoReply}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SntpTime, TheEraAfter2036AndTheFractionOfASecond) {
    const QDateTime after(QDate(2040, 3, 1), QTime(12, 0, 0), Qt::UTC);
    const QDateTime before(QDate(2036, 2, 7), QTime(6, 28, 15), Qt::UTC);
    const QDateTime wrap(QDate(2036, 2, 7), QTime(6, 28, 16), Qt::UTC);
    EXPECT_EQ(platform::sntp::unixUsecOf(ntpOf(after)), after.toMSecsSinceEpoch() * 1000);
    EXPECT_EQ(platform::sntp::unixUsecOf(ntpOf(before)), before.toMSecsSinceEpoch() * 1000);
    EXPECT_EQ(platform::sntp::unixUsecOf(ntpOf(wrap)), wrap.toMSecsSinceEpoch() * 1000);
    const QDateTime seven(QDate(2003, 5, 14), QTime(13, 53, 9), Qt::UTC);
    const qint64 usec = platform::sntp::unixUsecOf(ntpOf(seven, 700000));
    EXPECT_EQ(usec / 1000000, seven.toSecsSinceEpoch());
    EXPECT_NEAR(double(usec % 1000000), 700000.0, 1.0);
}

TEST(SntpTime, AReplyFrom2040IsTakenAsIs) {
    const QDateTime later(QDate(2040, 3, 1), QTime(12, 0, 0), Qt::UTC);
    Peer peer([&](const QByteArray&) { return QList{sntp_peer::sentAt(later)}; });
    const platform::sntp::Result result =
        platform::sntp::query(QStringLiteral("127.0.0.1"), peer.port(), 700);
    ASSERT_TRUE(result.ok()) << result.reason.toStdString();
    EXPECT_LT(std::abs(result.utcUsec - later.toMSecsSinceEpoch() * 1000), 100000);
}

// The server's time now is its time of sending, half the trip it did not spend, and what passed
// here since the reply came.
TEST(SntpTime, TheTripAndTheTimeSinceTheReplyAreAdded) {
    Peer peer([&](const QByteArray&) {
        Fields f = good();
        f.receive = ntpOf(kServerTime.addMSecs(-200)); // the server held it 200 ms: no delay of the way
        return QList{f};
    });
    const platform::sntp::Result result =
        platform::sntp::query(QStringLiteral("127.0.0.1"), peer.port(), 700);
    ASSERT_TRUE(result.ok());
    EXPECT_LT(std::abs(result.utcUsec - kServerTime.toMSecsSinceEpoch() * 1000), 20000);
    QEventLoop loop;
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_NEAR(double(result.nowUsec() - result.utcUsec), 300000.0, 100000.0);
}

TEST(SntpFailures, UnknownNameAndCancel) {
    QElapsedTimer took;
    took.start();
    EXPECT_EQ(platform::sntp::query(QStringLiteral("no-such-host.invalid"), 123, 3000).failure,
              Failure::Resolve);
    EXPECT_EQ(platform::sntp::query(QString(), 123, 3000).failure, Failure::Resolve);
    EXPECT_LT(took.elapsed(), 2500);

    Peer silent([](const QByteArray&) { return QList<Fields>{}; });
    std::atomic_bool cancel{false};
    QTimer::singleShot(100, [&] { cancel = true; });
    took.restart();
    EXPECT_EQ(platform::sntp::query(QStringLiteral("127.0.0.1"), silent.port(), 3000, &cancel).failure,
              Failure::Cancelled);
    EXPECT_LT(took.elapsed(), 1000);
}

// A port where nobody listens is not silence: the kernel answers the question with a "port
// unreachable", which the connected socket reads as a refusal, so the question fails at once. Only
// a peer that takes the question and says nothing uses up the limit.
TEST(SntpFailures, AClosedPortFailsAtOnceASilentPeerAtTheLimit) {
    constexpr int kLimitMs = 2000;
    quint16 closed = 0;
    {
        QUdpSocket taken;
        ASSERT_TRUE(taken.bind(QHostAddress::LocalHost, 0));
        closed = taken.localPort();
    }
    QElapsedTimer took;
    took.start();
    const platform::sntp::Result refused =
        platform::sntp::query(QStringLiteral("127.0.0.1"), closed, kLimitMs);
    const qint64 refusedMs = took.elapsed();
    EXPECT_EQ(refused.failure, Failure::Unreachable) << refused.reason.toStdString();
    EXPECT_LT(refusedMs, 500);

    Peer silent([](const QByteArray&) { return QList<Fields>{}; });
    took.restart();
    const platform::sntp::Result unanswered =
        platform::sntp::query(QStringLiteral("127.0.0.1"), silent.port(), kLimitMs);
    const qint64 unansweredMs = took.elapsed();
    EXPECT_EQ(unanswered.failure, Failure::NoReply) << unanswered.reason.toStdString();
    EXPECT_GE(unansweredMs, kLimitMs - 50);
    EXPECT_LT(unansweredMs, kLimitMs + 500);
    EXPECT_EQ(silent.questions.size(), 1);
}

} // namespace

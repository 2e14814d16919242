#include "logind_mock.h"

#include "platform/dbus/logind.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using logind_mock::MockLogind;

// What PowerOff's callback was given, once it ran.
struct PowerOffAnswer {
    bool answered = false;
    bool ok = false;
    QString error;
};

// Asks for a power-off and waits (running the event loop) for the answer.
PowerOffAnswer powerOff() {
    PowerOffAnswer answer;
    QObject context;
    platform::logind::PowerOff(&context, [&](bool ok, const QString& error) { answer = {true, ok, error}; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return answer.answered; }, 10000));
    return answer;
}

class Logind : public ::testing::Test {
protected:
    void start(const QString& parameters = QStringLiteral("{}")) { mock.start(parameters); }
    void replaceMethod(const QString& name, const QString& in, const QString& out, const QString& code) {
        mock.replaceMethod(name, in, out, code);
    }
    std::vector<QVariantList> callsOf(const QString& method) { return mock.callsOf(method); }

    MockLogind mock;
};

struct Answer {
    const char* canPowerOff;
    bool may;
};

void PrintTo(const Answer& answer, std::ostream* os) {
    *os << answer.canPowerOff;
}

class LogindAnswers : public Logind, public ::testing::WithParamInterface<Answer> {};

TEST_P(LogindAnswers, CanPowerOffDecidesMayPowerOff) {
    const Answer answer = GetParam();
    start(QStringLiteral(R"({"CanPowerOff": "%1"})").arg(QString::fromLatin1(answer.canPowerOff)));
    EXPECT_EQ(platform::logind::CanPowerOff(), QString::fromLatin1(answer.canPowerOff));
    EXPECT_EQ(platform::logind::MayPowerOff(), answer.may);
}

INSTANTIATE_TEST_SUITE_P(Answers, LogindAnswers,
                         ::testing::Values(Answer{"yes", true}, Answer{"challenge", true},
                                           Answer{"no", false}, Answer{"na", false}, Answer{"maybe", false}),
                         [](const ::testing::TestParamInfo<Answer>& info) {
                             return std::string(info.param.canPowerOff);
                         });

TEST_F(Logind, PowerOffAsksLogindWithInteractiveAuthorisation) {
    start();
    ASSERT_TRUE(platform::logind::MayPowerOff());
    const PowerOffAnswer answer = powerOff();
    EXPECT_TRUE(answer.ok);
    EXPECT_TRUE(answer.error.isEmpty());
    const std::vector<QVariantList> calls = callsOf(QStringLiteral("PowerOff"));
    ASSERT_EQ(calls.size(), 1u);
    ASSERT_EQ(calls[0].size(), 1);
    EXPECT_EQ(calls[0][0].metaType(), QMetaType::fromType<bool>());
    EXPECT_TRUE(calls[0][0].toBool());
}

TEST_F(Logind, RefusedPowerOffGivesLogindsMessage) {
    start();
    replaceMethod(
        QStringLiteral("PowerOff"), QStringLiteral("b"), QString(),
        QStringLiteral("raise dbus.exceptions.DBusException('Interactive authentication required.', "
                       "name='org.freedesktop.DBus.Error.InteractiveAuthorizationRequired')"));
    const PowerOffAnswer answer = powerOff();
    EXPECT_FALSE(answer.ok);
    EXPECT_TRUE(answer.error.contains(QStringLiteral("Interactive authentication required.")))
        << answer.error.toStdString();
    EXPECT_EQ(callsOf(QStringLiteral("PowerOff")).size(), 1u);
    QObject context;
    platform::logind::PowerOff(&context, {}); // no answer wanted: still no crash
    EXPECT_TRUE(QTest::qWaitFor([&] { return callsOf(QStringLiteral("PowerOff")).size() == 2u; }));
}

// The call returns before logind answers; the answer comes through the event loop, and not at all
// once the context is gone.
TEST_F(Logind, PowerOffDoesNotWaitForTheAnswer) {
    start();
    replaceMethod(QStringLiteral("PowerOff"), QStringLiteral("b"), QString(),
                  QStringLiteral("time.sleep(1)"));
    QElapsedTimer took;
    took.start();
    PowerOffAnswer answer;
    QObject context;
    platform::logind::PowerOff(&context, [&](bool ok, const QString& error) { answer = {true, ok, error}; });
    EXPECT_LT(took.elapsed(), 500);
    EXPECT_FALSE(answer.answered);
    EXPECT_TRUE(QTest::qWaitFor([&] { return answer.answered; }, 10000));
    EXPECT_TRUE(answer.ok) << answer.error.toStdString();

    bool answeredLate = false;
    {
        QObject gone;
        platform::logind::PowerOff(&gone, [&](bool, const QString&) { answeredLate = true; });
    }
    QTest::qWait(1500);
    EXPECT_FALSE(answeredLate);
    EXPECT_EQ(callsOf(QStringLiteral("PowerOff")).size(), 2u);
}

TEST_F(Logind, AnswerOfTheWrongTypeIsNoAnswer) {
    start();
    replaceMethod(QStringLiteral("CanPowerOff"), QString(), QStringLiteral("i"), QStringLiteral("ret = 7"));
    EXPECT_EQ(platform::logind::CanPowerOff(), QString());
    EXPECT_FALSE(platform::logind::MayPowerOff());
}

TEST_F(Logind, AbsentFromTheBus) {
    EXPECT_EQ(platform::logind::CanPowerOff(), QString());
    EXPECT_FALSE(platform::logind::MayPowerOff());
    const PowerOffAnswer answer = powerOff();
    EXPECT_FALSE(answer.ok);
    EXPECT_FALSE(answer.error.isEmpty());
}

TEST_F(Logind, NoBusAtAll) {
    QTemporaryDir nowhere;
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + nowhere.filePath(QStringLiteral("no-bus"))).toUtf8());
    EXPECT_EQ(platform::logind::CanPowerOff(), QString());
    EXPECT_FALSE(platform::logind::MayPowerOff());
    const PowerOffAnswer answer = powerOff();
    EXPECT_FALSE(answer.ok);
    EXPECT_FALSE(answer.error.isEmpty());
}

// A logind that answers only after 3 s: with 200 ms allowed, the calls give up before it answers
// (a client that waited would get "yes" and a successful power-off instead).
TEST_F(Logind, SlowLogindIsGivenUpOn) {
    start();
    replaceMethod(QStringLiteral("CanPowerOff"), QString(), QStringLiteral("s"),
                  QStringLiteral("time.sleep(3)\nret = 'yes'"));
    replaceMethod(QStringLiteral("PowerOff"), QStringLiteral("b"), QString(),
                  QStringLiteral("time.sleep(3)"));
    platform::logind::setTimeouts(200, 200);
    EXPECT_EQ(platform::logind::CanPowerOff(), QString());
    const PowerOffAnswer answer = powerOff();
    EXPECT_FALSE(answer.ok);
    EXPECT_FALSE(answer.error.isEmpty());
}

} // namespace

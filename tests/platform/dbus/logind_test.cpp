#include "logind_mock.h"

#include "platform/dbus/logind.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using logind_mock::MockLogind;

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
    QString error = QStringLiteral("left from before");
    EXPECT_TRUE(platform::logind::PowerOff(&error));
    EXPECT_TRUE(error.isEmpty());
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
    QString error;
    EXPECT_FALSE(platform::logind::PowerOff(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("Interactive authentication required.")))
        << error.toStdString();
    EXPECT_EQ(callsOf(QStringLiteral("PowerOff")).size(), 1u);
    EXPECT_FALSE(platform::logind::PowerOff()); // no error text wanted: still no crash
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
    QString error;
    EXPECT_FALSE(platform::logind::PowerOff(&error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(Logind, NoBusAtAll) {
    QTemporaryDir nowhere;
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + nowhere.filePath(QStringLiteral("no-bus"))).toUtf8());
    EXPECT_EQ(platform::logind::CanPowerOff(), QString());
    EXPECT_FALSE(platform::logind::MayPowerOff());
    QString error;
    EXPECT_FALSE(platform::logind::PowerOff(&error));
    EXPECT_FALSE(error.isEmpty());
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
    QString error;
    EXPECT_FALSE(platform::logind::PowerOff(&error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace

// パルク's chores with the program's own peers behind them: the clock set by SNTP from chrony through
// python-dbusmock's timedated (which sets no clock), and the mail checked at a dovecot of the test's
// own, each said in his balloon.
#include "app/mail/clock_setting.h"
#include "app/mail/mail.h"
#include "app/mail/mail_state.h"
#include "chrony.h"
#include "dovecot.h"
#include "palk_fixture.h"
#include "timedated_mock.h"

#include <QDateTime>

namespace {

using namespace palk_test;

class PalkEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        state::resetAll();
        mail::state.reset();
        stage.corner = QPoint(300, 300);
        Stage::Install(&stage);
        services::install(std::make_unique<MailService>());
        key("proxy", "1"); // online
    }
    void TearDown() override {
        palk::Unload();
        fuki3::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        clock_setting::options() = clock_setting::Options{};
        services::reset();
        Stage::Install(nullptr);
    }
    static void key(const QString& name, const QString& value) {
        IniManage::BeginBatch();
        IniManage::WriteIni(name, value);
    }

    TestHome home;
    FakeStage stage;
    BalloonWords balloon;
};

// ---- the clock -----------------------------------------------------------------------------------

class PalkClock : public PalkEndToEnd {
protected:
    void SetUp() override {
        PalkEndToEnd::SetUp();
        if (!Chrony::available())
            GTEST_SKIP() << "chronyd is not unpacked in the build tree (scripts/test does it)";
        ASSERT_TRUE(chrony.ready()) << chrony.log().toStdString();
        timedated.start();
        clock_setting::options().sntpPort = chrony.port();
        key("sntpTXT", "127.0.0.1");
        key("TimeUpdate", "1");
    }

    Chrony chrony;
    timedated_mock::MockTimedated timedated;
};

TEST_F(PalkClock, TimeUpdateSetsTheClockOnceAndSaysSo) {
    palk::Show();
    const auto calls = timedated.setTimes();
    ASSERT_EQ(calls.size(), 1u);
    const qint64 usec = calls[0][0].toLongLong();
    EXPECT_LT(std::abs(usec - QDateTime::currentMSecsSinceEpoch() * 1000), 2000000);
    EXPECT_EQ(calls[0].mid(1), (QVariantList{false, true}));
    EXPECT_EQ(balloon.words, QStringList({" 時間を設定中", " 時間調整完了"}));
    EXPECT_EQ(fuki3::Instance(), nullptr); // the online chores done, the balloon closes
}

TEST_F(PalkClock, ASettingTheSystemRefusesIsSaidAsAFailure) {
    timedated.refuse(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
    palk* drone = palk::Show();
    EXPECT_EQ(balloon.words, QStringList({" 時間を設定中", " 時間調整失敗"}));
    // From his menu the failure stays to be read.
    balloon.words.clear();
    drone->migi_Pop_Click(QStringLiteral("SetSntpConnect"));
    EXPECT_EQ(balloon.words, QStringList({" 時間を設定中", " 時間調整失敗"}));
    ASSERT_NE(fuki3::Instance(), nullptr);
    EXPECT_TRUE(fuki3::Instance()->isVisible());
}

// ---- the mail ------------------------------------------------------------------------------------

TEST_F(PalkEndToEnd, MailAutoRevChecksAccountOneAndLeavesTheMailOnTheServer) {
    if (!Dovecot::installed())
        GTEST_SKIP() << "no /usr/sbin/dovecot";
    Dovecot server{{{QStringLiteral("ann"), QStringLiteral("pw1")}}};
    ASSERT_TRUE(server.running()) << server.error().toStdString();
    auto message = [](const char* subject) {
        return QByteArray("From: Sender <sender@example.com>\r\nTo: ann@example.com\r\nSubject: ") + subject +
               "\r\nDate: Thu, 10 Dec 2026 11:00:00 +0900\r\n\r\nbody\r\n";
    };
    server.deliver(QStringLiteral("ann"), {message("one"), message("two"), message("three")});
    ASSERT_TRUE(settings_db::updateRow("mail", 1, {"Server", "User", "pass"}, {"127.0.0.1", "ann", "pw1"}));
    key("portSV1", QString::number(server.port()));
    key("MailAutoRev", "1");
    flag::state.ManualCheck = 1; // a menu check's flag left over: his check is a timed one
    palk::Show();
    EXPECT_EQ(mail::state.Count1, 3) << server.log().toStdString();
    EXPECT_EQ(flag::state.NewMail, 3);
    EXPECT_TRUE(mail::state.Summary.contains(QStringLiteral("one")));
    EXPECT_EQ(flag::state.ManualCheck, 0);
    EXPECT_EQ(flag::state.MailBusy, 0);
    EXPECT_EQ(balloon.words, QStringList({" メールを取り込み中", ""}));
    EXPECT_EQ(server.stored(QStringLiteral("ann")), 3);
}

} // namespace

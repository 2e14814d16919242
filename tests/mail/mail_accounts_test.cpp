// Where the check and the download take the accounts from, as the program has it: the settings
// dialog's boxes while it is open (UserData::MailAccounts, the reader the program installs), else
// the stored values its load would show; against a dovecot of the test's own.
#include "app/mail/accounts.h"
#include "app/mail/mail_cache.h"
#include "app/settings/settings_db.h"
#include "app/settings_ui/UserData.h"
#include "app/window/morvik.h"
#include "dovecot.h"
#include "fake_dialup.h"
#include "loopback.h"
#include "mail_fixture.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>

namespace {

const QStringList kMailColumns{QStringLiteral("Server"), QStringLiteral("User"), QStringLiteral("pass")};

QStringList described(const mail::Accounts& accounts) {
    QStringList out;
    for (const mail::Account& a : accounts)
        out << QStringList{a.host, a.port, a.user, a.password,
                           a.used ? QStringLiteral("used") : QStringLiteral("unused")}
                   .join(u'|');
    return out;
}

QByteArray message(const QString& subject) {
    return ("From: sender@example.com\r\nTo: ann@example.jp\r\nSubject: " + subject.toUtf8() +
            "\r\nDate: Thu, 10 Dec 2026 11:00:00 +0900\r\n\r\nbody\r\n");
}

class MailAccounts : public MailStage {
protected:
    void SetUp() override {
        MailStage::SetUp();
        mail::setTransfer({});                            // the real library
        mail::setAccountsReader(&UserData::MailAccounts); // as the program has it
        dialup::install(std::make_shared<FakeRas>());
        morvik::MessageBox = [](const QString&) {};
        ASSERT_TRUE(settings_db::ensure());
    }
    void TearDown() override {
        closeDialog();
        dialup::install(nullptr);
        morvik::MessageBox = nullptr;
        MailStage::TearDown();
    }
    static void row(int id, const QStringList& values, const QStringList& columns = kMailColumns) {
        ASSERT_TRUE(settings_db::updateRow(QStringLiteral("mail"), id, columns, values));
    }
    static void closeDialog() {
        UserData::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QStringList dovecotUsers() const { return QString::fromUtf8(pop.log()).split(u'\n').filter("user=<"); }

    Dovecot pop{
        {{QStringLiteral("ann"), QStringLiteral("pw1")}, {QStringLiteral("bob"), QStringLiteral("pw2")}}};
};

// The values the stored path gives are those the dialog's load shows, case by case.
TEST_F(MailAccounts, TheStoredValuesAreThoseTheDialogShows) {
    struct Case {
        const char* name;
        std::function<void()> store;
        QStringList accounts; // host|port|user|password|used, accounts 1 to 3
    };
    const Case cases[] = {
        {"a first run", [] {}, {"|110|||used", "|110|||unused", "|110|||unused"}},
        {"ports from the settings file, an empty one 110; account 2 switched on",
         [this] {
             row(1, {"pop.a.example", "ann", "pw1"});
             row(2, {"pop.b.example", "bob", "pw2"});
             row(3, {"pop.c.example", "cid", "pw3"});
             key("portSV1", "11996");
             key("portSV2", "");
             key("flag2", "1");
             key("flag3", "0");
         },
         {"pop.a.example|11996|ann|pw1|used", "pop.b.example|110|bob|pw2|used",
          "pop.c.example|110|cid|pw3|unused"}},
        {"account 3 switched on without account 2; a row with a Null reads as empty",
         [this] {
             row(1, {"pop.a.example", "ann", "pw1"});
             row(2, {"pop.b.example", "bob"}, {"Server", "User"});
             row(3, {"pop.c.example", "cid", "pw3"});
             key("portSV3", "995");
             key("flag3", "1");
         },
         {"pop.a.example|110|ann|pw1|used", "|110|||unused", "pop.c.example|995|cid|pw3|used"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(settings_db::path());
        QFile::remove(home.file("mailSet.ini"));
        ASSERT_TRUE(settings_db::ensure());
        c.store();
        EXPECT_EQ(described(mail::storedAccounts()), c.accounts);
        EXPECT_EQ(described(mail::readAccounts()), c.accounts); // the dialog is not open
        UserData::Show();
        EXPECT_EQ(described(UserData::MailAccounts().value_or(mail::Accounts{})), c.accounts);
        closeDialog();
        EXPECT_FALSE(UserData::MailAccounts().has_value());
    }
}

// Saved: account 1 on a port where nothing listens, account 2 switched off. Typed in the open
// dialog, not saved: account 1's right port, account 2 switched on. The check and the download
// go where the dialog says while it is open, and where the stores say once it is closed.
TEST_F(MailAccounts, TheOpenDialogsTextsAreAskedUnsaved) {
    if (!Dovecot::installed())
        GTEST_SKIP() << "no /usr/sbin/dovecot";
    ASSERT_TRUE(pop.running()) << pop.error().toStdString();
    pop.deliver(QStringLiteral("ann"), {message("a1"), message("a2")});
    pop.deliver(QStringLiteral("bob"), {message("b1")});
    const int nowhere = freeLoopbackPort();
    ASSERT_GT(nowhere, 0);
    row(1, {"127.0.0.1", "ann", "pw1"});
    row(2, {"127.0.0.1", "bob", "pw2"});
    key("portSV1", QString::number(nowhere));
    key("portSV2", QString::number(pop.port()));
    key("flag2", "0");

    UserData* form = UserData::Show();
    ASSERT_NE(form, nullptr);
    form->portSV->setText(QString::number(pop.port()));
    form->Check2->setChecked(true);
    testing::internal::CaptureStderr();
    mail::CheckMail();
    const std::string failures = testing::internal::GetCapturedStderr();
    EXPECT_EQ(mail::state.Count1, 2) << failures;
    EXPECT_EQ(mail::state.Count2, 1);
    mail::DownloadAllMail();
    const auto rows = mail::cache::readAll();
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 3u);
    EXPECT_EQ(rows->back().user, "bob");
    // The dialog stays open, its texts unsaved.
    EXPECT_EQ(UserData::Loaded(), form);
    EXPECT_EQ(form->portSV->text(), QString::number(pop.port()));
    IniManage::BeginBatch();
    EXPECT_EQ(IniManage::GetIni(QStringLiteral("portSV1")), QString::number(nowhere));

    // Closed without saving: the stored values again.
    form->Command2_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(UserData::Loaded(), nullptr);
    const int asked = int(dovecotUsers().size());
    testing::internal::CaptureStderr();
    mail::CheckMail();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(mail::state.Count1, 0);
    EXPECT_EQ(mail::state.Count2, 0);
    EXPECT_NE(said.find("account 1"), std::string::npos) << said;
    EXPECT_EQ(int(dovecotUsers().size()), asked) << pop.log().constData(); // bob is switched off
}

// With the dialog closed the stored values reach the server: the ports from the settings file and
// the switches, account 3's off.
TEST_F(MailAccounts, TheStoredValuesReachTheServer) {
    if (!Dovecot::installed())
        GTEST_SKIP() << "no /usr/sbin/dovecot";
    ASSERT_TRUE(pop.running()) << pop.error().toStdString();
    pop.deliver(QStringLiteral("ann"), {message("a1"), message("a2"), message("a3")});
    pop.deliver(QStringLiteral("bob"), {message("b1")});
    row(1, {"127.0.0.1", "ann", "pw1"});
    row(2, {"127.0.0.1", "bob", "pw2"});
    row(3, {"127.0.0.1", "cid", "pw3"});
    key("portSV1", QString::number(pop.port()));
    key("portSV2", QString::number(pop.port()));
    key("flag2", "1");
    mail::CheckMail();
    EXPECT_EQ(mail::state.Count1, 3);
    EXPECT_EQ(mail::state.Count2, 1);
    EXPECT_EQ(mail::state.Count3, 0);
    EXPECT_FALSE(pop.log().contains("user=<cid>")) << pop.log().constData();
    EXPECT_EQ(mail::state.Failures, (std::array<QString, 3>{}));
}

} // namespace

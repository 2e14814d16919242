// The download from a real POP3 server through the mail transfer library.
#include "dovecot.h"
#include "mail_fixture.h"

#include "app/mail/mail_cache.h"
#include "app/window/Trei.h"

#include <QRegularExpression>

namespace {

QByteArray message(const QString& subject) {
    return (QStringLiteral("From: Sender <sender@example.com>\r\nTo: ann@example.com\r\nSubject: ") +
            subject +
            QStringLiteral(
                "\r\nDate: Thu, 10 Dec 2026 11:00:00 +0900\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n"
                "本文 ") +
            subject + QStringLiteral("\r\n"))
        .toUtf8();
}

class DovecotDownload : public MailStage {
protected:
    void SetUp() override {
        MailStage::SetUp();
        if (!Dovecot::installed())
            GTEST_SKIP() << "no /usr/sbin/dovecot";
        mail::setTransfer({}); // the real library
        ASSERT_TRUE(server.running()) << server.error().toStdString();
        server.deliver(QStringLiteral("ann"), {message(QStringLiteral("a1")), message(QStringLiteral("a2")),
                                               message(QStringLiteral("a3"))});
        server.deliver(QStringLiteral("bob"), {message(QStringLiteral("b1")), message(QStringLiteral("b2"))});
    }
    void useAccounts(const QString& annPassword) {
        const QString port = QString::number(server.port());
        mail::setAccountsReader([port, annPassword] {
            mail::Accounts accounts;
            accounts[0] = {QStringLiteral("127.0.0.1"), port, QStringLiteral("ann"), annPassword, true};
            accounts[1] = {QStringLiteral("127.0.0.1"), port, QStringLiteral("bob"),
                           QStringLiteral("@ %/\\\""), true};
            return accounts;
        });
    }
    QStringList rows() const {
        QStringList out;
        for (const mail::cache::Row& row : mail::cache::readAll().value_or(std::vector<mail::cache::Row>{}))
            out << QStringLiteral("%1 %2 %3").arg(row.id).arg(row.subject, row.user);
        return out;
    }

    Dovecot server{{{QStringLiteral("ann"), QStringLiteral("pw1")},
                    {QStringLiteral("bob"), QStringLiteral("@ %/\\\"")}}};
};

TEST_F(DovecotDownload, ThreeAndTwoRowsAndTheServerKeepsThem) {
    useAccounts(QStringLiteral("pw1"));
    mail::DownloadAllMail();
    const QStringList got = rows();
    ASSERT_EQ(got.size(), 5) << server.log().toStdString();
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(got[i].startsWith(QString::number(i + 1) + QLatin1Char(' '))) << got[i].toStdString();
    EXPECT_TRUE(got[0].endsWith(QStringLiteral(" ann")));
    EXPECT_TRUE(got[4].endsWith(QStringLiteral(" bob")));
    EXPECT_EQ(flag::state.NewMail, 1);
    EXPECT_EQ(flag::state.MailAbort, 0);
    EXPECT_EQ(server.stored(QStringLiteral("ann")), 3);
    EXPECT_EQ(server.stored(QStringLiteral("bob")), 2);
    // Each session's logout line counts its deletions: "del=0/3".
    EXPECT_TRUE(server.log().contains("del=0/3"));
    EXPECT_FALSE(QString::fromUtf8(server.log()).contains(QRegularExpression(QStringLiteral("del=[1-9]"))))
        << server.log().toStdString();
}

TEST_F(DovecotDownload, AWrongPasswordStopsAtTheFirstAccount) {
    useAccounts(QStringLiteral("wrong"));
    mail::DownloadAllMail();
    EXPECT_EQ(rows(), QStringList());
    EXPECT_EQ(flag::state.MailAbort, 1);
    EXPECT_FALSE(server.log().contains("user=<bob>"));
    EXPECT_EQ(talk->calls.filter(QStringLiteral("ShowFuki アカウントann")).size(), 1);
    EXPECT_EQ(flag::state.MailBusy, 0);
}

TEST_F(DovecotDownload, TheCheckCountsAndListsWithThePort) {
    useAccounts(QStringLiteral("pw1"));
    mail::CheckMail();
    EXPECT_EQ(mail::state.Count1, 3);
    EXPECT_EQ(mail::state.Count2, 2);
    EXPECT_TRUE(mail::state.Summary.startsWith(QStringLiteral("■アカウント１■■■■■\r\na1\r\na2\r\na3\r\n")))
        << mail::state.Summary.toStdString();
}

// Her balloon says a failed server as ever; the tray tip and standard error tell a certificate
// nobody vouches for from a wrong password, account by account.
TEST_F(DovecotDownload, TheTrayTipTellsACertificateFromAPassword) {
    Dovecot tls({{QStringLiteral("ann"), QStringLiteral("pw1")}}, true);
    ASSERT_TRUE(tls.running()) << tls.error().toStdString();
    const QString tlsPort = QString::number(tls.port()), plainPort = QString::number(server.port());
    mail::setAccountsReader([tlsPort, plainPort] {
        mail::Accounts accounts;
        accounts[0] = {QStringLiteral("127.0.0.1"), tlsPort, QStringLiteral("ann"), QStringLiteral("pw1"),
                       true};
        accounts[1] = {QStringLiteral("127.0.0.1"), plainPort, QStringLiteral("bob"), QStringLiteral("wrong"),
                       true};
        return accounts;
    });
    testing::internal::CaptureStderr();
    mail::CheckMail();
    const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(stage.trayTip,
              Trei::kStartTip + QStringLiteral("\r\nアカウント１：サーバの証明書を確かめられません"
                                               "\r\nアカウント２：ユーザー名かパスワードが違います"));
    EXPECT_TRUE(
        said.contains(QStringLiteral("account 1 (ann at 127.0.0.1): サーバの証明書を確かめられません")))
        << said.toStdString();
    EXPECT_TRUE(
        said.contains(QStringLiteral("account 2 (bob at 127.0.0.1): ユーザー名かパスワードが違います")))
        << said.toStdString();
    EXPECT_EQ(talk->calls.filter(QStringLiteral("ShowFuki サーバの接続に失敗しました")).size(), 1);
    EXPECT_FALSE(tls.log().contains("Login:")) << tls.log().constData();
}

} // namespace

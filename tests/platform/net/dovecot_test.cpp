#include "dovecot.h"
#include "platform/net/mail_transfer.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

using mail_transfer::RcvMail;

const QString kUser = QStringLiteral("me@example.com");
const QString kPassword = QStringLiteral("@ %/\"\\"); // nothing in it may need escaping by us

QByteArray message(int i) {
    return "From: =?UTF-8?B?" + QStringLiteral("送り主%1").arg(i).toUtf8().toBase64() +
           "?= <from@example.com>\r\nSubject: =?ISO-2022-JP?B?GyRCJWEhPCVrGyhC?= " + QByteArray::number(i) +
           "\r\nDate: Tue, 01 Dec 2026 09:30:00 +0900\r\n\r\nbody " + QByteArray::number(i) + "\r\n.dot\r\n";
}

std::vector<QByteArray> messages(int count) {
    std::vector<QByteArray> out;
    for (int i = 1; i <= count; ++i)
        out.push_back(message(i));
    return out;
}

class DovecotTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Dovecot::installed())
            GTEST_SKIP() << "dovecot-pop3d is not installed";
        server_ = std::make_unique<Dovecot>(std::vector<std::pair<QString, QString>>{{kUser, kPassword}});
        ASSERT_TRUE(server_->running()) << server_->error().toStdString();
    }
    std::unique_ptr<Dovecot> server_;
};

class DovecotMailbox : public DovecotTest, public ::testing::WithParamInterface<int> {};

// STAT, LIST and SAVEALL over a mailbox of count messages, which keeps every one of them.
TEST_P(DovecotMailbox, CountsListsAndSavesWithoutDeleting) {
    const int count = GetParam();
    server_->deliver(kUser, messages(count));

    const auto stat = RcvMail(server_->server(), kUser, kPassword, QStringLiteral("STAT"), {});
    ASSERT_TRUE(stat.has_value()) << mail_transfer::lastError().toStdString();
    EXPECT_TRUE(stat->at(0).startsWith(QString::number(count) + QLatin1Char(' ')))
        << stat->at(0).toStdString();

    const auto list = RcvMail(server_->server(), kUser, kPassword, QStringLiteral("LIST"), {});
    ASSERT_TRUE(list.has_value()) << mail_transfer::lastError().toStdString();
    QStringList expected;
    for (int i = 1; i <= count; ++i)
        expected << QStringLiteral("Subject:メール %1").arg(i);
    QStringList subjects = *list;
    subjects.sort();
    expected.sort();
    EXPECT_EQ(subjects, expected);

    QTemporaryDir folder;
    const auto files = RcvMail(server_->server(), kUser, kPassword, QStringLiteral("SAVEALL"), folder.path());
    ASSERT_TRUE(files.has_value()) << mail_transfer::lastError().toStdString();
    ASSERT_EQ(files->size(), count);
    QStringList bodies, wanted;
    for (const QString& file : *files) {
        const auto parts =
            mail_transfer::ReadMail(file, QStringLiteral("subject:from:date:nofile:"), folder.path());
        ASSERT_TRUE(parts.has_value());
        bodies << parts->at(1) + parts->at(4);
    }
    for (int i = 1; i <= count; ++i)
        wanted << QStringLiteral("From:送り主%1 <from@example.com>Body:body %1\r\n.dot\r\n").arg(i);
    bodies.sort();
    wanted.sort();
    EXPECT_EQ(bodies, wanted);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), count);

    EXPECT_EQ(server_->stored(kUser), count);
}

INSTANTIATE_TEST_SUITE_P(Counts, DovecotMailbox, ::testing::Values(0, 3, 123));

class DovecotLogin : public DovecotTest {};

// One refused login per server: Dovecot makes every further one from the same address wait longer.
class DovecotWrongPassword : public DovecotTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DovecotWrongPassword, Fails) {
    server_->deliver(kUser, messages(1));
    QTemporaryDir folder;
    EXPECT_FALSE(RcvMail(server_->server(), kUser, QStringLiteral("wrong"), QString::fromLatin1(GetParam()),
                         folder.path()));
    EXPECT_FALSE(mail_transfer::lastError().isEmpty());
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
    EXPECT_EQ(server_->stored(kUser), 1);
}

INSTANTIATE_TEST_SUITE_P(Commands, DovecotWrongPassword, ::testing::Values("STAT", "LIST", "SAVEALL"));

// The port comes from the server text; another port of the same host is not the server.
TEST_F(DovecotLogin, PortFromTheServerText) {
    server_->deliver(kUser, messages(2));
    const QString padded = QStringLiteral(" 127.0.0.1 \t %1 ").arg(server_->port());
    const auto stat = RcvMail(padded, kUser, kPassword, QStringLiteral("STAT"), {});
    ASSERT_TRUE(stat.has_value()) << mail_transfer::lastError().toStdString();
    EXPECT_TRUE(stat->at(0).startsWith(QStringLiteral("2 ")));

    Dovecot other({{kUser, kPassword}}); // holds a port of its own, with an empty mailbox
    other.deliver(kUser, {});
    ASSERT_TRUE(other.running()) << other.error().toStdString();
    const auto elsewhere = RcvMail(other.server(), kUser, kPassword, QStringLiteral("STAT"), {});
    ASSERT_TRUE(elsewhere.has_value()) << mail_transfer::lastError().toStdString();
    EXPECT_TRUE(elsewhere->at(0).startsWith(QStringLiteral("0 ")));
}

// A server offering STLS with a certificate that no one vouches for gets no password.
TEST(DovecotTls, UnverifiedCertificateFailsBeforeLogin) {
    if (!Dovecot::installed())
        GTEST_SKIP() << "dovecot-pop3d is not installed";
    Dovecot server({{kUser, kPassword}}, true);
    ASSERT_TRUE(server.running()) << server.error().toStdString();
    server.deliver(kUser, messages(1));
    EXPECT_FALSE(RcvMail(server.server(), kUser, kPassword, QStringLiteral("STAT"), {}));
    EXPECT_EQ(mail_transfer::lastError(), QStringLiteral("サーバの証明書を確かめられません"));
    EXPECT_FALSE(server.log().contains("Login:")) << server.log().constData();
}

// A folder that is not there: nothing stored, nothing deleted.
TEST_F(DovecotLogin, SaveAllIntoAMissingFolderFails) {
    server_->deliver(kUser, messages(2));
    QTemporaryDir folder;
    EXPECT_FALSE(RcvMail(server_->server(), kUser, kPassword, QStringLiteral("SAVEALL"),
                         folder.path() + QStringLiteral("/missing")));
    EXPECT_EQ(server_->stored(kUser), 2);
}

} // namespace

// From a dovecot of the test's own to aiosmtpd: "はい" downloads, the list shows the messages,
// "返信する" fills in the sender, and "送信" reaches only that sender, whatever the sender's name
// hides (a TAB and CR LF "Bcc:", an address after a comma, a group). A message written in
// ISO-2022-JP, as Japanese mailers write it, is answered in ISO-2022-JP, its sender's name too.
#include "../platform/net/smtp_peers.h"
#include "app/mail/accounts.h"
#include "app/mail/mail.h"
#include "app/mail/mail_state.h"
#include "app/mail/maillook.h"
#include "app/mail/sendF.h"
#include "app/mail/transfer.h"
#include "app/settings/settings_db.h"
#include "app/state/state.h"
#include "app/talk/fuki.h"
#include "app/talk/talk_service.h"
#include "app/window/morvik.h"
#include "dovecot.h"
#include "platform/clock.h"
#include "platform/net/mail_transfer.h"
#include "platform/pace.h"
#include "test_home.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <iconv.h>

namespace {

// The text in ISO-2022-JP as glibc writes it.
QByteArray jis(const QString& text) {
    iconv_t cd = iconv_open("ISO-2022-JP", "UTF-8");
    QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 4 + 16, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    size_t inLeft = size_t(in.size()), outLeft = size_t(out.size());
    const bool ok = cd != iconv_t(-1) && iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1) &&
                    iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != size_t(-1);
    if (cd != iconv_t(-1))
        iconv_close(cd);
    EXPECT_TRUE(ok) << text.toStdString();
    out.truncate(out.size() - qsizetype(outLeft));
    return out;
}

QByteArray jisWord(const QString& text) {
    return "=?ISO-2022-JP?B?" + jis(text).toBase64() + "?=";
}

// A message as a Japanese mailer writes it: headers and body in ISO-2022-JP.
QByteArray jisMessage(const QString& name, const QString& address, const QString& subject) {
    return "From: " + jisWord(name) + " <" + address.toUtf8() +
           ">\r\nTo: ann@example.jp\r\nSubject: " + jisWord(subject) +
           "\r\nDate: Thu, 10 Dec 2026 11:00:00 +0900\r\nMIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: 7bit\r\n\r\n" +
           jis(QStringLiteral("会議の資料をお送りします。")) + "\r\n";
}

QByteArray fromWithName(const QString& name, const QString& address, const QString& subject) {
    return "From: =?UTF-8?B?" + name.toUtf8().toBase64() + "?= <" + address.toUtf8() +
           ">\r\nTo: ann@example.jp\r\nSubject: =?UTF-8?B?" + subject.toUtf8().toBase64() +
           "?=\r\nDate: Thu, 10 Dec 2026 11:00:00 +0900\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n"
           "本文\r\n";
}

TEST(MailReply, OnlyTheSenderGetsTheReply) {
    TestHome home;
    state::resetAll();
    mail::state.reset();
    platform::clock::setFake(QDateTime(QDate(2026, 12, 10), QTime(11, 20, 1)));
    Dovecot pop({{QStringLiteral("ann"), QStringLiteral("pw1")}});
    ASSERT_TRUE(pop.running()) << pop.error().toStdString();
    AioSmtpd smtp;
    ASSERT_TRUE(smtp.ok());
    const struct {
        QString name, address, subject;
    } senders[] = {
        {"山田\t太郎\r\nBcc: evil@example.net", "one@example.com", "タブと改行"},
        {"鈴木, x@evil.example", "two@example.com", "カンマ"},
        {"a: x@evil.example;", "three@example.com", "グループ"},
    };
    for (const auto& s : senders)
        pop.deliver(QStringLiteral("ann"), {fromWithName(s.name, s.address, s.subject)});
    pop.deliver(QStringLiteral("ann"),
                {jisMessage(QStringLiteral("山田 太郎"), QStringLiteral("four@example.com"),
                            QStringLiteral("会議のお知らせ"))});

    services::install(std::make_unique<TalkService>());
    services::install(std::make_unique<MailService>());
    mail::setTransfer({});
    mail::setAccountsReader([&pop] {
        mail::Accounts accounts;
        accounts[0] = {QStringLiteral("127.0.0.1"), QString::number(pop.port()), QStringLiteral("ann"),
                       QStringLiteral("pw1"), true};
        return accounts;
    });
    ASSERT_TRUE(settings_db::ensure());
    ASSERT_TRUE(settings_db::updateRow(
        QStringLiteral("mail"), 1, {QStringLiteral("Server"), QStringLiteral("User"), QStringLiteral("pass")},
        {QStringLiteral("127.0.0.1"), QStringLiteral("ann"), QStringLiteral("pw1")}));
    ASSERT_TRUE(settings_db::updateRow(QStringLiteral("sendml"), 1,
                                       {QStringLiteral("smtpSV"), QStringLiteral("smtpML")},
                                       {smtp.server(), QStringLiteral("ann@example.jp")}));
    QStringList boxes;
    morvik::EndProgram = [] {};
    morvik::MessageBox = [&boxes](const QString& text) { boxes << text; };
    {
        morvik character;
        character.move(300, 300);
        Stage::Install(&character);
        character.show();
        {
            platform::pace::Recorder quick;
            character.getto_Click();
        }
        ASSERT_TRUE(fuki::Instance());
        ASSERT_TRUE(fuki::Instance()->Command1->isVisible())
            << fuki::Instance()->Label1->text().toStdString();
        {
            platform::pace::Recorder quick;
            fuki::Instance()->Command1->click(); // "はい"
        }
        maillook* list = maillook::Instance();
        ASSERT_NE(list, nullptr);
        ASSERT_TRUE(list->isVisible());
        ASSERT_EQ(list->ListView1->topLevelItemCount(), 4);
        // The Japanese mailer's message reads as it was written.
        const QTreeWidgetItem* fourth = list->ListView1->topLevelItem(3);
        EXPECT_EQ(fourth->text(0), "会議のお知らせ");
        EXPECT_EQ(fourth->text(1), "山田 太郎 <four@example.com>");
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(i);
            list->ListView1->setCurrentItem(list->ListView1->topLevelItem(i));
            list->resend->trigger();
            sendF* window = sendF::Instance();
            ASSERT_NE(window, nullptr);
            window->sendbody->setPlainText(QStringLiteral("了解しました。"));
            window->Command1->click();
            EXPECT_EQ(sendF::Instance(), nullptr)
                << boxes.join(u'|').toStdString() << " " << window->sendaddress->text().toStdString();
            sendF::Unload();
        }
        list->Command1->click();
        fuki::Unload();
        Stage::Install(nullptr);
    }
    const QJsonArray got = smtp.messages();
    ASSERT_EQ(got.size(), 4);
    QStringList recipients;
    for (const QJsonValue& m : got) {
        EXPECT_EQ(m[QStringLiteral("rcpt_to")].toArray().size(), 1);
        EXPECT_FALSE(m[QStringLiteral("has_bcc")].toBool());
        EXPECT_EQ(m[QStringLiteral("to")].toArray().size(), 1);
        recipients << m[QStringLiteral("rcpt_to")][0].toString();
    }
    recipients.sort();
    EXPECT_EQ(recipients,
              (QStringList{"four@example.com", "one@example.com", "three@example.com", "two@example.com"}));
    // The answer to the Japanese mailer: all of it in ISO-2022-JP, the name in To as well.
    for (const QJsonValue& m : got) {
        if (m[QStringLiteral("rcpt_to")][0].toString() != QStringLiteral("four@example.com"))
            continue;
        const std::string raw = m[QStringLiteral("to_raw")].toString().toStdString();
        EXPECT_EQ(m[QStringLiteral("subject")].toString(), "Re:会議のお知らせ");
        EXPECT_EQ(m[QStringLiteral("charset")].toString(), "iso-2022-jp");
        EXPECT_EQ(m[QStringLiteral("to_names")].toArray().first().toString(), "山田 太郎") << raw;
        EXPECT_EQ(m[QStringLiteral("to_charsets")].toArray().first().toString(), "iso-2022-jp") << raw;
        EXPECT_TRUE(m[QStringLiteral("to_words_end_ascii")].toBool()) << raw;
        EXPECT_EQ(m[QStringLiteral("body")].toString().trimmed(), "了解しました。");
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    mail::setAccountsReader({});
    services::reset();
    platform::clock::setFake(std::nullopt);
}

} // namespace

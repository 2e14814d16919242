// "送信" of the compose window through the mail transfer library to aiosmtpd and to scripted peers
// on 127.0.0.1: what reaches the server, and what the user sees when it does not.
#include "../platform/net/smtp_peers.h"
#include "app/mail/mail_cache.h"
#include "app/mail/maillook.h"
#include "app/mail/send.h"
#include "app/mail/sendF.h"
#include "app/settings/settings_db.h"
#include "app/window/morvik.h"
#include "mail_fixture.h"
#include "platform/net/mail_transfer.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSemaphore>
#include <QTreeWidget>
#include <QtTest/QTest>

namespace {

class MailSend : public MailStage {
protected:
    void SetUp() override {
        MailStage::SetUp();
        morvik::MessageBox = [this](const QString& text) { boxes << text; };
        mail_transfer::setSendLimits({1000, 1000});
    }
    void TearDown() override {
        sendF::Unload();
        maillook::Unload();
        mail::setSender({});
        morvik::MessageBox = nullptr;
        mail_transfer::setSendLimits({});
        MailStage::TearDown();
    }
    void setUpSending(const QString& server) {
        ASSERT_TRUE(settings_db::ensure());
        ASSERT_TRUE(settings_db::updateRow(QStringLiteral("sendml"), 1,
                                           {QStringLiteral("smtpSV"), QStringLiteral("smtpML")},
                                           {server, QStringLiteral("me@example.jp")}));
    }
    // The compose window as "返信する" opens it for a cached message from this sender.
    sendF* replyTo(const QString& from) {
        EXPECT_TRUE(mail::cache::create());
        EXPECT_TRUE(mail::cache::append(
            {{1, QStringLiteral("Subject:会議の件"), QStringLiteral("From:") + from,
              QStringLiteral("Date:2026/12/10 11:20"), QStringLiteral("Body:本文"), QStringLiteral("ann")}}));
        maillook::Show();
        maillook* list = maillook::Instance();
        EXPECT_NE(list, nullptr);
        if (!list)
            return nullptr;
        list->ListView1->setCurrentItem(list->ListView1->topLevelItem(0));
        list->resend->trigger();
        sendF* window = sendF::Instance();
        if (window)
            window->sendbody->setPlainText(QStringLiteral("了解しました。"));
        return window;
    }
    static QStringList texts(sendF* window) {
        return {window->sendaddress->text(), window->sendtitle->text(), window->sendbody->toPlainText()};
    }

    QStringList boxes;
};

TEST_F(MailSend, AReplyReachesTheServerWithTheBlindCopy) {
    AioSmtpd smtpd;
    ASSERT_TRUE(smtpd.ok());
    setUpSending(smtpd.server());
    key("bccM", QStringLiteral("1"));
    sendF* window = replyTo(QStringLiteral("山田 <you@example.com>"));
    ASSERT_NE(window, nullptr);
    QTest::mouseClick(window->Command1, Qt::LeftButton);
    EXPECT_EQ(sendF::Instance(), nullptr);
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(u'|').toStdString();
    EXPECT_EQ(spoken(), QStringList{"ShowFuki 送信完了しました"});
    const QJsonArray messages = smtpd.messages();
    ASSERT_EQ(messages.size(), 1);
    const QJsonObject m = messages[0].toObject();
    EXPECT_EQ(m[QStringLiteral("subject")].toString(), "Re:会議の件");
    EXPECT_EQ(m[QStringLiteral("to_raw")].toString().contains(QStringLiteral("me@example.jp")), false);
    EXPECT_EQ(m[QStringLiteral("rcpt_to")].toArray().size(), 2);
    EXPECT_EQ(m[QStringLiteral("charset")].toString(), "iso-2022-jp");
}

// Whatever goes wrong, the box says why after "パラメータエラーです" and the window keeps the texts.
TEST_F(MailSend, AFailedSendKeepsTheReply) {
    AioSmtpd refusing(true);
    ASSERT_TRUE(refusing.ok());
    ScriptedSmtp silent(ScriptedSmtp::Script::silentGreeting);
    ScriptedSmtp closing(ScriptedSmtp::Script::closeInData);
    const struct {
        const char* name;
        QString server, from, reason;
    } cases[] = {
        {"550", refusing.server(), "refused@example.com", "550 5.1.1"},
        {"554", refusing.server(), "reject@example.com", "554 5.7.1"},
        {"silent", silent.server(), "you@example.com", "SMTPサーバが応答しません"},
        {"closed in the data", closing.server(), "you@example.com", "SMTPサーバとの接続が途中で切れました"},
        {"CR LF Bcc in the sender", closing.server(), "you@example.com\r\nBcc: evil@example.net",
         "宛先が正しくありません"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setUpSending(c.server);
        boxes.clear();
        talk->calls.clear();
        sendF* window = replyTo(c.from);
        ASSERT_NE(window, nullptr);
        const QStringList before = texts(window);
        QTest::mouseClick(window->Command1, Qt::LeftButton);
        EXPECT_EQ(sendF::Instance(), window);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(texts(window), before);
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("パラメータエラーです"))) << boxes[0].toStdString();
        EXPECT_TRUE(boxes[0].contains(c.reason)) << boxes[0].toStdString();
        EXPECT_EQ(spoken(), QStringList{});
        sendF::Unload();
        maillook::Unload();
    }
    EXPECT_EQ(refusing.messages().size(), 0);
    EXPECT_EQ(closing.connections(), 1); // the refused recipient text never connected
}

// Only the blind-copy switch sends a copy to her own address: a pasted "address TAB bcc TAB own
// address" is no blind copy, with the switch off or on. A TAB the paste left is a blank.
TEST_F(MailSend, APastedBlindCopyFormIsNoBlindCopy) {
    AioSmtpd smtpd;
    ASSERT_TRUE(smtpd.ok());
    setUpSending(smtpd.server());
    const struct {
        const char* name;
        const char* bccM;
        QString typed;
        QStringList rcpt; // empty: refused, nothing sent
    } cases[] = {
        {"pasted form, switch off", "0", "you@example.com\tbcc\tme@example.jp", {}},
        {"pasted form, switch on", "1", "you@example.com\tbcc\tme@example.jp", {}},
        {"a TAB after the address", "0", "you@example.com\t", {"you@example.com"}},
        {"the switch", "1", "you@example.com", {"you@example.com", "me@example.jp"}},
    };
    int sent = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        key("bccM", QString::fromLatin1(c.bccM));
        boxes.clear();
        sendF* window = replyTo(QStringLiteral("you@example.com"));
        ASSERT_NE(window, nullptr);
        window->sendaddress->setText(c.typed);
        window->sendtitle->setText(QString::fromUtf8(c.name));
        QTest::mouseClick(window->Command1, Qt::LeftButton);
        if (c.rcpt.isEmpty()) {
            EXPECT_EQ(boxes, QStringList{QStringLiteral("パラメータエラーです\r\n宛先が正しくありません")});
            EXPECT_EQ(sendF::Instance(), window);
        } else {
            EXPECT_TRUE(boxes.isEmpty()) << boxes.join(u'|').toStdString();
            ++sent;
        }
        sendF::Unload();
        maillook::Unload();
        const QJsonArray messages = smtpd.messages();
        ASSERT_EQ(messages.size(), sent);
        for (const QJsonValue& m : messages)
            if (m[QStringLiteral("subject")].toString() == QString::fromUtf8(c.name)) {
                QStringList rcpt;
                for (const QJsonValue& a : m[QStringLiteral("rcpt_to")].toArray())
                    rcpt << a.toString();
                EXPECT_EQ(rcpt, c.rcpt);
            }
    }
}

// The exit begins after "送信" was asked but before the worker reached the library: the send ends
// as cancelled without connecting, and no box tells of it (the exit opens no more windows).
TEST_F(MailSend, TheExitCancelsASendBeforeItConnectsWithoutABox) {
    ScriptedSmtp silent(ScriptedSmtp::Script::silentGreeting);
    setUpSending(silent.server());
    mail::setTransfer({}); // the exit's cancel reaches the library
    const mail::SendFunction library = mail::sender();
    QString reason;
    mail::setSender([&library, &reason](unsigned mark, const QString& folder, const QString& server,
                                        const QString& recipient, const QString& sender,
                                        const QString& subject, const QString& body, const QString& seventh) {
        QSemaphore exited;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [&exited] {
                flag::state.Exiting = 1;
                mail::Cancel();
                exited.release();
            },
            Qt::QueuedConnection);
        EXPECT_TRUE(exited.tryAcquire(1, 5000));
        reason = library(mark, folder, server, recipient, sender, subject, body, seventh);
        return reason;
    });
    sendF* window = replyTo(QStringLiteral("you@example.com"));
    ASSERT_NE(window, nullptr);
    QTest::mouseClick(window->Command1, Qt::LeftButton);
    EXPECT_TRUE(reason.contains(QStringLiteral("送信を中断しました"))) << reason.toStdString();
    EXPECT_EQ(silent.connections(), 0);
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(u'|').toStdString();
    EXPECT_EQ(spoken(), QStringList{});
    EXPECT_EQ(flag::state.MailBusy, 0);
}

} // namespace

// SendMailEx against the real aiosmtpd, read back with Python's email parser, and against scripted
// peers that misbehave, all on 127.0.0.1.
#include "platform/clock.h"
#include "platform/net/mail_transfer.h"
#include "smtp_peers.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTimeZone>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

const QString kOwn = QStringLiteral("me@example.jp");

class SendMail : public ::testing::Test {
protected:
    void SetUp() override {
        platform::clock::setFake(QDateTime(QDate(2026, 12, 10), QTime(11, 20, 1), QTimeZone(9 * 3600)));
        mail_transfer::setSendLimits({});
    }
    void TearDown() override {
        platform::clock::setFake(std::nullopt);
        mail_transfer::setSendLimits({});
    }
    static QString send(const QString& server, const QString& recipient, const QString& subject,
                        const QString& body) {
        return mail_transfer::SendMailEx(QStringLiteral("/nowhere"), server, recipient, kOwn, subject, body,
                                         QString());
    }
    // The message of that subject (the maildir's order is not the sending order); empty if none.
    static QJsonObject withSubject(const QJsonArray& messages, const QString& subject) {
        for (const QJsonValue& v : messages)
            if (v[QStringLiteral("subject")].toString() == subject)
                return v.toObject();
        return {};
    }
    static QStringList strings(const QJsonValue& value) {
        QStringList out;
        for (const QJsonValue& item : value.toArray())
            out << item.toString();
        return out;
    }
};

// Each message the way a Japanese mailer writes it, decoded back by an independent parser.
TEST_F(SendMail, ComposesInIso2022JpOrUtf8) {
    AioSmtpd smtpd;
    ASSERT_TRUE(smtpd.ok());
    const QString longLine = QString(2000, QLatin1Char('x'));
    const QString longSubject = QStringLiteral("長い件名").repeated(50);
    struct Case {
        const char* name;
        QString subject, body, charset, cte;
    };
    const Case cases[] = {
        {"ASCII", "Re:hello there", "plain words\nsecond line", "iso-2022-jp", "7bit"},
        {"kana and kanji", "Re:お知らせ：会議の件", "こんにちは。\n漢字とカナです。", "iso-2022-jp", "7bit"},
        {"circled digit", "Re:①", "本文①", "utf-8", "base64"},
        {"rare kanji", "Re:髙橋さん", "髙", "utf-8", "base64"},
        {"wave dash", "Re:10時～11時", "～", "utf-8", "base64"},
        {"half-width kana", "Re:ｱｲｳ", "ｱｲｳ", "utf-8", "base64"},
        {"emoji", "Re:やあ😀", "😀", "utf-8", "base64"},
        {"2,000-character line", "Re:long", longLine, "utf-8", "base64"},
        {"Re: alone", "Re:", "本文", "iso-2022-jp", "7bit"},
        {"200-character subject", longSubject, "本文", "iso-2022-jp", "7bit"},
        {"200-character UTF-8 subject", longSubject + QStringLiteral("😀"), "本文", "utf-8", "base64"},
    };
    for (const Case& c : cases)
        ASSERT_EQ(send(smtpd.server(), QStringLiteral("you@example.com"), c.subject, c.body), "") << c.name;
    const QJsonArray messages = smtpd.messages();
    ASSERT_EQ(messages.size(), int(std::size(cases)));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QJsonObject m = withSubject(messages, c.subject);
        ASSERT_FALSE(m.isEmpty());
        // The message ends in a line break, whether the text did or not.
        QString body =
            m[QStringLiteral("body")].toString().replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (body.endsWith(u'\n') && !c.body.endsWith(u'\n'))
            body.chop(1);
        EXPECT_EQ(body, c.body);
        EXPECT_EQ(m[QStringLiteral("charset")].toString(), c.charset);
        EXPECT_EQ(m[QStringLiteral("cte")].toString().toLower(), c.cte);
        EXPECT_TRUE(m[QStringLiteral("all_7bit")].toBool());
        EXPECT_LE(m[QStringLiteral("longest_line")].toInt(), 998);
        EXPECT_TRUE(m[QStringLiteral("words_end_ascii")].toBool());
        for (const QString& word : strings(m[QStringLiteral("subject_words")]))
            EXPECT_LE(word.size(), 75) << word.toStdString();
        // Not only the words: no line that holds one passes 76, the first one with "Subject:"
        // included.
        EXPECT_LE(m[QStringLiteral("longest_encoded_header_line")].toInt(), 76)
            << m[QStringLiteral("subject_raw")].toString().toStdString();
        EXPECT_EQ(m[QStringLiteral("mime_version")].toString(), "1.0");
        EXPECT_EQ(m[QStringLiteral("from")].toString(), kOwn);
        EXPECT_EQ(m[QStringLiteral("to")].toArray().size(), 1);
        EXPECT_TRUE(m[QStringLiteral("message_id")].toString().endsWith(QStringLiteral("@example.jp>")));
        EXPECT_EQ(m[QStringLiteral("date")].toString(), "Thu, 10 Dec 2026 11:20:01 +0900");
        if (c.charset == QStringLiteral("iso-2022-jp") && c.subject.size() > 40) {
            EXPECT_GT(strings(m[QStringLiteral("subject_words")]).size(), 1); // folded into several words
        }
    }
}

// The names of the To header as Japanese mailers write them: in the message's own charset when it
// holds the name (ISO-2022-JP, each word back in ASCII at its end), else in UTF-8; ASCII names as
// they are or quoted; no line with an encoded word past 76 characters, however long the list.
TEST_F(SendMail, TheToNamesAreInTheMessagesCharset) {
    AioSmtpd smtpd;
    ASSERT_TRUE(smtpd.ok());
    // Short names each before an address that fills a line: every name starts a line of its own
    // after the first, and its address must still go to the next.
    QStringList shortList, shortNames, shortAddresses;
    for (int i = 0; i < 3; ++i) {
        const QString address = QString(60, QLatin1Char('a' + i)) + QStringLiteral("@example.com");
        shortList << QStringLiteral("Jo <") + address + QLatin1Char('>');
        shortNames << QStringLiteral("Jo");
        shortAddresses << address;
    }
    QStringList longList, longNames, longAddresses;
    for (int i = 0; i < 5; ++i) {
        const QString name = QStringLiteral("長い名前の宛先さん%1号").arg(QChar(u'０' + i));
        const QString address = QStringLiteral("recipient.number.%1@a-rather-long-domain.example.com").arg(i);
        longList << name + QStringLiteral(" <") + address + QLatin1Char('>');
        longNames << name;
        longAddresses << address;
    }
    struct Case {
        const char* name;
        QString recipient, body;
        QStringList names, addresses;
        QString words; // the charset of the To header's encoded words, "" for none
        QString charset;
    };
    const Case cases[] = {
        {"a Japanese name",
         "山田 太郎 <taro@example.com>",
         "本文",
         {"山田 太郎"},
         {"taro@example.com"},
         "iso-2022-jp",
         "iso-2022-jp"},
        {"a name outside JIS X 0208",
         "髙橋 <t@example.com>",
         "本文",
         {"髙橋"},
         {"t@example.com"},
         "utf-8",
         "iso-2022-jp"},
        {"a UTF-8 message", "山田 <y@example.com>", "😀", {"山田"}, {"y@example.com"}, "utf-8", "utf-8"},
        {"ASCII names",
         "\"Doe, John\" <d@example.com>, Jane Roe <j@example.com>, k@example.com",
         "b",
         {"Doe, John", "Jane Roe", ""},
         {"d@example.com", "j@example.com", "k@example.com"},
         "",
         "iso-2022-jp"},
        {"a name a reader could take for an encoded word",
         "\"a=?b\" <q@example.com>",
         "b",
         {"a=?b"},
         {"q@example.com"},
         "iso-2022-jp",
         "iso-2022-jp"},
        {"a long list", longList.join(QStringLiteral(", ")), "本文", longNames, longAddresses, "iso-2022-jp",
         "iso-2022-jp"},
        {"short names before long addresses", shortList.join(QStringLiteral(", ")), "b", shortNames,
         shortAddresses, "", "iso-2022-jp"},
    };
    for (const Case& c : cases)
        ASSERT_EQ(send(smtpd.server(), c.recipient, QString::fromUtf8(c.name), c.body), "") << c.name;
    const QJsonArray messages = smtpd.messages();
    ASSERT_EQ(messages.size(), int(std::size(cases)));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QJsonObject m = withSubject(messages, QString::fromUtf8(c.name));
        ASSERT_FALSE(m.isEmpty());
        const std::string raw = m[QStringLiteral("to_raw")].toString().toStdString();
        EXPECT_EQ(strings(m[QStringLiteral("to_names")]), c.names) << raw;
        EXPECT_EQ(strings(m[QStringLiteral("to")]), c.addresses) << raw;
        QStringList words = strings(m[QStringLiteral("to_charsets")]);
        words.removeDuplicates();
        EXPECT_EQ(words, c.words.isEmpty() ? QStringList() : QStringList{c.words}) << raw;
        EXPECT_TRUE(m[QStringLiteral("to_words_end_ascii")].toBool()) << raw;
        EXPECT_EQ(m[QStringLiteral("charset")].toString(), c.charset);
        EXPECT_LE(m[QStringLiteral("longest_encoded_header_line")].toInt(), 76) << raw;
        EXPECT_LE(m[QStringLiteral("longest_to_line")].toInt(), 76) << raw;
        EXPECT_TRUE(m[QStringLiteral("all_7bit")].toBool());
    }
}

TEST_F(SendMail, TheBlindCopyIsAnEnvelopeRecipientOnly) {
    AioSmtpd smtpd;
    ASSERT_TRUE(smtpd.ok());
    ASSERT_EQ(send(smtpd.server(), QStringLiteral("you@example.com\tbcc\t") + kOwn, QStringLiteral("Re:on"),
                   QStringLiteral("b")),
              "");
    ASSERT_EQ(send(smtpd.server(), QStringLiteral("you@example.com"), QStringLiteral("Re:off"),
                   QStringLiteral("b")),
              "");
    const QJsonArray messages = smtpd.messages();
    ASSERT_EQ(messages.size(), 2);
    for (const QJsonValue& m : messages) {
        const bool on = m[QStringLiteral("subject")].toString() == QStringLiteral("Re:on");
        SCOPED_TRACE(on ? "on" : "off");
        EXPECT_EQ(strings(m[QStringLiteral("rcpt_to")]),
                  (on ? QStringList{"you@example.com", "me@example.jp"} : QStringList{"you@example.com"}));
        EXPECT_EQ(strings(m[QStringLiteral("to")]), QStringList{"you@example.com"});
        EXPECT_FALSE(m[QStringLiteral("has_bcc")].toBool());
        EXPECT_EQ(m[QStringLiteral("mail_from")].toString(), kOwn);
    }
}

// The recipient box gives exactly the parsed recipients, or fails before any connection.
TEST_F(SendMail, TheRecipientTextIsAnAddressListAndNothingElse) {
    mail_transfer::setSendLimits({2000, 2000}); // a wrong acceptance ends soon at the silent peer
    AioSmtpd smtpd;
    ASSERT_TRUE(smtpd.ok());
    ScriptedSmtp peer(ScriptedSmtp::Script::silentAfterData);
    struct Case {
        const char* name;
        QString recipient;
        QStringList rcpt; // empty: fails
    };
    const Case cases[] = {
        {"CR LF Bcc", "you@example.com\r\nBcc: evil@example.net", {}},
        {"TAB bcc TAB another", "you@example.com\tbcc\tevil@example.net", {}},
        {"TAB in a name", "\"a\tb\" <you@example.com>", {}},
        {"two with a comma", "you@example.com, two@example.org", {"you@example.com", "two@example.org"}},
        {"quotes and a comma in a name", "\"Doe, John\" <you@example.com>", {"you@example.com"}},
        {"a name", "山田 <you@example.com>", {"you@example.com"}},
        {"an address in a quoted name", "\", x@example.net\" <you@example.com>", {"you@example.com"}},
        {"a group in a quoted name", "\"a: x@example.net;\" <you@example.com>", {"you@example.com"}},
        {"an @ in a comment", "(x@example.net) you@example.com", {"you@example.com"}},
        {"two without a comma", "you@example.com two@example.org", {}},
        {"a name without brackets", "x@example.net you@example.com", {}},
        {"a second @", "you@evil@example.com", {}},
        {"an address glued to a bracketed one", "you@example.com<two@example.org>", {}},
        {"an unclosed comment", "you@example.com (x", {}},
        {"angle brackets only", "<>", {}},
        {"a group", "a: x@example.net;", {}},
        {"blanks only", "   ", {}},
        {"empty", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString server = c.rcpt.isEmpty() ? peer.server() : smtpd.server();
        const QString result = send(server, c.recipient, QString::fromUtf8(c.name), QStringLiteral("b"));
        if (c.rcpt.isEmpty())
            EXPECT_TRUE(result.contains(QStringLiteral("宛先が正しくありません"))) << result.toStdString();
        else
            EXPECT_EQ(result, "");
    }
    EXPECT_EQ(peer.connections(), 0);
    for (const QJsonValue& m : smtpd.messages()) {
        const QString name = m[QStringLiteral("subject")].toString();
        for (const Case& c : cases)
            if (name == QString::fromUtf8(c.name)) {
                EXPECT_EQ(strings(m[QStringLiteral("rcpt_to")]), c.rcpt) << c.name;
            }
    }
    EXPECT_EQ(smtpd.messages().size(), 6);
}

TEST_F(SendMail, ControlsInTheSubjectBecomeBlanks) {
    AioSmtpd smtpd;
    ASSERT_TRUE(smtpd.ok());
    ASSERT_EQ(send(smtpd.server(), QStringLiteral("you@example.com"),
                   QStringLiteral("Re:a\r\nBcc: evil@example.net"), QStringLiteral("b")),
              "");
    const QJsonArray messages = smtpd.messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0][QStringLiteral("subject")].toString(), "Re:a  Bcc: evil@example.net");
    EXPECT_FALSE(messages[0][QStringLiteral("has_bcc")].toBool());
    EXPECT_EQ(strings(messages[0][QStringLiteral("rcpt_to")]), QStringList{"you@example.com"});
}

TEST_F(SendMail, RefusalsGiveTheServersReplyLine) {
    AioSmtpd smtpd(true);
    ASSERT_TRUE(smtpd.ok());
    const QString refused =
        send(smtpd.server(), QStringLiteral("refused@example.com"), QStringLiteral("a"), QStringLiteral("b"));
    EXPECT_TRUE(refused.contains(QStringLiteral("サーバがメールを受け付けませんでした")))
        << refused.toStdString();
    EXPECT_TRUE(refused.contains(QStringLiteral("550 5.1.1"))) << refused.toStdString();
    const QString rejected =
        send(smtpd.server(), QStringLiteral("reject@example.com"), QStringLiteral("a"), QStringLiteral("b"));
    EXPECT_TRUE(rejected.contains(QStringLiteral("554 5.7.1 message refused"))) << rejected.toStdString();
    EXPECT_EQ(smtpd.messages().size(), 0);
}

// A server offering STARTTLS with a certificate nobody signed gets no mail: the session never goes
// on in clear, nor with a certificate left unchecked.
TEST_F(SendMail, AnUncheckedCertificateGetsNoMail) {
    AioSmtpd smtpd(false, true);
    ASSERT_TRUE(smtpd.ok());
    const QString result =
        send(smtpd.server(), QStringLiteral("you@example.com"), QStringLiteral("a"), QStringLiteral("b"));
    EXPECT_TRUE(result.contains(QStringLiteral("SMTPサーバと安全に接続できません"))) << result.toStdString();
    EXPECT_EQ(smtpd.messages().size(), 0);
}

// The exit's cancel() ends a sending that waits on a silent server.
TEST_F(SendMail, CancelEndsASending) {
    ScriptedSmtp peer(ScriptedSmtp::Script::silentAfterData);
    std::thread canceller([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        mail_transfer::cancel();
    });
    QElapsedTimer took;
    took.start();
    const QString result =
        send(peer.server(), QStringLiteral("you@example.com"), QStringLiteral("a"), QStringLiteral("b"));
    canceller.join();
    const qint64 elapsed = took.elapsed();
    EXPECT_GE(elapsed, 300); // ended by the cancel, not before it
    EXPECT_LT(elapsed, 3000);
    EXPECT_TRUE(result.contains(QStringLiteral("送信を中断しました"))) << result.toStdString();
}

TEST_F(SendMail, BadServerTextsFailWithoutAConnection) {
    for (const char* server : {"", "host:", "host:0", "host:70000", "host:2x", "a b", "host/x"})
        EXPECT_TRUE(send(QString::fromUtf8(server), QStringLiteral("you@example.com"), QStringLiteral("a"),
                         QStringLiteral("b"))
                        .contains(QStringLiteral("SMTPサーバの指定が正しくありません")))
            << server;
}

// The limits hold, each on its own and neither early nor late: the connect limit on a silent
// greeting, the idle limit on the silence after the data's end, with no second wait for QUIT's
// reply; a close in the data's midst fails at once. The box tells the cause, never the server's
// last positive reply (the 354 that asked for the data) as if it were the reason.
TEST_F(SendMail, SilentAndBrokenServersFailWithinTheLimits) {
    constexpr int kQuitMs = 300;
    const struct {
        ScriptedSmtp::Script script;
        mail_transfer::SendLimits limits;
        int limitMs; // the limit that ends it
        const char* reason;
    } cases[] = {
        {ScriptedSmtp::Script::silentGreeting, {2000, 30000, kQuitMs}, 2000, "SMTPサーバが応答しません"},
        {ScriptedSmtp::Script::silentAfterData, {30000, 2000, kQuitMs}, 2000, "SMTPサーバが応答しません"},
        {ScriptedSmtp::Script::closeInData,
         {30000, 30000, kQuitMs},
         0,
         "SMTPサーバとの接続が途中で切れました"},
    };
    const QRegularExpression positiveReply(QStringLiteral("(^|\\n)[123][0-9][0-9]"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        mail_transfer::setSendLimits(c.limits);
        ScriptedSmtp peer(c.script);
        QElapsedTimer took;
        took.start();
        const QString result =
            send(peer.server(), QStringLiteral("you@example.com"), QStringLiteral("a"), QStringLiteral("b"));
        const qint64 elapsed = took.elapsed();
        EXPECT_GE(elapsed, c.limitMs);
        EXPECT_LT(elapsed, c.limitMs + kQuitMs + 700);
        EXPECT_TRUE(result.contains(QString::fromUtf8(c.reason))) << result.toStdString();
        EXPECT_FALSE(result.contains(positiveReply)) << result.toStdString();
        EXPECT_EQ(peer.connections(), 1);
    }
}

// A server that took the mail and never answers QUIT costs QUIT's own short limit, and the sending
// is a success: the mail is on its way.
TEST_F(SendMail, ASilentQuitLeavesTheMailSent) {
    mail_transfer::setSendLimits({2000, 2000, 300});
    ScriptedSmtp peer(ScriptedSmtp::Script::silentQuit);
    QElapsedTimer took;
    took.start();
    const QString result =
        send(peer.server(), QStringLiteral("you@example.com"), QStringLiteral("a"), QStringLiteral("b"));
    EXPECT_EQ(result, "");
    const qint64 elapsed = took.elapsed();
    EXPECT_GE(elapsed, 300);
    EXPECT_LT(elapsed, 300 + 700);
    const QByteArrayList commands = peer.commands();
    EXPECT_TRUE(commands.contains("DATA")) << commands.join(' ').constData();
    EXPECT_EQ(commands.value(commands.size() - 1), QByteArray("QUIT"));
}

// cancel() ends a sending within a second of being asked, whatever the server does (waiting on it
// under long limits, QUIT's included); a mail the server took stays sent.
TEST_F(SendMail, CancelEndsASendingWithinASecond) {
    mail_transfer::setSendLimits({30000, 30000, 30000});
    const struct {
        ScriptedSmtp::Script script;
        const char* result; // "" for sent
    } cases[] = {
        {ScriptedSmtp::Script::silentGreeting, "送信を中断しました"},
        {ScriptedSmtp::Script::silentAfterData, "送信を中断しました"},
        {ScriptedSmtp::Script::silentQuit, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.script));
        ScriptedSmtp peer(c.script);
        QElapsedTimer took;
        took.start();
        std::atomic<qint64> cancelledAt{0};
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            cancelledAt = took.elapsed();
            mail_transfer::cancel();
        });
        const QString result =
            send(peer.server(), QStringLiteral("you@example.com"), QStringLiteral("a"), QStringLiteral("b"));
        const qint64 ended = took.elapsed();
        canceller.join();
        EXPECT_GE(ended, cancelledAt); // the long limits did not end it first
        EXPECT_LT(ended - cancelledAt, 1000);
        if (*c.result)
            EXPECT_TRUE(result.contains(QString::fromUtf8(c.result))) << result.toStdString();
        else
            EXPECT_EQ(result, "");
    }
}

// The caller takes the mark before it hands the sending to a worker: a cancel asked before the
// worker began holds, and no connection is made. A later mark sends as usual.
TEST_F(SendMail, ACancelBeforeTheCallBeganHolds) {
    mail_transfer::setSendLimits({3000, 3000, 300});
    ScriptedSmtp peer(ScriptedSmtp::Script::silentGreeting);
    const mail_transfer::CancelMark mark = mail_transfer::cancelMark();
    mail_transfer::cancel();
    QElapsedTimer took;
    took.start();
    const QString result = mail_transfer::SendMailExMarked(
        mark, QStringLiteral("/nowhere"), peer.server(), QStringLiteral("you@example.com"), kOwn,
        QStringLiteral("a"), QStringLiteral("b"), QString());
    EXPECT_TRUE(result.contains(QStringLiteral("送信を中断しました"))) << result.toStdString();
    EXPECT_LT(took.elapsed(), 1000);
    EXPECT_EQ(peer.connections(), 0);

    AioSmtpd smtpd;
    ASSERT_TRUE(smtpd.ok());
    EXPECT_EQ(mail_transfer::SendMailExMarked(mail_transfer::cancelMark(), QStringLiteral("/nowhere"),
                                              smtpd.server(), QStringLiteral("you@example.com"), kOwn,
                                              QStringLiteral("a"), QStringLiteral("b"), QString()),
              "");
    EXPECT_EQ(smtpd.messages().size(), 1);
}

} // namespace

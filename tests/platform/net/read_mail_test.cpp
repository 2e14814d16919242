#include "platform/net/mail_transfer.h"
#include "platform/net/mime.h"

#include <QDateTime>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

// 2026-12-01 09:30 +0900 as this machine's local time, as ReadMail writes it.
QString localDate() {
    return QDateTime(QDate(2026, 12, 1), QTime(0, 30), Qt::UTC)
        .toLocalTime()
        .toString(QStringLiteral("yyyy/MM/dd HH:mm"));
}

struct MailCase {
    const char* file;
    const char* subject;
    const char* from;
    const char* date; // nullptr: the local form of the fixtures' usual date
    const char* attachments;
    const char* body;
};
void PrintTo(const MailCase& c, std::ostream* os) {
    *os << c.file;
}

class ReadMailTable : public ::testing::TestWithParam<MailCase> {};

TEST_P(ReadMailTable, GivesFiveTexts) {
    const MailCase& c = GetParam();
    const std::optional<QStringList> parts =
        mail_transfer::ReadMail(QStringLiteral(MORVIK_MAIL_FIXTURES "/") + QString::fromUtf8(c.file),
                                QStringLiteral("subject:from:date:nofile:"), QString());
    ASSERT_TRUE(parts.has_value());
    ASSERT_EQ(parts->size(), 5);
    EXPECT_EQ(parts->at(0), QStringLiteral("Subject:") + QString::fromUtf8(c.subject));
    EXPECT_EQ(parts->at(1), QStringLiteral("From:") + QString::fromUtf8(c.from));
    EXPECT_EQ(parts->at(2), QStringLiteral("Date:") + (c.date ? QString::fromUtf8(c.date) : localDate()));
    EXPECT_EQ(parts->at(3), QString::fromUtf8(c.attachments));
    EXPECT_EQ(parts->at(4), QStringLiteral("Body:") + QString::fromUtf8(c.body));
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, ReadMailTable,
    ::testing::Values(
        // glibc's ISO-2022-JP has no ① or ㈱ and no ESC ( I kana.
        MailCase{"iso2022jp.eml", "①お知らせｶﾅ", "sender@example.com", nullptr, "",
                 "①㈱の会議\r\nｶﾀｶﾅもあります\r\n"},
        MailCase{"shift_jis.eml", "㈱からの請求書", "山田㈱ <yamada@example.com>", nullptr, "",
                 "㈱表示テスト～\r\n"},
        MailCase{"euc_jp.eml", "①番の件", "sender@example.com", nullptr, "", "①番です。ﾊﾝｶｸ\r\n"},
        MailCase{"utf8_8bit.eml", "生のUTF-8件名", "sender@example.com", nullptr, "", "本文もUTF-8\r\n"},
        MailCase{"unlabelled_sjis.eml", "ラベルなしの件名", "山田 太郎 <yamada@example.com>", nullptr, "",
                 "ラベルなしの本文\r\n"},
        // A character split between two words comes back whole; CR, LF and TAB become blanks, and
        // the sender's name is one quoted phrase: a reply goes to the attacker alone.
        MailCase{"words.eml", "日本語の件名 tail  Bcc: x plain end",
                 "\"Evil, Name: x; <y> \\\"q\\\" @ z Bcc: victim@example.com !\" <attacker@example.com>",
                 nullptr, "", "body\r\n"},
        MailCase{
            "quoted_printable.eml", "QP", "sender@example.com", "someday soon", "",
            "とても長い行とても長い行とても長い行とても長い行とても長い行とても長い行とても長い行とても長い行"
            "とても長い行とても長い行とても長い行とても長い行\r\n二行目\r\n"},
        MailCase{"base64.eml", "b64", "sender@example.com", nullptr, "", "①base64の本文\r\n"},
        MailCase{"nested.eml", "nested", "sender@example.com", nullptr, "見積.pdf\tmemo.txt", "平文の本文"},
        MailCase{"html_only.eml", "html", "sender@example.com", nullptr, "",
                 "こんにちは&太字\r\n次の行①<br>\r\nend"},
        MailCase{"no_blank_line.eml", "no blank line", "sender@example.com", "", "", ""},
        MailCase{"no_closing_boundary.eml", "open", "sender@example.com", "", "", "閉じない本文\r\n"},
        MailCase{"bad_base64.eml", "bad base64", "sender@example.com", "", "", "あいう"},
        MailCase{"nul.eml", "a b", "sender@example.com", "", "", "x y\r\n"},
        MailCase{"long_header.eml", "after a long line", "sender@example.com", "", "", "ok\r\n"},
        // A comment never closed is closed at the end of its header (GMime would lose memory on it).
        MailCase{"open_comment.eml", "open comment", "a comment never closed <sender@[192.0.2.1]>", "", "",
                 "ok\r\n"}),
    [](const auto& info) {
        std::string name = info.param.file;
        return name.substr(0, name.find('.'));
    });

TEST(ReadMail, FailsOnAMissingFile) {
    EXPECT_FALSE(
        mail_transfer::ReadMail(QStringLiteral(MORVIK_MAIL_FIXTURES "/none.eml"), QString(), QString()));
    EXPECT_FALSE(mail_transfer::lastError().isEmpty());
}

struct BytesCase {
    const char* what;
    const char* raw;
    const char* subject;
    const char* from;
    const char* body;
    const char* attachments = ""; // joined with TABs
};
void PrintTo(const BytesCase& c, std::ostream* os) {
    *os << c.what;
}

class ReadMailBytes : public ::testing::TestWithParam<BytesCase> {};

TEST_P(ReadMailBytes, GivesTheTexts) {
    const BytesCase& c = GetParam();
    const platform::mime::Message m = platform::mime::read(QByteArray(c.raw));
    EXPECT_EQ(m.subject, QString::fromUtf8(c.subject));
    EXPECT_EQ(m.from, QString::fromUtf8(c.from));
    EXPECT_EQ(m.body, QString::fromUtf8(c.body));
    EXPECT_EQ(m.attachments.join(QLatin1Char('\t')), QString::fromUtf8(c.attachments));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadMailBytes,
    ::testing::Values(
        // A body line that looks like an address header is the sender's text, left as it is.
        BytesCase{"body_line", "From: a@example.com\r\nSubject: s\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n"
                               "To: 田中 (明日\r\nCc: x \"y\r\n",
                  "s", "a@example.com", "To: 田中 (明日\r\nCc: x \"y\r\n"},
        BytesCase{"part_body_line",
                  "From: a@example.com\r\nSubject: m\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
                  "--b1\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\nTo: 田中 (明日\r\n--b1--\r\n",
                  "m", "a@example.com", "To: 田中 (明日"},
        // A quote never closed hides no comment: the comment after it is closed too.
        BytesCase{"open_quote", "cc:\":r@[](", "", "", ""},
        BytesCase{"open_quote_from", "From: \"a (b <s@[192.0.2.1]>\r\nSubject: q\r\n\r\nok\r\n", "q",
                  "\"a (b <s@[192.0.2.1]>\"", "ok\r\n"},
        // A backslash at the end would escape the closing mark put right after it.
        BytesCase{"open_comment_backslash", "From: s@[192.0.2.1] (a\\\r\nSubject: e\r\n\r\nok\r\n", "e",
                  "a <s@[192.0.2.1]>", "ok\r\n"},
        // A quote inside a domain literal opens nothing: the comment after it is closed.
        BytesCase{"literal_quote", "From: s@[19\".0.2.1] (a\r\nSubject: l\r\n\r\nok\r\n", "l", "a <s@[19\".0.2.1]>", "ok\r\n"},
        // However many blanks stand before the colon.
        BytesCase{"padded_name", "From                    : s@[192.0.2.1] (a\r\nSubject: p\r\n\r\nok\r\n", "p",
                  "a <s@[192.0.2.1]>", "ok\r\n"},
        // A text part with a file name is shown unless it is an attachment.
        BytesCase{"inline_filename",
                  "From: a@example.com\r\nSubject: memo\r\nContent-Type: text/plain; charset=UTF-8\r\n"
                  "Content-Disposition: inline; filename=\"memo.txt\"\r\n\r\nメモの本文\r\n",
                  "memo", "a@example.com", "メモの本文\r\n"},
        BytesCase{"type_name", "From: a@example.com\r\nSubject: memo\r\nContent-Type: text/plain; name=\"memo.txt\"\r\n\r\nmemo\r\n",
                  "memo", "a@example.com", "memo\r\n"},
        // Beside the message's own text a named text part stays an attachment.
        BytesCase{"named_beside_body",
                  "From: a@example.com\r\nSubject: m\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                  "--b\r\nContent-Type: text/html; charset=UTF-8\r\n\r\n<p>本文</p>\r\n"
                  "--b\r\nContent-Type: text/plain; name=\"log.txt\"\r\n\r\nlog\r\n--b--\r\n",
                  "m", "a@example.com", "本文", "log.txt"},
        // A forwarded message: its own short header block and text after the forwarder's text;
        // a forward inside it the same way.
        BytesCase{"forward",
                  "From: a@example.com\r\nSubject: fwd\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                  "--b\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n転送します\r\n"
                  "--b\r\nContent-Type: message/rfc822\r\nContent-Disposition: attachment\r\n\r\n"
                  "From: =?UTF-8?B?5bGx55Sw?= <y@example.com>\r\nDate: someday\r\n"
                  "Subject: =?ISO-2022-JP?B?GyRCODUkTjdvTD4bKEI=?=\r\n"
                  "Content-Type: text/plain; charset=UTF-8\r\n\r\n元の本文\r\n--b--\r\n",
                  "fwd", "a@example.com",
                  "転送します\r\n\r\n-------- 転送されたメッセージ --------\r\n差出人: 山田 <y@example.com>\r\n"
                  "日付: someday\r\n件名: 元の件名\r\n\r\n元の本文"},
        BytesCase{"only_forward",
                  "From: a@example.com\r\nSubject: fwd\r\nContent-Type: message/rfc822\r\n\r\n"
                  "From: b@example.com\r\nSubject: one\r\nContent-Type: multipart/mixed; boundary=\"c\"\r\n\r\n"
                  "--c\r\nContent-Type: text/plain\r\n\r\nfirst\r\n"
                  "--c\r\nContent-Type: message/rfc822\r\n\r\nFrom: c@example.com\r\nSubject: two\r\n\r\n"
                  "<p>second</p>\r\n--c\r\nContent-Type: application/pdf\r\n"
                  "Content-Disposition: attachment; filename=\"x.pdf\"\r\n\r\nJVBE\r\n--c--\r\n",
                  "fwd", "a@example.com",
                  "-------- 転送されたメッセージ --------\r\n差出人: b@example.com\r\n件名: one\r\n\r\nfirst\r\n\r\n"
                  "-------- 転送されたメッセージ --------\r\n差出人: c@example.com\r\n件名: two\r\n\r\n"
                  "<p>second</p>",
                  "x.pdf"},
        // A type without its subtype is plain text.
        BytesCase{"no_subtype", "From: a@example.com\r\nSubject: t\r\nContent-Type: text; charset=us-ascii\r\n\r\nplain\r\n",
                  "t", "a@example.com", "plain\r\n"},
        // A comment after a type GMime reads is no unreadable type: binary data stays unshown.
        BytesCase{"octet_stream_comment",
                  "From: a@example.com\r\nSubject: t\r\nContent-Type: application/octet-stream (data)\r\n\r\n"
                  "\x01\x02\r\n",
                  "t", "a@example.com", ""},
        BytesCase{"empty_type", "From: a@example.com\r\nSubject: t\r\nContent-Type: \r\n\r\nplain\r\n", "t",
                  "a@example.com", "plain\r\n"},
        // No blank line after the header, or no header at all: all of the text is the body.
        BytesCase{"no_blank_line", "From: a@example.com\r\nSubject: s\r\nHello there\r\nsecond\r\n", "s",
                  "a@example.com", "Hello there\r\nsecond\r\n"},
        BytesCase{"no_header", "こんにちは\nsecond: line\n", "", "", "こんにちは\r\nsecond: line\r\n"},
        BytesCase{"folded_first_line", " indented\r\nFrom: a@example.com\r\n", "", "",
                  " indented\r\nFrom: a@example.com\r\n"},
        BytesCase{"mbox_from_line", "From a@example.com Tue Dec  1 09:30:00 2026\r\nSubject: s\r\n\r\nbody\r\n",
                  "s", "", "body\r\n"},
        // A picture shown inside the HTML and a text file sent as an attachment are listed, not shown.
        BytesCase{"related_and_attached",
                  "From: a@example.com\r\nSubject: r\r\nContent-Type: multipart/mixed; boundary=\"m\"\r\n\r\n"
                  "--m\r\nContent-Type: multipart/related; boundary=\"r\"\r\n\r\n"
                  "--r\r\nContent-Type: text/html; charset=UTF-8\r\n\r\n<p>図です</p>\r\n"
                  "--r\r\nContent-Type: image/png; name=\"logo.png\"\r\nContent-Disposition: inline\r\n"
                  "Content-ID: <logo>\r\n\r\niVBO\r\n--r--\r\n"
                  "--m\r\nContent-Type: text/plain; charset=UTF-8\r\n"
                  "Content-Disposition: attachment; filename=\"notes.txt\"\r\n\r\nnot the body\r\n--m--\r\n",
                  "r", "a@example.com", "図です", "logo.png\tnotes.txt"},
        // A stray line among the fields (an address line broken without a fold) ends nothing: the
        // fields after it, its charset among them, are still read.
        BytesCase{"stray_line_in_header",
                  "From: a@example.com\r\nTo: b@example.com,\r\nc@example.com\r\nX-Empty:\r\nSubject: kept\r\n"
                  "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n\x1b$B$3$s$K$A$O\x1b(B\r\n",
                  "kept", "a@example.com", "こんにちは\r\n"},
        // Text that looks like a field stays text: after the missing blank line, and after a real one.
        BytesCase{"field_like_text",
                  "From: a@example.com\r\nSubject: s\r\nHello\r\nNote: at five\r\n\r\nbye\r\n", "s",
                  "a@example.com", "Hello\r\nNote: at five\r\n\r\nbye\r\n"},
        BytesCase{"field_like_body", "From: a@example.com\r\nSubject: s\r\n\r\nNote: at five\r\nTo: you\r\n",
                  "s", "a@example.com", "Note: at five\r\nTo: you\r\n"}),
    [](const auto& info) { return std::string(info.param.what); });

// However deep forwards are nested, she shows the first levels and stops.
TEST(ReadMail, ShowsNestedForwardsToALimit) {
    QByteArray raw = "From: z@example.com\r\nSubject: deepest\r\n\r\nbottom\r\n";
    for (int level = 0; level < 40; ++level)
        raw = "From: a@example.com\r\nSubject: s\r\nContent-Type: message/rfc822\r\n\r\n" + raw;
    const platform::mime::Message m = platform::mime::read(raw);
    EXPECT_EQ(m.body.count(QStringLiteral("-------- 転送されたメッセージ --------")), 8);
    EXPECT_FALSE(m.body.contains(QStringLiteral("bottom")));
}

} // namespace

#include "platform/codec.h"

#include <gtest/gtest.h>

namespace {

using platform::codec::decode;
using platform::codec::encode;

struct CodecCase {
    const char* name;
    const char* encoding;
    const char* text;   // UTF-8
    QByteArray bytes;   // in the encoding
};
void PrintTo(const CodecCase& c, std::ostream* os) { *os << c.name; }


class Codec : public ::testing::TestWithParam<CodecCase> {};

TEST_P(Codec, RoundTrips) {
    const CodecCase& c = GetParam();
    bool ok = false;
    EXPECT_EQ(encode(QString::fromUtf8(c.text), c.encoding, &ok), c.bytes);
    EXPECT_TRUE(ok);
    EXPECT_EQ(decode(c.bytes, c.encoding, &ok), QString::fromUtf8(c.text));
    EXPECT_TRUE(ok);
}

INSTANTIATE_TEST_SUITE_P(
    Japanese, Codec,
    ::testing::Values(
        CodecCase{"ascii", "CP932", "SEND SSTP/1.1", QByteArray("SEND SSTP/1.1")},
        // 表 is 0x95 0x5C: its trail byte is a backslash.
        CodecCase{"trail_backslash", "CP932", "表示", QByteArray("\x95\x5c\x8e\xa6", 4)},
        CodecCase{"cp932_only", "CP932", "①～", QByteArray("\x87\x40\x81\x60", 4)},
        CodecCase{"euc", "EUC-JP", "メール", QByteArray("\xa5\xe1\xa1\xbc\xa5\xeb", 6)},
        CodecCase{"jis", "ISO-2022-JP", "あa", QByteArray("\x1b$B$\"\x1b(Ba", 9)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Codec, BadBytesBecomeQuestionMarksAndTheRestSurvives) {
    bool ok = true;
    EXPECT_EQ(decode(QByteArray("ab\x81\xff" "cd", 6), "CP932", &ok), "ab??cd");
    EXPECT_FALSE(ok);
}

TEST(Codec, TruncatedDoubleByteAtTheEnd) {
    bool ok = true;
    EXPECT_EQ(decode(QByteArray("a\x95", 2), "CP932", &ok), "a?");
    EXPECT_FALSE(ok);
}

TEST(Codec, UnmappableCharacterBecomesQuestionMark) {
    bool ok = true;
    EXPECT_EQ(encode(QStringLiteral("a😀b"), "CP932", &ok), QByteArray("a?b"));
    EXPECT_FALSE(ok);
}

struct MailTextCase {
    const char* name;
    const char* charset; // as the mail labels it; empty: no label
    QByteArray bytes;
    const char* text; // UTF-8
};
void PrintTo(const MailTextCase& c, std::ostream* os) {
    *os << c.name;
}

class MailText : public ::testing::TestWithParam<MailTextCase> {};

// What glibc's own tables get wrong or cannot guess, read as Japanese mailers write it.
TEST_P(MailText, ReadsAsWritten) {
    const MailTextCase& c = GetParam();
    EXPECT_EQ(platform::codec::decodeMail(c.bytes, c.charset), QString::fromUtf8(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    Labels, MailText,
    ::testing::Values(
        MailTextCase{"jis_nec_row", "ISO-2022-JP", QByteArray("\x1b$B-!-j\x1b(B", 10), "①㈱"},
        MailTextCase{"jis_kana_escape", "iso-2022-jp", QByteArray("\x1b(I6@6E\x1b(Bx", 11), "ｶﾀｶﾅx"},
        MailTextCase{"jis_kana_shift_out", "ISO-2022-JP",
                     QByteArray("a\x0e"
                                "6@\x0f"
                                "b",
                                6),
                     "aｶﾀb"},
        MailTextCase{"jis_roman", "ISO-2022-JP", QByteArray("\x1b(Jabc\x1b(B", 9), "abc"},
        MailTextCase{"jis_x0212", "ISO-2022-JP", QByteArray("\x1b$(D\x2b\x21\x1b(B", 9), "á"},
        MailTextCase{"jis_line_resets", "ISO-2022-JP", QByteArray("\x1b$B$\"\r\nab", 9), "あ\r\nab"},
        MailTextCase{"sjis_as_cp932", "Shift_JIS", QByteArray("\x87\x8a\x81\x60", 4), "㈱～"},
        MailTextCase{"sjis_alias", "x-sjis", QByteArray("\x87\x40", 2), "①"},
        MailTextCase{"euc_vendor_row", "EUC-JP", QByteArray("\xad\xa1\xa4\xa2", 4), "①あ"},
        MailTextCase{"euc_kana", "x-euc-jp", QByteArray("\x8e\xb6", 2), "ｶ"},
        MailTextCase{"unknown_label_guessed", "x-no-such-charset", QByteArray("\x82\xa0", 2), "あ"},
        MailTextCase{"ascii_label_over_sjis", "us-ascii", QByteArray("\x82\xa0", 2), "あ"},
        MailTextCase{"utf8_label", "UTF-8", QByteArray("\xe3\x81\x82", 3), "あ"},
        MailTextCase{"none_escapes", "", QByteArray("\x1b$B$\"\x1b(B", 8), "あ"},
        MailTextCase{"none_utf8", "", QByteArray("\xe2\x91\xa0", 3), "①"},
        MailTextCase{"none_euc", "", QByteArray("\xa4\xa2\xa4\xa4", 4), "あい"},
        MailTextCase{"none_cp932", "", QByteArray("\x83\x81\x81\x5b\x83\x8b", 6), "メール"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

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

} // namespace

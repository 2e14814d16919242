#include "app/talk/midi.h"
#include "binary_bytes.h"
#include "platform/audio/mci.h"
#include "platform/codec.h"
#include "scratch_test.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QByteArray metaText(quint8 type, const QByteArray& text, const QByteArray& length = {}) {
    return QByteArray("\x00\xFF", 2) + char(type) +
           (length.isEmpty() ? be(quint32(text.size()), 1) : length) + text;
}

const QByteArray kEnd("\x00\xFF\x2F\x00", 4);

class Midi : public ScratchTest {
protected:
    void TearDown() override { platform::audio::mciSendString(QStringLiteral("close all"), nullptr); }

    QString write(const QByteArray& bytes, const QString& name = QStringLiteral("song.mid")) {
        return ScratchTest::write(name, bytes);
    }

    QString titleOf(const QByteArray& bytes) { return midi::ReadMidiInfo(write(bytes)).Title; }
};

TEST_F(Midi, EachFaultHasItsText) {
    const QByteArray named = metaText(0x03, "Name") + kEnd;
    const struct {
        const char* what;
        QByteArray file;
        const char* title;
    } cases[] = {
        {"20 bytes", smf(QByteArray()).left(20), "ファイルが異常です"},
        {"no header", QByteArray("RIFF") + QByteArray(40, '\0'), "MIDファイルではありません"},
        {"no tracks", smf(named, 0), "トラックが存在しません"},
        {"no track chunk", smf(named).replace("MTrk", "MTrX"), "トラックが見つかりません"},
        {"track longer than the file allows", smf(named, 1, 480, named.size() + 3),
         "トラックのデータが異常です"},
        {"no title event", smf(QByteArray("\x00\x90\x3C\x64\x60\x80\x3C\x40", 8) + kEnd),
         "タイトルが見つかりません"},
        {"empty track", smf(QByteArray()) + "x", "タイトルが見つかりません"},
        {"text runs past the track", smf(metaText(0x03, "Name", be(9, 1))), "文字列長のデータが異常です"},
        {"length runs past the track", smf(QByteArray("\x00\xFF\x03\x81", 4)), "文字列長のデータが異常です"},
        {"length of five bytes", smf(metaText(0x03, "N", QByteArray("\x80\x80\x80\x80\x01", 5)) + kEnd),
         "文字列長のデータが異常です"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(titleOf(c.file), QString::fromUtf8(c.title));
    }
    EXPECT_EQ(midi::ReadMidiInfo(dir_.filePath(QStringLiteral("none.mid"))).Title,
              QStringLiteral("ファイルが見つかりません"));
    EXPECT_EQ(midi::ReadMidiInfo(dir_.path()).Title, QStringLiteral("ファイルが見つかりません"));
}

TEST_F(Midi, HeaderFieldsAreReadAndUnreachedOnesStayZero) {
    const midi::MidiInfo info = midi::ReadMidiInfo(write(smf(metaText(0x03, "Name") + kEnd, 256, 0xE728)));
    EXPECT_EQ(info.Format, 0);
    EXPECT_EQ(info.Tracks, 256);      // a count of 256 is no "no tracks"
    EXPECT_EQ(info.Division, 0xE728); // SMPTE timing still yields the title
    EXPECT_EQ(info.Title, QStringLiteral("Name"));
    const midi::MidiInfo rejected = midi::ReadMidiInfo(write(QByteArray(30, 'x')));
    EXPECT_EQ(rejected.Tracks, 0);
    EXPECT_EQ(rejected.Division, 0);
}

TEST_F(Midi, TitleCases) {
    const QByteArray padding(4998, '\0');
    const QByteArray long200(200, 'a');
    const struct {
        const char* what;
        QByteArray track;
        QString title;
    } cases[] = {
        {"Shift-JIS title", metaText(0x03, platform::codec::toCp932(QStringLiteral("夜明けの歌"))) + kEnd,
         QStringLiteral("夜明けの歌")},
        {"text event before the name", metaText(0x01, "Text") + metaText(0x03, "Name") + kEnd,
         QStringLiteral("Text")},
        {"200 bytes, length 0x81 0x48", metaText(0x03, long200, QByteArray("\x81\x48", 2)) + kEnd,
         QString::fromLatin1(long200)},
        {"event at index 4998", padding + QByteArray("\xFF\x03\x02Hi", 5) + kEnd, QStringLiteral("Hi")},
        {"event at index 4999", padding + QByteArray("\x00\xFF\x03\x02Hi", 6) + kEnd,
         QStringLiteral("タイトルが見つかりません")},
        {"empty title", metaText(0x03, {}) + kEnd, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(titleOf(smf(c.track)), c.title);
    }
}

TEST_F(Midi, TheTwoBytesPastTheEndReadAsZero) {
    // The bound lets the first track claim two bytes more than the file holds.
    const QByteArray cut = smf(QByteArray("\xFF\x03\x04"
                                          "Ab",
                                          5),
                               1, 480, 7);
    ASSERT_EQ(cut.size() - 20, 7);
    EXPECT_EQ(titleOf(cut), QStringLiteral("Ab") + QChar(0) + QChar(0));
    // The scan and the length may reach there too.
    EXPECT_EQ(titleOf(smf(QByteArray("\x00\x00\x00\xFF", 4), 1, 480, 6)),
              QStringLiteral("タイトルが見つかりません"));
    EXPECT_EQ(titleOf(smf(QByteArray("\x00\xFF\x03", 3), 1, 480, 5)), QString());
}

TEST_F(Midi, SendWrappersGiveCodesAndTexts) {
    QString text;
    EXPECT_EQ(midi::MciSend(QString(), text), -1);
    EXPECT_EQ(text, QStringLiteral("MCIコマンド文字列が設定されていません"));
    EXPECT_EQ(midi::MciSendForString(QString()), QStringLiteral("Error:-1"));
    EXPECT_EQ(midi::MciStatusMode(QStringLiteral("ATYPE")),
              QStringLiteral("Error:%1").arg(platform::audio::kMciDeviceNotOpen));
    QString expected;
    ASSERT_TRUE(platform::audio::mciGetErrorString(platform::audio::kMciDeviceNotOpen, &expected));
    EXPECT_EQ(midi::MciResult, expected);
    EXPECT_EQ(midi::MciOpen(dir_.filePath(QStringLiteral("none.mid")), QStringLiteral("ATYPE")),
              platform::audio::kMciFileNotFound);
}

// The playback group: SDL's dummy driver stands in for the sound card and takes the song's real time.
TEST_F(Midi, DroppedSongPlaysUnderItsAliasToItsEnd) {
    const QByteArray note = QByteArray("\x00\x90\x3C\x64\x83\x60\x80\x3C\x40", 9); // 480 ticks: 0.5 s
    const QString path = write(smf(metaText(0x03, "Song") + note + kEnd), QStringLiteral("my song.mid"));
    ASSERT_EQ(midi::MciOpen(path, QStringLiteral("ATYPE")), 0);
    ASSERT_EQ(midi::MciPlay(QStringLiteral("ATYPE"), QString(), QString()), 0);
    EXPECT_EQ(midi::MciStatusMode(QStringLiteral("ATYPE")), QStringLiteral("playing"));
    EXPECT_EQ(midi::ReadMidiInfo(path).Title, QStringLiteral("Song"));
    QElapsedTimer t;
    t.start();
    while (midi::MciStatusMode(QStringLiteral("ATYPE")).trimmed() != QLatin1String("stopped") &&
           t.elapsed() < 10000)
        QTest::qWait(50);
    EXPECT_LT(t.elapsed(), 10000) << "the song never ended";
    EXPECT_EQ(midi::MciStop(QStringLiteral("ATYPE")), 0);
    EXPECT_EQ(midi::MciClose(QStringLiteral("ATYPE")), 0);
    EXPECT_EQ(midi::MciClose(QStringLiteral("ATYPE")), platform::audio::kMciDeviceNotOpen);
}

TEST_F(Midi, PlayToEndsTheSongAtThatPoint) {
    const QByteArray note = QByteArray("\x00\x90\x3C\x64\x85\xDC\x00\x80\x3C\x40", 10); // 20 s
    ASSERT_EQ(midi::MciOpen(write(smf(note + kEnd)), QStringLiteral("ATYPE")), 0);
    ASSERT_EQ(midi::MciPlay(QStringLiteral("ATYPE"), QString(), QStringLiteral("1000")), 0);
    QTest::qWait(500);
    EXPECT_EQ(midi::MciStatusMode(QStringLiteral("ATYPE")), QStringLiteral("playing"));
    QTest::qWait(1500);
    EXPECT_EQ(midi::MciStatusMode(QStringLiteral("ATYPE")), QStringLiteral("stopped"));
}

} // namespace

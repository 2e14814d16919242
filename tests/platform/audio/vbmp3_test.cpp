#include "binary_bytes.h"
#include "platform/audio/vbmp3.h"
#include "platform/codec.h"
#include "scratch_test.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

QByteArray fixture(const char* name) {
    const auto path = std::filesystem::path(MORVIK_AUDIO_FIXTURES) / name;
    QFile f(QString::fromStdString(path.string()));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray tone() {
    return fixture("tone.mp3");
}

QByteArray cp932(const char* utf8) {
    return platform::codec::toCp932(QString::fromUtf8(utf8));
}

QByteArray syncsafe(quint32 n) {
    const char b[4] = {char(n >> 21 & 0x7F), char(n >> 14 & 0x7F), char(n >> 7 & 0x7F), char(n & 0x7F)};
    return QByteArray(b, 4);
}

// One ID3v2.3/2.4 frame: id, size, no flags, body.
QByteArray frame(int major, const char* id, const QByteArray& body) {
    return QByteArray(id) + (major == 4 ? syncsafe(quint32(body.size())) : be(quint32(body.size()))) +
           QByteArray(2, '\0') + body;
}

QByteArray id3v2(int major, const QByteArray& frames, quint8 flags = 0) {
    return QByteArray("ID3") + char(major) + '\0' + char(flags) + syncsafe(quint32(frames.size())) + frames;
}

// UTF-16 little-endian after a byte order mark, or big-endian without one.
QByteArray utf16(const QString& text, bool withBom) {
    QByteArray b = withBom ? QByteArray("\xFF\xFE", 2) : QByteArray();
    for (QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        b += withBom ? lo : hi;
        b += withBom ? hi : lo;
    }
    return b;
}

QByteArray field(const QByteArray& text, int size) {
    QByteArray b = text.left(size);
    b.append(QByteArray(size - b.size(), '\0'));
    return b;
}

QByteArray id3v1(const QByteArray& title, const QByteArray& artist, const QByteArray& album,
                 const QByteArray& year, quint8 genre) {
    return QByteArray("TAG") + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4) +
           field({}, 30) + char(genre);
}

QByteArray riffChunk(const char* id, const QByteArray& body) {
    QByteArray c = QByteArray(id) + le(quint32(body.size())) + body;
    if (body.size() & 1)
        c.append('\0');
    return c;
}

QByteArray rmp(const QByteArray& mp3, const QByteArray& info) {
    const QByteArray body = QByteArray("RMP3") + riffChunk("data", mp3) + riffChunk("LIST", "INFO" + info);
    return QByteArray("RIFF") + le(quint32(body.size())) + body;
}

// Waits for the clip to end, returning how long that took, or -1 past the bound.
qint64 msUntilStopped(int boundMs) {
    QElapsedTimer t;
    t.start();
    while (vbmp3_getState() != 0) {
        if (t.elapsed() > boundMs)
            return -1;
        QThread::msleep(10);
    }
    return t.elapsed();
}

class Vbmp3 : public ScratchTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_FALSE(tone().isEmpty());
    }
    void TearDown() override { vbmp3_free(); }

    Vbmp3TagInfo tagsOf(const QByteArray& bytes) {
        Vbmp3TagInfo tag;
        EXPECT_TRUE(vbmp3_open(write(QStringLiteral("tagged.mp3"), bytes)));
        EXPECT_TRUE(vbmp3_getTagInfo(&tag));
        return tag;
    }
};

TEST_F(Vbmp3, Id3v1TextsInCp932) {
    const Vbmp3TagInfo tag =
        tagsOf(tone() + id3v1(cp932("夕暮れの歌"), cp932("ミナト楽団"), "Album", "2001", 13));
    EXPECT_EQ(tag.title, QStringLiteral("夕暮れの歌"));
    EXPECT_EQ(tag.artist, QStringLiteral("ミナト楽団"));
    EXPECT_EQ(tag.album, QStringLiteral("Album"));
    EXPECT_EQ(tag.year, QStringLiteral("2001"));
    EXPECT_EQ(tag.genre, 13);
}

TEST_F(Vbmp3, Id3v2TextsInEveryEncoding) {
    struct Case {
        const char* what;
        QByteArray tag;
    };
    const QString title = QStringLiteral("星の歌"), artist = QStringLiteral("ミナト楽団");
    const Case cases[] = {
        {"v2.3, CP932 in the one-byte encoding",
         id3v2(3, frame(3, "TIT2", '\0' + cp932("星の歌")) + frame(3, "TPE1", '\0' + cp932("ミナト楽団")))},
        {"v2.3, UTF-16 with byte order mark, and UTF-8",
         id3v2(3, frame(3, "TIT2", '\x01' + utf16(title, true) + QByteArray(2, '\0')) +
                      frame(3, "TPE1", '\x03' + artist.toUtf8()))},
        {"v2.4, UTF-8 and UTF-16BE", id3v2(4, frame(4, "TIT2", '\x03' + title.toUtf8()) +
                                                  frame(4, "TPE1", '\x02' + utf16(artist, false)))},
        {"v2.2, three-letter frames",
         id3v2(2, QByteArray("TT2") + QByteArray("\0\0\x07", 3) + '\0' + cp932("星の歌") + QByteArray("TP1") +
                      QByteArray("\0\0\x0B", 3) + '\0' + cp932("ミナト楽団"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Vbmp3TagInfo tag = tagsOf(c.tag + tone());
        EXPECT_EQ(tag.title, QStringLiteral("星の歌"));
        EXPECT_EQ(tag.artist, QStringLiteral("ミナト楽団"));
        vbmp3_close();
    }
}

TEST_F(Vbmp3, Id3v2WinsAndId3v1FillsWhatItLacks) {
    const QByteArray v2 = id3v2(3, frame(3, "TIT2", QByteArray("\0New title", 10)));
    const Vbmp3TagInfo tag = tagsOf(v2 + tone() + id3v1("Old title", "Old artist", "Old album", "1999", 255));
    EXPECT_EQ(tag.title, QStringLiteral("New title"));
    EXPECT_EQ(tag.artist, QStringLiteral("Old artist"));
    EXPECT_EQ(tag.album, QStringLiteral("Old album"));
    EXPECT_EQ(tag.genre, -1);
}

TEST_F(Vbmp3, UnsynchronisedAndLyingFramesAreReadSafely) {
    // A whole-tag unsynchronised v2.3 tag (every 0xFF written as 0xFF 0x00) with 0xFF in its title,
    // then a frame that claims more bytes than the tag has: the title survives, the liar is ignored.
    const QByteArray liar = QByteArray("TPE1") + be(100000) + QByteArray(2, '\0') + "\0x";
    QByteArray frames = frame(3, "TIT2", QByteArray("\0A\xFFZ", 4)) + liar;
    frames.replace(QByteArray("\xFF"), QByteArray("\xFF\x00", 2));
    const Vbmp3TagInfo tag = tagsOf(id3v2(3, frames, 0x80) + tone());
    EXPECT_EQ(tag.title, QString::fromLatin1("A\xFFZ"));
    EXPECT_TRUE(tag.artist.isEmpty());
}

TEST_F(Vbmp3, ClipWithoutTagsGivesEmptyTexts) {
    const Vbmp3TagInfo tag = tagsOf(tone());
    EXPECT_TRUE(tag.title.isEmpty());
    EXPECT_TRUE(tag.artist.isEmpty());
    Vbmp3ListInfo list;
    EXPECT_TRUE(vbmp3_getListInfo(&list));
    EXPECT_TRUE(list.name.isEmpty());
}

TEST_F(Vbmp3, RmpFileGivesItsInfoListAndPlaysItsData) {
    const QByteArray info = riffChunk("INAM", cp932("海辺の朝") + '\0') + riffChunk("IART", "Minato\0") +
                            riffChunk("ICMT", cp932("テスト") + '\0');
    ASSERT_TRUE(vbmp3_open(write(QStringLiteral("song.rmp"), rmp(tone(), info))));
    Vbmp3ListInfo list;
    ASSERT_TRUE(vbmp3_getListInfo(&list));
    EXPECT_EQ(list.name, QStringLiteral("海辺の朝"));
    EXPECT_EQ(list.artist, QStringLiteral("Minato"));
    EXPECT_EQ(list.comment, QStringLiteral("テスト"));
    EXPECT_TRUE(vbmp3_play());
    EXPECT_EQ(vbmp3_getState(), 1);
}

TEST_F(Vbmp3, OpenFillsTheInputInformation) {
    Vbmp3InputInfo info;
    ASSERT_TRUE(vbmp3_open(write(QStringLiteral("tone.mp3"), tone()), &info));
    EXPECT_EQ(info.frequency, 22050);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.bitrate, 32);
    EXPECT_NEAR(info.lengthMs, 600, 100);
}

TEST_F(Vbmp3, RefusesWhatIsNoClip) {
    QFile big(dir_.filePath(QStringLiteral("big.mp3")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(129 * 1024 * 1024)); // sparse: takes no room on disk
    big.close();
    const QString paths[] = {
        dir_.filePath(QStringLiteral("missing.mp3")),
        write(QStringLiteral("empty.mp3"), {}),
        write(QStringLiteral("text.mp3"), "This is not an MP3 file at all.\n"),
        write(QStringLiteral("song.mid"), QByteArray("MThd\0\0\0\x06\0\0\0\x01\x01\xE0", 14)),
        write(QStringLiteral("empty.rmp"), rmp({}, {})),
        big.fileName(),
        dir_.path(),
    };
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        Vbmp3TagInfo tag;
        EXPECT_FALSE(vbmp3_open(path));
        EXPECT_FALSE(vbmp3_play());
        EXPECT_EQ(vbmp3_getState(), 0);
        EXPECT_FALSE(vbmp3_getTagInfo(&tag));
    }
}

// The playback group: SDL's dummy driver stands in for the sound card and takes the clip's real time.
TEST_F(Vbmp3, ClipPlaysToItsEndOnTimeEvenWhenItsFileIsDeleted) {
    const QString path = write(QStringLiteral("temp5.mp3"), tone());
    ASSERT_TRUE(vbmp3_init());
    ASSERT_TRUE(vbmp3_open(path));
    ASSERT_TRUE(QFile::remove(path)); // the clip writers delete clip files while they may still play
    ASSERT_TRUE(vbmp3_play());
    EXPECT_EQ(vbmp3_getState(), 1);
    const qint64 ms = msUntilStopped(3000);
    ASSERT_GE(ms, 0) << "the clip never ended";
    EXPECT_GE(ms, 450); // 0.6 s of sound is not over at once
    EXPECT_TRUE(vbmp3_close());
    EXPECT_FALSE(vbmp3_close());
}

// The sound device takes no signals: with SIGTERM and SIGINT left at their defaults before, they
// are still so while it is open (else SDL would swallow the session's request to end).
TEST_F(Vbmp3, OpeningTheDeviceLeavesTheEndSignalsAlone) {
    vbmp3_free(); // the device opens afresh below
    for (int signo : {SIGTERM, SIGINT})
        std::signal(signo, SIG_DFL);
    ASSERT_TRUE(vbmp3_init());
    for (int signo : {SIGTERM, SIGINT}) {
        struct sigaction now {};
        ASSERT_EQ(sigaction(signo, nullptr, &now), 0);
        EXPECT_EQ(now.sa_handler, SIG_DFL) << signo;
    }
    EXPECT_TRUE(vbmp3_free());
}

TEST_F(Vbmp3, StopEndsAtOnceAndPlayStartsAgain) {
    ASSERT_TRUE(vbmp3_open(write(QStringLiteral("tone.mp3"), tone())));
    ASSERT_TRUE(vbmp3_play());
    EXPECT_TRUE(vbmp3_stop());
    EXPECT_EQ(vbmp3_getState(), 0);
    ASSERT_TRUE(vbmp3_play());
    EXPECT_EQ(vbmp3_getState(), 1);
    EXPECT_TRUE(vbmp3_close());
    EXPECT_EQ(vbmp3_getState(), 0);
}

TEST_F(Vbmp3, OpeningTheNextClipEndsTheOneBeforeAndFreeLetsTheDeviceGo) {
    const QString path = write(QStringLiteral("tone.mp3"), tone());
    ASSERT_TRUE(vbmp3_open(path));
    ASSERT_TRUE(vbmp3_play());
    ASSERT_TRUE(vbmp3_open(path));
    EXPECT_EQ(vbmp3_getState(), 0);
    EXPECT_TRUE(vbmp3_free());
    ASSERT_TRUE(vbmp3_open(path)); // the device opens again
    ASSERT_TRUE(vbmp3_play());
    EXPECT_GE(msUntilStopped(3000), 0);
}

} // namespace

#include "binary_bytes.h"
#include "platform/audio/mci.h"
#include "platform/audio/vbmp3.h"
#include "scratch_test.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace platform::audio;

QByteArray vlq(quint32 n) {
    QByteArray b(1, char(n & 0x7F));
    while (n >>= 7)
        b.prepend(char(0x80 | (n & 0x7F)));
    return b;
}

// A format-0 song of one note of the given length (480 ticks a beat at 120 beats a minute).
QByteArray song(int noteMs) {
    const QByteArray track = QByteArray("\x00\x90\x3C\x64", 4) + vlq(quint32(noteMs * 480 / 500)) +
                             QByteArray("\x80\x3C\x40\x00\xFF\x2F\x00", 7);
    return smf(track);
}

QString mode(const QString& alias) {
    QString answer;
    const int code = mciSendString(QStringLiteral("status %1 mode").arg(alias), &answer);
    return code == 0 ? answer : QStringLiteral("error %1").arg(code);
}

class Mci : public ScratchTest {
protected:
    void TearDown() override {
        mciSendString(QStringLiteral("close all"), nullptr);
        vbmp3_free();
    }

    int send(const QString& command) { return mciSendString(command, nullptr); }

    // Waits, letting timers run, until the alias stops; how long that took, or -1 past the bound.
    qint64 msUntilStopped(const QString& alias, int boundMs) {
        QElapsedTimer t;
        t.start();
        while (mode(alias) == QLatin1String("playing")) {
            if (t.elapsed() > boundMs)
                return -1;
            QTest::qWait(20);
        }
        return t.elapsed();
    }
};

TEST_F(Mci, CommandsThatCannotBeCarriedOutGiveTheirCodes) {
    const QString mid = write(QStringLiteral("a.mid"), song(200));
    const QString wav = write(QStringLiteral("a.wav"), "RIFF");
    const QString fake = write(QStringLiteral("fake.mid"), "not a song");
    ASSERT_EQ(send(QStringLiteral("open \"%1\" alias ATYPE").arg(mid)), 0);
    const struct {
        QString command;
        int code;
    } cases[] = {
        {QString(), kMciUnknownCommand},
        {QStringLiteral("   "), kMciUnknownCommand},
        {QStringLiteral("dance ATYPE"), kMciUnknownCommand},
        {QStringLiteral("play"), kMciMissingParameter},
        {QStringLiteral("open \"%1 alias B").arg(mid), kMciMissingQuote},
        {QStringLiteral("open \"%1\" alias").arg(mid), kMciMissingParameter},
        {QStringLiteral("open \"%1\" alias atype").arg(mid), kMciAliasInUse},
        {QStringLiteral("open \"%1\" alias B").arg(dir_.filePath(QStringLiteral("none.mid"))),
         kMciFileNotFound},
        {QStringLiteral("open \"%1\" alias B").arg(wav), kMciNoDeviceForExtension},
        {QStringLiteral("open \"%1\" type waveaudio alias B").arg(wav), kMciUnsupportedDevice},
        {QStringLiteral("open \"%1\" type sequencer alias B").arg(wav), kMciCannotLoad},
        {QStringLiteral("open \"%1\" alias B").arg(fake), kMciCannotLoad},
        {QStringLiteral("open \"%1\" alias B loudly").arg(mid), kMciBadParameter},
        {QStringLiteral("status NOPE mode"), kMciDeviceNotOpen},
        {QStringLiteral("play NOPE"), kMciDeviceNotOpen},
        {QStringLiteral("close NOPE"), kMciDeviceNotOpen},
        {QStringLiteral("status ATYPE"), kMciMissingParameter},
        {QStringLiteral("status ATYPE length"), kMciUnsupportedItem},
        {QStringLiteral("play ATYPE wait"), kMciBadParameter},
        {QStringLiteral("play ATYPE to soon"), kMciBadInteger},
        {QStringLiteral("play ATYPE to -5"), kMciBadInteger},
        {QStringLiteral("play ATYPE from 100"), kMciCannotSeek},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command.toStdString());
        QString answer = QStringLiteral("left over");
        EXPECT_EQ(mciSendString(c.command, &answer), c.code);
        EXPECT_TRUE(answer.isEmpty());
        QString text;
        EXPECT_TRUE(mciGetErrorString(c.code, &text));
        EXPECT_FALSE(text.isEmpty());
    }
    EXPECT_EQ(mode(QStringLiteral("ATYPE")), QStringLiteral("stopped")); // nothing above disturbed it
}

TEST_F(Mci, EveryCodeHasItsText) {
    QString text;
    EXPECT_TRUE(mciGetErrorString(0, &text));
    for (int code = kMciUnknownCommand; code <= kMciCannotPlay; ++code) {
        text.clear();
        EXPECT_TRUE(mciGetErrorString(code, &text)) << code;
        EXPECT_FALSE(text.isEmpty()) << code;
    }
    EXPECT_FALSE(mciGetErrorString(kMciCannotPlay + 1, &text));
    EXPECT_FALSE(mciGetErrorString(-1, &text));
}

// The playback group: SDL's dummy driver stands in for the sound card and takes the song's real time.
TEST_F(Mci, SongPlaysToItsEndFromMemory) {
    const QString path = write(QStringLiteral("song one.MID"), song(500));
    ASSERT_EQ(send(QStringLiteral("open \"%1\" alias ATYPE").arg(path)), 0);
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(mode(QStringLiteral("atype")), QStringLiteral("stopped"));
    ASSERT_EQ(send(QStringLiteral("PLAY ATYPE")), 0);
    EXPECT_EQ(mode(QStringLiteral("ATYPE")), QStringLiteral("playing"));
    const qint64 ms = msUntilStopped(QStringLiteral("ATYPE"), 10000);
    ASSERT_GE(ms, 0) << "the song never ended";
    EXPECT_GE(ms, 400);
    EXPECT_EQ(send(QStringLiteral("close ATYPE")), 0);
    EXPECT_EQ(send(QStringLiteral("status ATYPE mode")), kMciDeviceNotOpen);
}

TEST_F(Mci, PlayToStopsTheSongThereAndStopHoldsIt) {
    ASSERT_EQ(send(QStringLiteral("open \"%1\" type sequencer alias long")
                       .arg(write(QStringLiteral("long.dat"), song(20000)))),
              0);
    ASSERT_EQ(send(QStringLiteral("play long to 300")), 0);
    EXPECT_EQ(mode(QStringLiteral("long")), QStringLiteral("playing"));
    const qint64 ms = msUntilStopped(QStringLiteral("long"), 5000);
    ASSERT_GE(ms, 0);
    EXPECT_GE(ms, 250);
    ASSERT_EQ(send(QStringLiteral("play long from 0")), 0);
    EXPECT_EQ(mode(QStringLiteral("long")), QStringLiteral("playing"));
    ASSERT_EQ(send(QStringLiteral("stop long")), 0);
    EXPECT_EQ(mode(QStringLiteral("long")), QStringLiteral("stopped"));
    QTest::qWait(100);
    EXPECT_EQ(mode(QStringLiteral("long")), QStringLiteral("stopped"));
}

TEST_F(Mci, TheSongStartedLastIsTheOneThatPlays) {
    const QString path = write(QStringLiteral("a.mid"), song(20000));
    ASSERT_EQ(send(QStringLiteral("open \"%1\" alias one").arg(path)), 0);
    ASSERT_EQ(send(QStringLiteral("open \"%1\" alias two").arg(path)), 0);
    ASSERT_EQ(send(QStringLiteral("play one")), 0);
    ASSERT_EQ(send(QStringLiteral("play two")), 0);
    EXPECT_EQ(mode(QStringLiteral("one")), QStringLiteral("stopped"));
    EXPECT_EQ(mode(QStringLiteral("two")), QStringLiteral("playing"));
    EXPECT_EQ(send(QStringLiteral("close all")), 0);
    EXPECT_EQ(send(QStringLiteral("status two mode")), kMciDeviceNotOpen);
}

TEST_F(Mci, ClipAndSongSoundTogether) {
    const auto fixture = std::filesystem::path(MORVIK_AUDIO_FIXTURES) / "tone.mp3";
    ASSERT_EQ(
        send(QStringLiteral("open \"%1\" alias ATYPE").arg(write(QStringLiteral("a.mid"), song(20000)))), 0);
    ASSERT_EQ(send(QStringLiteral("play ATYPE")), 0);
    ASSERT_TRUE(vbmp3_open(QString::fromStdString(fixture.string())));
    ASSERT_TRUE(vbmp3_play());
    EXPECT_EQ(vbmp3_getState(), 1);
    EXPECT_EQ(mode(QStringLiteral("ATYPE")), QStringLiteral("playing"));
    vbmp3_free(); // the song keeps the device
    EXPECT_EQ(mode(QStringLiteral("ATYPE")), QStringLiteral("playing"));
}

} // namespace

// The double-click talk and the farewell, from a fixed random sequence and clock, on a small
// shipped database of the test's own.
#include "app/talk/voice_clips.h"
#include "heart_fixture.h"
#include "talk_fixture.h"

#include "tests/platform/file_size_limit.h"

#include <QDir>
#include <cerrno>
#include <cstring>

namespace {

using files::readFile;
using files::writeFile;

const QString kFlowerOf229 = QStringLiteral("今日の花は\r\nflower229\r\n花言葉は\r\nlang\r\n");

class Talk : public TalkStage {
protected:
    void at(int year, int month, int day, int second) {
        platform::clock::setFake(QDateTime(QDate(year, month, day), QTime(15, 42, second)));
    }
    // The draws of one talk: r from 1 to 10 as u = (r - 1) / 10 + a little, n as given by u.
    static double r(int value) { return (value - 1) / 10.0 + 0.05; }

    ShippedDatabase shipped{1};
};

TEST_F(Talk, TheFlowerOfTheDayOnTheTwentyNinthOfFebruaryAndOnlyOnce) {
    at(2028, 2, 29, 1);
    platform::random::setSequence({r(1)});
    speak::RandomTalk();
    EXPECT_EQ(said(), kFlowerOf229);
    EXPECT_EQ(flag::state.FlowerShown, 1);

    // Shown once a run: a second draw of 1 is drawn again, here into the remark of the second.
    platform::random::setSequence({r(1), r(2)});
    speak::RandomTalk();
    EXPECT_EQ(said(), QStringLiteral("o1\r\nshipped\r\n"));
}

TEST_F(Talk, ADayWithoutAFlowerIsDrawnAgainAndStaysUnmarked) {
    at(2026, 3, 5, 0);
    platform::random::setSequence({r(1), r(4)});
    speak::RandomTalk();
    EXPECT_EQ(said(), QStringLiteral("o0\r\nshipped\r\n"));
    EXPECT_EQ(flag::state.FlowerShown, 0);
}

TEST_F(Talk, RemarksFollowTheSecondOfTheClock) {
    for (int second : {0, 1}) {
        at(2026, 12, 10, second);
        for (int draw : {2, 3, 4}) {
            platform::random::setSequence({r(draw)});
            speak::RandomTalk();
            EXPECT_EQ(said(), QStringLiteral("o%1\r\nshipped\r\n").arg(second)) << draw;
        }
    }
}

TEST_F(Talk, AnAllNullRowIsDrawnAgain) {
    shipped.exec(
        "DELETE FROM otaku2; INSERT INTO otaku2 VALUES (1, NULL, NULL, NULL), (2, 'p2a', 'p2b', 'p2c')");
    // r = 6, n = 1: all Null; again r = 6, n = 2.
    platform::random::setSequence({r(6), 0.0, r(6), 0.75});
    speak::RandomTalk();
    EXPECT_EQ(said(), QStringLiteral("p2a\r\np2b\r\np2c"));
}

TEST_F(Talk, TheUsersLinesCountFromZero) {
    shipped.exec("INSERT INTO User_Table VALUES (2, 'u2', NULL, 'last')");
    for (auto [u, text] :
         {std::pair{0.0, "u0\r\nshipped\r\n"}, {0.5, "u1\r\nshipped\r\n"}, {0.99, "u2\r\n\r\nlast"}}) {
        platform::random::setSequence({r(7), u});
        speak::RandomTalk();
        EXPECT_EQ(said(), QString::fromUtf8(text)) << u;
    }
}

TEST_F(Talk, ALineWithoutVoiceNeverReplaysAnOlderClip) {
    writeFile(temp("temp4.mp3"), "the idle remark");
    flag::state.VoicePath = temp("temp4.mp3");
    platform::random::setSequence({r(2)});
    speak::RandomTalk();
    EXPECT_TRUE(flag::state.VoicePath.isEmpty());
    EXPECT_EQ(flag::state.PlayMode, 0);
}

TEST_F(Talk, CallingHerMasterTakesThePoseAndHoldsTheBalloonWhileTheVoicePlays) {
    shipped.putClip("master_name", "ID", "data", "1", "calling");
    writeFile(temp("jiho9.mp3"), "older");
    fakeStage.shown = gra::Image1(0);
    fakeStage.running = Stage::kBusy;
    platform::random::setSequence({r(10), 0.0});

    speak::RandomTalk();

    EXPECT_EQ(said(), QStringLiteral("マスター。\r\nshipped"));
    EXPECT_EQ(flag::state.HoldBalloon, 1);
    EXPECT_EQ(flag::state.VoicePath, temp("temp1.mp3"));
    EXPECT_EQ(readFile(temp("temp1.mp3")), "calling");
    EXPECT_FALSE(QFile::exists(temp("jiho9.mp3")));
    EXPECT_EQ(flag::state.PlayMode, mp3::kBalloon);
    // She takes the stage before the pose, and the balloon's clip starts the MP3-end watch.
    EXPECT_EQ(
        fakeStage.calls,
        (QStringList{"TakeStage Battery+Blink+Idle+MailArming+MailCheck+SignSwap / SignBoard+BatteryPercent",
                     "ShowPose RgnCall2.ShapePose17 gra.Image1(12)", "Start Mp3End"}));
    EXPECT_EQ(fakeStage.running, Stage::Mp3End);
}

TEST_F(Talk, CallingHerMasterOnBatteryKeepsThePoseAndTimers) {
    fakeStage.shown = gra::Image1(6);
    platform::random::setSequence({r(10), 0.0});
    speak::RandomTalk();
    EXPECT_EQ(said(), QStringLiteral("マスター。\r\nshipped"));
    EXPECT_EQ(fakeStage.Shown(), gra::Image1(6));
    EXPECT_TRUE(fakeStage.calls.filter("TakeStage").isEmpty());
    EXPECT_TRUE(fakeStage.calls.filter("ShowPose").isEmpty());
}

TEST_F(Talk, TheFirstDoubleClickGreetsAnSstpServerOnce) {
    sstp->server = 1;
    platform::random::setSequence({r(2)});
    speak::RandomTalk();
    EXPECT_EQ(said(), QStringLiteral("こんにちはさくらさん\r\nよろしくお願いします"));
    EXPECT_EQ(speak::state.TalkText, said());
    ASSERT_EQ(sstp->sent.size(), 1);
    EXPECT_EQ(sstp->sent[0],
              QStringLiteral("\\h\\s0………（無視）\\w5\\u\\s0よろしゅうな～（さくら！、返事せんかい！）\\e|0"));

    speak::RandomTalk();
    EXPECT_EQ(said(), QStringLiteral("o1\r\nshipped\r\n"));
    EXPECT_EQ(sstp->sent.size(), 1);
    EXPECT_EQ(sstp->asked, 1);
}

TEST_F(Talk, WithoutAnSstpServerTheFirstDoubleClickTalksAtOnceAndNeverAsksAgain) {
    platform::random::setSequence({r(3)});
    speak::RandomTalk();
    speak::RandomTalk();
    EXPECT_EQ(said(), QStringLiteral("o1\r\nshipped\r\n"));
    EXPECT_EQ(sstp->asked, 1);
    EXPECT_TRUE(sstp->sent.isEmpty());
}

TEST_F(Talk, EmptyTablesLeaveHerSilentInsteadOfDrawingForever) {
    shipped.exec("DELETE FROM otaku2; DELETE FROM User_Table; DELETE FROM flower");
    platform::random::setSequence({r(1), r(5), 0.3, r(7), 0.3});
    speak::RandomTalk();
    EXPECT_EQ(fuki::Instance(), nullptr);
    EXPECT_EQ(flag::state.BalloonOpen, 0);
}

// Without room for the copy she stays mute; why is said once on standard error, however often she
// is asked, and she talks again once the copy can be made.
TEST_F(Talk, NoRoomForTheCopyIsSaidOnceAndSheIsMute) {
    // A folder where the copy is first written stands for a full disk: nothing can be written there.
    const QString partial = platform::programFolder() + QStringLiteral("/morvik_heart.mdb.part");
    ASSERT_TRUE(QDir().mkpath(partial));
    testing::internal::CaptureStderr();
    speak::RandomTalk();
    speak::RandomTalk();
    const services::Talk::Chime chime = services::talk().LoadChime(13);
    const services::Talk::Greeting greeting = services::talk().LoadGreeting(false, 7);
    const QString told = QString::fromStdString(testing::internal::GetCapturedStderr());
    QDir().rmdir(partial);

    EXPECT_EQ(fuki::Instance(), nullptr);
    EXPECT_TRUE(chime.text.isEmpty());
    EXPECT_TRUE(greeting.line1.isEmpty());
    EXPECT_EQ(told.count(QStringLiteral("morvik: ")), 1) << told.toStdString();
    EXPECT_TRUE(told.contains(shipped.path())) << told.toStdString();
    EXPECT_TRUE(told.contains(partial + QStringLiteral(": "))) << told.toStdString();

    platform::random::setSequence({r(2)});
    speak::RandomTalk();
    EXPECT_EQ(said(), QStringLiteral("o1\r\nshipped\r\n"));
}

// A write that fails for real says the system's reason: here a file size limit stands for the full
// disk, and the copy, larger than the limit, cannot be written whole.
TEST_F(Talk, AFailedWriteOfTheCopySaysTheSystemsReason) {
    const qint64 size = QFileInfo(shipped.path()).size();
    ASSERT_GT(size, 4096);
    testing::internal::CaptureStderr();
    {
        const FileSizeLimit limit(static_cast<rlim_t>(size / 2));
        speak::RandomTalk();
    }
    const QString told = QString::fromStdString(testing::internal::GetCapturedStderr());

    EXPECT_EQ(fuki::Instance(), nullptr);
    EXPECT_TRUE(told.contains(QStringLiteral(".part: ") + QString::fromLocal8Bit(std::strerror(EFBIG))))
        << told.toStdString();
    EXPECT_FALSE(QFile::exists(platform::programFolder() + QStringLiteral("/morvik_heart.mdb.part")));
}

TEST_F(Talk, FarewellByTheExitSetting) {
    shipped.exec("INSERT INTO common (id) VALUES ('3')");
    shipped.putClip("common", "id", "data", "2", "farewell");
    shipped.putClip("common", "id", "data", "3", "see off");
    struct Case {
        const char* syuryo;
        const char* name;
        const char* text;
        const char* clip;
        const char* bytes;
    } cases[] = {
        {"1", "ユキ", "いってらっしゃいユキさん\r\nまたおあいしましょう", "temp3.mp3", "see off"},
        {"1", "", "いってらっしゃいマスター\r\nまたおあいしましょう", "temp3.mp3", "see off"},
        {"0", "", "それでは、失礼します\r\nお元気でマスター", "temp2.mp3", "farewell"},
        {"", "ユキ", "それでは、失礼します\r\nお元気でユキさん", "temp2.mp3", "farewell"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        fuki::Unload();
        writeFile(temp("temp5.mp3"), "older");
        key("syuryo", QString::fromUtf8(c.syuryo));
        key("MasterName", QString::fromUtf8(c.name));
        speak::state.TalkText = QStringLiteral("unchanged");
        speak::FarewellTalk();
        EXPECT_EQ(said(), QString::fromUtf8(c.text));
        EXPECT_EQ(speak::state.TalkText, QStringLiteral("unchanged"));
        EXPECT_EQ(flag::state.VoicePath, temp(QLatin1String(c.clip)));
        EXPECT_EQ(readFile(flag::state.VoicePath), c.bytes);
        EXPECT_FALSE(QFile::exists(temp("temp5.mp3")));
        EXPECT_EQ(flag::state.PlayMode, mp3::kBalloon);
    }
}

TEST(TrimAtNul, CutsAtTheFirstNul) {
    EXPECT_EQ(speak::TrimAtNul(QString::fromUtf16(u"ab\0cd", 5)), QStringLiteral("ab"));
    EXPECT_EQ(speak::TrimAtNul(QStringLiteral("abc")), QStringLiteral("abc"));
    EXPECT_EQ(speak::TrimAtNul(QString::fromUtf16(u"\0abc", 4)), QString());
    EXPECT_EQ(speak::TrimAtNul(QString()), QString());
}

} // namespace

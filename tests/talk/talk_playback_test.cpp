// The playback group: the shipped database's own clips through the MP3 layer, with SDL's dummy
// driver standing in for the sound card (so each clip takes its real time), watched to their end by
// the character's real MP3-end watcher.
#include "app/talk/voice_clips.h"
#include "talk_fixture.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

class Playback : public TalkWithCharacter {
protected:
    // Runs the event loop until done() holds; the milliseconds it took, or -1 past the limit.
    template <typename F> static qint64 msUntil(F done, int limitMs = 20000) {
        QElapsedTimer clock;
        clock.start();
        if (!QTest::qWaitFor(done, limitMs))
            return -1;
        return clock.elapsed();
    }
};

TEST_F(Playback, TheGreetingIsSaidWithItsVoiceAndTheBalloonClosesAtTheEndOfTheClip) {
    services::Talk& talk = services::talk();
    const services::Talk::Greeting greeting = talk.LoadGreeting(false, 11);
    ASSERT_FALSE(greeting.line1.isEmpty());
    ASSERT_TRUE(QFile::exists(greeting.clip));
    speak::state.TalkText = morvik::GreetingText(greeting.line1, QString(), greeting.line2);
    flag::state.VoicePath = greeting.clip;
    talk.ShowFuki();

    ASSERT_TRUE(talk.FukiOpen());
    EXPECT_EQ(said(), speak::state.TalkText);
    EXPECT_EQ(talk.vbmp3_getState(), 1);
    EXPECT_EQ(flag::state.PlayMode, mp3::kBalloon);
    const qint64 ms = msUntil([&] { return !talk.FukiOpen(); });
    ASSERT_GE(ms, 0) << "the balloon stayed open";
    EXPECT_GE(ms, 1000); // a spoken greeting is not over at once
    EXPECT_EQ(talk.vbmp3_getState(), 0);
    EXPECT_EQ(flag::state.PlayMode, 0);
    EXPECT_FALSE(QFile::exists(greeting.clip));
    EXPECT_TRUE(character->Timer2.Enabled()); // she is back at rest
}

TEST_F(Playback, AVoiceWithoutWordsPlaysToItsEnd) {
    speak::state.VoiceId = QStringLiteral("13");
    services::talk().PlayCommonVoice();
    flag::state.VoicePath = services::commonVoicePath(QStringLiteral("13"));
    services::talk().PlayVoice();
    EXPECT_EQ(vbmp3_getState(), 1);
    ASSERT_GE(msUntil([] { return flag::state.PlayMode == 0; }), 500);
    EXPECT_TRUE(flag::state.VoicePath.isEmpty());
    EXPECT_FALSE(character->Timer7.Enabled());
}

TEST_F(Playback, TheFarewellEndsTheProgramAfterItsClip) {
    services::talk().FarewellTalk();
    ASSERT_TRUE(fuki::Instance());
    EXPECT_EQ(said(), QStringLiteral("それでは、失礼します\r\nお元気でマスター"));
    // What the exit does once the farewell is under way (its own clean-up included).
    platform::deleteTempFiles(QStringLiteral("*.mp3"));
    flag::state.PlayMode = mp3::kExiting;
    character->Timer7.setEnabled(true);
    const qint64 ms = msUntil([this] { return ended > 0; });
    ASSERT_GE(ms, 0) << "the program did not end";
    EXPECT_GE(ms, 1000);
    EXPECT_EQ(ended, 1);
}

} // namespace

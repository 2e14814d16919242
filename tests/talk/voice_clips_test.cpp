// The clip writers and the play modes, on a small shipped database of the test's own.
#include "app/talk/clip_export.h"
#include "app/talk/voice_clips.h"
#include "heart_fixture.h"
#include "talk_fixture.h"

namespace {

using files::readFile;
using files::writeFile;

class Clips : public TalkWithCharacter {
protected:
    ShippedDatabase shipped{1};
};

TEST_F(Clips, PlayCommonVoiceReplacesTheOlderClipsAndPlaysNothing) {
    shipped.putClip("common", "id", "data", "5", "clip five");
    writeFile(temp("temp1.mp3"), "older");
    writeFile(temp("jiho13.mp3"), "older");
    writeFile(temp("mail.tmp"), "mail");
    writeFile(home.file("song.mp3"), "the user's");

    speak::state.VoiceId = QStringLiteral("5");
    mp3::PlayCommonVoice();

    EXPECT_EQ(Module1::state.VoiceFile, services::commonVoicePath("5"));
    EXPECT_EQ(readFile(services::commonVoicePath("5")), "clip five");
    EXPECT_FALSE(QFile::exists(temp("temp1.mp3")));
    EXPECT_FALSE(QFile::exists(temp("jiho13.mp3")));
    EXPECT_TRUE(QFile::exists(temp("mail.tmp")));
    EXPECT_EQ(readFile(home.file("song.mp3")), "the user's");
    EXPECT_EQ(flag::state.PlayMode, 0);
    EXPECT_FALSE(character->Timer7.Enabled());
    EXPECT_EQ(vbmp3_getState(), 0);
}

TEST_F(Clips, AVoiceIdWithoutARowLeavesNoClip) {
    speak::state.VoiceId = QStringLiteral("15");
    mp3::PlayCommonVoice();
    EXPECT_FALSE(QFile::exists(services::commonVoicePath("15")));
    speak::state.VoiceId = QStringLiteral("../5");
    mp3::PlayCommonVoice();
    EXPECT_TRUE(QDir(platform::tempFolder()).entryList(QDir::Files).isEmpty());
}

TEST_F(Clips, GreetingAndChimeCarryTheirRowsLinesAndClips) {
    shipped.putClip("aisatu", "ID", "data", "7", "greeting");
    shipped.putClip("common", "id", "data", "1", "welcome");
    shipped.putClip("jiho", "ID", "data", "13", "chime");
    TalkService talk;

    const services::Talk::Greeting greeting = talk.LoadGreeting(false, 7);
    EXPECT_EQ(greeting.line1, QStringLiteral("おはようございます、"));
    EXPECT_EQ(greeting.line2, QStringLiteral("v1"));
    EXPECT_EQ(greeting.clip, temp("aisatu7.mp3"));
    EXPECT_EQ(readFile(greeting.clip), "greeting");

    writeFile(temp("left.tmp"), "left over");
    const services::Talk::Greeting first = talk.LoadGreeting(true, 7);
    EXPECT_TRUE(first.line1.isEmpty() && first.line2.isEmpty());
    EXPECT_EQ(readFile(first.clip), "welcome");
    EXPECT_EQ(first.clip, temp("temp1.mp3"));
    EXPECT_FALSE(QFile::exists(temp("left.tmp")));

    const services::Talk::Greeting missing = talk.LoadGreeting(false, 8);
    EXPECT_TRUE(missing.line1.isEmpty());
    EXPECT_TRUE(missing.clip.isEmpty());

    const services::Talk::Chime chime = talk.LoadChime(13);
    EXPECT_EQ(chime.text, QStringLiteral("午後一時\r\n"));
    EXPECT_EQ(readFile(chime.clip), "chime");
    EXPECT_EQ(chime.clip, temp("jiho13.mp3"));
}

// ---- play modes ----------------------------------------------------------------------------------

TEST_F(Clips, PlayVoiceWithNothingToPlayStillHandsTheEndToTheWatcher) {
    for (const QString& path : {QString(), temp("temp9.mp3")}) {
        SCOPED_TRACE(path.toStdString());
        flag::state.VoicePath = path;
        mp3::PlayVoice();
        EXPECT_EQ(flag::state.PlayMode, mp3::kVoice);
        EXPECT_TRUE(character->Timer7.Enabled());
        character->Timer7_Timer();
        EXPECT_TRUE(flag::state.VoicePath.isEmpty());
        EXPECT_EQ(flag::state.PlayMode, 0);
        EXPECT_FALSE(character->Timer7.Enabled());
    }
}

TEST_F(Clips, TheBalloonsClipIsModeOneAndItsEndClosesTheBalloon) {
    flag::state.VoicePath = temp("temp5.mp3"); // no such clip: silent, and over at once
    fuki::Open();
    EXPECT_EQ(flag::state.PlayMode, mp3::kBalloon);
    EXPECT_TRUE(character->Timer7.Enabled());
    character->Timer7_Timer();
    EXPECT_EQ(fuki::Instance(), nullptr);
    EXPECT_EQ(flag::state.PlayMode, 0);
}

TEST_F(Clips, ABalloonWithoutVoiceLeavesAPlayingVoiceAlone) {
    flag::state.PlayMode = mp3::kVoice;
    character->Timer7.setEnabled(true);
    fuki::Open();
    EXPECT_EQ(flag::state.PlayMode, mp3::kVoice);
    EXPECT_FALSE(fuki::Instance()->Timer1.Enabled()); // media plays: no close timer
}

TEST_F(Clips, TheMidiStateOfAnUnopenedSongIsNotStopped) {
    TalkService talk;
    EXPECT_NE(talk.MciStatusMode(QStringLiteral("ATYPE")), QStringLiteral("stopped"));
}

} // namespace

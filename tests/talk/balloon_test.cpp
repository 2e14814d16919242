// The three balloons: where they stand, how long they stay, what closes them and what closing
// them clears away.
#include "app/shapes/RgnCall.h"
#include "app/talk/balloon_layout.h"
#include "app/window/picture_stores.h"
#include "talk_fixture.h"

#include <QTest>

namespace {

using files::readFile;
using files::writeFile;

// ---- placement ---------------------------------------------------------------------------------

struct PlaceCase {
    QPoint character, balloon;
    int outline, labelTop, buttonsTop;
};
void PrintTo(const PlaceCase& c, std::ostream* os) {
    *os << c.character.x() << "," << c.character.y();
}

class Placement : public TalkStage, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(Placement, MainBalloonStandsByTheCharacterWithItsPictureAtTheCorner) {
    const PlaceCase& c = GetParam();
    EXPECT_EQ(balloon::PlaceFor(c.character),
              (balloon::Placement{c.balloon, c.outline, c.labelTop, c.buttonsTop}));

    fakeStage.corner = c.character;
    fuki* f = fuki::Open();
    EXPECT_EQ(f->pos(), c.balloon);
    EXPECT_EQ(f->size(), QSize(195, 190));
    EXPECT_EQ(f->Outline(), c.outline);
    EXPECT_EQ(f->Label1->geometry(), QRect(32, c.labelTop, 137, 105));
    EXPECT_EQ(f->Command1->geometry(), QRect(30, c.buttonsTop, 61, 19));
    EXPECT_EQ(f->Command2->geometry(), QRect(110, c.buttonsTop, 61, 19));
    // Picture and outline agree: the picture sits at the corner the outline tables start from.
    EXPECT_EQ(f->Image1->geometry(), QRect(0, 0, 200, 160));
    const RegionTable tables[] = {RgnCall::TableBalloon1(), RgnCall::TableBalloon2(),
                                  RgnCall::TableBalloon3(), RgnCall::TableBalloon4()};
    EXPECT_EQ(f->mask(), RgnCall::BuildRegion(tables[c.outline - 1]));
    const stores::Picture pictures[] = {gra2::fuki1(), gra2::fuki2(), gra2::fuki3(), gra2::fuki4()};
    EXPECT_TRUE(stores::Shows(f->Image1, pictures[c.outline - 1]));

    // fuki2 stands in the same place.
    fuki2* second = fuki2::Open();
    EXPECT_EQ(second->pos(), c.balloon);
    EXPECT_EQ(second->Outline(), c.outline);
    EXPECT_EQ(second->Label1->geometry(), QRect(32, c.labelTop, 137, 105));
}

INSTANTIATE_TEST_SUITE_P(Cases, Placement,
                         ::testing::Values(PlaceCase{{100, 200}, {130, 95}, 4, 16, 100},
                                           PlaceCase{{300, 100}, {230, 220}, 3, 45, 120},
                                           PlaceCase{{100, 100}, {130, 220}, 2, 45, 120},
                                           PlaceCase{{130, 100}, {50, -10}, 1, 16, 100},
                                           PlaceCase{{100, 150}, {20, 40}, 1, 16, 100},
                                           PlaceCase{{300, 300}, {220, 190}, 1, 16, 100},
                                           PlaceCase{{131, 149}, {61, 269}, 3, 45, 120},
                                           PlaceCase{{129, 151}, {159, 46}, 4, 16, 100}));

TEST_F(TalkStage, WithoutACharacterWindowTheBalloonStandsAsIfSheWereAtTheOrigin) {
    Stage::Install(nullptr);
    fuki* f = fuki::Open();
    EXPECT_EQ(f->pos(), QPoint(30, 120));
    EXPECT_EQ(f->Outline(), 2);
}

TEST_F(TalkStage, PalkBalloonStandsAboveAndLeftOfThePalkWindowAndWaitsToBeShown) {
    QWidget palk;
    palk.move(400, 300);
    fuki3* f = fuki3::Open(&palk);
    EXPECT_EQ(f->pos(), QPoint(280, 160));
    EXPECT_EQ(f->mask(), RgnCall::BuildRegion(RgnCall::TableBalloon1()));
    EXPECT_EQ(f->Label1->geometry(), QRect(32, 16, 137, 105));
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(flag::state.BalloonOpen, 1);
    QTest::mousePress(f, Qt::RightButton);
    EXPECT_EQ(fuki3::Instance(), nullptr);
    EXPECT_EQ(flag::state.BalloonOpen, 0);
}

TEST(BalloonFont, LargeFontScreensGetTheSmallerSize) {
    EXPECT_EQ(balloon::FontPoints(96), 9);
    EXPECT_EQ(balloon::FontPoints(120), 7);
    EXPECT_EQ(balloon::FontPoints(144), 9);
}

// ---- close timer -------------------------------------------------------------------------------

TEST(CloseTimer, FukiCloseGivesTheMainBalloonsTimer) {
    struct Case {
        const char* value;
        bool media;
        balloon::CloseTimer timer;
    } cases[] = {
        {"", false, {false, 0}},     {"0", false, {false, 0}},    {"1", false, {true, 5000}},
        {"2", false, {true, 10000}}, {"3", false, {true, 15000}}, {"7", false, {true, 0}},
        {"-1", false, {true, 0}},    {"x", false, {false, 0}},    {"3", true, {false, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.value) + (c.media ? " with media" : ""));
        EXPECT_EQ(balloon::MainCloseTimer(QString::fromUtf8(c.value), c.media), c.timer);
    }
    for (auto [value, timer] : {std::pair{"1", balloon::CloseTimer{true, 5000}},
                                {"2", {true, 10000}},
                                {"3", {true, 15000}},
                                {"0", {false, 0}},
                                {"7", {false, 0}},
                                {"", {false, 0}}}) {
        SCOPED_TRACE(value);
        EXPECT_EQ(balloon::SecondCloseTimer(QLatin1String(value)), timer);
    }
}

TEST_F(TalkStage, OpeningReadsFukiCloseAndAMidiSongKeepsTheBalloonUntimed) {
    key("fukiClose", "2");
    fuki* f = fuki::Open();
    EXPECT_TRUE(f->Timer1.Enabled());
    EXPECT_EQ(f->Timer1.Interval(), 10000);
    fuki::Unload();

    key("fukiClose", "3");
    fakeStage.running = Stage::MidiEnd; // a dropped MIDI file plays
    f = fuki::Open();
    EXPECT_FALSE(f->Timer1.Enabled());
    fuki::Unload();

    key("fukiClose", "1");
    fuki2* second = fuki2::Open();
    EXPECT_TRUE(second->Timer1.Enabled());
    EXPECT_EQ(second->Timer1.Interval(), 5000);
}

TEST_F(TalkStage, TheCloseTickWaitsForAHeldClipAndOtherwiseCloses) {
    key("fukiClose", "1");
    fuki* f = fuki::Open();
    flag::state.HoldBalloon = 1;
    fakeStage.running = Stage::Mp3End; // her clip still plays
    f->Timer1_Timer();
    ASSERT_EQ(fuki::Instance(), f);
    EXPECT_TRUE(f->Timer1.Enabled());

    fakeStage.running = {};
    f->Timer1_Timer();
    EXPECT_EQ(fuki::Instance(), nullptr);
    EXPECT_EQ(flag::state.HoldBalloon, 0);
}

// ---- what closes it ------------------------------------------------------------------------------

TEST_F(TalkStage, ALeftPressClosesTheBalloonUnlessItAsks) {
    fuki* f = fuki::Open();
    QTest::mousePress(f, Qt::RightButton);
    ASSERT_EQ(fuki::Instance(), f);
    f->Command1->show();
    f->Command2->show();
    QTest::mousePress(f, Qt::LeftButton);
    ASSERT_EQ(fuki::Instance(), f);
    f->Command1->hide();
    QTest::mousePress(f, Qt::LeftButton);
    EXPECT_EQ(fuki::Instance(), nullptr);
}

TEST_F(TalkStage, NoPutsTheCharacterBackInHerBasePose) {
    fakeStage.shown = gra2::Image1(0);
    fuki* f = fuki::Open();
    f->Command1->show();
    f->Command2->show();
    fakeStage.calls.clear();
    f->Command2_Click();
    EXPECT_EQ(fuki::Instance(), nullptr);
    EXPECT_EQ(
        fakeStage.calls,
        (QStringList{"Start Blink+Idle", "ShowPose RgnCall.ShapeStandard gra.Image1(0)", "GiveBackStage"}));
    EXPECT_EQ(fakeStage.Shown(), gra::Image1(0));
    // The next opening starts from the design state: no buttons.
    EXPECT_TRUE(fuki::Open()->Command1->isHidden());
}

TEST_F(TalkStage, ALineArrivingWhileTheBalloonAsksTakesTheQuestionAway) {
    speak::state.TalkText = QStringLiteral("3通のメールが来ています\r\n内容を確認しますか？");
    fuki* f = fuki::Open();
    f->Command1->show();
    f->Command2->show();
    ASSERT_TRUE(services::talk().FukiAsks());

    // The hourly chime speaks in the open balloon: its line asks nothing, so no button may stay
    // under it, and a left press closes it as any plain line.
    speak::state.TalkText = QStringLiteral("11時です");
    ASSERT_EQ(fuki::Open(), f);
    EXPECT_TRUE(f->Command1->isHidden());
    EXPECT_TRUE(f->Command2->isHidden());
    EXPECT_FALSE(services::talk().FukiAsks());
    QTest::mousePress(f, Qt::LeftButton);
    EXPECT_EQ(fuki::Instance(), nullptr);
    EXPECT_TRUE(mail->calls.isEmpty());
}

TEST_F(TalkStage, YesFetchesTheMailAndShowsTheList) {
    fuki* f = fuki::Open();
    f->Command1->show();
    f->Command1_Click();
    EXPECT_EQ(fuki::Instance(), nullptr);
    EXPECT_EQ(mail->calls, (QStringList{"DownloadAllMail", "ShowMailList"}));
    EXPECT_EQ(fakeStage.items.value(Stage::Item::again), true);
}

// A check or download already runs (its wait lets the balloon be clicked): はい starts no second one.
TEST_F(TalkStage, YesDoesNothingWhileMailIsBusy) {
    fuki* f = fuki::Open();
    f->Command1->show();
    flag::state.MailBusy = 1;
    f->Command1_Click();
    EXPECT_EQ(fuki::Instance(), f);
    EXPECT_TRUE(mail->calls.isEmpty());
}

// The mail check's ways into the balloon: a new text into the open one, and the question.
TEST_F(TalkStage, TheMailCheckWritesIntoTheOpenBalloonAndAsks) {
    speak::state.TalkText = QStringLiteral("サーバの接続に失敗しました");
    fuki* f = fuki::Open();
    services::talk().SetFukiText(QStringLiteral("1通のメールが来ています\r\n内容を確認しますか？"));
    services::talk().AskFuki();
    EXPECT_EQ(fuki::Instance(), f);
    EXPECT_EQ(said(), QStringLiteral("1通のメールが来ています\r\n内容を確認しますか？"));
    EXPECT_TRUE(services::talk().FukiAsks());
}

TEST_F(TalkStage, ANewLineWhileTheBalloonIsOpenIsSaidInIt) {
    speak::state.TalkText = QStringLiteral("一行目\r\n二行目");
    fuki* f = fuki::Open();
    EXPECT_EQ(f->Label1->text(), QStringLiteral("一行目\r\n二行目"));
    EXPECT_EQ(f->Label1->QLabel::text(), QStringLiteral("一行目\n二行目"));
    EXPECT_EQ(f->windowTitle(), QStringLiteral("一行目 二行目"));
    speak::state.TalkText = QStringLiteral("次の行");
    EXPECT_EQ(fuki::Open(), f);
    EXPECT_EQ(said(), QStringLiteral("次の行"));
    EXPECT_EQ(flag::state.FukiShown, 1);
    EXPECT_EQ(flag::state.BalloonOpen, 1);
}

// ---- closing: playback stops, the character rests, only our own files go ---------------------

TEST_F(TalkStage, ClosingDeletesOnlyTheProgramsOwnTemporaryFiles) {
    const QString ours[] = {temp("temp5.mp3"), temp("aisatu7.mp3"), temp("mail.tmp"), temp("list.txt")};
    for (const QString& path : ours)
        writeFile(path, "ours");
    // The user's files: a song beside the program's settings, one elsewhere that she is playing,
    // and notes of theirs.
    QTemporaryDir music;
    const QString theirs[] = {home.file("song.mp3"), home.file("notes.txt"), home.file("draft.tmp"),
                              music.filePath("song.mp3"), temp("keep.dat")};
    for (const QString& path : theirs)
        writeFile(path, "theirs");
    flag::state.VoicePath = music.filePath("song.mp3");

    fuki::Open();
    fuki::Unload();

    for (const QString& path : ours)
        EXPECT_FALSE(QFile::exists(path)) << path.toStdString();
    for (const QString& path : theirs)
        EXPECT_EQ(readFile(path), "theirs") << path.toStdString();
    EXPECT_EQ(Module1::state.CleanPath2, temp("*.tmp"));
    EXPECT_TRUE(flag::state.VoicePath.isEmpty());
    EXPECT_EQ(flag::state.PlayMode, 0);
    EXPECT_EQ(flag::state.BalloonOpen, 0);
    EXPECT_FALSE(fakeStage.Running(Stage::Mp3End));
    EXPECT_TRUE(fakeStage.calls.contains("GiveBackStage")); // back to rest
}

TEST_F(TalkStage, ClosingStopsTheClipAndTheMidiSong) {
    fuki::Open();
    fakeStage.running = Stage::Watches(Stage::Mp3End) | Stage::MidiEnd | Stage::Blink;
    fakeStage.calls.clear();
    fuki::Unload();
    EXPECT_EQ(fakeStage.calls, (QStringList{"Stop Mp3End", "Stop MidiEnd", "GiveBackStage"}));
    EXPECT_EQ(fakeStage.running, Stage::Blink);
}

TEST_F(TalkWithCharacter, ClosingTheFarewellEndsTheProgram) {
    fuki::Open();
    flag::state.PlayMode = 3;
    character->Timer7.setEnabled(true);
    fuki::Unload();
    EXPECT_EQ(ended, 1);
}

TEST_F(TalkStage, TheSecondBalloonClosesOnAnyPressAndClearsNothingAway) {
    writeFile(temp("temp5.mp3"), "ours");
    speak::state.TalkText = QStringLiteral("ふたつめ");
    fuki2* f = fuki2::Open();
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->Label1->text(), QStringLiteral("ふたつめ"));
    flag::state.VoicePath = temp("temp5.mp3");
    flag::state.PlayMode = 2;
    QTest::mousePress(f, Qt::RightButton);
    EXPECT_EQ(fuki2::Instance(), nullptr);
    EXPECT_TRUE(QFile::exists(temp("temp5.mp3")));
    EXPECT_TRUE(flag::state.VoicePath.isEmpty());
    EXPECT_EQ(flag::state.PlayMode, 0);
    EXPECT_TRUE(fakeStage.calls.isEmpty()); // no return to rest
}

TEST_F(TalkStage, TheOtherBalloonsNeverTakeTheExitingPlayModeAway) {
    // The farewell plays (play mode 3): only its end may end the program.
    flag::state.PlayMode = 3;
    key("fukiClose", "1");
    fuki2* second = fuki2::Open();
    EXPECT_EQ(flag::state.PlayMode, 3);
    QTest::mousePress(second, Qt::LeftButton);
    ASSERT_EQ(fuki2::Instance(), nullptr);
    EXPECT_EQ(flag::state.PlayMode, 3);
    fuki2::Open()->Timer1_Timer();
    ASSERT_EQ(fuki2::Instance(), nullptr);
    EXPECT_EQ(flag::state.PlayMode, 3);
    fuki2::Open();
    fuki2::Unload();
    EXPECT_EQ(flag::state.PlayMode, 3);

    QWidget palk;
    fuki3* third = fuki3::Open(&palk);
    EXPECT_EQ(flag::state.PlayMode, 3);
    QTest::mousePress(third, Qt::LeftButton);
    ASSERT_EQ(fuki3::Instance(), nullptr);
    EXPECT_EQ(flag::state.PlayMode, 3);
    fuki3::Open(nullptr);
    fuki3::Unload();
    EXPECT_EQ(flag::state.PlayMode, 3);
    EXPECT_FALSE(fakeStage.calls.contains("CheckMp3End"));
}

} // namespace

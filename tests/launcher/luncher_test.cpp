// ヴェンス's window: his place beside her, his outline, his blinking and bobbing (recorded frame by
// frame), his menu and his double-click, with real programs started on the test's own desktop
// (desktop_fixture.h) and his voices from a small shipped dialogue database.
#include "app/launcher/luncher.h"
#include "app/settings/IniManage.h"
#include "app/shapes/outlines.h"
#include "app/state/state.h"
#include "app/talk/voice_clips.h"
#include "desktop_fixture.h"
#include "fake_stage.h"
#include "heart_fixture.h"
#include "platform/audio/vbmp3.h"
#include "platform/clock.h"
#include "platform/pace.h"
#include "platform/program_folder.h"
#include "test_files.h"
#include "test_home.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using files::readFile;
using files::writeFile;

// 0.6 s of a tone, a clip the MP3 layer opens.
QByteArray tone() {
    return readFile(QStringLiteral(MORVIK_AUDIO_FIXTURES "/tone.mp3"));
}

// What Qt says (warnings and all) while one lives.
class QtMessages {
public:
    QtMessages() : previous_(qInstallMessageHandler(&QtMessages::record)) { current_ = this; }
    ~QtMessages() {
        qInstallMessageHandler(previous_);
        current_ = nullptr;
    }
    QtMessages(const QtMessages&) = delete;
    QtMessages& operator=(const QtMessages&) = delete;

    QStringList lines;

private:
    static void record(QtMsgType, const QMessageLogContext&, const QString& text) {
        if (current_)
            current_->lines << text;
    }

    QtMessageHandler previous_;
    inline static QtMessages* current_ = nullptr;
};

QDateTime at(int second) {
    return QDateTime(QDate(2026, 12, 10), QTime(11, 20, second));
}

class Launcher : public ::testing::Test {
protected:
    void SetUp() override {
        state::resetAll();
        platform::clock::setFake(at(0));
        stage.corner = QPoint(300, 300);
        Stage::Install(&stage);
        fixture::clearMarkers();
    }
    void TearDown() override {
        luncher::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        vbmp3_close();
        Stage::Install(nullptr);
        platform::clock::setFake(std::nullopt);
        fixture::clearMarkers();
    }
    static void key(const QString& name, const QString& value) {
        IniManage::BeginBatch();
        IniManage::WriteIni(name, value);
    }
    static void slot(int i, const QString& name, const QString& path, const QString& voice) {
        key(QStringLiteral("lunch_name%1").arg(i), name);
        key(QStringLiteral("lunch_pass%1").arg(i), path);
        key(QStringLiteral("lunch_voice%1").arg(i), voice);
    }
    static QString temp(const QString& name) { return platform::tempFolder() + QLatin1Char('/') + name; }
    // The menu's items as "key caption" ("-" for the separator).
    static QStringList items(const QMenu* menu) {
        QStringList out;
        for (const QAction* action : menu->actions())
            out << (action->isSeparator() ? QStringLiteral("-")
                                          : action->objectName() + " " + action->text());
        return out;
    }
    // The colour in the middle of the item's icon; an invalid colour for no item.
    static QColor colour(const QAction* item) {
        return item ? item->icon().pixmap(16, 16).toImage().pixelColor(8, 8) : QColor();
    }
    static QAction* item(const QMenu* menu, const QString& key) {
        for (QAction* action : menu->actions())
            if (action->objectName() == key)
                return action;
        return nullptr;
    }
    // The moves of a bobbing from top y: seven ticks, three down and back.
    static QStringList bob(int x, int y) {
        QStringList moves;
        for (int step : {1, 1, 1, 0, -1, -1, -1})
            moves << QStringLiteral("move %1,%2").arg(x).arg(y += step);
        return moves;
    }

    TestHome home;
    ShippedDatabase shipped{1};
    FakeStage stage;
};

// ---- window --------------------------------------------------------------------------------------

TEST_F(Launcher, StandsBesideHerCutToHisOutline) {
    platform::pace::Recorder recorder;
    luncher* vens = luncher::Show();
    EXPECT_EQ(recorder.events, QStringList({"move 230,380", "shape ShapeLauncher"}));
    EXPECT_EQ(vens->geometry(), QRect(230, 380, 72, 100));
    EXPECT_EQ(vens->mask(), RgnCall::BuildRegion(RgnCall4::TableLauncher()));
    EXPECT_TRUE(vens->isVisible());
    EXPECT_TRUE(vens->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(stores::Shows(vens->Image1, gra::lun_img1()));
    EXPECT_EQ(luncher::Show(), vens); // shown again, not loaded again
    EXPECT_EQ(recorder.events.size(), 2);
}

TEST_F(Launcher, ClosedFromHisMenuHeComesBackBesideHerNewPlace) {
    key("fuwafuwa", "1");
    luncher* first = luncher::Show();
    first->Timer1_Timer();
    first->ShowPopupMenu(QPoint(), false);
    item(first->migi_Pop2, "end_vens")->trigger();
    EXPECT_EQ(luncher::Instance(), nullptr);
    EXPECT_FALSE(first->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    stage.corner = QPoint(600, 200);
    platform::pace::Recorder recorder;
    luncher* again = luncher::Show();
    EXPECT_EQ(recorder.events, QStringList({"move 530,280", "shape ShapeLauncher"}));
    EXPECT_EQ(again->Phase(), 0);
    EXPECT_EQ(again->Timer2.Interval(), 2000);
}

TEST_F(Launcher, WithoutHerHeStandsAsIfSheWereAtTheOrigin) {
    Stage::Install(nullptr);
    EXPECT_EQ(luncher::Show()->pos(), QPoint(-70, 80));
}

// ---- blinking and bobbing ------------------------------------------------------------------------

TEST_F(Launcher, BlinksFirstAfterTwoSecondsThenByTheSecondOfTheMinute) {
    luncher* vens = luncher::Show();
    EXPECT_TRUE(vens->Timer2.Enabled());
    EXPECT_EQ(vens->Timer2.Interval(), 2000);
    for (auto [second, interval] : {std::pair{0, 3000}, {59, 8900}, {7, 3700}}) {
        SCOPED_TRACE(second);
        platform::clock::setFake(at(second));
        platform::pace::Recorder recorder;
        vens->Timer2_Timer();
        EXPECT_EQ(recorder.events,
                  QStringList({"picture gra.lun_img2", "sleep 200", "picture gra.lun_img1"}));
        EXPECT_EQ(vens->Timer2.Interval(), interval);
        EXPECT_TRUE(stores::Shows(vens->Image1, gra::lun_img1()));
    }
}

TEST_F(Launcher, BobsThreePixelsDownAndBackEverySevenTicks) {
    key("fuwafuwa", "1");
    luncher* vens = luncher::Show();
    EXPECT_TRUE(vens->Timer1.Enabled());
    EXPECT_EQ(vens->Timer1.Interval(), 180);
    platform::pace::Recorder recorder;
    for (int tick = 0; tick < 14; ++tick)
        vens->Timer1_Timer();
    EXPECT_EQ(recorder.events, bob(230, 380) + bob(230, 380));
    EXPECT_EQ(vens->pos(), QPoint(230, 380));
}

TEST_F(Launcher, BobbingFollowsADragBetweenTicks) {
    key("fuwafuwa", "1");
    luncher* vens = luncher::Show();
    vens->Timer1_Timer();
    vens->Timer1_Timer(); // at 230,382, phase 2
    QTest::mousePress(vens, Qt::LeftButton, {}, QPoint(36, 50));
    QMouseEvent move(QEvent::MouseMove, QPointF(66, 10), vens->mapToGlobal(QPointF(66, 10)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vens, &move);
    QTest::mouseRelease(vens, Qt::LeftButton, {}, QPoint(66, 10));
    ASSERT_EQ(vens->pos(), QPoint(260, 342));
    platform::pace::Recorder recorder;
    for (int tick = 0; tick < 5; ++tick)
        vens->Timer1_Timer();
    EXPECT_EQ(recorder.events, bob(260, 340).mid(2));
}

TEST_F(Launcher, WithoutFuwafuwaHeStandsStillAndStillBlinks) {
    for (const char* value : {"", "0", "yes"}) {
        SCOPED_TRACE(value);
        key("fuwafuwa", QString::fromUtf8(value));
        luncher* vens = luncher::Show();
        EXPECT_FALSE(vens->Timer1.Enabled());
        EXPECT_TRUE(vens->Timer2.Enabled());
        luncher::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// ---- menu ----------------------------------------------------------------------------------------

TEST_F(Launcher, TheMenuListsEveryRegisteredSlotEachItemItsOwn) {
    slot(0, "ゼロ", fixture::script(fixture::kBlank), "01");
    slot(1, "一", fixture::script(fixture::kSemicolon), "00");
    slot(2, "", "", "");
    slot(3, "三", fixture::script(fixture::kSubstitution), "");
    luncher* vens = luncher::Show();
    vens->ShowPopupMenu(QPoint(), false);
    EXPECT_EQ(items(vens->migi_Pop2),
              QStringList({"pop1 ゼロ", "pop2 一", "pop4 三", "-", "end_vens ヴェンスを閉じる"}));
    EXPECT_FALSE(vens->migi_Pop2->isVisible());

    item(vens->migi_Pop2, "pop4")->trigger();
    EXPECT_EQ(fixture::waitForMarker(fixture::kSubstitution).value("args"), "0");
    item(vens->migi_Pop2, "pop2")->trigger();
    EXPECT_EQ(fixture::waitForMarker(fixture::kSemicolon).value("args"), "0");
    EXPECT_FALSE(fixture::hasMarker(fixture::kBlank));
    EXPECT_FALSE(fixture::shellRan());
}

TEST_F(Launcher, WithoutEntriesTheMenuOnlyClosesHim) {
    slot(0, "", "", "");
    slot(1, "名前だけ", "", "01");
    luncher* vens = luncher::Show();
    vens->ShowPopupMenu(QPoint(), false);
    EXPECT_EQ(items(vens->migi_Pop2), QStringList({"-", "end_vens ヴェンスを閉じる"}));
}

TEST_F(Launcher, EachShowingHasItsOwnMenuAndIconsAndKeepsNoneOfTheLast) {
    slot(0, "entry", fixture::entry(), "01");
    slot(1, "blank", fixture::script(fixture::kBlank), "01");
    slot(2, "themed", fixture::script(fixture::kThemed), "01");
    slot(3, "other", fixture::script(fixture::kSemicolon), "01");
    luncher* vens = luncher::Show();
    for (int showing = 1; showing <= 3; ++showing) {
        SCOPED_TRACE(showing);
        if (showing == 3)
            slot(1, "", "", ""); // a save between showings reaches the next one
        vens->ShowPopupMenu(QPoint(), false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_EQ(vens->findChildren<QMenu*>(), QList<QMenu*>{vens->migi_Pop2});
        const QMenu* menu = vens->migi_Pop2;
        EXPECT_EQ(menu->actions().size(), showing == 3 ? 5 : 6);
        EXPECT_EQ(colour(item(menu, "pop1")), fixture::kEntryColour);
        EXPECT_EQ(colour(item(menu, "pop2")), showing == 3 ? QColor() : fixture::kEntryColour);
        EXPECT_EQ(colour(item(menu, "pop3")), fixture::kThemeColour);
        EXPECT_FALSE(item(menu, "pop4")->icon().isNull());
        EXPECT_TRUE(item(menu, "end_vens")->icon().isNull());
    }
}

TEST_F(Launcher, ARightPressOpensTheMenuWhereTheMouseIs) {
    slot(0, "entry", fixture::entry(), "01");
    luncher* vens = luncher::Show();
    QTest::mousePress(vens, Qt::RightButton, {}, QPoint(36, 50));
    ASSERT_NE(vens->migi_Pop2, nullptr);
    EXPECT_TRUE(vens->migi_Pop2->isVisible());
    EXPECT_EQ(vens->migi_Pop2->pos(), vens->mapToGlobal(QPoint(36, 50)));
    EXPECT_EQ(vens->pos(), QPoint(230, 380));
    vens->migi_Pop2->close();
}

TEST_F(Launcher, TheDesktopEntryOfTheMenuRunsAsTheDesktopRunsIt) {
    slot(5, "entry", fixture::entry(), "02");
    luncher* vens = luncher::Show();
    vens->ShowPopupMenu(QPoint(), false);
    item(vens->migi_Pop2, "pop6")->trigger();
    const QMap<QString, QString> marker = fixture::waitForMarker(fixture::kBlank);
    EXPECT_EQ(marker.value("args"), "1");
    EXPECT_EQ(marker.value("arg1"), "--from-entry");
}

// ---- voice ---------------------------------------------------------------------------------------

TEST_F(Launcher, HeSaysTheEntrysVoiceThenStartsItsProgram) {
    shipped.putClip("lunch_voice_master", "lunch_voice_id", "voice_data", "02", "voice two");
    writeFile(temp("temp5.mp3"), "older clip");
    writeFile(temp("mail.tmp"), "mail");
    writeFile(home.file("song.mp3"), "the user's");
    slot(0, "blank", fixture::script(fixture::kBlank), "02");
    luncher* vens = luncher::Show();
    vens->ShowPopupMenu(QPoint(), false);
    item(vens->migi_Pop2, "pop1")->trigger();

    EXPECT_EQ(vens->ChosenVoice, "02");
    EXPECT_EQ(readFile(temp("templun02.mp3")), "voice two");
    EXPECT_EQ(flag::state.VoicePath, temp("templun02.mp3"));
    EXPECT_EQ(flag::state.PlayMode, mp3::kVoice);
    EXPECT_TRUE(stage.calls.contains("Start Mp3End"));
    EXPECT_FALSE(QFile::exists(temp("temp5.mp3")));
    EXPECT_TRUE(QFile::exists(temp("mail.tmp")));
    EXPECT_EQ(readFile(home.file("song.mp3")), "the user's");
    EXPECT_EQ(fixture::waitForMarker(fixture::kBlank).value("args"), "0");
}

TEST_F(Launcher, AVoiceWithoutAClipLeavesNoFileAndTheProgramStartsAllTheSame) {
    for (const char* voice : {"00", "", "99", "01' OR '1'='1", "../02"}) {
        SCOPED_TRACE(voice);
        fixture::clearMarkers();
        slot(0, "blank", fixture::script(fixture::kBlank), QString::fromUtf8(voice));
        luncher* vens = luncher::Show();
        vens->ShowPopupMenu(QPoint(), false);
        item(vens->migi_Pop2, "pop1")->trigger();
        EXPECT_EQ(flag::state.PlayMode, mp3::kNothing);
        EXPECT_TRUE(QDir(platform::tempFolder()).entryList({"*.mp3"}, QDir::Files).isEmpty());
        EXPECT_EQ(fixture::waitForMarker(fixture::kBlank).value("args"), "0");
    }
}

TEST_F(Launcher, AnEntryWithoutAVoiceLeavesHerClipPlayingAndTriesNothing) {
    // "01" is shipped with no clip bytes: a voice of nothing is no voice either.
    const QString hers = temp("temp5.mp3");
    for (const char* voice : {"", "00", "99", "01", "../02"}) {
        SCOPED_TRACE(voice);
        fixture::clearMarkers();
        stage.calls.clear();
        writeFile(hers, tone()); // his launch deletes the older clips, hers too
        ASSERT_TRUE(vbmp3_open(hers));
        ASSERT_TRUE(vbmp3_play());
        flag::state.PlayMode = mp3::kBalloon;
        flag::state.VoicePath = hers;
        slot(0, "blank", fixture::script(fixture::kBlank), QString::fromUtf8(voice));
        luncher* vens = luncher::Show();
        vens->ShowPopupMenu(QPoint(), false);
        {
            const QtMessages said;
            item(vens->migi_Pop2, "pop1")->trigger();
            EXPECT_EQ(said.lines, QStringList());
        }
        EXPECT_EQ(flag::state.PlayMode, mp3::kBalloon);
        EXPECT_EQ(flag::state.VoicePath, hers);
        EXPECT_FALSE(stage.calls.contains("Start Mp3End"));
        Vbmp3TagInfo tags;
        EXPECT_TRUE(vbmp3_getTagInfo(&tags)) << "her clip was closed";
        EXPECT_EQ(fixture::waitForMarker(fixture::kBlank).value("args"), "0");
    }
}

TEST_F(Launcher, OnceTheExitBeganHeStartsTheProgramSilently) {
    shipped.putClip("lunch_voice_master", "lunch_voice_id", "voice_data", "02", "voice two");
    writeFile(temp("temp2.mp3"), "farewell");
    slot(0, "blank", fixture::script(fixture::kBlank), "02");
    luncher* vens = luncher::Show();
    vens->ShowPopupMenu(QPoint(), false);
    flag::state.Exiting = 1;
    flag::state.PlayMode = mp3::kExiting;
    flag::state.VoicePath = temp("temp2.mp3");
    item(vens->migi_Pop2, "pop1")->trigger();
    EXPECT_EQ(flag::state.PlayMode, mp3::kExiting);
    EXPECT_EQ(flag::state.VoicePath, temp("temp2.mp3"));
    EXPECT_EQ(readFile(temp("temp2.mp3")), "farewell");
    EXPECT_FALSE(QFile::exists(temp("templun02.mp3")));
    EXPECT_EQ(fixture::waitForMarker(fixture::kBlank).value("args"), "0");
}

// ---- double-click --------------------------------------------------------------------------------

TEST_F(Launcher, ADoubleClickStartsOnlyARegisteredQuickLaunchSlot) {
    shipped.putClip("lunch_voice_master", "lunch_voice_id", "voice_data", "01", "voice one");
    slot(0, "zero", fixture::script(fixture::kSemicolon), "01");
    slot(1, "", "", "");
    luncher* vens = luncher::Show();
    vens->Form_DblClick(); // no quick_lu_id at all
    EXPECT_EQ(flag::state.PlayMode, 0);
    for (const char* quick : {"-1", "", "x", "12", "1"}) {
        SCOPED_TRACE(quick);
        key("quick_lu_id", QString::fromUtf8(quick));
        vens->Form_DblClick();
        EXPECT_EQ(flag::state.PlayMode, 0);
        EXPECT_TRUE(vens->ChosenVoice.isEmpty());
    }
    EXPECT_FALSE(fixture::hasMarker(fixture::kSemicolon));

    key("quick_lu_id", "0");
    QTest::mouseDClick(vens, Qt::LeftButton, {}, QPoint(36, 50));
    EXPECT_EQ(vens->ChosenVoice, "01");
    EXPECT_EQ(flag::state.PlayMode, mp3::kVoice);
    EXPECT_EQ(fixture::waitForMarker(fixture::kSemicolon).value("args"), "0");
    EXPECT_EQ(vens->pos(), QPoint(230, 380)); // a double-click is no drag
}

} // namespace

// The character window as the stage: each watch is the timer the window runs for it, the overlays
// and menu items are hers, and giving the stage back brings her to rest.
#include "app/shapes/RgnCall2.h"
#include "app/state/state.h"
#include "app/window/morvik.h"
#include "platform/pace.h"
#include "test_home.h"

#include <gtest/gtest.h>

namespace {

class WindowStage : public ::testing::Test {
protected:
    void SetUp() override {
        state::resetAll();
        Stage::Install(&window);
    }

    // Every timer the window has, by its name; the watches must reach exactly theirs.
    QList<std::pair<const char*, platform::Timer*>> timers() {
        morvik& w = window;
        return {{"Timer1", &w.Timer1},      {"Timer2", &w.Timer2},   {"Timer3", &w.Timer3},
                {"Timer5", &w.Timer5},      {"Timer6", &w.Timer6},   {"Timer7", &w.Timer7},
                {"Timer8", &w.Timer8},      {"Timer9", &w.Timer9},   {"Timer10", &w.Timer10},
                {"Timer11", &w.Timer11},    {"Timer12", &w.Timer12}, {"Timer13", &w.Timer13},
                {"net_check", &w.net_check}, {"dance_check", &w.dance_check},
                {"Dance_check2", &w.Dance_check2}, {"Dance_check3", &w.Dance_check3},
                {"Dance_check4", &w.Dance_check4}};
    }

    TestHome home;
    morvik window;
};

TEST_F(WindowStage, EachWatchIsItsOwnTimerAndNoOther) {
    const std::pair<Stage::Watch, const char*> watches[] = {
        {Stage::Battery, "Timer1"},      {Stage::Blink, "Timer2"},      {Stage::LowBatteryBlink, "Timer3"},
        {Stage::Idle, "Timer5"},         {Stage::MidiEnd, "Timer6"},    {Stage::Mp3End, "Timer7"},
        {Stage::MailArming, "Timer9"},   {Stage::MailCheck, "Timer10"}, {Stage::SignSwap, "Timer11"},
        {Stage::BusyAnimation, "Timer8"}, {Stage::Dance(1), "dance_check"}, {Stage::Dance(2), "Dance_check2"},
        {Stage::Dance(3), "Dance_check3"}, {Stage::Dance4, "Dance_check4"}};
    ASSERT_EQ(Stage::Current(), &window);
    for (auto [watch, name] : watches) {
        SCOPED_TRACE(name);
        for (auto [other, timer] : timers())
            timer->setEnabled(false);
        Stage::Current()->Start(watch);
        for (auto [other, timer] : timers())
            EXPECT_EQ(timer->Enabled(), std::string(other) == name) << other;
        EXPECT_TRUE(Stage::Current()->Running(watch));

        for (auto [other, timer] : timers())
            timer->setEnabled(true);
        Stage::Current()->Stop(watch);
        for (auto [other, timer] : timers())
            EXPECT_EQ(timer->Enabled(), std::string(other) != name) << other;
        EXPECT_FALSE(Stage::Current()->Running(watch));
    }
}

TEST_F(WindowStage, TakingTheStageStopsWhatItNamesAndHidesTheBoardsOverlays) {
    Stage& stage = window;
    for (auto [name, timer] : timers())
        timer->setEnabled(true);
    for (QWidget* overlay : {window.Image2, window.Image3, window.Image4, window.Label1})
        overlay->show();
    stage.TakeStage(Stage::kIdle | Stage::MailArming,
                    Stage::Overlays(Stage::SignBoard) | Stage::BatteryPercent);
    const QStringList stopped{"Timer2", "Timer5", "Timer9"};
    for (auto [name, timer] : timers())
        EXPECT_EQ(timer->Enabled(), !stopped.contains(QLatin1String(name))) << name;
    EXPECT_TRUE(window.Image2->isHidden());
    EXPECT_FALSE(window.Image3->isHidden());
    EXPECT_FALSE(window.Image4->isHidden());
    EXPECT_TRUE(window.Label1->isHidden());

    stage.Hide(Stage::MailCount);
    EXPECT_TRUE(window.Image3->isHidden());
    EXPECT_TRUE(window.Image4->isHidden());
}

TEST_F(WindowStage, PosesSignAndGivingTheStageBack) {
    Stage& stage = window;
    platform::pace::Recorder recorder;
    stage.ShowPose(RgnCall2::ShapePose17, gra::Image1(12));
    EXPECT_EQ(recorder.events, (QStringList{"shape ShapePose17", "picture gra.Image1(12)"}));
    EXPECT_EQ(stage.Shown(), gra::Image1(12));

    stage.ShowSign(gra3::ImageList2(13));
    EXPECT_FALSE(window.Image2->isHidden());
    EXPECT_EQ(stage.Sign(), gra3::ImageList2(13));
    stage.Hide(Stage::SignBoard);
    EXPECT_EQ(stage.Sign(), stores::Picture{});
    EXPECT_EQ(window.Gauge(), gra3::ImageList2(13)); // the box keeps its picture while hidden

    stage.TakeStage(Stage::kBusy, Stage::SignBoard);
    stage.GiveBackStage();
    EXPECT_EQ(stage.Shown(), gra::Image1(0));
    for (platform::Timer* timer :
         {&window.Timer1, &window.Timer2, &window.Timer5, &window.Timer9, &window.Timer10})
        EXPECT_TRUE(timer->Enabled());
    EXPECT_FALSE(window.Timer7.Enabled());
}

TEST_F(WindowStage, MenuItemsAndCorner) {
    Stage& stage = window;
    const std::pair<Stage::Item, QAction*> items[] = {{Stage::Item::again, window.again},
                                                      {Stage::Item::mail_look, window.mail_look},
                                                      {Stage::Item::shutdown, window.shutdown},
                                                      {Stage::Item::getto, window.getto},
                                                      {Stage::Item::mail_sub_cut, window.mail_sub_cut}};
    for (auto [item, action] : items) {
        SCOPED_TRACE(action->objectName().toStdString());
        stage.ShowItem(item, true);
        EXPECT_TRUE(action->isVisible());
        EXPECT_TRUE(stage.ItemShown(item));
        stage.ShowItem(item, false);
        EXPECT_FALSE(action->isVisible());
        EXPECT_FALSE(stage.ItemShown(item));
    }
    window.move(321, 123);
    EXPECT_EQ(stage.Corner(), window.frameGeometry().topLeft());
    // The pause of periodic checking is the mark of mail_sub_cut.
    EXPECT_FALSE(stage.ItemChecked(Stage::Item::mail_sub_cut));
    window.mail_sub_cut_Click();
    EXPECT_TRUE(stage.ItemChecked(Stage::Item::mail_sub_cut));
    EXPECT_FALSE(stage.ItemChecked(Stage::Item::getto));
}

// The mail sign with its two digits, at their places.
TEST_F(WindowStage, MailCountBesideTheSign) {
    Stage& stage = window;
    stage.ShowSign(gra3::ImageList2(13));
    stage.ShowMailCount(gra3::ImageList1(2), gra3::ImageList1(3));
    EXPECT_EQ(stores::Shown(window.Image3), gra3::ImageList1(2));
    EXPECT_EQ(stores::Shown(window.Image4), gra3::ImageList1(3));
    EXPECT_EQ(window.Image2->pos(), QPoint(10, 15));
    EXPECT_EQ(window.Image3->pos(), QPoint(10, 23));
    EXPECT_EQ(window.Image4->pos(), QPoint(24, 23));
    EXPECT_FALSE(window.Image3->isHidden());
    EXPECT_FALSE(window.Image4->isHidden());
    stage.Hide(Stage::MailCount);
    EXPECT_TRUE(window.Image3->isHidden());
}

TEST(WindowStageLifetime, AWindowThatGoesTakesItsStageAway) {
    TestHome home;
    auto window = std::make_unique<morvik>();
    Stage::Install(window.get());
    window.reset();
    EXPECT_EQ(Stage::Current(), nullptr);
}

} // namespace

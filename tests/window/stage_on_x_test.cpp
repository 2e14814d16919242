// Her stage on a real X server, with her real timers: what the end of a balloon's clip may start
// while the new-mail sign is up.
#include "app/shapes/RgnCall.h"
#include "character_on_x.h"

namespace {

using StageOnX = CharacterOnX;

// A failing account keeps the count it had, and the sign with it: the end of the failure balloon's
// clip (the clip-end watcher, every 500 ms) starts no blinking, whose tick would take the sign
// down, so the next summary would put it up again with voice 18.
TEST_F(StageOnX, TheNewMailSignStaysUpWhenABalloonsClipEnds) {
    flag::state.PowerState = QStringLiteral("1");
    window->ShowPose(RgnCall::ShapePose05, gra::Image1(6));
    window->ShowSign(gra3::ImageList2(13));
    window->ShowMailCount(gra3::ImageList1(11), gra3::ImageList1(3));
    window->Stop(Stage::Watches(Stage::Battery) | Stage::Blink | Stage::Idle);
    window->Start(Stage::SignSwap);
    // The failure balloon's clip has ended.
    flag::state.PlayMode = 1;
    talk->state = 0;
    window->Start(Stage::Mp3End);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Running(Stage::Mp3End); }, 3000));
    EXPECT_FALSE(window->Running(Stage::Blink));
    EXPECT_FALSE(window->Running(Stage::Idle));
    // Longer than the blinking's 3.5 s: had it started, it would have ticked by now.
    QTest::qWait(4000);
    EXPECT_TRUE(window->Image2->isVisible());
    EXPECT_TRUE(window->Image3->isVisible());
    EXPECT_EQ(window->Sign().name, gra3::ImageList2(13).name);
    EXPECT_TRUE(window->Running(Stage::SignSwap));
}

} // namespace

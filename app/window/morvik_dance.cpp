// The four dances: while a dropped song plays, each tick of a dance timer plays one half of that
// dance's 16-frame cycle, and Timer7 (the song's end watcher) stopping ends it after any frame.
#include "app/shapes/RgnCall.h"
#include "app/shapes/RgnCall2.h"
#include "app/state/flag.h"
#include "morvik.h"
#include "platform/pace.h"

#include <array>
#include <span>

namespace {

using Frames = std::array<Stage::Shape, 9>;

struct Routine {
    Frames shapes;
    stores::Picture (*picture)(int);
    std::array<int, 11> secondHalf;
};

constexpr std::array<int, 5> kFirstHalf{0, 1, 2, 3, 4};
constexpr std::array<int, 11> kThereAndBack{3, 2, 1, 0, 5, 6, 7, 8, 7, 6, 5};
// Dance 2 turns the other way: it reaches the far side (8) first and comes back to 5.
constexpr std::array<int, 11> kTurnFirst{3, 2, 1, 0, 8, 7, 6, 5, 6, 7, 8};

// The pauses after the frames of each half. The cycle lingers on its far turn (the 8th frame of
// the second half) and hurries over each half's last frame, since the next tick follows at once.
constexpr std::array<int, 5> kFirstPauses{100, 100, 100, 100, 50};
constexpr std::array<int, 11> kSecondPauses{100, 100, 100, 100, 100, 100, 100, 150, 100, 100, 50};

const Routine& routineNo(int which) {
    static const Routine routines[4] = {
        {{RgnCall2::ShapeDance1_0, RgnCall2::ShapeDance1_1, RgnCall2::ShapeDance1_2, RgnCall2::ShapeDance1_3,
          RgnCall2::ShapeDance1_4, RgnCall2::ShapeDance1_5, RgnCall2::ShapeDance1_6, RgnCall2::ShapeDance1_7,
          RgnCall2::ShapeDance1_8},
         gra5::Image1,
         kThereAndBack},
        {{RgnCall3::ShapeDance2_0, RgnCall3::ShapeDance2_1, RgnCall3::ShapeDance2_2, RgnCall3::ShapeDance2_3,
          RgnCall3::ShapeDance2_4, RgnCall3::ShapeDance2_5, RgnCall3::ShapeDance2_6, RgnCall3::ShapeDance2_7,
          RgnCall3::ShapeDance2_8},
         gra7::Image1,
         kTurnFirst},
        {{RgnCall3::ShapeDance3_0, RgnCall3::ShapeDance3_1, RgnCall3::ShapeDance3_2, RgnCall3::ShapeDance3_3,
          RgnCall3::ShapeDance3_4, RgnCall3::ShapeDance3_5, RgnCall3::ShapeDance3_6, RgnCall3::ShapeDance3_7,
          RgnCall3::ShapeDance3_8},
         gra8::Image1,
         kThereAndBack},
        {{RgnCall3::ShapeDance4_0, RgnCall3::ShapeDance4_1, RgnCall3::ShapeDance4_2, RgnCall3::ShapeDance4_3,
          RgnCall3::ShapeDance4_4, RgnCall3::ShapeDance4_5, RgnCall3::ShapeDance4_6, RgnCall3::ShapeDance4_7,
          RgnCall3::ShapeDance4_8},
         gra9::Image1,
         kThereAndBack},
    };
    return routines[which - 1];
}

} // namespace

void morvik::dance_check_Timer() {
    danceTick(1);
}
void morvik::Dance_check2_Timer() {
    danceTick(2);
}
void morvik::Dance_check3_Timer() {
    danceTick(3);
}
void morvik::Dance_check4_Timer() {
    danceTick(4);
}

void morvik::danceTick(int which) {
    const Routine& dance = routineNo(which);
    const bool firstHalf = flag::state.DanceHalf == 1;
    const std::span<const int> frames =
        firstHalf ? std::span<const int>(kFirstHalf) : std::span<const int>(dance.secondHalf);
    const std::span<const int> pauses =
        firstHalf ? std::span<const int>(kFirstPauses) : std::span<const int>(kSecondPauses);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        frame(dance.shapes[frames[i]], dance.picture(frames[i]));
        // The song has ended (or was stopped): back to rest at once, and the half is not counted
        // as played, so the next dance plays it again.
        if (!Timer7.Enabled()) {
            frame(RgnCall::ShapeStandard, gra::Image1(0));
            return;
        }
        platform::pace::yieldEvents();
        platform::pace::sleep(pauses[i]);
    }
    // Whatever started the idle blinking meanwhile would draw over the next half.
    Timer2.setEnabled(false);
    flag::state.DanceHalf = firstHalf ? 0 : 1;
}

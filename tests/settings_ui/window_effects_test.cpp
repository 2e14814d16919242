// A save of the settings dialog reaches the character window through her stage: her menu item
// `shutdown` and her battery watch Timer1 follow the boxes at once.
#include "app/settings_ui/window_effects.h"
#include "app/state/state.h"
#include "app/window/morvik.h"
#include "test_home.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowEffects, TheShutdownItemAndTheBatteryWatchFollowTheSavedBoxes) {
    TestHome home;
    state::resetAll();
    morvik window;
    Stage::Install(&window);
    for (bool on : {false, true, false}) {
        SCOPED_TRACE(on);
        settings_ui::ShowShutdownItem(on);
        EXPECT_EQ(window.shutdown->isVisible(), on);
        settings_ui::WatchBattery(on);
        EXPECT_EQ(window.Timer1.Enabled(), on);
    }
    EXPECT_FALSE(window.Timer2.Enabled()); // no other watch is touched
}

} // namespace

#include "window_effects.h"

#include "app/window/stage.h"

namespace settings_ui {

void ShowShutdownItem(bool shown) {
    if (Stage* stage = Stage::Current())
        stage->ShowItem(Stage::Item::shutdown, shown);
}

void WatchBattery(bool watched) {
    Stage* stage = Stage::Current();
    if (!stage)
        return;
    if (watched)
        stage->Start(Stage::Battery);
    else
        stage->Stop(Stage::Battery);
}

} // namespace settings_ui

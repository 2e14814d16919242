#pragma once
// What saving the settings dialog does to the character window at once: right after the key
// `shutdown` is written, her menu item `shutdown` is shown when `Check4` is checked and hidden
// otherwise; after the last key, her battery watch runs when `Check6` is checked and stops
// otherwise. The dialog reaches her only through her stage (app/window/stage.h); without a
// character window these do nothing. GUI thread only.
namespace settings_ui {

void ShowShutdownItem(bool shown);
void WatchBattery(bool watched);

} // namespace settings_ui

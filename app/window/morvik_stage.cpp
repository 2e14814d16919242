// The character window as the program's stage: what other parts may do to her, on her own controls.
#include "morvik.h"

#include <utility>

namespace {

// Each watch and the timer behind it.
constexpr std::pair<Stage::Watch, platform::Timer morvik::*> kWatches[] = {
    {Stage::Battery, &morvik::Timer1},         {Stage::Blink, &morvik::Timer2},
    {Stage::LowBatteryBlink, &morvik::Timer3}, {Stage::Idle, &morvik::Timer5},
    {Stage::MidiEnd, &morvik::Timer6},         {Stage::Mp3End, &morvik::Timer7},
    {Stage::MailArming, &morvik::Timer9},      {Stage::MailCheck, &morvik::Timer10},
    {Stage::SignSwap, &morvik::Timer11},       {Stage::Dance1, &morvik::dance_check},
    {Stage::Dance2, &morvik::Dance_check2},    {Stage::Dance3, &morvik::Dance_check3},
    {Stage::Dance4, &morvik::Dance_check4},
};

} // namespace

void morvik::Start(Watches watches) {
    for (auto [watch, timer] : kWatches)
        if (watches.testFlag(watch))
            (this->*timer).setEnabled(true);
}

void morvik::Stop(Watches watches) {
    for (auto [watch, timer] : kWatches)
        if (watches.testFlag(watch))
            (this->*timer).setEnabled(false);
}

bool morvik::Running(Watch watch) const {
    for (auto [named, timer] : kWatches)
        if (named == watch)
            return (this->*timer).Enabled();
    return false;
}

void morvik::Hide(Overlays overlays) {
    if (overlays.testFlag(SignBoard))
        Image2->hide();
    if (overlays.testFlag(MailCount)) {
        Image3->hide();
        Image4->hide();
    }
    if (overlays.testFlag(BatteryPercent))
        Label1->hide();
}

void morvik::TakeStage(Watches stop, Overlays hide) {
    Stop(stop);
    Hide(hide);
}

stores::Picture morvik::Sign() const {
    return Image2->isHidden() ? stores::Picture{} : stores::Shown(Image2);
}

void morvik::ShowItem(Item item, bool shown) {
    switch (item) {
    case Item::again:
        again->setVisible(shown);
        return;
    case Item::mail_look:
        mail_look->setVisible(shown);
        return;
    case Item::shutdown:
        shutdown->setVisible(shown);
        return;
    }
}

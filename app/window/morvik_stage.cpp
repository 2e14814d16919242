// The character window as the program's stage: what other parts may do to her, on her own controls.
#include "morvik.h"

#include "Trei.h"
#include "services.h"

#include <utility>

namespace {

// Each watch and the timer behind it.
constexpr std::pair<Stage::Watch, platform::Timer morvik::*> kWatches[] = {
    {Stage::Battery, &morvik::Timer1},         {Stage::Blink, &morvik::Timer2},
    {Stage::LowBatteryBlink, &morvik::Timer3}, {Stage::Idle, &morvik::Timer5},
    {Stage::MidiEnd, &morvik::Timer6},         {Stage::Mp3End, &morvik::Timer7},
    {Stage::MailArming, &morvik::Timer9},      {Stage::MailCheck, &morvik::Timer10},
    {Stage::SignSwap, &morvik::Timer11},       {Stage::BusyAnimation, &morvik::Timer8},
    {Stage::Dance1, &morvik::dance_check},     {Stage::Dance2, &morvik::Dance_check2},
    {Stage::Dance3, &morvik::Dance_check3},    {Stage::Dance4, &morvik::Dance_check4},
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

void morvik::GiveBackStage() {
    if (stageHeld_ > 0) {
        giveBackAsked_ = true;
        return;
    }
    reset_timer();
}

void morvik::HoldStage(bool hold) {
    if (hold) {
        ++stageHeld_;
        return;
    }
    if (stageHeld_ == 0 || --stageHeld_ > 0 || !giveBackAsked_)
        return;
    giveBackAsked_ = false;
    if (!services::talk().FukiOpen())
        reset_timer();
}

void morvik::idleAfterBalloon() {
    if (stageHeld_ > 0 || Timer11.Enabled())
        return;
    Timer2.setEnabled(true);
    Timer5.setEnabled(true);
}

void morvik::TakeStage(Watches stop, Overlays hide) {
    Stop(stop);
    Hide(hide);
}

stores::Picture morvik::Sign() const {
    return Image2->isHidden() ? stores::Picture{} : stores::Shown(Image2);
}

QAction* morvik::itemAction(Item item) const {
    switch (item) {
    case Item::again:
        return again;
    case Item::mail_look:
        return mail_look;
    case Item::shutdown:
        return shutdown;
    case Item::getto:
        return getto;
    case Item::mail_sub_cut:
        return mail_sub_cut;
    }
    return nullptr;
}

void morvik::ShowItem(Item item, bool shown) {
    if (QAction* action = itemAction(item))
        action->setVisible(shown);
}

bool morvik::ItemChecked(Item item) const {
    return item == Item::mail_sub_cut && mail_sub_cut->isChecked();
}

bool morvik::ItemShown(Item item) const {
    const QAction* action = itemAction(item);
    return action && action->isVisible();
}

void morvik::ShowMailCount(const stores::Picture& tens, const stores::Picture& ones) {
    stores::Show(Image3, tens, stores::Note::Quiet);
    stores::Show(Image4, ones, stores::Note::Quiet);
    Image2->move(10, 15);
    Image3->move(10, 23);
    Image4->move(24, 23);
    Image2->show();
    Image3->show();
    Image4->show();
    Image3->raise();
    Image4->raise();
}

void morvik::SetTrayTip(const QString& tip) {
    Trei::TrayIcon(QIcon(Picture1), tip, 1);
}

void morvik::SetToolTip(const QString& text) {
    if (Trei::TipExists())
        Trei::SetTipText(text);
}

#include "fuki2.h"

#include "app/state/flag.h"
#include "app/state/speak.h"
#include "app/window/Trei.h"
#include "voice_clips.h"

#include <QMouseEvent>

fuki2* fuki2::Open() {
    return Load();
}

fuki2::fuki2() : Window("fuki2", Qt::WindowStaysOnTopHint) {
    Timer1.onTick([this] { Timer1_Timer(); });
    Trei::Fuki2 = this;
}

void fuki2::Form_Load() {
    flag::state.BalloonOpen = 1;
    const balloon::Placement place = balloon::PlaceFor(balloon::CharacterCorner());
    Label1->setFont(balloon::Font(this));
    outline_ = place.outline;
    balloon::ApplyOutline(this, Image1, place.outline);
    Label1->setGeometry(balloon::kLabelLeft, place.labelTop, balloon::kLabelWidth, balloon::kLabelHeight);
    Trei::SetTopMostFuki2(1);
    move(place.position);
    update();
    const balloon::CloseTimer close = balloon::SecondCloseTimer(balloon::FukiCloseSetting());
    Timer1.setInterval(close.interval);
    Timer1.setEnabled(close.enabled);
    Label1->setText(speak::state.TalkText);
}

void fuki2::Form_Unload() {
    flag::state.BalloonOpen = 0;
    Timer1.setInterval(0);
    Timer1.setEnabled(false);
    flag::state.VoicePath.clear();
    // Play mode 3 is the program exiting: only the end of the farewell may end it.
    if (flag::state.PlayMode != mp3::kExiting)
        flag::state.PlayMode = mp3::kNothing;
}

void fuki2::Timer1_Timer() {
    Timer1.setEnabled(false);
    if (IsOpen())
        Unload();
}

void fuki2::mousePressEvent(QMouseEvent*) {
    if (IsOpen())
        Unload();
}

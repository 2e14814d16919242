#include "fuki.h"

#include "app/shapes/RgnCall.h"
#include "app/state/flag.h"
#include "app/state/speak.h"
#include "app/window/Trei.h"
#include "app/window/picture_stores.h"
#include "app/window/services.h"
#include "app/window/stage.h"
#include "midi.h"
#include "platform/audio/vbmp3.h"
#include "platform/pace.h"
#include "platform/program_folder.h"
#include "voice_clips.h"

#include <QMouseEvent>

namespace {
const QString kMidiAlias = QStringLiteral("ATYPE");
} // namespace

fuki* fuki::Open() {
    return Load();
}

fuki::fuki() : Window("fuki", Qt::WindowStaysOnTopHint) {
    Command1 = new QPushButton(QStringLiteral("はい"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->hide();
    Command2 = new QPushButton(QStringLiteral("いいえ"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->hide();
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    Timer1.onTick([this] { Timer1_Timer(); });
    Trei::Fuki = this;
}

void fuki::layOut(int labelTop, int buttonsTop) {
    Label1->setGeometry(balloon::kLabelLeft, labelTop, balloon::kLabelWidth, balloon::kLabelHeight);
    Command1->setGeometry(balloon::kYesLeft, buttonsTop, balloon::kButtonWidth, balloon::kButtonHeight);
    Command2->setGeometry(balloon::kNoLeft, buttonsTop, balloon::kButtonWidth, balloon::kButtonHeight);
}

void fuki::Form_Load() {
    flag::state.BalloonOpen = 1;
    // Every line starts without the question's buttons; a question shows them after its line, so a
    // line said into an open question never leaves はい under words that ask nothing.
    Command1->hide();
    Command2->hide();
    const balloon::Placement place = balloon::PlaceFor(balloon::CharacterCorner());
    Label1->setFont(balloon::Font(this));
    Command1->setFont(balloon::Font(this));
    Command2->setFont(balloon::Font(this));
    layOut(16, 100);
    outline_ = place.outline;
    balloon::ApplyOutline(this, Image1, place.outline);
    layOut(place.labelTop, place.buttonsTop);
    move(place.position);
    update();
    flag::state.FukiShown = 1;

    const Stage* stage = Stage::Current();
    const bool mediaPlaying = stage && (stage->Running(Stage::Mp3End) || stage->Running(Stage::MidiEnd));
    const balloon::CloseTimer close = balloon::MainCloseTimer(balloon::FukiCloseSetting(), mediaPlaying);
    Timer1.setInterval(close.interval);
    Timer1.setEnabled(close.enabled);

    if (!flag::state.VoicePath.isEmpty())
        mp3::PlayBalloonVoice();
    show();
    Trei::SetTopMostFuki(1);
    Label1->setText(speak::state.TalkText);
    ++said_;
    platform::pace::mark(QStringLiteral("balloon open"));
}

void fuki::Form_Unload() {
    flag::state.BalloonOpen = 0;
    platform::pace::mark(QStringLiteral("balloon closed"));
    Stage* stage = Stage::Current();
    const bool ownClip = stage ? stage->Running(Stage::Mp3End) : flag::state.PlayMode != mp3::kNothing;
    if (ownClip) {
        vbmp3_stop();
        vbmp3_close();
        if (stage)
            stage->Stop(Stage::Mp3End);
    }
    if (stage && stage->Running(Stage::MidiEnd)) {
        midi::MciStop(kMidiAlias);
        midi::MciClose(kMidiAlias);
        stage->Stop(Stage::MidiEnd);
    }
    if (flag::state.PlayMode == mp3::kExiting) {
        // Closing the farewell ends the program, as the end of its clip would.
        vbmp3_stop();
        if (stage)
            stage->CheckMp3End();
        return;
    }
    if (stage)
        stage->GiveBackStage();
    Image1->hide();
    Timer1.setInterval(0);
    Timer1.setEnabled(false);
    flag::state.VoicePath.clear();
    flag::state.PlayMode = mp3::kNothing;
    mp3::DeleteOwnFiles();
}

void fuki::Timer1_Timer() {
    const Stage* stage = Stage::Current();
    if (flag::state.HoldBalloon == 1 && stage && stage->Running(Stage::Mp3End))
        return;
    flag::state.HoldBalloon = 0;
    Timer1.setEnabled(false);
    if (IsOpen())
        Unload();
}

void fuki::Form_MouseDown(int button) {
    if ((button & 1) && Command1->isHidden() && IsOpen())
        Unload();
}

void fuki::mousePressEvent(QMouseEvent* event) {
    int button = 0;
    if (event->button() == Qt::LeftButton)
        button = 1;
    else if (event->button() == Qt::RightButton)
        button = 2;
    else if (event->button() == Qt::MiddleButton)
        button = 4;
    Form_MouseDown(button);
}

void fuki::Command1_Click() {
    if (flag::state.MailBusy == 1)
        return;
    gra2::Load();
    Unload();
    services::mail().DownloadAllMail();
    if (Stage* stage = Stage::Current())
        stage->ShowItem(Stage::Item::again, true);
    services::mail().ShowMailList();
}

void fuki::Command2_Click() {
    Command1->hide();
    Command2->hide();
    if (Stage* stage = Stage::Current()) {
        stage->Start(Stage::kIdle);
        stage->ShowPose(RgnCall::ShapeStandard, gra::Image1(0));
    }
    Unload();
}

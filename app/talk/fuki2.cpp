#include "fuki2.h"

#include "app/window/Trei.h"
#include "app/window/flag.h"
#include "mp3.h"
#include "speak.h"

#include <QMouseEvent>

fuki2* fuki2::Instance() {
    return open_;
}

fuki2* fuki2::Open() {
    if (!open_)
        open_ = new fuki2();
    open_->Form_Load();
    return open_;
}

void fuki2::Unload() {
    fuki2* balloon = open_;
    if (!balloon)
        return;
    open_ = nullptr;
    balloon->Form_Unload();
    balloon->hide();
    balloon->deleteLater();
}

fuki2::fuki2()
    : QWidget(nullptr,
              Qt::FramelessWindowHint | Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("fuki2"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(balloon::kWidth, balloon::kHeight);
    balloon::NameWindowClass(this, "fuki2");
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 200, 160);
    Image1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Label1 = new balloon::Label(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setText(QStringLiteral("label1"));
    Timer1.onTick([this] { Timer1_Timer(); });
    Trei::Fuki2 = this;
}

void fuki2::Form_Load() {
    flag::BalloonOpen = 1;
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
    Label1->setText(speak::TalkText);
}

void fuki2::Form_Unload() {
    flag::BalloonOpen = 0;
    Timer1.setInterval(0);
    Timer1.setEnabled(false);
    flag::VoicePath.clear();
    flag::PlayMode = mp3::kNothing;
}

void fuki2::Timer1_Timer() {
    Timer1.setEnabled(false);
    if (open_ == this)
        Unload();
}

void fuki2::mousePressEvent(QMouseEvent*) {
    if (open_ == this)
        Unload();
}

#include "fuki3.h"

#include "app/window/flag.h"

#include <QMouseEvent>

fuki3* fuki3::Instance() {
    return open_;
}

fuki3* fuki3::Open(QWidget* palk) {
    if (!open_)
        open_ = new fuki3();
    open_->Form_Load(palk);
    return open_;
}

void fuki3::Unload() {
    fuki3* balloon = open_;
    if (!balloon)
        return;
    open_ = nullptr;
    balloon->Form_Unload();
    balloon->hide();
    balloon->deleteLater();
}

fuki3::fuki3() : QWidget(nullptr, Qt::FramelessWindowHint | Qt::Tool | Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("fuki3"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(balloon::kWidth, balloon::kHeight);
    balloon::NameWindowClass(this, "fuki3");
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 200, 160);
    Image1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Label1 = new balloon::Label(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setText(QStringLiteral("label1"));
}

void fuki3::Form_Load(QWidget* palk) {
    flag::BalloonOpen = 1;
    const balloon::Placement place =
        balloon::PlaceForPalk(palk ? palk->frameGeometry().topLeft() : QPoint(0, 0));
    Label1->setFont(balloon::Font(this));
    Label1->setGeometry(balloon::kLabelLeft, place.labelTop, balloon::kLabelWidth, balloon::kLabelHeight);
    balloon::ApplyOutline(this, Image1, place.outline);
    move(place.position);
}

void fuki3::Form_Unload() {
    flag::BalloonOpen = 0;
}

void fuki3::mousePressEvent(QMouseEvent*) {
    if (open_ == this)
        Unload();
}

#include "fuki3.h"

#include "app/state/flag.h"

#include <QMouseEvent>

fuki3* fuki3::Open(QWidget* palk) {
    return Load(palk);
}

fuki3::fuki3() : Window("fuki3", {}) {}

void fuki3::Form_Load(QWidget* palk) {
    flag::state.BalloonOpen = 1;
    const balloon::Placement place =
        balloon::PlaceForPalk(palk ? palk->frameGeometry().topLeft() : QPoint(0, 0));
    Label1->setFont(balloon::Font(this));
    Label1->setGeometry(balloon::kLabelLeft, place.labelTop, balloon::kLabelWidth, balloon::kLabelHeight);
    balloon::ApplyOutline(this, Image1, place.outline);
    move(place.position);
}

void fuki3::Form_Unload() {
    flag::state.BalloonOpen = 0;
}

void fuki3::mousePressEvent(QMouseEvent*) {
    if (IsOpen())
        Unload();
}

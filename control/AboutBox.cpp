#include "AboutBox.h"

#include "control/dialog_units.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace brindok {

QPixmap controlIcon(int size) {
    // A speech balloon with a small arrow in it: a control that carries words to someone else.
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    QPainterPath balloon;
    balloon.addRoundedRect(QRectF(2, 3, 28, 20), 6, 6);
    QPolygonF tail;
    tail << QPointF(8, 21) << QPointF(6, 30) << QPointF(15, 22);
    balloon.addPolygon(tail);
    balloon = balloon.simplified();
    painter.setPen(QPen(QColor(40, 60, 130), 1.5));
    painter.setBrush(QColor(250, 236, 180));
    painter.drawPath(balloon);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(200, 60, 80));
    QPolygonF arrow;
    arrow << QPointF(9, 10) << QPointF(17, 10) << QPointF(17, 7) << QPointF(24, 13) << QPointF(17, 19)
          << QPointF(17, 16) << QPointF(9, 16);
    painter.drawPolygon(arrow);
    return picture;
}

} // namespace brindok

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Brindok Control"));
    setWindowIcon(QIcon(brindok::controlIcon(16)));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(brindok::controlIcon(32));
    icon->setAlignment(Qt::AlignTop);
    auto* name = new QLabel(QStringLiteral("Brindok Control, Version 1.0"), this);
    auto* year = new QLabel(QStringLiteral("Copyright (C) 2001"), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(year);
    texts->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(icon);
    layout->addLayout(texts, 1);
    layout->addWidget(ok, 0, Qt::AlignTop);
    setMinimumSize(brindok::dialogUnits(font(), 260, 55));
}

#include "pictures.h"

#include "app/shapes/RgnCall.h"

#include <QPainter>

namespace pictures {

QPixmap Standard() {
    QPixmap picture(170, 170);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.setClipRegion(RgnCall::BuildRegion(RgnCall::TableStandard()));
    painter.fillRect(picture.rect(), QColor(0x2E, 0x3C, 0x72));
    painter.setBrush(QColor(0xFB, 0xE3, 0xD3));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(80, 60), 28, 24);
    return picture;
}

QPixmap TrayIcon() {
    QPixmap icon(32, 32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x1B, 0x1D, 0x33), 2));
    painter.setBrush(QColor(0xC9, 0xC3, 0xE6));
    painter.drawEllipse(QRect(3, 3, 26, 26));
    painter.setBrush(QColor(0x2D, 0xB7, 0xB2));
    painter.drawEllipse(QRect(10, 13, 4, 6));
    painter.drawEllipse(QRect(18, 13, 4, 6));
    return icon;
}

} // namespace pictures

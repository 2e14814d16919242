#include "parts.h"

#include "figure.h"

#include <QPainterPathStroker>

namespace art::parts {

QPainterPath inside(const QPainterPath& outer, double line) {
    QPainterPathStroker stroker;
    stroker.setWidth(2 * line);
    stroker.setJoinStyle(Qt::RoundJoin);
    return outer.subtracted(stroker.createStroke(outer));
}

void piece(QPainter& p, const QPainterPath& outer, const QColor& fill, const QColor& shade, double shadeDepth,
           double line) {
    p.setPen(Qt::NoPen);
    p.setBrush(palette::outline);
    p.drawPath(outer);
    const QPainterPath in = inside(outer, line);
    p.setBrush(fill);
    p.drawPath(in);
    if (shadeDepth > 0) {
        p.setBrush(shade);
        p.drawPath(in.subtracted(in.translated(-shadeDepth, -shadeDepth)));
    }
}

QPainterPath roundedRect(double left, double top, double right, double bottom, double radius) {
    QPainterPath path;
    path.addRoundedRect(QRectF(left, top, right - left, bottom - top), radius, radius);
    return path;
}

QPainterPath polygon(std::initializer_list<QPointF> points) {
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

QPainterPath capsule(QPointF a, QPointF b, double width) {
    QPainterPath line;
    line.moveTo(a);
    line.lineTo(b);
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    return stroker.createStroke(line).simplified();
}

} // namespace art::parts

#include "props.h"

#include <QPainterPath>
#include <QtMath>
#include <cmath>

namespace art::props {

namespace {
QPen outlinePen(double w) {
    return QPen(palette::outline, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}
} // namespace

void signBoard(QPainter& p, QPointF grip, double drop) {
    const QRectF kBoardFace = props::kBoardFace.translated(0, drop);
    const QPointF stickTop(kBoardFace.center().x(), kBoardFace.bottom() + 2);
    QPainterPath stick;
    stick.moveTo(stickTop);
    stick.lineTo(grip +
                 (grip - stickTop) * (12.0 / std::hypot(grip.x() - stickTop.x(), grip.y() - stickTop.y())));
    tube(p, stick, 4.0, palette::metal);
    QPainterPath frame;
    frame.addRoundedRect(kBoardFace.adjusted(-4, -4, 4, 4), 4, 4);
    part(p, frame, palette::dress, palette::dressShade, 2.0, 2.0);
    QPainterPath face;
    face.addRect(kBoardFace);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::white);
    p.drawPath(face);
    // Two rivets at the top of the frame.
    p.setBrush(palette::cyan);
    p.setPen(outlinePen(1.0));
    p.drawEllipse(QPointF(kBoardFace.left() + 5, kBoardFace.top() - 2), 1.4, 1.4);
    p.drawEllipse(QPointF(kBoardFace.right() - 5, kBoardFace.top() - 2), 1.4, 1.4);
}

void headband(QPainter& p, QRectF band, const QColor& colour) {
    // The tail: a short pennant from under its left end, its tip out by the frame's side.
    QPainterPath tail;
    tail.moveTo(band.left() + 3, band.bottom() - 2);
    tail.lineTo(band.left() - 4, band.bottom() - 1.5);
    tail.lineTo(band.left() - 4, band.bottom() + 3.5);
    tail.lineTo(band.left() + 1, band.bottom() + 1);
    tail.closeSubpath();
    part(p, tail, colour, colour.darker(125), 2.0, 1.0);
    QPainterPath cloth;
    cloth.addRect(band.adjusted(1, 1, -1, -1));
    part(p, cloth, colour, colour.darker(125), 2.0, 1.0);
}

void phone(QPainter& p, QPointF c, double angle, bool screenLit) {
    p.save();
    p.translate(c);
    p.rotate(angle);
    QPainterPath antenna;
    antenna.moveTo(4, -10);
    antenna.lineTo(4, -15.5);
    tube(p, antenna, 2.2, palette::metalShade);
    QPainterPath body;
    body.addRoundedRect(QRectF(-5.5, -11, 11, 22), 3, 3);
    part(p, body, QColor(0xF3, 0xEB, 0xD3), QColor(0xD9, 0xCC, 0xA8), 2.0, 2.0);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::cyan);
    p.drawRect(QRectF(-4.5, -1.2, 9, 1.8));
    p.setBrush(screenLit ? QColor(0x9C, 0xF4, 0xE6) : QColor(0x3A, 0x4A, 0x5E));
    p.setPen(outlinePen(1.0));
    p.drawRect(QRectF(-3.5, -8.5, 7, 6));
    p.setPen(Qt::NoPen);
    p.setBrush(palette::outline);
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k)
            p.drawRect(QRectF(-3.2 + k * 2.4, 2.5 + r * 2.4, 1.4, 1.2));
    p.restore();
}

void plug(QPainter& p, QPointF c, double angle, const std::vector<QPointF>& cord) {
    if (!cord.empty()) {
        QPainterPath path;
        path.moveTo(c);
        for (std::size_t i = 0; i + 2 < cord.size(); i += 3)
            path.cubicTo(cord[i], cord[i + 1], cord[i + 2]);
        tube(p, path, 2.6, QColor(0x5A, 0x5E, 0x80));
    }
    p.save();
    p.translate(c);
    p.rotate(angle);
    p.scale(1.4, 1.4);
    for (double x : {-3.0, 3.0}) {
        QPainterPath prong;
        prong.moveTo(x, -7);
        prong.lineTo(x, -12);
        tube(p, prong, 1.8, palette::metal);
    }
    QPainterPath body;
    body.addRoundedRect(QRectF(-6, -7.5, 12, 12), 3, 3);
    part(p, body, palette::white, palette::whiteShade, 2.0, 2.0);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::amber);
    p.drawRect(QRectF(-4, -2.5, 8, 1.6));
    p.restore();
}

void lightning(QPainter& p, QPointF c, double s) {
    QPainterPath bolt;
    bolt.moveTo(c + QPointF(0.15 * s, -0.5 * s));
    bolt.lineTo(c + QPointF(-0.3 * s, 0.05 * s));
    bolt.lineTo(c + QPointF(0.0, 0.05 * s));
    bolt.lineTo(c + QPointF(-0.15 * s, 0.5 * s));
    bolt.lineTo(c + QPointF(0.3 * s, -0.1 * s));
    bolt.lineTo(c + QPointF(0.02 * s, -0.1 * s));
    bolt.closeSubpath();
    part(p, bolt, palette::amber, palette::amber.darker(120), 1.6, 0);
}

QPainterPath zPath(QPointF c, double size, double stroke) {
    const double h = size / 2, w = size * 0.45;
    QPainterPath line;
    line.moveTo(c + QPointF(-w, -h));
    line.lineTo(c + QPointF(w, -h));
    line.lineTo(c + QPointF(-w, h));
    line.lineTo(c + QPointF(w, h));
    QPainterPathStroker stroker;
    stroker.setWidth(stroke);
    stroker.setJoinStyle(Qt::MiterJoin);
    stroker.setCapStyle(Qt::SquareCap);
    return stroker.createStroke(line).simplified();
}

void zMark(QPainter& p, QPointF c, double size) {
    part(p, zPath(c, size, std::max(2.0, size * 0.2)), palette::zmark, palette::cyan, 1.4, 0);
}

void sparkle(QPainter& p, QPointF c, double r, const QColor& colour) {
    QPainterPath star;
    star.moveTo(c + QPointF(0, -r));
    star.quadTo(c, c + QPointF(r, 0));
    star.quadTo(c, c + QPointF(0, r));
    star.quadTo(c, c + QPointF(-r, 0));
    star.quadTo(c, c + QPointF(0, -r));
    part(p, star, colour, colour.darker(115), 1.3, 0);
}

void signalArcs(QPainter& p, QPointF c, double angle, int count, double spacing) {
    for (int i = 1; i <= count; ++i) {
        const double r = spacing * i;
        QPainterPath arc;
        arc.arcMoveTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), -angle - 35);
        arc.arcTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), -angle - 35, 70);
        tube(p, arc, 1.8, palette::cyan);
    }
}

void note(QPainter& p, QPointF c, double angle, bool twin) {
    p.save();
    p.translate(c);
    p.rotate(angle);
    QPainterPath n;
    n.addEllipse(QPointF(-3, 5), 3.6, 2.8);
    if (twin)
        n.addEllipse(QPointF(6, 3), 3.6, 2.8);
    QPainterPath stem;
    stem.moveTo(0.2, 5);
    stem.lineTo(0.2, -8);
    if (twin) {
        stem.lineTo(9.2, -10);
        stem.lineTo(9.2, 3);
    } else {
        stem.quadTo(5, -6, 5.5, -2);
    }
    QPainterPathStroker stroker;
    stroker.setWidth(2.0);
    const QPainterPath shape = n.united(stroker.createStroke(stem)).simplified();
    part(p, shape, palette::amber, palette::amber.darker(120), 1.4, 0);
    p.restore();
}

namespace {
void ringHalf(QPainter& p, QRectF box, double width, bool front, RingSides sides) {
    // The ellipse is the box less its left side's straight part; the front half hangs below the
    // straight sides, and the whole ring is tilted by `drop`.
    const QRectF e(box.x(), box.y(), box.width(), box.height() - sides.left);
    const QPointF c = e.center();
    auto at = [&](double degrees) {
        const double t = qDegreesToRadians(degrees);
        const double x = c.x() + e.width() / 2 * std::cos(t);
        double y = c.y() - (e.height() / 2 + (front ? 0 : sides.rise)) * std::sin(t);
        const double share = (x - e.left()) / e.width();
        if (front)
            y += sides.left + (sides.right - sides.left) * share;
        return QPointF(x, y + sides.drop * share);
    };
    QPainterPath arc;
    const int steps = 120;
    if (front) {
        arc.moveTo(at(180));
        for (int i = 1; i <= steps; ++i)
            arc.lineTo(at(180 + 180.0 * i / steps));
    } else {
        arc.moveTo(at(0) + QPointF(0, sides.right));
        for (int i = 0; i <= steps; ++i)
            arc.lineTo(at(180.0 * i / steps));
        arc.lineTo(at(180) + QPointF(0, sides.left));
    }
    // A band of light with a fine contour, lighter than a limb's.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(palette::outline, width + 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(arc);
    p.setPen(QPen(palette::cyan, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(arc);
    p.setPen(QPen(QColor(0xE6, 0xFC, 0xFF), std::max(1.0, width * 0.35), Qt::SolidLine, Qt::RoundCap));
    QPainterPath glint;
    const double from = front ? 200 : 20;
    glint.moveTo(at(from));
    for (int i = 1; i <= 25; ++i)
        glint.lineTo(at(from + 2.0 * i));
    p.drawPath(glint);
}
} // namespace

void ringBack(QPainter& p, QRectF box, double width, RingSides sides) {
    ringHalf(p, box, width, false, sides);
}
void ringFront(QPainter& p, QRectF box, double width, RingSides sides) {
    ringHalf(p, box, width, true, sides);
}

} // namespace art::props

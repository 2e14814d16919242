#include "figure.h"

#include <QPainterPath>
#include <QTransform>
#include <algorithm>
#include <cmath>

namespace art {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kUpperArm = 15, kForearm = 14;
const QPointF kHip{80, 146};
const QPointF kNeckOnBody{0, -47}; // from the hips
const QPointF kShoulderOnBody{15, -40};
constexpr double kHeadAboveNeck = 36;

double rad(double degrees) {
    return degrees * kPi / 180;
}

QPointF rotated(QPointF v, double degrees) {
    const double c = std::cos(rad(degrees)), s = std::sin(rad(degrees));
    return {v.x() * c - v.y() * s, v.x() * s + v.y() * c};
}

double length(QPointF v) {
    return std::hypot(v.x(), v.y());
}

QTransform bodyTransform(const Figure& f) {
    QTransform t;
    t.translate(kHip.x() + f.offset.x(), kHip.y() + f.offset.y());
    t.rotate(f.lean);
    t.translate(0, f.bow * 10);
    return t;
}

QTransform headTransform(const Skeleton& s) {
    QTransform t;
    t.translate(s.headCentre.x(), s.headCentre.y());
    t.rotate(s.headAngle);
    if (s.headWidth != 1)
        t.scale(s.headWidth, 1);
    return t;
}

// Elbow for a hand that reaches for target: the two-bone solution that bends outward (or down).
QPointF elbowFor(QPointF shoulder, QPointF& target, double side, bool down) {
    QPointF d = target - shoulder;
    double dist = length(d);
    const double maxReach = kUpperArm + kForearm - 0.05;
    if (dist > maxReach) {
        d *= maxReach / dist;
        dist = maxReach;
        target = shoulder + d;
    }
    dist = std::max(dist, std::abs(kUpperArm - kForearm) + 0.5);
    const double cosA = (kUpperArm * kUpperArm + dist * dist - kForearm * kForearm) / (2 * kUpperArm * dist);
    const double a = std::acos(std::clamp(cosA, -1.0, 1.0)) * 180 / kPi;
    const QPointF unit = d / length(d);
    const QPointF e1 = shoulder + rotated(unit, a) * kUpperArm;
    const QPointF e2 = shoulder + rotated(unit, -a) * kUpperArm;
    if (down)
        return e1.y() > e2.y() ? e1 : e2;
    return (e1.x() - shoulder.x()) * side > (e2.x() - shoulder.x()) * side ? e1 : e2;
}

void poseArm(const Figure& f, const Arm& arm, double side, QPointF shoulder, QPointF& elbow, QPointF& hand) {
    if (arm.reach) {
        hand = *arm.reach;
        elbow = elbowFor(shoulder, hand, side, arm.elbowDown);
        return;
    }
    auto dir = [&](double a) { return rotated(QPointF(-side * std::sin(rad(a)), std::cos(rad(a))), f.lean); };
    elbow = shoulder + dir(arm.shoulder) * kUpperArm;
    hand = elbow + dir(arm.shoulder + arm.elbow) * kForearm;
}

QPen outlinePen(double width) {
    return QPen(palette::outline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// --- Head ------------------------------------------------------------------------------------

QPainterPath backHair() {
    // A bob whose ends tuck in toward the jaw.
    QPainterPath p;
    p.moveTo(-29, 36);
    p.lineTo(-18, 24);
    p.lineTo(18, 24);
    p.lineTo(29, 36);
    p.cubicTo(36, 30, 39, 20, 38.5, 6);
    p.cubicTo(40.5, -28, 22, -42.5, 0, -42.5);
    p.cubicTo(-22, -42.5, -40.5, -28, -38.5, 6);
    p.cubicTo(-39, 20, -36, 30, -29, 36);
    p.closeSubpath();
    return p;
}

QPainterPath faceShape() {
    QPainterPath p;
    p.moveTo(-31, 0);
    p.cubicTo(-31, 20, -15, 34, 0, 34);
    p.cubicTo(15, 34, 31, 20, 31, 0);
    p.cubicTo(31, -22, 17, -34, 0, -34);
    p.cubicTo(-17, -34, -31, -22, -31, 0);
    p.closeSubpath();
    return p;
}

QPainterPath frontHair(double bow) {
    // The straight-cut line of the bangs; in a deep bow the crown turns to the viewer and the hair
    // hides all of her face but the chin.
    const double edge = bow > 0.8 ? -5 + 30 * bow : -5 + 17 * bow;
    QPainterPath p;
    p.moveTo(-32, 28);
    p.cubicTo(-37, 16, -38.5, 2, -38.5, -10);
    p.cubicTo(-38.5, -32, -21, -43, 0, -43);
    p.cubicTo(21, -43, 38.5, -32, 38.5, -10);
    p.cubicTo(38.5, 2, 37, 16, 32, 28);
    p.cubicTo(29, 22, 27, 12, 26, edge + 6);
    p.lineTo(25, edge);
    // Shallow notches along the cut, so the fringe reads as hair and not as a cap.
    const int teeth = 6;
    for (int i = 1; i <= teeth; ++i) {
        const double x0 = 25 - 50.0 * (i - 1) / teeth, x1 = 25 - 50.0 * i / teeth;
        p.quadTo((x0 + x1) / 2, edge - 3.5, x1, edge + (i == teeth ? 0 : 0.8));
    }
    p.lineTo(-26, edge + 6);
    p.cubicTo(-27, 12, -29, 22, -32, 28);
    p.closeSubpath();
    return p;
}

void drawEye(QPainter& p, QPointF c, double side, Eyes eyes, double look) {
    const QPointF iris = c + QPointF(look * 2.2, 0);
    auto lid = [&](double y, double w) {
        QPainterPath l;
        l.moveTo(c.x() - 7 * side, c.y() + y + 1.5);
        l.quadTo(c.x() - 1 * side, c.y() + y - 2.2, c.x() + 7.2 * side, c.y() + y + 0.2);
        p.setPen(outlinePen(w));
        p.setBrush(Qt::NoBrush);
        p.drawPath(l);
    };
    switch (eyes) {
    case Eyes::Closed: {
        QPainterPath l;
        l.moveTo(c.x() - 6.5, c.y() + 1);
        l.quadTo(c.x(), c.y() + 5, c.x() + 6.5, c.y() + 1);
        p.setPen(outlinePen(2.2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(l);
        return;
    }
    case Eyes::Open:
    case Eyes::Wide:
    case Eyes::Half:
    case Eyes::Down: {
        const double ry = eyes == Eyes::Wide ? 8.2 : 7.4;
        const double top = eyes == Eyes::Half ? c.y() - 0.5 : eyes == Eyes::Down ? c.y() - 2.5 : c.y() - ry;
        p.save();
        p.setClipRect(QRectF(c.x() - 10, top, 20, 20), Qt::IntersectClip);
        p.setPen(QPen(palette::outline, 1.0));
        p.setBrush(palette::iris);
        p.drawEllipse(QPointF(iris.x(), c.y() + 0.6), 5.6, ry);
        p.setPen(Qt::NoPen);
        p.setBrush(palette::iris.lighter(125));
        p.drawEllipse(QPointF(iris.x(), c.y() + ry * 0.55), 3.8, 2.2);
        p.setBrush(palette::pupil);
        const double pupilY = eyes == Eyes::Down ? c.y() + 3 : c.y() + 1.2;
        p.drawEllipse(QPointF(iris.x(), pupilY), eyes == Eyes::Wide ? 2.0 : 2.7,
                      eyes == Eyes::Wide ? 3.0 : 4.0);
        p.setBrush(Qt::white);
        if (eyes != Eyes::Half)
            p.drawEllipse(QPointF(iris.x() - 2.2, c.y() - ry * 0.45), 1.8, 1.8);
        else
            p.drawEllipse(QPointF(iris.x() - 2.2, c.y() + 1.5), 1.3, 1.3);
        p.restore();
        lid(top - c.y(), eyes == Eyes::Half || eyes == Eyes::Down ? 2.4 : 2.6);
        return;
    }
    }
}

void drawMouth(QPainter& p, Mouth mouth, double look, double bow) {
    if (bow > 0.55)
        return; // the face is turned to the floor
    const QPointF m(look * 3, 23 + bow * 10);
    switch (mouth) {
    case Mouth::Line:
        p.setPen(QPen(palette::mouth, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(m + QPointF(-3, 0), m + QPointF(3, 0));
        break;
    case Mouth::Small:
        p.setPen(QPen(palette::mouth, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(m + QPointF(-1.5, 0), m + QPointF(1.5, 0));
        break;
    case Mouth::O:
        p.setPen(QPen(palette::outline, 1.2));
        p.setBrush(palette::mouth);
        p.drawEllipse(m + QPointF(0, 0.5), 2.4, 2.9);
        break;
    case Mouth::Open: {
        QPainterPath o;
        o.moveTo(m + QPointF(-3.5, -1));
        o.lineTo(m + QPointF(3.5, -1));
        o.quadTo(m + QPointF(0, 5), m + QPointF(-3.5, -1));
        p.setPen(QPen(palette::outline, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(palette::mouth);
        p.drawPath(o);
        break;
    }
    }
}

// The ear units; in a deep bow the antennae, turned with her head, point down past her cheeks.
void drawEarUnits(QPainter& p, bool bowed, const Figure& f) {
    for (double side : {-1.0, 1.0}) {
        // Pricked up, an antenna stands further out and higher, its tip a bead.
        const double prick = side < 0 ? f.prickLeft : f.prickRight;
        const double raise = side < 0 ? f.raiseLeft : f.raiseRight;
        QPainterPath antenna;
        antenna.moveTo(side * 37, 2);
        const QPointF tip =
            bowed ? QPointF(side * 46, 24) : QPointF(side * (44.6 + prick), -21.2 - 0.7 * prick - raise);
        if (bowed)
            antenna.quadTo(side * 43, 12, tip.x(), tip.y() - 2.5);
        else
            antenna.quadTo(side * (41 + 0.3 * prick), -8 - raise / 2, side * (44 + prick),
                           -19 - 0.7 * prick - raise);
        tube(p, antenna, 2.4, palette::metal);
        p.setPen(outlinePen(1.6));
        p.setBrush(palette::cyan);
        p.drawEllipse(tip, 3.0, 3.0);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(tip - QPointF(1, 1), 0.9, 0.9);
        QPainterPath disc;
        disc.addEllipse(QPointF(side * 36, 9), 7.2, 7.8);
        part(p, disc, palette::white, palette::whiteShade, 2.0, 2.0);
        p.setPen(QPen(palette::cyan, 2.0));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(side * 36, 9), 3.8, 4.2);
        p.setPen(Qt::NoPen);
        p.setBrush(palette::outline);
        p.drawEllipse(QPointF(side * 36, 9), 1.2, 1.2);
    }
}

void drawHead(QPainter& p, const Figure& f, const Skeleton& s, bool backOnly) {
    p.save();
    p.setTransform(headTransform(s), true);
    if (backOnly) {
        part(p, backHair(), palette::hair, palette::hairShade, 2.0, 4.0);
        p.restore();
        return;
    }
    part(p, faceShape(), palette::skin, palette::skinShade, 2.0, 2.5);
    const double eyeY = 5 + f.bow * 13;
    Eyes eyes = f.bow > 0.45 ? Eyes::Closed : f.eyes;
    if (f.blush) {
        p.setPen(Qt::NoPen);
        p.setBrush(palette::blush);
        p.drawEllipse(QPointF(-19, 16 + f.bow * 8), 4.5, 2.2);
        p.drawEllipse(QPointF(19, 16 + f.bow * 8), 4.5, 2.2);
    }
    drawEye(p, QPointF(-13 + f.look * 2, eyeY), -1, eyes, f.look);
    drawEye(p, QPointF(13 + f.look * 2, eyeY), 1, eyes, f.look);
    drawMouth(p, f.mouth, f.look, f.bow);
    const QPainterPath hair = frontHair(f.bow);
    part(p, hair, palette::hair, palette::hairShade, 2.0, 3.5);
    // A few strands, so that the fringe has a direction; in a deep bow they part from the crown,
    // which faces the viewer, and fall every way from its whorl.
    p.setPen(QPen(palette::hairShade, 1.3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const bool bowed = f.bow > 0.8;
    if (bowed) {
        const QPointF whorl(2, -14);
        for (double a : {-150.0, -105.0, -60.0, -15.0, 30.0, 150.0, 195.0}) {
            QPainterPath strand;
            strand.moveTo(whorl + QPointF(std::cos(rad(a)) * 3, std::sin(rad(a)) * 3));
            const QPointF end = whorl + QPointF(std::cos(rad(a)) * 24, std::sin(rad(a)) * 20);
            strand.quadTo(whorl + QPointF(std::cos(rad(a + 35)) * 13, std::sin(rad(a + 35)) * 11), end);
            p.drawPath(strand);
        }
        QPainterPath spiral;
        spiral.moveTo(whorl + QPointF(2.5, 0));
        spiral.arcTo(QRectF(whorl.x() - 2.5, whorl.y() - 2.5, 5, 5), 0, 300);
        p.drawPath(spiral);
    } else {
        for (double x : {-12.0, 4.0, 16.0}) {
            QPainterPath strand;
            strand.moveTo(x * 0.4, -38);
            strand.quadTo(x * 0.9, -22, x, -8 + f.bow * 17);
            p.drawPath(strand);
        }
    }
    drawEarUnits(p, bowed, f);
    if (f.sweat) {
        QPainterPath drop;
        drop.moveTo(28, -14);
        drop.cubicTo(31, -9, 33, -6, 30.5, -3.5);
        drop.cubicTo(28.5, -1.8, 25.5, -3.5, 26.2, -6.5);
        drop.cubicTo(26.6, -8.5, 27.5, -11, 28, -14);
        part(p, drop, palette::zmark, palette::cyan, 1.4, 0);
    }
    p.restore();
}

// --- Body ------------------------------------------------------------------------------------

void drawLegs(QPainter& p, const Figure& f, const Skeleton& s) {
    const struct {
        const Leg& leg;
        double side;
        QPointF foot;
    } legs[] = {{f.legLeft, -1, s.footL}, {f.legRight, 1, s.footR}};
    for (const auto& l : legs) {
        const QPointF top = kHip + f.offset + QPointF(l.side * 7.5, -2);
        const QPointF ankle = l.foot + QPointF(0, -8);
        QPainterPath leg;
        leg.moveTo(top);
        leg.lineTo(ankle);
        tube(p, leg, 8.5, palette::skin);
        // The knee joint's panel line.
        const QPointF knee = top + (ankle - top) * 0.7;
        p.setPen(QPen(palette::skinShade.darker(125), 1.1, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(knee + QPointF(-2.6, 0), knee + QPointF(2.6, 0.6));
        p.save();
        p.translate(l.foot);
        p.rotate(-l.side * l.leg.angle * 0.5);
        QPainterPath boot;
        boot.addRoundedRect(QRectF(-5.6, -11, 11.2, 8.5), 2.5, 2.5);
        QPainterPath foot;
        foot.addEllipse(QPointF(l.side * 1.5, -3.4), 7.0, 3.4);
        boot = boot.united(foot);
        part(p, boot, palette::boot, palette::bootShade, 2.0, 2.5);
        p.setPen(QPen(palette::cyan, 1.4));
        p.drawLine(QPointF(-4.4, -9.2), QPointF(4.4, -9.2));
        p.restore();
    }
}

QPainterPath skirt() {
    QPainterPath p;
    p.moveTo(-12, -29);
    p.cubicTo(-18, -18, -30, -8, -35, 2);
    p.cubicTo(-20, 7.5, 20, 7.5, 35, 2);
    p.cubicTo(30, -8, 18, -18, 12, -29);
    p.closeSubpath();
    return p;
}

void drawBody(QPainter& p, const Figure& f, const Skeleton& s) {
    p.save();
    p.setTransform(bodyTransform(f), true);
    QPainterPath neck;
    neck.addRect(QRectF(-5, -53, 10, 13));
    part(p, neck, palette::skin, palette::skinShade, 2.0, 2.0);
    // Petticoat frill under the hem.
    QPainterPath frill;
    frill.moveTo(-33, -1);
    frill.cubicTo(-16, 4, 16, 4, 33, -1);
    frill.lineTo(33.5, 3);
    for (int i = 0; i < 8; ++i) {
        const double x0 = 33.5 - 67.0 * i / 8, x1 = 33.5 - 67.0 * (i + 1) / 8;
        const double y = 3 + 3.2 * std::sin(kPi * (i + 0.5) / 8);
        frill.quadTo((x0 + x1) / 2, y + 4, x1, y + 0.5);
    }
    frill.closeSubpath();
    // The skirt hangs from the waist; a little shorter than drawn, so the knees show.
    const QTransform hem = QTransform().translate(0, -29).scale(f.skirtWidth, 0.9).translate(0, 29);
    frill = hem.map(frill);
    part(p, frill, palette::white, palette::whiteShade, 2.0, 2.0);
    const QPainterPath sk = hem.map(skirt());
    part(p, sk, palette::dress, palette::dressShade, 2.0, 4.5);
    p.setPen(QPen(palette::dressShade.darker(115), 1.2, Qt::SolidLine, Qt::RoundCap));
    for (double side : {-1.0, 1.0}) {
        QPainterPath pleat;
        pleat.moveTo(side * 14, -18);
        pleat.quadTo(side * 22, -6, side * 25, 4);
        p.drawPath(hem.map(pleat));
    }
    QPainterPath bodice;
    bodice.moveTo(-10, -46);
    bodice.cubicTo(-15, -46, -18.5, -43.5, -18.5, -39);
    bodice.lineTo(-13, -26);
    bodice.lineTo(13, -26);
    bodice.lineTo(18.5, -39);
    bodice.cubicTo(18.5, -43.5, 15, -46, 10, -46);
    bodice.closeSubpath();
    part(p, bodice, palette::dress, palette::dressShade, 2.0, 3.0);
    // Apron: skirt, waistband, bib and straps.
    QPainterPath apron;
    apron.moveTo(-11, -27);
    apron.lineTo(11, -27);
    apron.cubicTo(14, -18, 19, -9, 21, -3);
    const int scallops = 5;
    for (int i = 0; i < scallops; ++i) {
        const double x0 = 21 - 42.0 * i / scallops, x1 = 21 - 42.0 * (i + 1) / scallops;
        apron.quadTo((x0 + x1) / 2, 2.5, x1, -3);
    }
    apron.cubicTo(-19, -9, -14, -18, -11, -27);
    apron.closeSubpath();
    part(p, hem.map(apron), palette::white, palette::whiteShade, 2.0, 3.0);
    QPainterPath bib;
    bib.moveTo(-9, -27);
    bib.lineTo(-9.5, -40);
    bib.quadTo(0, -42.5, 9.5, -40);
    bib.lineTo(9, -27);
    bib.closeSubpath();
    part(p, bib, palette::white, palette::whiteShade, 1.8, 2.0);
    QPainterPath band;
    band.addRoundedRect(QRectF(-13.5, -30, 27, 4.5), 1.5, 1.5);
    part(p, band, palette::white, palette::whiteShade, 1.8, 1.5);
    // Collar.
    for (double side : {-1.0, 1.0}) {
        QPainterPath lobe;
        lobe.moveTo(0, -47);
        lobe.cubicTo(side * 6, -48.5, side * 13, -47, side * 12.5, -43.5);
        lobe.cubicTo(side * 12, -40.5, side * 5, -40, 0, -43.5);
        lobe.closeSubpath();
        part(p, lobe, palette::white, palette::whiteShade, 1.8, 1.5);
    }
    // Status light.
    const QColor light = f.light == Light::Cyan    ? palette::cyan
                         : f.light == Light::Amber ? palette::amber
                         : f.light == Light::Red   ? palette::red
                                                   : palette::metalShade;
    p.setPen(outlinePen(1.5));
    p.setBrush(light);
    p.drawEllipse(QPointF(0, -34.5), 3.0, 3.0);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(-0.9, -35.5), 1.0, 1.0);
    p.restore();
    (void)s;
}

void drawArm(QPainter& p, QPointF shoulder, QPointF elbow, QPointF hand) {
    QPainterPath arm;
    arm.moveTo(shoulder);
    arm.lineTo(elbow);
    arm.lineTo(hand);
    tube(p, arm, 7.0, palette::skin);
    QPainterPath sleeve;
    const QPointF towardElbow = (elbow - shoulder) / std::max(1.0, length(elbow - shoulder));
    sleeve.addEllipse(shoulder + towardElbow * 3.5, 7.2, 6.6);
    part(p, sleeve, palette::dress, palette::dressShade, 2.0, 2.5);
}

void drawHand(QPainter& p, QPointF elbow, QPointF hand, Hand kind) {
    const QPointF dir = (hand - elbow) / std::max(1.0, length(hand - elbow));
    QPainterPath cuff;
    cuff.moveTo(hand - dir * 6.5);
    cuff.lineTo(hand - dir * 2.5);
    tube(p, cuff, 8.0, palette::white);
    QPainterPath glove;
    glove.addEllipse(hand + dir * 1.0, 5.2, 5.2);
    part(p, glove, palette::white, palette::whiteShade, 2.0, 2.0);
    p.setPen(QPen(palette::whiteShade.darker(120), 1.0, Qt::SolidLine, Qt::RoundCap));
    const QPointF across(-dir.y(), dir.x());
    if (kind == Hand::Grip) {
        p.drawLine(hand + dir * 1.0 - across * 3.0, hand + dir * 1.0 + across * 3.0);
    } else {
        p.drawLine(hand + dir * 3.5 - across * 1.5, hand + dir * 3.5 + across * 1.5);
    }
}

} // namespace

void part(QPainter& painter, const QPainterPath& path, const QColor& fill, const QColor& shade,
          double outlineWidth, double shadeDepth) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawPath(path);
    if (shadeDepth > 0) {
        painter.setBrush(shade);
        painter.drawPath(path.subtracted(path.translated(-shadeDepth, -shadeDepth)));
    }
    if (outlineWidth > 0) {
        painter.setPen(outlinePen(outlineWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
}

void tube(QPainter& painter, const QPainterPath& path, double width, const QColor& fill) {
    painter.setBrush(Qt::NoBrush);
    painter.setPen(outlinePen(width + 4));
    painter.drawPath(path);
    painter.setPen(QPen(fill, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
}

void drawPortrait(QPainter& p, QPointF centre, double k, double w) {
    p.setRenderHint(QPainter::Antialiasing);
    QTransform t;
    t.translate(centre.x(), centre.y());
    t.scale(k, k);
    auto shape = [&](const QPainterPath& path, const QColor& fill) {
        p.setPen(outlinePen(w));
        p.setBrush(fill);
        p.drawPath(t.map(path));
    };
    shape(backHair(), palette::hair);
    QPainterPath collar;
    collar.addRoundedRect(QRectF(-20, 34, 40, 16), 6, 6);
    shape(collar, palette::dress);
    shape(faceShape(), palette::skin);
    for (double side : {-1.0, 1.0}) {
        const QPointF eye = t.map(QPointF(side * 13, 7));
        p.setPen(Qt::NoPen);
        p.setBrush(palette::pupil);
        p.drawEllipse(eye, 6.5 * k, 8 * k);
        p.setBrush(palette::iris);
        p.drawEllipse(eye + QPointF(0, 1.5 * k), 4.8 * k, 6 * k);
        p.setBrush(Qt::white);
        p.drawEllipse(eye + QPointF(-2 * k, -2.5 * k), 2.4 * k, 2.4 * k);
    }
    shape(frontHair(0), palette::hair);
    for (double side : {-1.0, 1.0}) {
        QPainterPath disc;
        disc.addEllipse(QPointF(side * 36, 9), 7.2, 7.8);
        shape(disc, palette::white);
        p.setPen(QPen(palette::cyan, w));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(t.map(QPointF(side * 36, 9)), 3.8 * k, 4.2 * k);
    }
}

Skeleton pose(const Figure& f) {
    Skeleton s;
    const QTransform body = bodyTransform(f);
    s.bodyAngle = f.lean;
    s.hip = body.map(QPointF(0, 0));
    s.neck = body.map(kNeckOnBody);
    s.headAngle = f.lean + f.headTilt;
    s.headWidth = f.headWidth;
    s.headCentre =
        s.neck + rotated(QPointF(0, -kHeadAboveNeck), s.headAngle) + QPointF(0, f.headDrop + f.bow * 34);
    s.shoulderL = body.map(QPointF(-kShoulderOnBody.x(), kShoulderOnBody.y()));
    s.shoulderR = body.map(kShoulderOnBody);
    poseArm(f, f.left, -1, s.shoulderL, s.elbowL, s.handL);
    poseArm(f, f.right, 1, s.shoulderR, s.elbowR, s.handR);
    auto foot = [&](const Leg& leg, double side) {
        const QPointF top = kHip + f.offset + QPointF(side * 7.5, 0);
        return top + rotated(QPointF(0, 23.6), -side * leg.angle) - QPointF(0, leg.lift);
    };
    s.footL = foot(f.legLeft, -1);
    s.footR = foot(f.legRight, 1);
    return s;
}

void draw(QPainter& p, const Figure& f) {
    p.setRenderHint(QPainter::Antialiasing);
    const Skeleton s = pose(f);
    for (const auto& prop : f.behind)
        prop(p, s);
    drawHead(p, f, s, true);
    const struct {
        const Arm& arm;
        QPointF shoulder, elbow, hand;
    } arms[] = {{f.left, s.shoulderL, s.elbowL, s.handL}, {f.right, s.shoulderR, s.elbowR, s.handR}};
    drawLegs(p, f, s);
    drawBody(p, f, s);
    for (const auto& prop : f.middle)
        prop(p, s);
    for (const auto& a : arms)
        if (a.arm.behindHead) {
            drawArm(p, a.shoulder, a.elbow, a.hand);
            drawHand(p, a.elbow, a.hand, a.arm.hand);
        }
    drawHead(p, f, s, false);
    for (const auto& a : arms)
        if (!a.arm.behindHead)
            drawArm(p, a.shoulder, a.elbow, a.hand);
    for (const auto& prop : f.front)
        prop(p, s);
    for (const auto& a : arms)
        if (!a.arm.behindHead)
            drawHand(p, a.elbow, a.hand, a.arm.hand);
}

} // namespace art

#include "palk.h"

#include "figure.h"
#include "parts.h"
#include "pictures.h"
#include "posefit.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace art {

namespace {

using namespace parts;

// Her companion's own colours beside the shared palette: the screen's glass, the hover light's rim
// and core, the fins' vanes.
const QColor kGlass{0x20, 0x26, 0x40}, kGlassSheen{0x34, 0x3C, 0x5E};
const QColor kGlowRim{0x2A, 0xA8, 0xC0}, kGlowCore{0xD8, 0xFA, 0xFE};
const QColor kVane{0x46, 0x58, 0x98};

// The drone is drawn about this column: the right fin and hinge are the left ones mirrored.
constexpr double kAxis = 35;

QPainterPath mirrored(const QPainterPath& path) {
    return QTransform(-1, 0, 0, 1, 2 * kAxis, 0).map(path);
}

QPainterPath body() {
    QPainterPath b;
    b.addEllipse(QPointF(kAxis, 37), 20, 21.5);
    return b;
}

// The light it hovers on: a flame from the nozzle that narrows and trails to the right as the drone
// drifts, ending in a round tip, with a small lick of light on its left. Its bands are narrower,
// shorter copies of it.
struct Tongue {
    QPointF start, bend, tip;
    double tipHalf, bulge; // its half width at the tip, and how much it swells below the nozzle
};
constexpr Tongue kFlame{{35, 57}, {31, 82}, {51, 96.3}, 3.2, 5.2};
constexpr Tongue kLick{{30, 61}, {22, 70}, {21.8, 81.5}, 1.3, 2.4};

QPainterPath tongue(const Tongue& g, double scale) {
    auto at = [&g](double t) {
        return (1 - t) * (1 - t) * g.start + 2 * t * (1 - t) * g.bend + t * t * g.tip;
    };
    auto half = [&g](double t) {
        return g.tipHalf +
               g.bulge * std::pow(1 - t, 1.2) * (1 + std::sin(std::numbers::pi * std::min(1.0, t * 1.8)));
    };
    QPolygonF left, right;
    const double end = 1 - (1 - scale) * 0.7;
    for (int i = 0; i <= 100; ++i) {
        const double t = end * i / 100;
        const QPointF c = at(t);
        left << c - QPointF(half(t) * scale, 0);
        right.prepend(c + QPointF(half(t) * scale, 0));
    }
    QPainterPath path;
    path.addPolygon(left + right);
    path.closeSubpath();
    return path;
}

void drawHoverLight(QPainter& p) {
    // The light has no dark line: its rim is a deeper cyan.
    QPainterPath outer = tongue(kFlame, 1).united(tongue(kLick, 1));
    QPainterPath round;
    round.addEllipse(kFlame.tip, 3, 3);
    outer = outer.united(round);
    p.setPen(Qt::NoPen);
    p.setBrush(kGlowRim);
    p.drawPath(outer);
    p.setBrush(palette::cyan);
    p.drawPath(inside(outer, 1.2));
    p.setBrush(palette::zmark);
    p.drawPath(tongue(kFlame, 0.55));
    p.drawPath(tongue(kLick, 0.4));
    p.setBrush(kGlowCore);
    p.drawPath(tongue(kFlame, 0.25));
}

void drawNozzle(QPainter& p) {
    piece(p, polygon({{26, 52}, {44, 52}, {41.5, 61}, {28.5, 61}}), palette::metal, palette::metalShade, 1.5,
          1.6);
}

// The left fin, held by its hinge on the body's side: its leading edge sweeps up and out, and it
// hangs down beside the body to a rounded point.
QPainterPath fin() {
    QPainterPath f;
    f.moveTo(22, 29.5);
    f.lineTo(22, 22);
    f.lineTo(7.6, 22);
    f.cubicTo(6.8, 20.6, 3.4, 20.6, 2.6, 22.4);
    f.cubicTo(1.4, 26, 0.8, 30, 0.9, 38);
    f.cubicTo(1.0, 44, 1.8, 49, 2.9, 51.5);
    f.cubicTo(3.8, 53.6, 5.0, 55.4, 6.2, 55.4);
    f.cubicTo(8, 55.4, 8.6, 50, 10, 46);
    f.cubicTo(11.2, 42.5, 12.5, 40, 15, 38);
    f.closeSubpath();
    return f;
}

void drawFins(QPainter& p) {
    const QPainterPath left = fin();
    for (double side : {1.0, -1.0}) {
        const QPainterPath f = side > 0 ? left : mirrored(left);
        piece(p, f, palette::dress, palette::dressShade, 2.0);
        // A lighter vane down the middle of each fin.
        p.save();
        p.setClipPath(inside(f));
        p.setPen(Qt::NoPen);
        p.setBrush(kVane);
        p.drawPath(f.translated(side * 2.2, 3.5).intersected(f.translated(-side * 1.5, -2)));
        p.restore();
    }
    // A stripe of light along each fin's leading edge.
    p.setPen(QPen(palette::cyan, 1.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath stripe;
    stripe.moveTo(19.5, 24.6);
    stripe.lineTo(7, 24.6);
    stripe.quadTo(4.6, 24.4, 3.8, 26.5);
    p.drawPath(stripe);
    p.drawPath(mirrored(stripe));
}

// The hinges that hold the fins to the body. The left one has its slits open: they are cleared to
// the background, so the desktop shows through them.
void drawHinges(QPainter& p) {
    const QPainterPath hinge = roundedRect(12, 29, 17, 38.6, 1.5);
    piece(p, hinge, palette::metal, palette::metalShade, 1.0, 1.2);
    piece(p, mirrored(hinge), palette::metal, palette::metalShade, 1.0, 1.2);
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    for (int y : {32, 33, 35})
        p.fillRect(QRect(14, y, 1, 1), Qt::transparent);
    p.restore();
}

// An antenna: a metal stalk from the body up to a glowing bulb.
void antenna(QPainter& p, QPointF base, QPointF control, QPointF bulb, double rx, double ry) {
    QPainterPath stalk;
    stalk.moveTo(base);
    stalk.quadTo(control, bulb);
    QPainterPathStroker stroker;
    stroker.setWidth(3.2);
    stroker.setCapStyle(Qt::RoundCap);
    piece(p, stroker.createStroke(stalk).simplified(), palette::metal, palette::metal, 0, 1.1);
    QPainterPath ball;
    ball.addEllipse(bulb, rx, ry);
    piece(p, ball, palette::cyan, palette::cyan, 0, 1.2);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(bulb - QPointF(rx * 0.25, ry * 0.35), rx * 0.22, rx * 0.22);
}

void drawAntennae(QPainter& p) {
    // A long one on the left and a short one on the right, like a beetle that has not made up its mind.
    antenna(p, {24.5, 21}, {19, 16}, {13.5, 9.6}, 4.4, 3.8);
    antenna(p, {45.5, 21}, {49, 17.5}, {53.2, 12.6}, 2.9, 2.9);
}

// The lamp on top: a glass dome with a bulb inside, on a metal collar that sits into the body.
void drawLamp(QPainter& p) {
    QPainterPath dome;
    dome.moveTo(28.4, 6);
    dome.lineTo(39.6, 6);
    dome.cubicTo(40.8, 6.5, 43.6, 11, 44.4, 18);
    dome.lineTo(44.4, 20);
    dome.lineTo(24, 20);
    dome.lineTo(24, 18);
    dome.cubicTo(24.6, 11, 27.2, 6.5, 28.4, 6);
    dome.closeSubpath();
    piece(p, dome, palette::zmark, palette::cyan, 1.5, 1.6);
    p.save();
    p.setClipPath(inside(dome, 1.6));
    p.setPen(Qt::NoPen);
    p.setBrush(palette::cyan);
    p.drawEllipse(QPointF(34.2, 12.4), 3.4, 3.2);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(33.4, 11.6), 1.3, 1.2);
    p.setBrush(palette::outline);
    p.drawRect(QRectF(20, 14.8, 30, 1.4));
    p.setBrush(palette::metal);
    p.drawRect(QRectF(20, 16.2, 30, 4));
    p.restore();
    p.setPen(QPen(Qt::white, 1.3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath sheen;
    sheen.moveTo(28.2, 12.6);
    sheen.quadTo(28.4, 9.6, 30.6, 8.6);
    p.drawPath(sheen);
}

void drawBody(QPainter& p) {
    const QPainterPath b = body();
    piece(p, b, palette::white, palette::whiteShade, 3.5);
    // Its lower half in her dress colour, under a band of light.
    p.save();
    p.setClipPath(inside(b));
    p.setPen(Qt::NoPen);
    p.setBrush(palette::dress);
    p.drawRect(QRectF(10, 49, 50, 12));
    p.setBrush(palette::dressShade);
    p.drawEllipse(QPointF(kAxis + 8, 56), 16, 8);
    p.setBrush(palette::cyan);
    p.drawRect(QRectF(10, 48, 50, 1.4));
    p.restore();
}

void drawScreen(QPainter& p, ScreenEyes eyes) {
    const QPainterPath screen = roundedRect(21, 26.5, 49, 46, 6.5);
    piece(p, screen, kGlass, kGlass, 0, 1.6);
    p.setPen(Qt::NoPen);
    p.setBrush(kGlassSheen);
    p.drawRect(QRectF(24, 29, 3, 1.2));
    // A blush under each eye.
    p.setBrush(palette::blush);
    p.drawEllipse(QPointF(24.8, 41.2), 2.0, 1.1);
    p.drawEllipse(QPointF(45.2, 41.2), 2.0, 1.1);
    for (double x : {28.5, 41.5}) {
        if (eyes == ScreenEyes::Open) {
            p.setPen(Qt::NoPen);
            p.setBrush(palette::cyan);
            p.drawRoundedRect(QRectF(x - 2.6, 30.5, 5.2, 9), 2.4, 2.4);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(x - 1.6, 31.6, 1.4, 1.8));
        } else {
            QPainterPath lid;
            lid.moveTo(x - 2.8, 35.5);
            lid.quadTo(x, 38.6, x + 2.8, 35.5);
            p.setPen(QPen(palette::cyan, 1.6, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawPath(lid);
        }
    }
    QPainterPath mouth;
    mouth.moveTo(32.6, 41.6);
    mouth.quadTo(kAxis, 43.6, 37.4, 41.6);
    p.setPen(QPen(palette::cyan, 1.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(mouth);
}

// The outline, line by line from the lamp's flat top (line 6) to the tip of the hover light (line
// 98): each line's runs, left and right (exclusive). Where a run stays the same from line to line
// it is one part seen straight on (the fins' roots, the body's widest band); the flame's edge
// flickers by a pixel, so its rows are single lines.
const std::vector<OutlineLine>& outlineLines() {
    static const std::vector<OutlineLine> lines = {{6, {{11, 16}, {28, 40}}},
                                                   {7, {{9, 19}, {23, 44}}},
                                                   {8, {{9, 18}, {24, 44}}},
                                                   {9, {{9, 18}, {26, 42}}},
                                                   {10, {{9, 18}, {26, 43}, {51, 55}}},
                                                   {11, {{10, 17}, {25, 43}, {51, 56}}},
                                                   {12, {{11, 18}, {24, 43}, {50, 56}}},
                                                   {13, {{15, 19}, {25, 44}, {50, 55}}},
                                                   {14, {{16, 20}, {25, 44}, {49, 55}}},
                                                   {15, {{17, 21}, {24, 44}, {49, 53}}},
                                                   {16, {{18, 22}, {24, 44}, {48, 52}}},
                                                   {17, {{19, 23}, {24, 44}, {47, 51}}},
                                                   {18, {{20, 45}, {46, 50}}},
                                                   {19, {{21, 49}}},
                                                   {20, {{22, 48}}},
                                                   {21, {{3, 7}, {21, 49}, {63, 67}}},
                                                   {22, {{2, 68}}},
                                                   {23, {{2, 68}}},
                                                   {24, {{2, 68}}},
                                                   {25, {{2, 68}}},
                                                   {26, {{2, 68}}},
                                                   {27, {{1, 68}}},
                                                   {28, {{1, 69}}},
                                                   {29, {{1, 69}}},
                                                   {30, {{1, 69}}},
                                                   {31, {{1, 69}}},
                                                   {32, {{1, 14}, {15, 69}}},
                                                   {33, {{1, 14}, {15, 69}}},
                                                   {34, {{1, 69}}},
                                                   {35, {{1, 10}, {11, 14}, {15, 57}, {61, 69}}},
                                                   {36, {{1, 9}, {13, 15}, {16, 57}, {61, 69}}},
                                                   {37, {{1, 9}, {14, 15}, {17, 56}, {61, 68}}},
                                                   {38, {{1, 9}, {16, 55}, {61, 67}}},
                                                   {39, {{1, 13}, {15, 55}, {57, 69}}},
                                                   {40, {{1, 13}, {15, 55}, {57, 69}}},
                                                   {41, {{1, 12}, {15, 55}, {58, 69}}},
                                                   {42, {{1, 11}, {16, 54}, {59, 69}}},
                                                   {43, {{1, 11}, {16, 54}, {59, 69}}},
                                                   {44, {{1, 11}, {16, 54}, {59, 69}}},
                                                   {45, {{1, 10}, {17, 53}, {60, 69}}},
                                                   {46, {{2, 10}, {17, 53}, {60, 68}}},
                                                   {47, {{2, 10}, {18, 52}, {60, 68}}},
                                                   {48, {{2, 9}, {18, 52}, {61, 68}}},
                                                   {49, {{2, 9}, {19, 51}, {61, 68}}},
                                                   {50, {{3, 9}, {20, 50}, {61, 67}}},
                                                   {51, {{3, 8}, {20, 50}, {62, 67}}},
                                                   {52, {{3, 8}, {21, 49}, {62, 67}}},
                                                   {53, {{4, 8}, {22, 48}, {62, 66}}},
                                                   {54, {{23, 47}}},
                                                   {55, {{25, 45}}},
                                                   {56, {{27, 43}}},
                                                   {57, {{26, 44}}},
                                                   {58, {{26, 43}}},
                                                   {59, {{25, 44}}},
                                                   {60, {{25, 43}}},
                                                   {61, {{24, 45}}},
                                                   {62, {{24, 44}}},
                                                   {63, {{23, 45}}},
                                                   {64, {{22, 45}}},
                                                   {65, {{22, 46}}},
                                                   {66, {{22, 45}}},
                                                   {67, {{21, 45}}},
                                                   {68, {{21, 44}}},
                                                   {69, {{21, 45}}},
                                                   {70, {{21, 44}}},
                                                   {71, {{21, 45}}},
                                                   {72, {{21, 44}}},
                                                   {73, {{21, 45}}},
                                                   {74, {{21, 44}}},
                                                   {75, {{21, 45}}},
                                                   {76, {{21, 44}}},
                                                   {77, {{21, 43}}},
                                                   {78, {{20, 43}}},
                                                   {79, {{20, 44}}},
                                                   {80, {{20, 43}}},
                                                   {81, {{21, 43}}},
                                                   {82, {{33, 44}}},
                                                   {83, {{34, 44}}},
                                                   {84, {{35, 44}}},
                                                   {85, {{36, 45}}},
                                                   {86, {{37, 45}}},
                                                   {87, {{37, 46}}},
                                                   {88, {{38, 47}}},
                                                   {89, {{39, 47}}},
                                                   {90, {{40, 48}}},
                                                   {91, {{42, 49}}},
                                                   {92, {{43, 50}}},
                                                   {93, {{44, 51}}},
                                                   {94, {{45, 53}}},
                                                   {95, {{47, 54}}},
                                                   {96, {{48, 54}}},
                                                   {97, {{48, 55}}},
                                                   {98, {{49, 53}}}};
    return lines;
}

} // namespace

Rendered palkPicture(ScreenEyes eyes) {
    const Rendered drawn = render([eyes](QPainter& p) { drawPalk(p, eyes); }, solid(kPalkSize, kBlue));
    return parts::fittedTo(drawn, parts::maskOf(kPalkSize, outlineLines()));
}

void drawPalk(QPainter& p, ScreenEyes eyes) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    drawHoverLight(p);
    drawNozzle(p);
    drawFins(p);
    drawAntennae(p);
    drawLamp(p);
    drawBody(p);
    drawHinges(p);
    drawScreen(p, eyes);
    p.restore();
}

} // namespace art

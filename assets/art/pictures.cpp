#include "pictures.h"

#include "app/shapes/balloon_tables.h"
#include "butler.h"
#include "dances.h"
#include "figure.h"
#include "palk.h"
#include "posefit.h"
#include "props.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <optional>

namespace art {

namespace {

const QSize kPose{170, 170};

using Props = std::function<void(QPainter&, const Skeleton&)>;
// The tables below name their pictures with u"…"_s: QStringLiteral in every cell would bury them.
using namespace Qt::StringLiterals;

Rendered onBlack(const Figure& f) {
    return render([f](QPainter& p) { draw(p, f); }, solid(kPose, 0xFF000000u));
}

Figure with(Figure f, const std::function<void(Figure&)>& change) {
    change(f);
    return f;
}

// --- What stands on the patch of floor an outline keeps beside her feet ----------------------------
//
// Each leans on her skirt, so the patch is joined to her by a thing drawn, not by a thread.

// A satchel of letters, its flap buckled, an envelope peeking out.
void mailBag(QPainter& p, double left, double right, double bottom = 169.8) {
    const QColor leather(0xB0, 0x7A, 0x4E), leatherShade(0x8A, 0x5A, 0x36);
    const double top = bottom - 22;
    QPainterPath envelope;
    envelope.addRect(QRectF(left + 3, top - 4, (right - left) - 7, 8));
    part(p, envelope, palette::white, palette::whiteShade, 1.5, 1.0);
    QPainterPath bag;
    bag.addRoundedRect(QRectF(left, top, right - left, bottom - top), 3, 3);
    part(p, bag, leather, leatherShade, 1.8, 2.0);
    QPainterPath flap;
    flap.addRoundedRect(QRectF(left + 1, top, right - left - 2, 8), 2, 2);
    part(p, flap, leatherShade, leatherShade.darker(120), 1.5, 0);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::amber);
    p.drawRect(QRectF((left + right) / 2 - 1.5, top + 5.5, 3, 3));
}

// A round cushion to doze against, a button in its middle.
void cushion(QPainter& p, double left, double right, double bottom = 169.8) {
    const QColor fill(0x9C, 0xC8, 0xF0), shade(0x74, 0xA4, 0xD4);
    QPainterPath pillow;
    pillow.addRoundedRect(QRectF(left, bottom - 21, right - left, 21), 7, 7);
    part(p, pillow, fill, shade, 2.0, 2.5);
    p.setPen(QPen(palette::outline, 1.2));
    p.setBrush(palette::white);
    p.drawEllipse(QPointF((left + right) / 2, bottom - 10.5), 1.8, 1.8);
}

// A small speaker box playing her music.
void speaker(QPainter& p, double left, double right, double bottom = 169.8) {
    QPainterPath box;
    box.addRoundedRect(QRectF(left, bottom - 24, right - left, 24), 2.5, 2.5);
    part(p, box, palette::boot, palette::bootShade, 1.5, 2.0);
    const QPointF cone((left + right) / 2, bottom - 9);
    p.setPen(QPen(palette::outline, 1.2));
    p.setBrush(palette::metal);
    p.drawEllipse(cone, (right - left) / 2 - 2.5, (right - left) / 2 - 2.5);
    p.setBrush(palette::cyan);
    p.drawEllipse(cone, 1.6, 1.6);
    p.drawEllipse(QPointF(cone.x(), bottom - 19.5), 1.2, 1.2);
}

// --- The base figures ---------------------------------------------------------------------------

Figure standing() {
    Figure f;
    f.left.reach = QPointF(75, 131);
    f.right.reach = QPointF(85, 132);
    f.left.elbowDown = f.right.elbowDown = true;
    return f;
}

Figure armsDown() {
    Figure f;
    f.left.shoulder = 9;
    f.right.shoulder = 9;
    f.left.elbow = -6;
    f.right.elbow = -6;
    return f;
}

Figure bowing(double depth) {
    Figure f = standing();
    f.bow = depth;
    f.eyes = Eyes::Closed;
    f.left.reach = QPointF(75, 134);
    f.right.reach = QPointF(85, 135);
    f.left.behindHead = f.right.behindHead = depth > 0.6;
    if (depth > 0.6) {
        // A deep bow: the crown toward the viewer, her hands on her knees below it.
        f.left.reach = QPointF(62, 156);
        f.right.reach = QPointF(100, 156);
        f.left.elbowDown = f.right.elbowDown = true;
    }
    return f;
}

// How far the board hangs lower when her battery runs low.
constexpr double kBoardSag = 15;

// The sign-board pose: she stands to the right of the board she holds up at the upper left.
Figure holdingBoard() {
    Figure f = armsDown();
    f.offset = QPointF(14, 0);
    f.headTilt = 3;
    f.look = 0.2;
    const QPointF grip(47, 96);
    f.left.reach = grip;
    f.left.hand = Hand::Grip;
    f.right.shoulder = 12;
    f.right.elbow = -40;
    f.front.push_back([grip](QPainter& p, const Skeleton&) { props::signBoard(p, grip); });
    return f;
}

Figure lowBattery() {
    Figure f = holdingBoard();
    // Too tired to hold it up: the board sags, the hook it hangs by standing above its frame.
    const QPointF grip(47, 111);
    f.left.reach = grip;
    f.front = {[grip](QPainter& p, const Skeleton&) {
        QPainterPath hook;
        hook.addRoundedRect(QRectF(35.5, 21.5, 9, 8), 2, 2);
        part(p, hook, palette::metal, palette::metalShade, 1.8, 1.5);
        props::signBoard(p, grip, kBoardSag);
    }};
    f.headDrop = 5;
    f.headTilt = 6;
    f.eyes = Eyes::Half;
    f.sweat = true;
    f.light = Light::Red;
    f.right.shoulder = 4;
    f.right.elbow = 0;
    return f;
}

Figure drowsy() {
    Figure f = armsDown();
    f.headDrop = 13;
    f.headTilt = 7;
    f.lean = 1.5;
    f.eyes = Eyes::Half;
    f.light = Light::Dim;
    f.left.shoulder = 5;
    f.right.shoulder = 5;
    f.left.behindHead = f.right.behindHead = true;
    f.front.push_back(
        [](QPainter& p, const Skeleton& s) { props::zMark(p, s.headCentre + QPointF(40, -40), 9); });
    f.behind.push_back([](QPainter& p, const Skeleton&) { cushion(p, 103, 123); });
    return f;
}

Figure asleep() {
    Figure f = armsDown();
    f.headDrop = 20;
    f.headTilt = 14;
    f.lean = 2;
    f.eyes = Eyes::Closed;
    f.mouth = Mouth::Small;
    f.light = Light::Dim;
    f.left.shoulder = 3;
    f.right.shoulder = 3;
    f.left.elbow = 0;
    f.right.elbow = 0;
    f.left.behindHead = f.right.behindHead = true;
    f.behind.push_back([](QPainter& p, const Skeleton&) { cushion(p, 103, 123); });
    return f;
}

Figure dozingGesture() {
    Figure f = armsDown();
    f.offset = QPointF(0, -3); // a little start that lifts her off the floor
    f.headDrop = 15;
    f.headTilt = -6;
    f.eyes = Eyes::Wide;
    f.mouth = Mouth::O;
    f.light = Light::Amber;
    f.left.shoulder = 35;
    f.left.elbow = 40;
    f.right.shoulder = 35;
    f.right.elbow = 40;
    f.behind.push_back([](QPainter& p, const Skeleton&) { cushion(p, 98, 127, 167.8); });
    return f;
}

// --- Power plug poses -----------------------------------------------------------------------------

Figure plugInHands() {
    Figure f = standing();
    f.eyes = Eyes::Down;
    f.light = Light::Amber;
    f.left.reach = QPointF(73, 121);
    f.right.reach = QPointF(87, 121);
    f.left.hand = f.right.hand = Hand::Grip;
    f.front.push_back([](QPainter& p, const Skeleton&) {
        props::plug(p, QPointF(80, 115), 0,
                    {{86, 128},
                     {104, 126},
                     {112, 138},
                     {120, 150},
                     {128, 158},
                     {124, 166},
                     {120, 171},
                     {104, 168},
                     {100, 168.5}});
    });
    return f;
}

Figure plugRaised() {
    Figure f = armsDown();
    f.look = 0.7;
    f.headTilt = 3;
    f.light = Light::Amber;
    f.right.reach = QPointF(121, 86);
    f.right.hand = Hand::Grip;
    f.front.push_back([](QPainter& p, const Skeleton&) {
        props::plug(p, QPointF(122, 78), 8,
                    {{128, 96},
                     {136, 110},
                     {132, 128},
                     {128, 142},
                     {126, 160},
                     {118, 168.5},
                     {112, 169},
                     {106, 168},
                     {104, 168.5}});
        props::lightning(p, QPointF(134, 58), 16);
    });
    return f;
}

// --- Mail check ---------------------------------------------------------------------------------

Figure mailReady() {
    Figure f = armsDown();
    f.lean = 3;
    f.headDrop = 6;
    f.headTilt = -5;
    f.look = 0.5;
    f.left.reach = QPointF(76, 118);
    f.right.reach = QPointF(86, 117);
    f.left.hand = f.right.hand = Hand::Grip;
    f.front.push_back([](QPainter& p, const Skeleton& s) {
        props::signalArcs(p, s.headCentre + QPointF(48, -24), -55, 2, 5);
    });
    f.behind.push_back([](QPainter& p, const Skeleton&) { mailBag(p, 43, 56); });
    return f;
}

// Leaning out to the right, a hand cupped by the cheek.
Figure mailPeering() {
    Figure f = armsDown();
    f.lean = 9;
    f.headDrop = 10;
    f.headTilt = 6;
    f.look = 1;
    f.right.reach = QPointF(112, 92);
    f.left.reach = QPointF(66, 126);
    f.behind.push_back([](QPainter& p, const Skeleton&) { mailBag(p, 108, 123); });
    return f;
}

// Binoculars to the eyes, looking far for the mail.
Figure mailLooking() {
    Figure f = armsDown();
    f.headDrop = 7;
    f.lean = 1;
    f.eyes = Eyes::Closed;
    f.left.reach = QPointF(70, 86);
    f.right.reach = QPointF(96, 86);
    f.left.hand = f.right.hand = Hand::Grip;
    f.front.push_back([](QPainter& p, const Skeleton& s) {
        const QPointF eyes = s.headCentre + QPointF(0, 5);
        for (double side : {-1.0, 1.0}) {
            QPainterPath barrel;
            barrel.addRoundedRect(QRectF(eyes.x() + side * 13 - 7, eyes.y() - 6, 14, 14), 3, 3);
            part(p, barrel, palette::dress, palette::dressShade, 2.0, 2.0);
            p.setPen(QPen(palette::outline, 1.5));
            p.setBrush(palette::cyan);
            p.drawEllipse(QPointF(eyes.x() + side * 13, eyes.y() + 1), 4.2, 4.2);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(eyes.x() + side * 13 - 1.5, eyes.y() - 0.5), 1.3, 1.3);
        }
        QPainterPath bridge;
        bridge.addRect(QRectF(eyes.x() - 6, eyes.y() - 2, 12, 5));
        part(p, bridge, palette::metal, palette::metalShade, 1.6, 0);
        props::signalArcs(p, s.headCentre + QPointF(46, -21), -60, 3, 5);
        props::sparkle(p, QPointF(132, 30), 4.5, palette::cyan);
    });
    f.behind.push_back([](QPainter& p, const Skeleton&) { mailBag(p, 106, 118); });
    return f;
}

// --- Dial-up ------------------------------------------------------------------------------------

// The phone a size larger where she handles it in front of her, so the gesture reads at a glance.
void heldPhone(QPainter& p, QPointF c, double angle, bool lit) {
    p.save();
    p.translate(c);
    p.scale(1.35, 1.35);
    props::phone(p, QPointF(0, 0), angle, lit);
    p.restore();
}

// The pocket on her apron's right, over the lower half of a phone going in or coming out.
void apronPocket(QPainter& p, QRectF r) {
    QPainterPath pocket;
    pocket.addRoundedRect(r, 2.5, 2.5);
    part(p, pocket, palette::white, palette::whiteShade, 1.8, 1.5);
    p.setPen(QPen(palette::whiteShade.darker(115), 1.0, Qt::DashLine));
    p.drawLine(QPointF(r.left() + 2, r.top() + 2.5), QPointF(r.right() - 2, r.top() + 2.5));
}

Figure phoneFrame(int k) {
    Figure f = armsDown();
    switch (k) {
    case 0: // drawing it from the apron pocket by its top, eyes on it, an antenna pricked up
        f.eyes = Eyes::Down;
        f.prickRight = 8.5;
        f.look = 0.3;
        f.right.reach = QPointF(103, 111);
        f.right.hand = Hand::Grip;
        f.front.push_back([](QPainter& p, const Skeleton&) {
            heldPhone(p, QPointF(97, 121), 14, false);
            apronPocket(p, QRectF(84, 123, 22, 15));
        });
        break;
    case 1: // lifting it to her chest
        f.eyes = Eyes::Down;
        f.look = 0.2;
        f.right.reach = QPointF(96, 108);
        f.right.hand = Hand::Grip;
        f.front.push_back([](QPainter& p, const Skeleton&) { heldPhone(p, QPointF(97, 96), 8, true); });
        break;
    case 2: // dialling with the other hand
        f.eyes = Eyes::Down;
        f.look = 0.1;
        f.right.reach = QPointF(90, 106);
        f.right.hand = Hand::Grip;
        f.left.reach = QPointF(80, 104);
        f.front.push_back([](QPainter& p, const Skeleton&) { heldPhone(p, QPointF(88, 94), -4, true); });
        break;
    case 3: // at the ear
    case 4: // connected
        f.look = 0.4;
        f.headTilt = 5;
        f.right.reach = QPointF(118, 88);
        f.right.hand = Hand::Grip;
        f.front.push_back([k](QPainter& p, const Skeleton&) {
            props::phone(p, QPointF(118, 78), -18, true);
            if (k == 4) {
                props::signalArcs(p, QPointF(122, 58), -70, 3, 6);
                props::sparkle(p, QPointF(100, 17), 4.5, palette::cyan);
            }
        });
        break;
    }
    return f;
}

// Background pixels kept inside her, one run (left, right exclusive) a line from `top` down.
std::vector<QPoint> gap(int top, std::initializer_list<std::pair<int, int>> runs) {
    std::vector<QPoint> out;
    int y = top;
    for (const auto& [left, right] : runs) {
        for (int x = left; x < right; ++x)
            out.emplace_back(x, y);
        ++y;
    }
    return out;
}

// The pixels of the rectangle left, top, right, bottom (exclusive).
std::vector<QPoint> block(int left, int top, int right, int bottom) {
    std::vector<QPoint> out;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            out.emplace_back(x, y);
    return out;
}

std::vector<QPoint> joined(std::initializer_list<std::vector<QPoint>> parts) {
    std::vector<QPoint> out;
    for (const std::vector<QPoint>& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// What each dial-up frame's outline keeps: its box, the tufts on its top line, the floor shadow
// (or the sole) it ends on, the pixels of hair that show the background, and its sparkles.
PoseFit phoneFit(int k) {
    switch (k) {
    case 0: {
        PoseFit fit{28, 20, 137, {{43, 54}}, {{168, {45, 123}}}, {}, {{45, 28}, {40, 47}}, {}, 2};
        fit.topLines = {{{{38, 58}, {68, 86}, {87, 88}}}};
        // The tip of her ear unit's antenna stands out left of the hair on line 27.
        fit.lines = {{27, {{29, 32}, {33, 34}, {38, 110}}}, {28, {{29, 45}, {46, 110}}}};
        // Under that wisp her hair is swept in at its side and fuller on the right, round to the
        // pricked antenna's bead.
        const std::pair<int, int> hair[] = {{35, 111}, {37, 112}, {39, 114}, {40, 116}, {40, 116},
                                            {38, 116}, {36, 116}, {34, 116}, {32, 116}, {30, 116}};
        for (int y = 29; y <= 38; ++y) {
            PoseFit::Given line{y, {{hair[y - 29].first, hair[y - 29].second}}, true};
            if (y == 32)
                line.runs.push_back({133, 137});
            if (y == 33)
                line.runs.push_back({131, 137});
            fit.lines.push_back(line);
        }
        return fit;
    }
    case 1: {
        PoseFit fit{29, 19, 138, {{46, 54}}, {{161, {44, 122}}}, {}, {{46, 27}, {47, 27}, {125, 48}}, {}, 4};
        // Her fingertips round the phone's top: line 48 holds four runs.
        fit.lines = {{48, {{34, 119}, {120, 125}, {126, 127}, {128, 130}}}, {49, {{34, 130}}}};
        return fit;
    }
    case 2:
        // A parting in her fringe, where she looks down at the phone.
        return {28,
                18,
                133,
                {{42, 53}, {55, 57}},
                {{169, {45, 122}}},
                {},
                gap(24, {{50, 52}, {48, 54}, {46, 54}, {43, 55}, {44, 52}, {44, 47}, {45, 46}})};
    case 3:
        return {26, 16, 134, {{51, 54}, {71, 88}}, {{161, {45, 123}}}};
    case 4:
        return {27, 13, 134, {{42, 54}}, {{167, {45, 122}}}, {}, {}, {}, 6};
    // The hang-up: the band of light around her and the background it closes in on either side.
    case 5: {
        PoseFit fit{27,
                    17,
                    137,
                    {{40, 54}, {77, 80}},
                    {{169, {88, 115}}},
                    {{135, 60}},
                    gap(23, {{50, 55}, {47, 55}, {45, 54}, {44, 52}, {45, 48}}), // the parting
                    {QRect(37, 118, 36, 43), QRect(96, 117, 37, 43)},
                    14};
        fit.topLines = {{{{37, 59}, {79, 88}}}};
        return fit;
    }
    case 6: {
        PoseFit fit{18,
                    16,
                    140,
                    {{39, 52}},
                    {{169, {99, 100}}},
                    {{130, 134}},
                    {},
                    {QRect(24, 119, 48, 40), QRect(94, 120, 41, 39)}};
        // Her hair falls straight beside her cheeks, ten lines down to her jaw.
        for (int y = 80; y <= 91; ++y)
            fit.lines.push_back({y, {y < 82 ? Span{44, 124} : Span{45, 123}}});
        return fit;
    }
    default:
        // The parting, the gap between her fingers and the phone, the loop of its strap.
        return {27,
                16,
                134,
                {{43, 52}},
                {{169, {79, 119}}},
                {},
                joined({gap(22, {{49, 54}, {46, 54}, {44, 54}, {43, 53}, {42, 51}, {43, 48}, {44, 46}}),
                        gap(124, {{102, 104}}), block(101, 125, 105, 132), gap(132, {{102, 104}}),
                        block(115, 97, 117, 107)}),
                {QRect(35, 117, 35, 42), QRect(93, 119, 37, 43)},
                8};
    }
}

Figure disconnectFrame(int k) {
    Figure f = armsDown();
    const QRectF ring = k == 0   ? QRectF(34.5, 117, 100.4, 50)
                        : k == 1 ? QRectF(21.5, 112, 116, 52)
                                 : QRectF(32.5, 114, 99, 48);
    // The ring draws her skirt in as it closes round her.
    f.skirtWidth = k == 1 ? 0.88 : 0.8;
    f.offset = QPointF(k == 0 ? 3 : k == 1 ? 4 : 2, 0);
    // Closing in, it runs straight at its sides and tilts; the first frame's band is the finest.
    const props::RingSides sides = k == 0   ? props::RingSides{9, 6.5, 4.25, 3}
                                   : k == 2 ? props::RingSides{4, 4, 0}
                                            : props::RingSides{};
    const double band = k == 0 ? 2.6 : 3.0;
    f.behind.push_back(
        [ring, sides, band](QPainter& p, const Skeleton&) { props::ringBack(p, ring, band, sides); });
    f.front.push_back(
        [ring, sides, band](QPainter& p, const Skeleton&) { props::ringFront(p, ring, band, sides); });
    switch (k) {
    case 0:
        f.look = 0.3;
        f.right.reach = QPointF(108, 98);
        f.right.hand = Hand::Grip;
        f.front.push_back([](QPainter& p, const Skeleton&) { props::phone(p, QPointF(108, 89), -8, true); });
        break;
    case 1: // down from the ear, pressing the end key
        f.eyes = Eyes::Down;
        f.right.reach = QPointF(94, 110);
        f.right.hand = Hand::Grip;
        f.left.reach = QPointF(84, 106);
        f.front.push_back([](QPainter& p, const Skeleton&) { heldPhone(p, QPointF(92, 98), 0, false); });
        break;
    case 2: // slipping it back into the apron pocket, done
        f.eyes = Eyes::Closed;
        f.mouth = Mouth::Small;
        f.right.reach = QPointF(96, 130);
        f.right.hand = Hand::Grip;
        f.front.push_back([](QPainter& p, const Skeleton&) {
            heldPhone(p, QPointF(99, 124), 20, false);
            apronPocket(p, QRectF(86, 127, 22, 14));
            // The strap, its loop swinging from the antenna as it goes in.
            QPainterPath strap;
            strap.moveTo(111, 105);
            strap.lineTo(115.5, 107.5);
            tube(p, strap, 1.4, palette::cyan);
        });
        break;
    }
    return f;
}

// --- Dance: frames 0 to 4; frames 5 to 8 are 1 to 4 mirrored ------------------------------------

Figure danceFrame(int k) {
    Figure f = armsDown();
    f.mouth = Mouth::Small;
    switch (k) {
    case 0: // a step, one hand on the hip, the other thrown up
        f.left.reach = QPointF(63, 127);
        f.right.reach = QPointF(116, 86);
        f.legRight.angle = 8;
        f.front.push_back([](QPainter& p, const Skeleton&) { props::note(p, QPointF(118, 28), 12, false); });
        break;
    case 1: // swaying to the left, both hands that way
        f.offset = QPointF(5, 0);
        f.lean = -4;
        f.headTilt = -4;
        f.look = -0.5;
        f.left.reach = QPointF(42, 94);
        f.right.reach = QPointF(72, 114);
        f.legRight.lift = 4;
        f.legRight.angle = 6;
        f.front.push_back([](QPainter& p, const Skeleton&) {
            props::note(p, QPointF(40, 30), -10, true);
            props::sparkle(p, QPointF(125.5, 35), 5.5, palette::amber);
        });
        break;
    case 2: // further over, one hand high
        f.offset = QPointF(10, 0);
        f.lean = -8;
        f.headTilt = -5;
        f.look = -0.6;
        f.left.reach = QPointF(44, 80);
        f.right.reach = QPointF(98, 127);
        f.legLeft.angle = 10;
        f.front.push_back([](QPainter& p, const Skeleton&) { props::note(p, QPointF(34, 36), -14, false); });
        break;
    case 3: // both hands up
        f.lean = -3;
        f.headTilt = 3;
        f.eyes = Eyes::Closed;
        f.left.reach = QPointF(46, 82);
        f.right.reach = QPointF(114, 82);
        f.legLeft.lift = 5;
        f.legLeft.angle = 8;
        f.front.push_back([](QPainter& p, const Skeleton&) { props::note(p, QPointF(126, 26), 10, true); });
        break;
    case 4: // the turn's end: a kick and a hand up
        f.lean = 5;
        f.headTilt = 6;
        f.look = 0.5;
        f.left.reach = QPointF(40, 100);
        f.right.reach = QPointF(116, 78);
        f.legRight.angle = 22;
        f.legRight.lift = 6;
        f.behind.push_back([](QPainter& p, const Skeleton&) { speaker(p, 44, 58); });
        f.front.push_back([](QPainter& p, const Skeleton&) { props::note(p, QPointF(112, 24), 16, false); });
        break;
    }
    return f;
}

Rendered mirrored(const Rendered& r) {
    return {r.picture.mirrored(true, false), r.mask.mirrored(true, false)};
}

// --- The busy scene: at her desk, on a patterned wall -----------------------------------------------

QImage scenePattern() {
    const QRgb colours[4] = {0xFF2B59C3u, 0xFF2E86C1u, 0xFF1F9E9Eu, 0xFF2BB3A8u};
    QImage image(kPose, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, colours[((x + y) / 3 + (x - y + 300) / 9) % 4]);
    return image;
}

Figure atDesk() {
    Figure f = armsDown();
    f.offset = QPointF(-14, 0);
    f.eyes = Eyes::Down;
    f.look = 0.6;
    f.headTilt = 3;
    f.light = Light::Amber;
    f.left.reach = QPointF(54, 118);
    f.right.reach = QPointF(78, 118);
    f.left.hand = f.right.hand = Hand::Grip;
    f.front.push_back([](QPainter& p, const Skeleton&) {
        const QColor wood(0xD9, 0xB3, 0x8C), woodShade(0xB8, 0x89, 0x5E);
        QPainterPath monitorStand;
        monitorStand.addRect(QRectF(110, 104, 10, 16));
        part(p, monitorStand, palette::metal, palette::metalShade);
        QPainterPath monitor;
        monitor.addRoundedRect(QRectF(97, 60, 36, 46), 4, 4);
        part(p, monitor, QColor(0xE8, 0xE4, 0xF0), QColor(0xC4, 0xBF, 0xD6), 2.0, 3.0);
        p.setPen(QPen(palette::outline, 1.5));
        p.setBrush(QColor(0x13, 0x3A, 0x4A));
        p.drawRect(QRectF(101, 64, 28, 30));
        p.setPen(Qt::NoPen);
        p.setBrush(palette::cyan);
        for (int i = 0; i < 5; ++i)
            p.drawRect(QRectF(104, 68 + i * 5, 8 + (i * 7) % 15, 2));
        p.setBrush(palette::amber);
        p.drawEllipse(QPointF(126, 100), 1.6, 1.6);
        QPainterPath desk;
        desk.addRect(QRectF(32, 126, 98, 44));
        part(p, desk, woodShade, woodShade.darker(115), 2.0, 3.0);
        QPainterPath top;
        top.addRoundedRect(QRectF(27, 118, 108, 9), 2, 2);
        part(p, top, wood, woodShade, 2.0, 2.5);
        p.setPen(QPen(palette::outline, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(42, 134, 78, 14));
        p.setBrush(palette::metal);
        p.drawEllipse(QPointF(81, 141), 2.2, 2.2);
        QPainterPath keyboard;
        keyboard.addRoundedRect(QRectF(42, 113, 46, 7), 2, 2);
        part(p, keyboard, QColor(0x4A, 0x4E, 0x70), QColor(0x38, 0x3B, 0x58), 1.8, 1.5);
        p.setPen(Qt::NoPen);
        p.setBrush(palette::white);
        for (int i = 0; i < 10; ++i)
            p.drawRect(QRectF(45 + i * 4, 115, 2.4, 1.6));
    });
    return f;
}

// Marks that only the busy outlines have: the wall shows through them as signal strokes. They are
// laid pixel by pixel, so the outline's top lines are exactly these blips and sparks.
void busyMarks(QPainter& p) {
    auto px = [&p](int left, int top, int right, int bottom) {
        p.fillRect(QRect(left, top, right - left, bottom - top), Qt::white);
    };
    // Two blips over her head: the left one rides on her hair.
    px(34, 18, 43, 19);
    px(33, 19, 44, 20);
    px(129, 18, 133, 19);
    px(126, 19, 135, 20);
    px(127, 20, 134, 21);
    px(129, 21, 133, 22);
    // ... and the right one is the monitor's signal, a zigzag line down to its top edge.
    for (int y = 22; y < 62; ++y) {
        const int x = 129 + ((y / 2) % 2);
        px(x, y, x + 2, y + 1);
    }
    // Three dashes off the monitor's edge, each a step up to the right.
    for (int i = 0; i < 3; ++i) {
        const int y = 71 + i * 9;
        px(132, y + 1, 137, y + 3);
        px(136, y, 140, y + 2);
    }
}

// The busy animation's second frame: zigzag sparks rise from her head to the blips' lines and above.
void busySparks(QPainter& p) {
    busyMarks(p);
    auto px = [&p](int left, int top, int right, int bottom) {
        p.fillRect(QRect(left, top, right - left, bottom - top), Qt::white);
    };
    // Each spark: a tip three pixels wide, forked on the line below and joined again under it, then
    // a zigzag two pixels wide that swings a pixel a line down to her hair.
    const int sparks[][2] = {{63, 4}, {73, 6}, {44, 8}, {82, 9}, {54, 10}};
    for (const auto& [x0, top] : sparks) {
        px(x0 - 1, top, x0 + 2, top + 1);
        px(x0 - 2, top + 1, x0, top + 2);
        px(x0 + 2, top + 1, x0 + 3, top + 2);
        px(x0 - 2, top + 2, x0 + 3, top + 3);
        for (int y = top + 3; y < 23; ++y) {
            const int phase = (y - top - 3) % 6;
            const int x = x0 - 2 + (phase < 3 ? phase : 6 - phase);
            px(x, y, x + 2, y + 1);
        }
    }
}

constexpr double kMarkTilt = 14; // degrees

// Three Z marks rising to the upper right of her sleeping head, each tilted back; the tip of the
// last one's top bar is laid pixel by pixel, so the outline's first lines are exactly its runs.
void sleepMarks(QPainter& p) {
    struct Mark {
        QPointF centre;
        double size, stroke;
    };
    const Mark marks[] = {{{25, 36.5}, 16, 4.0}, {{51, 34}, 14, 3.8}, {{78.5, 31.5}, 12, 3.5}};
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (const Mark& m : marks) {
        p.save();
        p.translate(m.centre);
        p.rotate(-kMarkTilt);
        p.drawPath(props::zPath(QPointF(0, 0), m.size, m.stroke));
        p.restore();
    }
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillRect(QRect(0, 0, 170, 26), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    for (int i = 0; i < 3; ++i)
        p.fillRect(QRect(82 - i, 23 + i, 3 + 2 * i, 1), Qt::white);
}

// --- Balloons: the outline rows are the design; the picture fills them exactly --------------------

Rendered balloon(RegionTable table) {
    const QSize size(balloon_tables::kWidth, balloon_tables::kHeight);
    QImage inside(size, QImage::Format_Grayscale8);
    inside.fill(0);
    for (const RectRow& r : table)
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                inside.scanLine(y)[x] = 255;
    auto in = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < size.width() && y < size.height() && inside.constScanLine(y)[x];
    };
    QImage picture = solid(size, kBlue);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            if (!in(x, y))
                continue;
            // Two pixels of outline all round and a soft inner border, both in the rows' two-pixel
            // steps, so the text area stays plain white.
            int nearest = 99;
            for (int dy = -4; dy <= 4; ++dy)
                for (int dx = -4; dx <= 4; ++dx)
                    if (dx * dx + dy * dy <= 16 && !in(x + dx, y + dy))
                        nearest = std::min(nearest, dx * dx + dy * dy);
            const QColor colour = nearest <= 4    ? palette::outline
                                  : nearest <= 16 ? palette::whiteShade
                                                  : palette::white;
            picture.setPixel(x, y, colour.rgb());
        }
    return {picture, inside};
}

// --- Overlays on the sign board, the digits, the tray icon ------------------------------------------

Rendered plain(QSize size, const Drawing& drawing) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(palette::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawing(p);
    p.end();
    QImage mask(size, QImage::Format_Grayscale8);
    mask.fill(255);
    return {image, mask};
}

// The battery sits in the board's upper half: the window writes the charge in per cent below it.
QPainterPath batteryBody() {
    QPainterPath body;
    body.addRoundedRect(QRectF(8, 5, 44, 22), 3.5, 3.5);
    return body;
}

void batteryNub(QPainter& p) {
    QPainterPath nub;
    nub.addRoundedRect(QRectF(52, 11, 5, 10), 1.5, 1.5);
    part(p, nub, palette::metal, palette::metalShade, 1.8, 0);
}

Rendered gauge(int item) {
    return plain({66, 50}, [item](QPainter& p) {
        const int bars = 11 - item; // item 1 is a full battery, item 10 an empty one
        const QColor colour = bars >= 5 ? palette::cyan : bars >= 3 ? palette::amber : palette::red;
        part(p, batteryBody(), palette::white, palette::whiteShade, 2.2, 0);
        batteryNub(p);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 10; ++i) {
            p.setBrush(i < bars ? colour : palette::whiteShade);
            p.drawRect(QRectF(11 + i * 3.9, 8, 2.9, 16));
        }
    });
}

Rendered bootSign() {
    return plain({66, 50}, [](QPainter& p) {
        p.setPen(QPen(palette::cyan, 3.2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(21, 9, 24, 24), 120 * 16, 300 * 16);
        p.drawLine(QPointF(33, 7), QPointF(33, 20));
        p.setPen(Qt::NoPen);
        p.setBrush(palette::dress);
        for (int i = 0; i < 3; ++i)
            p.drawEllipse(QPointF(27 + i * 6, 40), 1.8, 1.8);
    });
}

Rendered chargeSign() {
    return plain({66, 50}, [](QPainter& p) {
        part(p, batteryBody(), palette::white, palette::whiteShade, 2.2, 0);
        batteryNub(p);
        props::lightning(p, QPointF(30, 16), 18);
    });
}

Rendered mailSign() {
    return plain({66, 50}, [](QPainter& p) {
        // The two digits are laid over the left part (10,23 and 24,23 in the window): keep it plain.
        p.setPen(QPen(palette::cyan, 2.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(2, 25), QPointF(27, 25));
        QPainterPath envelope;
        envelope.addRoundedRect(QRectF(33, 9, 28, 20), 2, 2);
        part(p, envelope, palette::white, palette::whiteShade, 2.0, 0);
        QPainterPath flap;
        flap.moveTo(34, 10);
        flap.lineTo(47, 21);
        flap.lineTo(60, 10);
        p.setPen(QPen(palette::outline, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(palette::cyan);
        p.drawPath(flap);
        p.setPen(QPen(palette::outline, 1.2));
        p.setBrush(palette::red);
        p.drawEllipse(QPointF(60, 9), 3.2, 3.2);
        p.setPen(Qt::NoPen);
        p.setBrush(palette::dress);
        for (int i = 0; i < 4; ++i)
            p.drawRoundedRect(QRectF(34 + i * 7, 36, 5, 4), 1, 1);
    });
}

// Seven strokes, as on a small display; segments a to g.
Rendered digit(int value, bool faint) {
    static const char* const segments[10] = {"abcdef", "bc",     "abged", "abgcd",   "fgbc",
                                             "afgcd",  "afgedc", "abc",   "abcdefg", "abcdfg"};
    return plain({15, 13}, [value, faint](QPainter& p) {
        const double l = 4.2, r = 10.8, t = 1.8, m = 6.5, b = 11.2;
        p.setPen(QPen(faint ? palette::hair : palette::dress, 2.1, Qt::SolidLine, Qt::RoundCap));
        for (const char* s = segments[value]; *s; ++s) {
            switch (*s) {
            case 'a':
                p.drawLine(QPointF(l, t), QPointF(r, t));
                break;
            case 'b':
                p.drawLine(QPointF(r, t), QPointF(r, m));
                break;
            case 'c':
                p.drawLine(QPointF(r, m), QPointF(r, b));
                break;
            case 'd':
                p.drawLine(QPointF(l, b), QPointF(r, b));
                break;
            case 'e':
                p.drawLine(QPointF(l, m), QPointF(l, b));
                break;
            case 'f':
                p.drawLine(QPointF(l, t), QPointF(l, m));
                break;
            case 'g':
                p.drawLine(QPointF(l, m), QPointF(r, m));
                break;
            }
        }
    });
}

Rendered trayIcon() {
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    drawPortrait(p, QPointF(16, 16.5), 0.34, 1.3);
    p.end();
    const QImage mask =
        image.convertToFormat(QImage::Format_Alpha8).convertToFormat(QImage::Format_Grayscale8);
    return {image.convertToFormat(QImage::Format_ARGB32), mask};
}

// --- Melting: a dropped archive melts in her hands ------------------------------------------------
//
// She holds the block of ice up (20), brings it to her mouth (21), closes her eyes over it (22),
// lets her arms down while it runs off into a puddle (17), and holds up the yellow sheet of what
// came out of it (18). Each frame keeps to its outline's planned box: she stands inside it, the
// splash is cut to its sides, the block's or the hair tuft's top edge makes the first row, the puddle's flat
// edge the last one, and the splash of the puddle reaches the box's sides. A chip in the ice (20) and the gap
// between her hands and her hair (22) are holes of the outline.
struct MeltPlan {
    QRect box;               // the outline's box
    QRect topRun;            // the run of the box's top line
    int lastLeft, lastRight; // the run of line 169
    int splashTop;           // where the puddle's splash spreads to the box's sides
    std::vector<QRect> hole; // runs of the hole, one per line
};

const QColor kIce{0xB8, 0xEC, 0xFA}, kIceShade{0x7C, 0xD0, 0xEA}, kSheet{0xF6, 0xE0, 0x5A},
    kSheetShade{0xD9, 0xBC, 0x2E};

MeltPlan meltPlan(int picture) {
    switch (picture) {
    case 20:
        return {QRect(QPoint(28, 20), QPoint(130, 169)),
                QRect(37, 20, 16, 1),
                45,
                122,
                150,
                {QRect(42, 26, 2, 1), QRect(43, 27, 5, 1), QRect(43, 28, 7, 1), QRect(44, 29, 6, 2),
                 QRect(45, 31, 5, 1)}};
    case 21:
        return {QRect(QPoint(27, 19), QPoint(131, 169)), QRect(46, 19, 7, 1), 44, 120, 156, {}};
    case 22:
        return {QRect(QPoint(27, 24), QPoint(128, 169)),   QRect(40, 24, 15, 1), 44, 119, 150,
                {QRect(43, 31, 2, 1), QRect(43, 32, 6, 3)}};
    case 17:
        return {QRect(QPoint(28, 19), QPoint(132, 169)), QRect(40, 19, 13, 1), 43, 120, 140, {}};
    default: // 18
        return {QRect(QPoint(29, 18), QPoint(134, 169)), QRect(41, 18, 15, 1), 46, 120, 150, {}};
    }
}

Figure meltFigure(int picture) {
    Figure f = armsDown();
    f.offset = QPointF(-7, 0);
    f.lean = -8;
    switch (picture) {
    case 20: // the block held up at the upper left, her right antenna pricked up in surprise
        // Far enough right that only the box's left side stops her (it stands her clear of it).
        f.offset = QPointF(15, 0);
        f.prickRight = 3;
        f.raiseRight = 5;
        f.look = -0.4;
        f.mouth = Mouth::O;
        f.left.reach = QPointF(38, 48);
        f.left.hand = f.right.hand = Hand::Grip;
        f.right.reach = QPointF(62, 50);
        break;
    case 21: // the block at her open mouth
        f.mouth = Mouth::Open;
        f.left.reach = QPointF(50, 84);
        f.right.reach = QPointF(72, 90);
        f.left.hand = f.right.hand = Hand::Grip;
        f.front.push_back([](QPainter& p, const Skeleton& s) {
            const QPainterPath block = [&] {
                QPainterPath b;
                b.addRoundedRect(QRectF(s.headCentre.x() - 14, s.headCentre.y() + 13, 22, 14), 2, 2);
                return b;
            }();
            part(p, block, kIce, kIceShade, 2.0, 2.0);
        });
        break;
    case 22: // eyes closed, her hands at her mouth
        f.eyes = Eyes::Closed;
        f.mouth = Mouth::Small;
        f.blush = true;
        f.headDrop = 9;
        f.left.reach = QPointF(56, 88);
        f.right.reach = QPointF(68, 90);
        break;
    case 17: // arms down, the ice run off
        f.eyes = Eyes::Down;
        f.light = Light::Amber;
        break;
    default: // 18: the yellow sheet held up
        f.mouth = Mouth::Small;
        f.look = -0.2;
        f.left.reach = QPointF(44, 46);
        f.right.reach = QPointF(64, 50);
        f.left.hand = f.right.hand = Hand::Grip;
        break;
    }
    return f;
}

// Closes the small gaps the pose leaves between arms and body (enclosed background that is not the
// planned hole) with the outline's colour, as an inked drawing would.
void closeGaps(Rendered& r, const std::vector<QRect>& hole) {
    const int w = r.mask.width(), h = r.mask.height();
    std::vector<char> outside(size_t(w) * h, 0);
    std::vector<QPoint> stack;
    for (int x = 0; x < w; ++x)
        stack.insert(stack.end(), {QPoint(x, 0), QPoint(x, h - 1)});
    for (int y = 0; y < h; ++y)
        stack.insert(stack.end(), {QPoint(0, y), QPoint(w - 1, y)});
    while (!stack.empty()) {
        const QPoint pt = stack.back();
        stack.pop_back();
        if (pt.x() < 0 || pt.y() < 0 || pt.x() >= w || pt.y() >= h)
            continue;
        char& seen = outside[size_t(pt.y()) * w + pt.x()];
        if (seen || qGray(r.mask.pixel(pt)) != 0)
            continue;
        seen = 1;
        stack.insert(stack.end(),
                     {pt + QPoint(1, 0), pt - QPoint(1, 0), pt + QPoint(0, 1), pt - QPoint(0, 1)});
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool planned =
                std::any_of(hole.begin(), hole.end(), [&](const QRect& run) { return run.contains(x, y); });
            if (!outside[size_t(y) * w + x] && qGray(r.mask.pixel(x, y)) == 0 && !planned) {
                r.mask.setPixel(x, y, qRgb(255, 255, 255));
                r.picture.setPixel(x, y, palette::outline.rgb());
            }
        }
}

// Stands her inside the frame's box, her ear units and hair with their contour a pixel clear of its
// sides and under its top line: the box never cuts her.
Figure placedInside(Figure f, const QRect& box) {
    for (int pass = 0; pass < 3; ++pass) {
        const QImage mask = onBlack(f).mask;
        int left = mask.width(), right = -1, top = mask.height();
        for (int y = 0; y < mask.height(); ++y)
            for (int x = 0; x < mask.width(); ++x)
                if (mask.constScanLine(y)[x]) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                }
        const int shift = std::max(0, box.left() + 1 - left) - std::max(0, right - (box.right() - 1));
        const int sink = std::max(0, box.top() + 1 - top);
        if (shift == 0 && sink == 0)
            break;
        f.offset.rx() += shift;
        f.headDrop += sink;
    }
    return f;
}

// The tuft on the top line is her hair: it grows down, a pixel wider each side every other line and
// leaning in toward her crown, until every column of it meets her head (the planned hole left open).
void growTuft(Rendered& r, const QRect& run, const QRect& box, const std::vector<QRect>& hole) {
    const int w = r.mask.width(), crown = box.center().x();
    auto in = [&](int x, int y) { return qGray(r.mask.pixel(x, y)) != 0; };
    std::vector<char> met(w, 0);
    for (int y = run.top() + 1, a = run.left(), b = run.right() + 1, n = 1; y < run.top() + 40; ++y, ++n) {
        if (n % 2 == 1)
            --a, ++b;
        // ... leaning a pixel a line in toward her crown, but round a hole it keeps.
        if (hole.empty() && n > 1 && (a + b) / 2 < crown - 1)
            ++a, ++b;
        bool all = true;
        for (int x = std::max(box.left(), a); x < std::min({w, b, box.right() + 1}); ++x) {
            if (met[x])
                continue;
            if (in(x, y)) {
                met[x] = 1;
                continue;
            }
            all = false;
            if (std::any_of(hole.begin(), hole.end(), [&](const QRect& h) { return h.contains(x, y); }))
                continue;
            r.mask.setPixel(x, y, qRgb(255, 255, 255));
            r.picture.setPixel(x, y, (x == a || x == b - 1 ? palette::outline : palette::hair).rgb());
        }
        if (all)
            return;
    }
}

Rendered meltFrame(int picture) {
    const MeltPlan plan = meltPlan(picture);
    const Figure f = placedInside(meltFigure(picture), plan.box);
    Rendered out = render(
        [plan, f, picture](QPainter& p) {
            // The box cuts only the splash, which spreads to its sides: she stands inside it.
            p.setClipRect(plan.box);
            const int left = plan.box.left(), right = plan.box.right() + 1;
            // The puddle: a splash that spreads past both sides (the clip makes them the box's), over
            // a flat pool whose bottom edge is the last line's run.
            QPainterPath splash;
            splash.addEllipse(QRectF(left - 1.5, plan.splashTop, right - left + 3,
                                     (picture == 17 ? 159 : 166) - plan.splashTop));
            // Drops thrown up where the water lands.
            splash.setFillRule(Qt::WindingFill);
            for (const double x : {left + 14.0, right - 16.0})
                splash.addEllipse(QPointF(x, plan.splashTop + 2.5), 3.2, 4.2);
            QPainterPath pool;
            pool.setFillRule(Qt::WindingFill);
            // The water stands a pixel wider than its bottom line (in 17 ten lines deep), so the
            // bottom line is a run of its own.
            pool.addRect(QRectF(plan.lastLeft, picture == 17 ? 159 : 165, plan.lastRight - plan.lastLeft + 1,
                                picture == 17 ? 10 : 4));
            pool.addRect(QRectF(plan.lastLeft, 169, plan.lastRight - plan.lastLeft, 1));
            p.setPen(Qt::NoPen);
            p.setBrush(kIceShade);
            p.drawPath(splash);
            p.drawPath(pool);
            draw(p, f);
            // The top: the block held up, or a tuft of her hair, its top edge the first run.
            const QRectF top = plan.topRun;
            if (picture == 20) {
                // A block of ice cut like a crystal: its top face widening to line 22, its left
                // side drawn in under it, down to her hands.
                QPainterPath block;
                block.moveTo(top.left(), top.top());
                block.lineTo(top.right() + 1, top.top());
                block.lineTo(top.right() + 8, top.top() + 3);
                block.lineTo(top.right() + 8, top.top() + 44);
                block.lineTo(top.left(), top.top() + 44);
                block.lineTo(top.left(), top.top() + 7);
                block.lineTo(top.left() - 6, top.top() + 3);
                block.closeSubpath();
                QPainterPath face;
                face.moveTo(top.left(), top.top());
                face.lineTo(top.right() + 1, top.top());
                face.lineTo(top.right() + 8, top.top() + 3);
                face.lineTo(top.left() - 6, top.top() + 3);
                face.closeSubpath();
                part(p, block, kIce, kIceShade, 0, 3.0);
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(0xE4, 0xF8, 0xFE));
                p.drawPath(face);
                p.setPen(QPen(palette::outline, 1.5, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
                p.setBrush(Qt::NoBrush);
                p.drawPath(block);
                p.setPen(QPen(kIceShade, 1.0));
                p.drawLine(QPointF(top.left() - 4, top.top() + 3.5),
                           QPointF(top.right() + 6, top.top() + 3.5));
            } else if (picture == 18) {
                QPainterPath block;
                block.setFillRule(Qt::WindingFill);
                const double height = 44; // down to her hands
                block.addRect(QRectF(top.left(), top.top(), top.width(), height));
                if (picture == 20) // a bevelled edge under the top face
                    block.addRect(QRectF(top.left() - 1, top.top() + 1, top.width() + 2, 2));
                if (picture == 18) { // the sheet unrolls downward, wider under its rolled top
                    block.addRect(QRectF(top.left() - 3, top.top() + 1, top.width() + 7, 1));
                    block.addRect(QRectF(top.left() - 6, top.top() + 2, top.width() + 13, 1));
                    block.addRect(QRectF(top.left() - 7, top.top() + 3, top.width() + 14, height - 3));
                }
                p.setPen(Qt::NoPen);
                p.setBrush(picture == 20 ? kIce : kSheet);
                p.drawPath(block);
                p.setPen(QPen(palette::outline, 1.5));
                p.setBrush(Qt::NoBrush);
                p.drawRect(QRectF(top.left() + 0.75, top.top() + 0.75, top.width() - 1.5, height - 1.5));
                if (picture == 18) {
                    p.setPen(QPen(kSheetShade, 1.2));
                    for (int i = 0; i < 7; ++i)
                        p.drawLine(QPointF(top.left() + 3, top.top() + 6 + i * 5),
                                   QPointF(top.right() - 3, top.top() + 6 + i * 5));
                }
            } else {
                // The tuft's tip; it grows down to her hair afterwards.
                p.fillRect(plan.topRun, palette::hair);
            }
            // The holes: the chip in the ice, the gap under her hands.
            p.setCompositionMode(QPainter::CompositionMode_Clear);
            for (const QRect& run : plan.hole)
                p.fillRect(run, Qt::transparent);
        },
        solid(kPose, 0xFF000000u));
    if (picture != 20 && picture != 18)
        growTuft(out, plan.topRun, plan.box, plan.hole);
    closeGaps(out, plan.hole);
    if (picture == 18) {
        // The sheet's lower corner stands clear of her hair by a pixel.
        out.mask.setPixel(63, 20, 0);
        out.picture.setPixel(63, 20, 0xFF000000u);
    }
    // No run repeats on more lines than the frame's tallest row (the pool's lines are its own).
    const int tallest = picture == 20 ? 8 : picture == 21 ? 13 : picture == 22 ? 7 : picture == 17 ? 10 : 9;
    limitRepeats(out.picture, out.mask, plan.box.top() + 1, picture == 17 ? 159 : 165, tallest,
                 plan.box.left(), plan.box.right() + 1, 0xFF000000u);
    if (picture == 20) {
        // The lines under the block's top as its outline keeps them: the block's top face and her
        // crown, the chip in the ice beside her hair, her right antenna's bead at the box's side.
        const std::vector<PoseFit::Given> held = {{20, {{37, 53}}},
                                                  {21, {{34, 58}, {76, 97}}},
                                                  {22, {{31, 60}, {69, 100}}},
                                                  {26, {{38, 42}, {44, 111}, {127, 130}}},
                                                  {27, {{37, 43}, {48, 112}, {126, 131}}},
                                                  {28, {{37, 43}}, true}};
        holdLines(out.picture, out.mask, held, plan.box.left(), plan.box.right() + 1, 0xFF000000u);
    }
    thickenThreads(out.picture, out.mask,
                   QRect(QPoint(plan.box.left(), plan.box.top() + 1),
                         QPoint(plan.box.right(), picture == 17 ? 158 : 164)));
    closeContour(out.picture, out.mask);
    return out;
}

// What the outline of each single pose keeps: its box, the runs of its top line and of the lines
// under it, and of line 169. Pictures shown under one outline share its fit.
std::optional<PoseFit> poseFit(const QString& name) {
    using Line = PoseFit::Line;
    struct Entry {
        const char16_t* names[3];
        PoseFit fit;
        std::vector<Line> under = {};
    };
    // The line under a top, as two runs and the rest as drawn.
    static const Entry kFits[] = {
        {{u"gra.Image1(0)", u"gra.Image1(1)"},
         {28, 20, 133, {{42, 55}}, {{169, {45, 122}}}},
         {{{{37, 60}, {74, 96}}, true}}},
        {{u"gra.Image1(2)"},
         {30, 34, 130, {{80, 85}}, {{169, {49, 120}}}, {}, {}, {}, 3},
         {{{{73, 97}}}, {{{69, 100}}, true}}},
        {{u"gra.Image1(3)"},
         {28, 66, 132, {{74, 93}}, {{169, {51, 119}}}, {}, {}, {}, 1},
         {{{{70, 97}}}, {{{66, 100}}, true}}},
        {{u"gra3.Image1(4)"},
         {23, 20, 139, {{39, 55}}, {{169, {45, 123}}}, {}, {}, {}, 1},
         {{{{36, 57}, {73, 90}}, true}}},
        {{u"gra3.Image1(5)"},
         {26, 20, 137, {{39, 52}}, {{169, {44, 122}}}, {}, {}, {}, 1},
         {{{{36, 56}, {73, 96}}, true}}},
        {{u"action.Image1(0)", u"gra.Image1(6)", u"gra.Image1(7)"},
         {4, 5, 134, {{48, 51}}, {{169, {47, 123}}}},
         {{{{43, 52}}}, {{{43, 52}}}, {{{43, 52}}}, {{{43, 52}}}, {{{12, 36}}, true}}},
        {{u"gra3.Image1(8)", u"gra3.Image1(9)"},
         {3, 21, 136, {{42, 44}}, {{169, {48, 79}}}},
         {{{{37, 45}}}, {{{35, 45}}, true}, {{{35, 45}}, true}, {{{35, 45}}, true}}},
        {{u"gra2.Image1(0)"}, {26, 34, 132, {{45, 50}}, {{169, {43, 56}}}}, {{{{41, 54}, {87, 88}}, true}}},
        {{u"gra2.Image1(1)"},
         {33, 40, 142, {{50, 54}}, {{169, {108, 123}}}},
         {{{{44, 58}}}, {{{43, 61}}, true}}},
        {{u"gra2.Image1(2)"},
         {24, 25, 136, {{44, 50}}, {{169, {106, 118}}}},
         {{{{38, 54}}}, {{{34, 57}}, true}}},
        {{u"gra.Image1(14)", u"gra.Image1(13)"},
         {30, 34, 136, {{46, 54}}, {{169, {103, 123}}}},
         {{{{43, 57}}}, {{{41, 60}}, true}}},
        {{u"gra.Image1(16)"},
         {34, 41, 134, {{84, 89}}, {{169, {103, 123}}}},
         {{{{77, 101}}}, {{{73, 104}}, true}}},
        {{u"gra.Image1(12)"}, {28, 20, 133, {{42, 55}}, {{169, {45, 122}}}}, {{{{37, 60}, {74, 96}}, true}}},
        // The dance's drawn frames; frames 5 to 8 mirror 1 to 4 with their fits.
        {{u"gra5.Image1(0)"}, {25, 16, 122, {{39, 53}}, {{169, {58, 118}}}}, {{{{34, 58}, {77, 88}}, true}}},
        {{u"gra5.Image1(1)"}, {25, 14, 131, {{42, 43}, {44, 46}, {48, 49}}, {{169, {54, 79}, {{82, 114}}}}}},
        {{u"gra5.Image1(2)"}, {23, 16, 131, {{42, 50}}, {{169, {41, 114}}}}, {{{{37, 54}, {76, 95}}, true}}},
        {{u"gra5.Image1(3)"},
         {26, 15, 130, {{42, 53}}, {{169, {78, 103}}}, {}, {}, {}, 2},
         {{{{37, 59}, {77, 94}}, true}}},
        {{u"gra5.Image1(4)"},
         {20, 12, 135, {{81, 95}}, {{169, {44, 58}}}},
         {{{{74, 100}}}, {{{68, 104}}, true}}},
        {{u"gra.Image1(10)", u"gra.Image1(11)"},
         {35, 37, 135, {{85, 90}}, {{167, {98, 127}}}, {}, {}, {}, 9, 167},
         {{{{78, 102}}}, {{{74, 105}}, true}}},
    };
    for (const Entry& e : kFits)
        for (const char16_t* n : e.names)
            if (n && name == QStringView(n)) {
                PoseFit fit = e.fit;
                fit.topLines = e.under;
                return fit;
            }
    return std::nullopt;
}

// A pose on black, fitted to its outline where it has a fit.
Rendered posed(const QString& name, Figure f) {
    Rendered r = onBlack(f);
    const std::optional<PoseFit> fit = poseFit(name);
    if (!fit)
        return r;
    // A head that rises above the outline's top sinks to it rather than being cut flat.
    int top = 0;
    while (top < r.mask.height() - 1 &&
           !std::any_of(r.mask.constScanLine(top), r.mask.constScanLine(top) + r.mask.width(),
                        [](uchar v) { return v != 0; }))
        ++top;
    if (top < fit->top && f.bow == 0) {
        f.headDrop += fit->top + 1 - top;
        r = onBlack(f);
    }
    fitPose(r, *fit, solid(kPose, 0xFF000000u));
    return r;
}

std::vector<PictureRow> buildRows() {
    std::vector<PictureRow> rows;
    auto pose = [&](const QString& name, const std::function<Figure()>& figure) {
        rows.push_back({name, kPose, Backdrop::Black, [figure, name] { return posed(name, figure()); }});
    };
    auto blinking = [](const std::function<Figure()>& figure, Eyes eyes) {
        return [figure, eyes] { return with(figure(), [eyes](Figure& f) { f.eyes = eyes; }); };
    };
    pose(u"action.Image1(0)"_s, [] {
        return with(holdingBoard(), [](Figure& f) {
            f.eyes = Eyes::Closed;
            f.light = Light::Amber;
        });
    });
    pose(u"gra.Image1(0)"_s, standing);
    pose(u"gra.Image1(1)"_s, blinking(standing, Eyes::Closed));
    pose(u"gra.Image1(2)"_s, [] { return bowing(0.33); });
    pose(u"gra.Image1(3)"_s, [] { return bowing(1.0); });
    pose(u"gra.Image1(6)"_s, holdingBoard);
    pose(u"gra.Image1(7)"_s, blinking(holdingBoard, Eyes::Closed));
    pose(u"gra.Image1(10)"_s, dozingGesture);
    pose(u"gra.Image1(11)"_s, [] {
        return with(dozingGesture(), [](Figure& f) {
            f.eyes = Eyes::Half;
            f.mouth = Mouth::Line;
        });
    });
    pose(u"gra.Image1(12)"_s, [] {
        return with(standing(), [](Figure& f) {
            f.right.reach = QPointF(104, 88);
            f.right.elbowDown = true;
            f.mouth = Mouth::O;
            f.look = -0.2;
        });
    });
    pose(u"gra.Image1(13)"_s, blinking(drowsy, Eyes::Closed));
    pose(u"gra.Image1(14)"_s, drowsy);
    pose(u"gra.Image1(16)"_s, asleep);
    pose(u"gra2.Image1(0)"_s, mailReady);
    pose(u"gra2.Image1(1)"_s, mailPeering);
    pose(u"gra2.Image1(2)"_s, mailLooking);
    rows.push_back(
        {u"gra2.Image1(5)"_s, kPose, Backdrop::Scene, [] {
             const Figure f = atDesk();
             Rendered r = render([f](QPainter& p) { draw(p, f); }, scenePattern());
             // The desk's front is the block she ends on, a pixel shorter on the floor.
             PoseFit fit{28, 19, 133, {{40, 53}}, {{159, {43, 121}}, {169, {43, 120}}}, {}, {}, {}, 2};
             fit.floorShadow = false; // the desk's front
             fit.topLines = {{{{36, 57}}}, {{{34, 60}}, true}};
             fitPose(r, fit, scenePattern());
             return r;
         }});
    rows.push_back(
        {u"gra2.fuki1"_s, {200, 160}, Backdrop::Blue, [] { return balloon(balloon_tables::kBalloon1); }});
    rows.push_back(
        {u"gra2.fuki2"_s, {200, 160}, Backdrop::Blue, [] { return balloon(balloon_tables::kBalloon2); }});
    rows.push_back(
        {u"gra2.fuki3"_s, {200, 160}, Backdrop::Blue, [] { return balloon(balloon_tables::kBalloon3); }});
    rows.push_back(
        {u"gra2.fuki4"_s, {200, 160}, Backdrop::Blue, [] { return balloon(balloon_tables::kBalloon4); }});
    pose(u"gra3.Image1(4)"_s, plugRaised);
    pose(u"gra3.Image1(5)"_s, plugInHands);
    pose(u"gra3.Image1(8)"_s, lowBattery);
    pose(u"gra3.Image1(9)"_s, blinking(lowBattery, Eyes::Closed));
    for (int i = 1; i <= 9; ++i)
        rows.push_back({QStringLiteral("gra3.ImageList1(%1)").arg(i), {15, 13}, Backdrop::Plain, [i] {
                            return digit(i, false);
                        }});
    rows.push_back({u"gra3.ImageList1(10)"_s, {15, 13}, Backdrop::Plain, [] { return digit(0, false); }});
    rows.push_back({u"gra3.ImageList1(11)"_s, {15, 13}, Backdrop::Plain, [] { return digit(0, true); }});
    for (int i = 1; i <= 10; ++i)
        rows.push_back({QStringLiteral("gra3.ImageList2(%1)").arg(i), {66, 50}, Backdrop::Plain, [i] {
                            return gauge(i);
                        }});
    rows.push_back({u"gra3.ImageList2(11)"_s, {66, 50}, Backdrop::Plain, bootSign});
    rows.push_back({u"gra3.ImageList2(12)"_s, {66, 50}, Backdrop::Plain, chargeSign});
    rows.push_back({u"gra3.ImageList2(13)"_s, {66, 50}, Backdrop::Plain, mailSign});
    for (int k = 0; k <= 4; ++k)
        pose(QStringLiteral("gra5.Image1(%1)").arg(k), [k] { return danceFrame(k); });
    for (int k = 5; k <= 8; ++k)
        rows.push_back({QStringLiteral("gra5.Image1(%1)").arg(k), kPose, Backdrop::Black, [k] {
                            return mirrored(
                                posed(QStringLiteral("gra5.Image1(%1)").arg(k - 4), danceFrame(k - 4)));
                        }});
    for (int p : {20, 21, 22, 17, 18})
        rows.push_back(
            {QStringLiteral("gra4.Image1(%1)").arg(p), kPose, Backdrop::Black, [p] { return meltFrame(p); }});
    for (int k = 0; k <= 4; ++k)
        rows.push_back({QStringLiteral("gra6.Image1(%1)").arg(k), kPose, Backdrop::Black, [k] {
                            Rendered r = onBlack(phoneFrame(k));
                            fitPose(r, phoneFit(k), solid(kPose, 0xFF000000u));
                            return r;
                        }});
    for (int k = 5; k <= 7; ++k)
        rows.push_back({QStringLiteral("gra6.Image1(%1)").arg(k), kPose, Backdrop::Black, [k] {
                            Rendered r = onBlack(disconnectFrame(k - 5));
                            fitPose(r, phoneFit(k), solid(kPose, 0xFF000000u));
                            return r;
                        }});
    for (int dance = 2; dance <= 4; ++dance)
        for (int k = 0; k <= 8; ++k)
            rows.push_back({QStringLiteral("gra%1.Image1(%2)").arg(dance + 5).arg(k), kPose, Backdrop::Blue,
                            [dance, k] { return dancePicture(dance, k); }});
    // Plain pairs, not structured bindings: clang before 16 cannot capture one.
    for (const auto& pair :
         {std::pair{u"gra.lun_img1"_s, Monocle::Open}, {u"gra.lun_img2"_s, Monocle::Closed}})
        rows.push_back({pair.first, kButlerSize, Backdrop::Blue,
                        [monocle = pair.second] { return butlerPicture(monocle); }});
    for (const auto& pair :
         {std::pair{u"gra.palk_img1"_s, ScreenEyes::Open}, {u"gra.palk_img2"_s, ScreenEyes::Closed}})
        rows.push_back(
            {pair.first, kPalkSize, Backdrop::Blue, [eyes = pair.second] { return palkPicture(eyes); }});
    rows.push_back({u"morvik.Picture1"_s, {32, 32}, Backdrop::Plain, trayIcon, true});
    return rows;
}

std::vector<OutlineRow> buildOutlines() {
    // Columns each window shows of its pictures: the character window 150 of 170, a balloon 195 of 200.
    constexpr int character = 150, balloon = 195;
    std::vector<OutlineRow> rows{
        {u"RgnCall.ShapeBalloon1"_s, balloon, {u"gra2.fuki1"_s}, {}, balloon_tables::kBalloon1},
        {u"RgnCall.ShapeBalloon2"_s, balloon, {u"gra2.fuki2"_s}, {}, balloon_tables::kBalloon2},
        {u"RgnCall.ShapeBalloon3"_s, balloon, {u"gra2.fuki3"_s}, {}, balloon_tables::kBalloon3},
        {u"RgnCall.ShapeBalloon4"_s, balloon, {u"gra2.fuki4"_s}, {}, balloon_tables::kBalloon4},
        {u"RgnCall.ShapeStandard"_s, character, {u"gra.Image1(0)"_s, u"gra.Image1(1)"_s}},
        {u"RgnCall.ShapePose01"_s, character, {u"gra.Image1(2)"_s}},
        {u"RgnCall.ShapePose02"_s, character, {u"gra.Image1(3)"_s}},
        {u"RgnCall.ShapePose03"_s, character, {u"gra3.Image1(4)"_s}},
        {u"RgnCall.ShapePose04"_s, character, {u"gra3.Image1(5)"_s}},
        {u"RgnCall.ShapePose05"_s,
         character,
         {u"gra.Image1(6)"_s, u"gra.Image1(7)"_s, u"action.Image1(0)"_s}},
        {u"RgnCall.ShapePose06"_s, character, {u"gra3.Image1(8)"_s, u"gra3.Image1(9)"_s}},
        {u"RgnCall.ShapePose07"_s, character, {u"gra2.Image1(0)"_s}},
        {u"RgnCall.ShapePose08"_s, character, {u"gra2.Image1(1)"_s}},
        {u"RgnCall.ShapePose09"_s, character, {u"gra2.Image1(2)"_s}},
        {u"RgnCall.ShapePose10"_s, character, {u"gra.Image1(14)"_s, u"gra.Image1(13)"_s}},
        {u"RgnCall.ShapePose11"_s, character, {u"gra.Image1(16)"_s}},
        {u"RgnCall.ShapePose12"_s, character, {u"gra.Image1(16)"_s}, sleepMarks},
        {u"RgnCall2.ShapePose13"_s, character, {u"gra.Image1(10)"_s, u"gra.Image1(11)"_s}},
        {u"RgnCall2.ShapePose14"_s, character, {u"gra2.Image1(5)"_s}},
        // The busy frame names the right blip's run of line 19 before her hair's.
        {.builder = u"RgnCall2.ShapePose15"_s,
         .windowWidth = character,
         .pictures = {u"gra2.Image1(5)"_s},
         .extra = busyMarks,
         .order = {{126, 19, 135, 20}}},
        {u"RgnCall2.ShapePose16"_s, character, {u"gra2.Image1(5)"_s}, busySparks},
        {u"RgnCall2.ShapePose17"_s, character, {u"gra.Image1(12)"_s}},
        // The butler's table keeps his arms' run on lines 25 to 31 as three rows, and names the
        // raised hand's row of line 20 first, then the brim's and the card's, and the trousers'
        // row of line 73 before the tails'.
        {.builder = u"RgnCall4.ShapeLauncher"_s,
         .windowWidth = kButlerSize.width(),
         .pictures = {u"gra.lun_img1"_s, u"gra.lun_img2"_s},
         .apart = {{10, 25, 65, 26}, {10, 26, 65, 28}},
         .order = {{63, 20, 68, 21},
                   {12, 20, 62, 21},
                   {5, 20, 11, 21},
                   {21, 73, 50, 74},
                   {14, 73, 18, 74},
                   {54, 73, 58, 74}}},
        // The drone's table keeps the right fin's run on lines 35 and 36 as two rows, and names the
        // lamp's row of line 7 before the bulb's and the right fin's of line 36 before the body's.
        {.builder = u"RgnCall4.ShapePalk"_s,
         .windowWidth = kPalkSize.width(),
         .pictures = {u"gra.palk_img1"_s, u"gra.palk_img2"_s},
         .apart = {{61, 35, 69, 36}, {61, 36, 69, 37}},
         .order = {{23, 7, 44, 8},
                   {9, 7, 19, 8},
                   {1, 36, 9, 39},
                   {13, 36, 15, 37},
                   {61, 36, 69, 37},
                   {16, 36, 57, 37}}},
    };
    for (int k = 0; k <= 7; ++k)
        rows.push_back({QStringLiteral("RgnCall2.ShapePose%1").arg(18 + k),
                        character,
                        {QStringLiteral("gra6.Image1(%1)").arg(k)}});
    // Her first dial-up frame names the ear unit's tip on line 27 after the hair's edge; the
    // hang-up's first frame the phone's top on line 18 before her hair.
    rows[rows.size() - 8].order = {{29, 27, 32, 28}, {38, 27, 110, 28}, {33, 27, 34, 28}};
    rows[rows.size() - 3].order = {{79, 18, 88, 19}, {37, 18, 59, 19}};
    // ... and keeps the ring's right side on lines 141 to 144 as rows of their own.
    rows[rows.size() - 3].apart = {
        {133, 141, 137, 142}, {133, 142, 137, 143}, {133, 143, 137, 144}, {133, 144, 137, 145}};
    // The melting of an archive: each outline is traced from the picture shown under it.
    for (const auto& [k, picture] : {std::pair{1, 20}, {2, 21}, {3, 22}, {4, 17}, {5, 18}})
        rows.push_back({QStringLiteral("gra4.melt%1").arg(k, 2, 10, QLatin1Char('0')),
                        character,
                        {QStringLiteral("gra4.Image1(%1)").arg(picture)}});
    // The first names her crown's line 22 before the block's, and the rows of line 27 one line
    // high before the block's side, two lines high beside them.
    rows[rows.size() - 5].order = {
        {69, 22, 100, 23}, {31, 22, 60, 23}, {48, 27, 112, 28}, {126, 27, 131, 28}, {37, 27, 43, 29}};
    for (int k = 0; k <= 8; ++k)
        rows.push_back({QStringLiteral("RgnCall2.ShapeDance1_%1").arg(k),
                        character,
                        {QStringLiteral("gra5.Image1(%1)").arg(k)}});
    // The mirrored frames name the hair's right run of their second line before the left one.
    rows[rows.size() - 3].order = {{116, 17, 133, 18}, {75, 17, 94, 18}};
    rows[rows.size() - 2].order = {{111, 16, 133, 17}, {76, 16, 93, 17}};
    for (int dance = 2; dance <= 4; ++dance)
        for (int k = 0; k <= 8; ++k) {
            rows.push_back({QStringLiteral("RgnCall3.ShapeDance%1_%2").arg(dance).arg(k),
                            character,
                            {QStringLiteral("gra%1.Image1(%2)").arg(dance + 5).arg(k)}});
            // Where the dances' designs name the rows of a line in an order of their own (the
            // third dance's first frame lists its last line from right to left).
            OutlineRow& row = rows.back();
            if (dance == 2 && k == 0) {
                row.apart = {{77, 166, 90, 167}, {38, 44, 124, 45}};
                row.order = {{69, 17, 95, 18},    {35, 17, 51, 18},   {66, 17, 68, 18},
                             {91, 166, 115, 167}, {77, 166, 90, 167}, {53, 166, 76, 167}};
            }
            if (dance == 3 && k == 0) {
                row.last = {39, 169, 71, 170};
                row.apart = {{35, 42, 113, 43}};
                row.order = {{64, 17, 86, 18},   {29, 17, 47, 18},   {26, 18, 51, 19},  {58, 18, 92, 19},
                             {98, 169, 99, 170}, {81, 169, 90, 170}, {39, 169, 71, 170}};
            }
            if (dance == 3 && k == 1)
                row.order = {{58, 168, 59, 169},
                             {60, 168, 70, 169},
                             {56, 168, 57, 169},
                             {71, 168, 100, 169},
                             {31, 168, 45, 169}};
            if (dance == 4 && k == 0) {
                // Her headband's ends run on unchanged to line 32, where its knot's tail begins.
                row.apart = {{26, 32, 134, 33}};
                row.order = {{37, 12, 52, 13},     {54, 12, 61, 13},   {109, 12, 122, 13},
                             {101, 167, 102, 168}, {44, 167, 79, 168}, {106, 167, 109, 168},
                             {114, 167, 117, 168}, {83, 167, 97, 168}};
            }
            if (dance == 4 && k == 2)
                row.order = {
                    {58, 8, 67, 9}, {39, 8, 54, 9}, {102, 8, 103, 9}, {109, 8, 113, 9}, {115, 8, 116, 9}};
        }
    return rows;
}

} // namespace

const std::vector<PictureRow>& pictureRows() {
    static const std::vector<PictureRow> rows = buildRows();
    return rows;
}

const std::vector<OutlineRow>& outlineRows() {
    static const std::vector<OutlineRow> rows = buildOutlines();
    return rows;
}

QString fileStem(const QString& pictureName) {
    QString stem = pictureName;
    stem.replace(QLatin1Char('('), QLatin1Char('.'));
    stem.remove(QLatin1Char(')'));
    return stem;
}

} // namespace art

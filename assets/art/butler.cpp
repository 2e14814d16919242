#include "butler.h"

#include "figure.h"
#include "parts.h"
#include "pictures.h"

#include <QPainterPath>
#include <utility>
#include <vector>

namespace art {

namespace {

using namespace parts;

// His own colours beside the shared palette: the hat-head's felt and its sheen, the trousers.
const QColor kFelt{0x5A, 0x5F, 0x80}, kFeltShade{0x45, 0x4A, 0x68}, kSheen{0xA0, 0xA8, 0xD0};
const QColor kRibbon{0x27, 0x29, 0x40};
const QColor kTrousers{0x44, 0x47, 0x5E}, kTrousersShade{0x33, 0x35, 0x4A};
const QColor kShoe{0x2C, 0x29, 0x44}, kGold{0xE8, 0xB8, 0x4A};

// The launcher window's outline, line by line (runs left and right, exclusive): the hat's knob
// widening to its brim (lines 0 to 19); on line 20 the card, the brim with his arms and the raised
// hand; his arms out to either side on lines 20 to 31, the card's corner by his left hand and his
// finger pointing right; the coat a run a line, its edge moving a pixel now and then; from line
// 67 the tails either side of his trousers; the shoes, the left one turned far out (86 to 89);
// his heels on the last line.
const std::vector<OutlineLine>& outlineLines() {
    static const std::vector<OutlineLine> lines = {{0, {{43, 45}}},
                                                   {1, {{41, 48}}},
                                                   {2, {{41, 50}}},
                                                   {3, {{39, 52}}},
                                                   {4, {{38, 53}}},
                                                   {5, {{36, 55}}},
                                                   {6, {{34, 56}}},
                                                   {7, {{33, 56}}},
                                                   {8, {{32, 57}}},
                                                   {9, {{31, 57}}},
                                                   {10, {{31, 58}}},
                                                   {11, {{30, 58}}},
                                                   {12, {{30, 58}}},
                                                   {13, {{30, 58}}},
                                                   {14, {{30, 59}}},
                                                   {15, {{27, 60}}},
                                                   {16, {{25, 61}}},
                                                   {17, {{24, 61}}},
                                                   {18, {{24, 62}}},
                                                   {19, {{25, 62}}},
                                                   {20, {{5, 11}, {12, 62}, {63, 68}}},
                                                   {21, {{6, 67}}},
                                                   {22, {{6, 67}}},
                                                   {23, {{6, 66}}},
                                                   {24, {{6, 71}}},
                                                   {25, {{6, 9}, {10, 65}, {66, 68}}},
                                                   {26, {{5, 9}, {10, 65}}},
                                                   {27, {{5, 8}, {10, 65}}},
                                                   {28, {{5, 6}, {10, 65}}},
                                                   {29, {{10, 65}}},
                                                   {30, {{10, 65}}},
                                                   {31, {{10, 65}}},
                                                   {32, {{24, 52}}},
                                                   {33, {{24, 51}}},
                                                   {34, {{25, 51}}},
                                                   {35, {{25, 50}}},
                                                   {36, {{25, 50}}},
                                                   {37, {{25, 51}}},
                                                   {38, {{26, 50}}},
                                                   {39, {{26, 49}}},
                                                   {40, {{26, 49}}},
                                                   {41, {{26, 48}}},
                                                   {42, {{25, 49}}},
                                                   {43, {{25, 49}}},
                                                   {44, {{25, 50}}},
                                                   {45, {{25, 50}}},
                                                   {46, {{26, 50}}},
                                                   {47, {{25, 49}}},
                                                   {48, {{25, 50}}},
                                                   {49, {{25, 49}}},
                                                   {50, {{24, 49}}},
                                                   {51, {{24, 48}}},
                                                   {52, {{24, 48}}},
                                                   {53, {{23, 49}}},
                                                   {54, {{23, 48}}},
                                                   {55, {{22, 49}}},
                                                   {56, {{22, 50}}},
                                                   {57, {{21, 51}}},
                                                   {58, {{20, 52}}},
                                                   {59, {{20, 52}}},
                                                   {60, {{19, 53}}},
                                                   {61, {{19, 53}}},
                                                   {62, {{17, 55}}},
                                                   {63, {{16, 56}}},
                                                   {64, {{16, 55}}},
                                                   {65, {{15, 56}}},
                                                   {66, {{15, 56}}},
                                                   {67, {{16, 19}, {20, 55}}},
                                                   {68, {{15, 19}, {21, 50}, {53, 57}}},
                                                   {69, {{15, 18}, {21, 50}, {54, 57}}},
                                                   {70, {{14, 18}, {21, 51}, {54, 58}}},
                                                   {71, {{14, 18}, {21, 51}, {54, 58}}},
                                                   {72, {{15, 18}, {22, 50}, {54, 57}}},
                                                   {73, {{14, 18}, {21, 50}, {54, 58}}},
                                                   {74, {{14, 17}, {21, 49}, {55, 58}}},
                                                   {75, {{14, 18}, {21, 49}, {54, 58}}},
                                                   {76, {{15, 18}, {21, 50}, {54, 57}}},
                                                   {77, {{15, 17}, {21, 50}, {55, 57}}},
                                                   {78, {{16, 17}, {21, 50}, {55, 56}}},
                                                   {79, {{21, 51}}},
                                                   {80, {{26, 45}}},
                                                   {81, {{26, 45}}},
                                                   {82, {{27, 44}}},
                                                   {83, {{27, 44}}},
                                                   {84, {{27, 44}}},
                                                   {85, {{17, 44}}},
                                                   {86, {{11, 40}}},
                                                   {87, {{11, 40}}},
                                                   {88, {{11, 40}}},
                                                   {89, {{11, 40}}},
                                                   {90, {{12, 40}}},
                                                   {91, {{17, 39}}},
                                                   {92, {{21, 39}}},
                                                   {93, {{24, 39}}},
                                                   {94, {{28, 38}}},
                                                   {95, {{31, 38}}}};
    return lines;
}

// --- The head: a bowler hat, tipped a little toward the hand that shows the way -----------------

// The crown in the picture's own pixels: its crest carries the knob, and the side the hat is tipped
// up on is the steeper.
QPainterPath crown() {
    return polygon({{29.4, 18.5}, {29.5, 15},  {29.8, 13},  {30.4, 11},  {31.5, 9},   {33.2, 7.4},
                    {34.7, 6.3},  {36.3, 5.3}, {38.0, 4.4}, {39.6, 3.4}, {40.8, 2.6}, {41.0, 1.0},
                    {47.0, 1.0},  {50.0, 2.5}, {51.9, 3.5}, {53.4, 4.5}, {54.6, 5.5}, {55.6, 6.5},
                    {56.4, 7.5},  {57.2, 9},   {57.9, 11},  {58.4, 13},  {58.6, 15},  {58.6, 18.5}});
}

// The brim and the face are tipped with the hat: drawn in a frame turned about the crown's foot.
QTransform tipped() {
    QTransform t;
    t.translate(44, 17.6);
    t.rotate(5);
    return t;
}

QPainterPath brim() {
    QPainterPath b;
    b.addEllipse(QPointF(-1.5, 1.4), 19.5, 3.7);
    return tipped().map(b);
}

void drawFace(QPainter& p, Monocle monocle) {
    p.save();
    p.setTransform(tipped(), true);
    // The hat band, with a thread of cyan light along it, as befits a machine.
    p.setPen(Qt::NoPen);
    p.setBrush(kRibbon);
    p.drawRect(QRectF(-15, -4.2, 30, 4.2));
    p.setBrush(palette::cyan);
    p.drawRect(QRectF(-15, -2.6, 30, 1.1));
    // An eye on the left, the monocle sensor on the right, a silver moustache.
    const QPointF eye(-6.5, -9.5), lens(5.8, -9.8);
    if (monocle == Monocle::Open) {
        p.setBrush(palette::cyan);
        p.drawEllipse(eye, 1.6, 1.8);
    } else {
        p.setPen(QPen(palette::cyan, 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(eye + QPointF(-1.8, 0.4), eye + QPointF(1.8, 0.4));
    }
    p.setPen(QPen(kGold, 1.5));
    p.setBrush(monocle == Monocle::Open ? QColor(0xB8, 0xF6, 0xFC) : palette::metal);
    p.drawEllipse(lens, 4.0, 4.0);
    p.setPen(Qt::NoPen);
    if (monocle == Monocle::Open) {
        p.setBrush(palette::cyan);
        p.drawEllipse(lens + QPointF(0.4, 0.4), 2.0, 2.0);
        p.setBrush(Qt::white);
        p.drawEllipse(lens + QPointF(-1.4, -1.4), 1.0, 1.0);
    } else {
        // The shutter is down: a lid line across the lens.
        p.setPen(QPen(palette::outline, 1.3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(lens + QPointF(-3.2, 0.3), lens + QPointF(3.2, 0.3));
    }
    // The monocle's chain, down to the band.
    p.setPen(QPen(kGold, 0.9));
    p.setBrush(Qt::NoBrush);
    QPainterPath chain;
    chain.moveTo(lens + QPointF(3.2, 2.6));
    chain.quadTo(lens + QPointF(5.5, 6.5), lens + QPointF(6.6, 6.8));
    p.drawPath(chain);
    QPainterPath moustache;
    for (double side : {-1.0, 1.0}) {
        moustache.moveTo(side * 0.6, -5.4);
        moustache.quadTo(side * 3.5, -7.2, side * 5.6, -5.6);
    }
    p.setPen(QPen(palette::whiteShade, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(moustache);
    p.restore();
}

void drawHead(QPainter& p, Monocle monocle) {
    piece(p, roundedRect(43, -1, 45, 2, 0.5), kFelt, kFeltShade, 0);
    const QPainterPath c = crown();
    piece(p, c, kFelt, kFeltShade, 3.0);
    // The felt's sheen, from the light at the upper left.
    p.setPen(QPen(kSheen, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath sheen;
    sheen.moveTo(33, 11);
    sheen.cubicTo(33.5, 8, 36, 6, 39, 5.2);
    p.drawPath(sheen);
    p.save();
    p.setClipPath(inside(c));
    drawFace(p, monocle);
    p.restore();
    const QPainterPath b = brim();
    piece(p, b, kFelt, kFeltShade, 1.5);
    // The light catches the brim's upturned edge.
    p.save();
    p.setClipPath(inside(b));
    p.setTransform(tipped(), true);
    p.setPen(QPen(kSheen, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(-19.5, -0.9, 39, 4.6), 200 * 16, 50 * 16);
    p.restore();
}

// --- The body ------------------------------------------------------------------------------------

// An elbow: a ball of metal, the robot showing through the tailcoat.
void joint(QPainter& p, QPointF centre, double radius) {
    QPainterPath ball;
    ball.addEllipse(centre, radius, radius);
    piece(p, ball, palette::metal, palette::metalShade, 1.0, 1.3);
}

// The card he holds up by his left hand: the program he serves, in a small window.
void drawCard(QPainter& p) {
    const QPainterPath card = roundedRect(5, 19.5, 10.6, 29, 1.2);
    piece(p, card, palette::white, palette::whiteShade, 1.0, 1.2);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::cyan);
    p.drawRect(QRectF(6.3, 21, 3, 1.4));
    p.setBrush(palette::amber);
    p.drawRect(QRectF(6.3, 23.6, 1.8, 1.1));
}

// Both arms out at his shoulders: the card by his left hand, his right finger showing the way.
void drawArms(QPainter& p) {
    piece(p, capsule({30, 26}, {15.5, 26}, 11), palette::dress, palette::dressShade, 2.0);
    joint(p, {21, 26}, 3.0);
    piece(p, roundedRect(10, 21.5, 15.5, 30, 2.2), palette::white, palette::whiteShade, 1.0, 1.3);
    piece(p, capsule({45, 26}, {59.5, 26}, 11), palette::dress, palette::dressShade, 2.0);
    joint(p, {54, 26}, 3.0);
    QPainterPath hand = roundedRect(61.5, 19.5, 67.5, 27, 2.2);
    hand = hand.united(roundedRect(63, 23.2, 71, 25.4, 1.1));
    piece(p, hand, palette::white, palette::whiteShade, 1.0, 1.3);
}

// A tail as it shows on the picture's left; leg is the outer edge of the leg it hangs behind.
QPainterPath tail(double leg) {
    return polygon({{26, 48},   {24.5, 55},   {22, 59.5}, {19, 63.2},   {16.5, 66.2}, {14.8, 69},
                    {14.1, 72}, {14.0, 74},   {14.3, 76}, {14.9, 78},   {16.0, 80.6}, {16.6, 81.6},
                    {17.3, 79}, {17.8, 76.5}, {18.0, 74}, {18.1, 71.5}, {18.6, 69},   {19.6, 66.4},
                    {leg, 69},  {leg, 79.8},  {27, 79.8}, {30, 46}});
}

void drawTails(QPainter& p) {
    // Each tail hangs behind a leg and ends in two points: a short one beside the leg and a long
    // blade swung out to the side. The right one is the left one mirrored, a pixel wider apart.
    piece(p, tail(21), palette::dress, palette::dressShade, 1.5);
    piece(p, QTransform(-1, 0, 0, 1, 72, 0).map(tail(22)), palette::dress, palette::dressShade, 1.5);
}

void drawLegs(QPainter& p) {
    // Heels together, toes turned out; the ankles fill the notch between the shoes.
    piece(p, polygon({{11, 86}, {20, 86}, {30, 86.5}, {34, 89}, {34, 94.5}, {28, 94.5}, {17, 91}, {11, 90}}),
          kShoe, palette::outline, 1.0);
    piece(p, capsule({35.7, 93.3}, {37.2, 88.5}, 6), kShoe, palette::outline, 1.0);
    piece(p, polygon({{30, 86}, {41, 86}, {37, 93}, {32, 93}}), kShoe, palette::outline, 0);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::metal);
    p.drawEllipse(QPointF(16.8, 88.4), 1.5, 0.9);
    // White spats over the insteps, split where the heels meet.
    p.setBrush(palette::white);
    p.drawPath(polygon({{29, 87}, {35, 87}, {35, 90.5}, {30.5, 88.5}}));
    p.drawPath(polygon({{36, 87}, {42, 87}, {40.5, 88.5}, {36, 90.5}}));
    const QPainterPath trousers = polygon({{25, 52}, {46, 52}, {46, 76}, {43.5, 88}, {27.5, 88}, {25, 76}});
    piece(p, trousers, kTrousers, kTrousersShade, 2.0);
    p.setPen(QPen(palette::outline, 1.4));
    p.drawLine(QPointF(35.5, 62), QPointF(35.5, 88));
}

// The coat below his arms, its sides and flared skirt along the outline's runs, so its dark line
// follows the window's edge.
QPainterPath coatSides() {
    QPolygonF left, right;
    for (const OutlineLine& line : outlineLines())
        if (line.y >= 30 && line.y <= 66) {
            const auto [a, b] = line.runs.front();
            left << QPointF(a, line.y) << QPointF(a, line.y + 1);
            right.prepend(QPointF(b, line.y + 1));
            right.prepend(QPointF(b, line.y));
        }
    QPainterPath path;
    path.addPolygon(left + right);
    path.closeSubpath();
    return path;
}

void drawTorso(QPainter& p) {
    QPainterPath coat = roundedRect(25, 23.5, 50, 40, 6).united(coatSides());
    piece(p, coat, palette::dress, palette::dressShade, 2.5);
    // The shirt front and the waistcoat between the lapels.
    p.setPen(Qt::NoPen);
    p.setBrush(palette::white);
    p.drawPath(polygon({{32, 25.5}, {43, 25.5}, {40.5, 46}, {34.5, 46}}));
    // The lapels.
    p.setPen(QPen(palette::outline, 1.2));
    p.setBrush(palette::dressShade);
    p.drawPath(polygon({{30.5, 25}, {33.5, 25}, {35, 40}, {33.5, 47}}));
    p.drawPath(polygon({{44.5, 25}, {41.5, 25}, {40, 40}, {41.5, 47}}));
    p.setPen(Qt::NoPen);
    p.setBrush(palette::outline);
    p.drawPath(polygon({{33.5, 26}, {37.5, 27.6}, {41.5, 26}, {41.5, 30}, {37.5, 28.4}, {33.5, 30}}));
    p.setBrush(palette::amber);
    for (double y : {34.0, 38.5, 43.0})
        p.drawEllipse(QPointF(37.5, y), 1.1, 1.1);
}

} // namespace

Rendered butlerPicture(Monocle monocle) {
    const Rendered drawn =
        render([monocle](QPainter& p) { drawButler(p, monocle); }, solid(kButlerSize, kBlue));
    return parts::fittedTo(drawn, maskOf(kButlerSize, outlineLines()));
}

void drawButler(QPainter& p, Monocle monocle) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    drawTails(p);
    drawLegs(p);
    // The neck leans a little after the tipped head.
    piece(p, polygon({{34.5, 26}, {40.5, 26}, {42.5, 17}, {36.5, 17}}), palette::metal, palette::metalShade,
          1.0);
    drawTorso(p);
    drawArms(p);
    drawCard(p);
    drawHead(p, monocle);
    p.restore();
}

} // namespace art

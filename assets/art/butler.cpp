#include "butler.h"

#include "figure.h"
#include "parts.h"

#include <QPainterPath>

namespace art {

namespace {

using namespace parts;

// His own colours beside the shared palette: the hat-head's felt and its sheen, the trousers.
const QColor kFelt{0x5A, 0x5F, 0x80}, kFeltShade{0x45, 0x4A, 0x68}, kSheen{0xA0, 0xA8, 0xD0};
const QColor kRibbon{0x27, 0x29, 0x40};
const QColor kTrousers{0x44, 0x47, 0x5E}, kTrousersShade{0x33, 0x35, 0x4A};
const QColor kShoe{0x2C, 0x29, 0x44}, kGold{0xE8, 0xB8, 0x4A};

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
    b.addEllipse(QPointF(0, 1.4), 21, 3.7);
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

void drawTray(QPainter& p) {
    // The program he serves: a small window with its title bar.
    const QPainterPath window = roundedRect(7.5, 3, 19, 10.5, 1.5);
    piece(p, window, palette::white, palette::whiteShade, 1.0, 1.4);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::cyan);
    p.drawRect(QRectF(9.5, 5, 7.5, 1.6));
    p.setBrush(palette::amber);
    p.drawRect(QRectF(10, 7.3, 2.5, 1.2));
    p.setBrush(palette::metalShade);
    p.drawRect(QRectF(13.5, 7.3, 3, 1.2));
    // The tray, its rim turned up at both ends.
    const QPainterPath tray = polygon(
        {{5, 9.2}, {6.8, 10.4}, {19.7, 10.4}, {21.5, 9.2}, {21.2, 12.4}, {19.6, 14}, {6.9, 14}, {5.3, 12.4}});
    piece(p, tray, palette::metal, palette::metalShade, 1.0, 1.3);
}

void drawLeftArm(QPainter& p) {
    piece(p, capsule({11.2, 28}, {13.6, 15}, 5.6), palette::dress, palette::dressShade, 1.5);
    piece(p, roundedRect(9, 25.5, 28, 31.5, 2.8), palette::dress, palette::dressShade, 1.5);
    joint(p, {11.6, 28.4}, 3.3);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::white);
    p.save();
    p.translate(13.1, 17.6);
    p.rotate(10.5);
    p.drawRect(QRectF(-1.4, -0.9, 2.8, 1.8));
    p.restore();
    piece(p, roundedRect(9.5, 12.5, 17.5, 17, 2), palette::white, palette::whiteShade, 1.0, 1.5);
}

void drawRightArm(QPainter& p) {
    piece(p, roundedRect(45.5, 25, 54.5, 45, 3.5), palette::dress, palette::dressShade, 2.0);
    piece(p, roundedRect(48, 39.5, 63, 45, 2.5), palette::dress, palette::dressShade, 1.5);
    joint(p, {50.2, 42.2}, 3.2);
    // A napkin folded over the forearm.
    const QPainterPath napkin =
        polygon({{52, 41}, {59, 41}, {60.5, 52}, {57.5, 50.5}, {55.5, 53}, {53.5, 50}});
    piece(p, napkin, palette::white, palette::whiteShade, 1.0, 1.5);
    QPainterPath hand = roundedRect(60.5, 39.5, 70.9, 44.5, 2.2);
    hand = hand.united(roundedRect(61.5, 35.5, 65, 42, 1.7));
    piece(p, hand, palette::white, palette::whiteShade, 1.0, 1.5);
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
    piece(p, capsule({33.3, 93.3}, {25, 88}, 6), kShoe, palette::outline, 1.0);
    piece(p, capsule({35.7, 93.3}, {45, 88}, 6), kShoe, palette::outline, 1.0);
    piece(p, polygon({{30, 86}, {41, 86}, {37, 93}, {32, 93}}), kShoe, palette::outline, 0);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::metal);
    p.drawEllipse(QPointF(26.8, 89.4), 1.5, 0.9);
    p.drawEllipse(QPointF(44.2, 89.4), 1.5, 0.9);
    // White spats over the insteps, split where the heels meet.
    p.setBrush(palette::white);
    p.drawPath(polygon({{29, 87}, {35, 87}, {35, 90.5}, {30.5, 88.5}}));
    p.drawPath(polygon({{36, 87}, {42, 87}, {40.5, 88.5}, {36, 90.5}}));
    const QPainterPath trousers = polygon({{25, 52}, {46, 52}, {46, 76}, {43.5, 88}, {27.5, 88}, {25, 76}});
    piece(p, trousers, kTrousers, kTrousersShade, 2.0);
    p.setPen(QPen(palette::outline, 1.4));
    p.drawLine(QPointF(35.5, 62), QPointF(35.5, 88));
}

void drawTorso(QPainter& p) {
    const QPainterPath coat = roundedRect(25, 23.5, 50, 56, 6);
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

void drawButler(QPainter& p, Monocle monocle) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    drawTails(p);
    drawLegs(p);
    // The neck leans a little after the tipped head.
    piece(p, polygon({{34.5, 26}, {40.5, 26}, {42.5, 17}, {36.5, 17}}), palette::metal, palette::metalShade,
          1.0);
    drawTorso(p);
    drawRightArm(p);
    drawTray(p);
    drawLeftArm(p);
    drawHead(p, monocle);
    p.restore();
}

} // namespace art

#pragma once
// The things the character holds or that appear around her, drawn with the figure's outline and
// palette. All coordinates are picture pixels.
#include "figure.h"

#include <QRectF>

namespace art::props {

// The sign board held up at the upper left: its plain face is exactly the rectangle where the
// window lays the battery gauge and the mail sign (left 10, top 15, 66 x 50), or that many pixels
// lower (`drop`) where she lets it sag.
inline const QRectF kBoardFace{10, 15, 66, 50};
void signBoard(QPainter& p, QPointF grip, double drop = 0);

// A chunky handset with a stub antenna, centred on c, turned by angle degrees.
void phone(QPainter& p, QPointF c, double angle, bool screenLit);

// A mains plug with its cord, which runs along the given points to the floor.
void plug(QPainter& p, QPointF c, double angle, const std::vector<QPointF>& cord);
void lightning(QPainter& p, QPointF c, double size);

// A cheering headband tied round her head, its ends flying straight out past it: `band` is its outer
// edge, contour included; a tail of its knot hangs from under its left end.
void headband(QPainter& p, QRectF band, const QColor& colour);

// A Z mark of the given height.
QPainterPath zPath(QPointF c, double size, double stroke);
void zMark(QPainter& p, QPointF c, double size);

void sparkle(QPainter& p, QPointF c, double r, const QColor& colour);
// Short arcs radiating from c toward the angle (degrees, 0 = right, -90 = up).
void signalArcs(QPainter& p, QPointF c, double angle, int count, double spacing);
void note(QPainter& p, QPointF c, double angle, bool twin);

// A thin ring of light around the lower body; back and front halves are drawn separately so the
// body stands inside it. Its sides may run straight down (seen nearly edge on there), each its own
// length, drawn with the back half; `drop` tilts it, its right side that much lower than its left;
// `rise` lifts its back half's crest (the far side seen from above).
struct RingSides {
    double left = 0, right = 0, drop = 0, rise = 0;
};
void ringBack(QPainter& p, QRectF box, double width, RingSides sides = {});
void ringFront(QPainter& p, QRectF box, double width, RingSides sides = {});

} // namespace art::props

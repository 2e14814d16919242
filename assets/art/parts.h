#pragma once
// Drawing by outer edges, for the small companions on blue (the butler, the drone): each part is
// given by its outer edge and its dark line is laid inside that edge, so a picture's silhouette is
// exactly the union of its parts and a window's outline can be planned from their coordinates.
#include "render.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <initializer_list>
#include <utility>
#include <vector>

namespace art::parts {

// The part's inside: its outer edge less the dark line along it.
QPainterPath inside(const QPainterPath& outer, double line = 2.0);

// A part: the dark line up to its outer edge, a flat fill, and the shade on the side away from the
// light (the light comes from the upper left). Small parts take a finer line, or they would be
// nothing but line at this size.
void piece(QPainter& p, const QPainterPath& outer, const QColor& fill, const QColor& shade,
           double shadeDepth = 2.0, double line = 2.0);

QPainterPath roundedRect(double left, double top, double right, double bottom, double radius);
QPainterPath polygon(std::initializer_list<QPointF> points);

// A rounded bar of the given width between two points (a shoe, a limb, a stalk).
QPainterPath capsule(QPointF a, QPointF b, double width);

// One scan line of an outline laid out by hand: its runs, left and right (exclusive).
struct OutlineLine {
    int y;
    std::vector<std::pair<int, int>> runs;
};

// The outline's lines as a mask of that size.
QImage maskOf(QSize size, const std::vector<OutlineLine>& lines);

// The drawing fitted to an outline laid out for it (on blue): inside the outline it shows as drawn,
// bare pixels taking the colour of the nearest drawn one (the same line first) and her contour
// where they border the desktop; outside it is blue. Every edge ends in the contour.
Rendered fittedTo(const Rendered& drawn, const QImage& outline);

} // namespace art::parts

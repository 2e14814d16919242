#pragma once
// From a drawing to a stored picture and its silhouette. The drawing is made antialiased on a
// transparent layer; a pixel belongs to the silhouette when the drawing covers at least half of it,
// and such a pixel takes the drawing's own colour at full strength, so the edge of the figure
// carries no colour blended with the background (the window's outline cuts exactly there).
#include <QImage>
#include <QPainter>
#include <functional>

namespace art {

using Drawing = std::function<void(QPainter&)>;

struct Rendered {
    QImage picture; // RGB32
    QImage mask;    // Grayscale8: 255 inside the silhouette, 0 outside
};

// The drawing over the background picture (its size is the picture's size).
Rendered render(const Drawing& drawing, const QImage& background);

// Just the silhouette of a drawing, in a frame of that size.
QImage silhouette(const Drawing& drawing, QSize size);

// The union of two masks of one size.
QImage unite(const QImage& a, const QImage& b);

QImage solid(QSize size, QRgb colour);

} // namespace art

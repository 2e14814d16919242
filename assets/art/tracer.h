#pragma once
// Turns a picture's silhouette into an outline table: for each scan line from the top, the maximal
// horizontal runs of inside pixels; a run that repeats unchanged on the next line stretches the row
// it started; rows come out ordered by top, then by left. The rows are disjoint, no two of them touch
// on a line, and their union is exactly the inside pixels.
#include "app/shapes/region_table.h"

#include <QImage>
#include <functional>
#include <vector>

namespace art {

std::vector<RectRow> traceInside(int width, int height, const std::function<bool(int x, int y)>& inside);

// Splits the row that holds `row` (its run on those lines and more) so that `row` stands alone: a run
// kept as rows of their own lines where the tracer would join them. False when no row holds it.
bool keepApart(std::vector<RectRow>& table, const RectRow& row);

// Puts the rows that share a top line in the order given (before that line's other rows, which
// keep theirs); `rows` may name several lines. False when a named row is not in the table.
bool orderLines(std::vector<RectRow>& table, const std::vector<RectRow>& rows);

// A mask picture: a pixel is inside when it is light (grey level above half).
std::vector<RectRow> traceMask(const QImage& mask);

// A picture on a key colour: a pixel is inside when its colour is not exactly the key.
std::vector<RectRow> traceKey(const QImage& picture, QRgb key);

} // namespace art

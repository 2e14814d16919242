#pragma once
// Window outlines as tables of rectangles.
//
// A row is (left, top, right, bottom) in window pixels, right and bottom exclusive. A table is an
// ordered list of at least one row: rows in non-decreasing top, pairwise disjoint. The outline is the
// union of the rows; applying a table makes that union the window's visible and clickable area.
// Rows are relative to the window, so an outline does not depend on where the window stands.
#include <QRegion>
#include <cstdint>
#include <span>

class QWidget;

struct RectRow {
    std::int32_t left, top, right, bottom;
    friend bool operator==(const RectRow&, const RectRow&) = default;
};

using RegionTable = std::span<const RectRow>;

namespace RgnCall {

// Adds the rectangle (right and bottom exclusive) to region.
void AddRectRgn(QRegion& region, int left, int top, int right, int bottom);

// The union of the table's rows, built row by row in table order.
QRegion BuildRegion(RegionTable table);

// Gives the window the table's outline (its mask) at once; the name is noted for animation
// recordings. Every named shape is one call of this.
void ApplyShape(QWidget* window, RegionTable table, const char* name);

} // namespace RgnCall

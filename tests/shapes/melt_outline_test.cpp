// The melting outlines keep their design's limits: box, first and last rows, the enclosed holes
// (their pixel count and box), one piece, a run on every line down to the bottom, no row taller than
// the design's tallest, and a row count within a fifth of the design's.
#include "app/shapes/outlines.h"

#include <QRegion>
#include <gtest/gtest.h>
#include <set>

namespace {

struct Limits {
    RegionTable (*table)();
    const char* name;
    QRect box;                 // left, top, right, bottom as QRect(l, t, r - l, b - t)
    int firstLeft, firstRight; // the run of the top line
    int lastLeft, lastRight;   // the run of line 169
    int holePixels;
    QRect holeBox; // the box the hole lies within
    int rows;      // the design's row count, to be met within a fifth
    int tallest;   // the most lines one row spans
};

const Limits kLimits[] = {
    {gra4::TableMelt01, "melt01", QRect(28, 20, 103, 150), 37, 53, 45, 122, 31, QRect(42, 26, 10, 6), 133, 8},
    {gra4::TableMelt02, "melt02", QRect(27, 19, 105, 151), 46, 53, 44, 120, 0, {}, 147, 13},
    {gra4::TableMelt03, "melt03", QRect(27, 24, 102, 146), 40, 55, 44, 119, 20, QRect(43, 31, 7, 5), 141, 7},
    {gra4::TableMelt04, "melt04", QRect(28, 19, 105, 151), 40, 53, 43, 120, 0, {}, 138, 10},
    {gra4::TableMelt05, "melt05", QRect(29, 18, 106, 152), 41, 56, 46, 120, 0, {}, 137, 9},
};

// The runs of one line, left to right, as [left, right) pairs.
std::vector<std::pair<int, int>> runs(const QRegion& region, int y) {
    std::vector<std::pair<int, int>> out;
    int start = -1;
    for (int x = 0; x <= 171; ++x) {
        const bool in = region.contains(QPoint(x, y));
        if (in && start < 0)
            start = x;
        if (!in && start >= 0) {
            out.emplace_back(start, x);
            start = -1;
        }
    }
    return out;
}

TEST(MeltOutlines, TheFourthStandsInItsPool) {
    const RegionTable table = gra4::TableMelt04();
    const QRegion region = RgnCall::BuildRegion(table);
    for (int y = 159; y < 169; ++y)
        EXPECT_EQ(runs(region, y), (std::vector<std::pair<int, int>>{{43, 121}})) << "line " << y;
}

TEST(MeltOutlines, KeepTheirLimits) {
    for (const Limits& l : kLimits) {
        SCOPED_TRACE(l.name);
        const RegionTable table = l.table();
        const QRegion region = RgnCall::BuildRegion(table);
        EXPECT_EQ(region.boundingRect(), l.box);
        const int top = l.box.top();
        EXPECT_EQ(runs(region, top), (std::vector<std::pair<int, int>>{{l.firstLeft, l.firstRight}}));
        EXPECT_EQ(runs(region, 169), (std::vector<std::pair<int, int>>{{l.lastLeft, l.lastRight}}));
        EXPECT_EQ(table.front(), (RectRow{l.firstLeft, top, l.firstRight, top + 1}));
        EXPECT_EQ(table.back(), (RectRow{l.lastLeft, 169, l.lastRight, 170}));
        for (const RectRow& r : table)
            EXPECT_LE(r.bottom - r.top, l.tallest)
                << r.left << "," << r.top << "," << r.right << "," << r.bottom;
        EXPECT_LE(std::abs(int(table.size()) - l.rows) * 5, l.rows) << table.size() << " rows";
        for (int y = top; y < 170; ++y)
            EXPECT_FALSE(runs(region, y).empty()) << "line " << y;

        // Enclosed background: not reachable from the border.
        std::set<std::pair<int, int>> outside;
        std::vector<QPoint> stack{QPoint(0, 0)};
        while (!stack.empty()) {
            const QPoint p = stack.back();
            stack.pop_back();
            if (p.x() < 0 || p.y() < 0 || p.x() > 171 || p.y() > 171 || region.contains(p) ||
                !outside.insert({p.x(), p.y()}).second)
                continue;
            stack.insert(stack.end(),
                         {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1)});
        }
        QRect holes;
        int holePixels = 0;
        for (int y = 0; y < 170; ++y)
            for (int x = 0; x < 170; ++x)
                if (!region.contains(QPoint(x, y)) && !outside.count({x, y})) {
                    ++holePixels;
                    holes |= QRect(x, y, 1, 1);
                }
        EXPECT_EQ(holePixels, l.holePixels);

        // One piece: every pixel of the outline reached from its first row.
        std::set<std::pair<int, int>> piece;
        stack = {QPoint(l.firstLeft, top)};
        while (!stack.empty()) {
            const QPoint p = stack.back();
            stack.pop_back();
            if (!region.contains(p) || !piece.insert({p.x(), p.y()}).second)
                continue;
            stack.insert(stack.end(),
                         {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1)});
        }
        qsizetype area = 0;
        for (const QRect& r : region)
            area += qsizetype(r.width()) * r.height();
        EXPECT_EQ(qsizetype(piece.size()), area);
        if (l.holePixels) {
            EXPECT_TRUE(l.holeBox.contains(holes)) << "hole at " << holes.x() << "," << holes.y();
        }
    }
}

} // namespace

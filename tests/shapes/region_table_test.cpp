#include "app/shapes/region_table.h"

#include "platform/pace.h"

#include <QApplication>
#include <QPaintEvent>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <vector>

namespace {

// Whether a row of the table covers the pixel, right and bottom exclusive.
bool covered(const std::vector<RectRow>& rows, int x, int y) {
    for (const RectRow& r : rows)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            return true;
    return false;
}

struct TableCase {
    const char* name;
    std::vector<RectRow> rows;
};
void PrintTo(const TableCase& c, std::ostream* os) { *os << c.name; }


class RegionTableTest : public ::testing::TestWithParam<TableCase> {};

// A pixel lies inside the window's mask exactly when a row covers it.
TEST_P(RegionTableTest, MaskIsExactlyTheRows) {
    const auto& rows = GetParam().rows;
    QWidget window;
    window.resize(170, 170);
    RgnCall::ApplyShape(&window, rows, "Test");
    const QRegion mask = window.mask();
    for (int y = 0; y < 172; ++y)
        for (int x = 0; x < 172; ++x)
            ASSERT_EQ(mask.contains(QPoint(x, y)), covered(rows, x, y)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(
    Tables, RegionTableTest,
    ::testing::Values(
        TableCase{"one_row", {{10, 20, 30, 25}}},
        TableCase{"one_pixel", {{0, 0, 1, 1}}},
        TableCase{"rows_out_of_order", {{5, 50, 9, 52}, {1, 1, 4, 3}, {60, 0, 170, 170}}},
        TableCase{"two_runs_one_line", {{2, 7, 5, 8}, {8, 7, 12, 8}, {2, 8, 12, 9}}},
        TableCase{"touching_at_the_edge", {{0, 0, 10, 10}, {10, 0, 20, 10}, {0, 10, 20, 11}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegionTable, ApplyingTwiceKeepsTheSameOutline) {
    const std::vector<RectRow> rows{{3, 3, 40, 9}, {10, 9, 20, 60}};
    QWidget window;
    window.resize(170, 170);
    RgnCall::ApplyShape(&window, rows, "Test");
    const QRegion first = window.mask();
    RgnCall::ApplyShape(&window, rows, "Test");
    EXPECT_EQ(window.mask(), first);
    EXPECT_EQ(first, RgnCall::BuildRegion(rows));
}

// Counts the window's paint events.
struct Paints : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

// Her blink applies her standing outline again every few seconds: the same outline (even from
// another copy of the table) is neither sent nor painted again; another one is.
TEST(RegionTable, TheOutlineSheHasIsNotPaintedAgain) {
    const std::vector<RectRow> rows{{3, 3, 40, 9}, {10, 9, 20, 60}}, copy = rows, other{{0, 0, 30, 30}};
    QWidget window;
    window.resize(170, 170);
    RgnCall::ApplyShape(&window, rows, "Test");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::processEvents();
    Paints paints;
    window.installEventFilter(&paints);
    RgnCall::ApplyShape(&window, copy, "Test");
    QApplication::processEvents();
    EXPECT_EQ(paints.count, 0);
    EXPECT_EQ(window.mask(), RgnCall::BuildRegion(rows));
    RgnCall::ApplyShape(&window, other, "Other");
    QApplication::processEvents();
    EXPECT_GT(paints.count, 0);
    EXPECT_EQ(window.mask(), RgnCall::BuildRegion(other));
}

TEST(RegionTable, ANewTableReplacesTheOldOutline) {
    QWidget window;
    window.resize(170, 170);
    const std::vector<RectRow> big{{0, 0, 100, 100}}, small{{50, 50, 60, 60}};
    RgnCall::ApplyShape(&window, big, "Big");
    RgnCall::ApplyShape(&window, small, "Small");
    EXPECT_FALSE(window.mask().contains(QPoint(10, 10)));
    EXPECT_TRUE(window.mask().contains(QPoint(55, 55)));
}

TEST(RegionTable, EmptyRectangleAddsNothing) {
    QRegion region;
    RgnCall::AddRectRgn(region, 5, 5, 5, 10);
    RgnCall::AddRectRgn(region, 5, 5, 10, 4);
    EXPECT_TRUE(region.isEmpty());
}

TEST(RegionTable, ApplyingIsRecordedByName) {
    platform::pace::Recorder recorder;
    QWidget window;
    const std::vector<RectRow> rows{{0, 0, 1, 1}};
    RgnCall::ApplyShape(&window, rows, "ShapePose01");
    EXPECT_EQ(recorder.events, QStringList{QStringLiteral("shape ShapePose01")});
}

} // namespace

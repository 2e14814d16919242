#include "assets/art/tracer.h"

#include <QImage>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A mask drawn as text: '#' inside, anything else outside.
QImage maskOf(const std::vector<std::string>& lines) {
    QImage mask(int(lines.front().size()), int(lines.size()), QImage::Format_Grayscale8);
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            mask.scanLine(y)[x] = lines[y][x] == '#' ? 255 : 0;
    return mask;
}

struct TraceCase {
    const char* name;
    std::vector<std::string> mask;
    std::vector<RectRow> rows;
};

class TracerTest : public ::testing::TestWithParam<TraceCase> {};

TEST_P(TracerTest, RowsAreTheMaximalRunsWithRepeatsJoined) {
    EXPECT_EQ(art::traceMask(maskOf(GetParam().mask)), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, TracerTest,
    ::testing::Values(
        TraceCase{"single_pixel", {"....", "..#.", "...."}, {{2, 1, 3, 2}}},
        TraceCase{"rectangle", {".....", ".###.", ".###.", ".###."}, {{1, 1, 4, 4}}},
        // A run that changes ends its row; the same run coming back later starts a new one.
        TraceCase{"stacked_repeats",
                  {".###..", ".###..", ".####.", ".###..", "......"},
                  {{1, 0, 4, 2}, {1, 2, 5, 3}, {1, 3, 4, 4}}},
        TraceCase{"two_runs_on_one_line", {"##..###", "##..###", "##....."}, {{0, 0, 2, 3}, {4, 0, 7, 2}}},
        // The hole's line holds two runs that stop short of it; the hole stays outside.
        TraceCase{
            "hole", {"#####", "##.##", "#####"}, {{0, 0, 5, 1}, {0, 1, 2, 2}, {3, 1, 5, 2}, {0, 2, 5, 3}}},
        TraceCase{"detached_pixel", {"###...", "###..#", "......"}, {{0, 0, 3, 2}, {5, 1, 6, 2}}},
        TraceCase{"touching_edges", {"######"}, {{0, 0, 6, 1}}}, TraceCase{"empty", {"...", "..."}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Tracer, KeyColourLeavesOnlyExactlyThatColourOutside) {
    QImage picture(4, 2, QImage::Format_RGB32);
    picture.fill(qRgb(0, 0, 255));
    picture.setPixel(1, 0, qRgb(0, 0, 254)); // close to the key is still inside
    picture.setPixel(2, 0, qRgb(255, 255, 255));
    picture.setPixel(1, 1, qRgb(0, 0, 0));
    const std::vector<RectRow> expected{{1, 0, 3, 1}, {1, 1, 2, 2}};
    EXPECT_EQ(art::traceKey(picture, qRgb(0, 0, 255)), expected);
}

// A design may keep a repeated run as rows of their own lines: the row that holds it is cut there,
// the pieces in the tracer's order, and a run no row holds is refused.
TEST(Tracer, KeepApartCutsTheRowThatHoldsTheRun) {
    std::vector<RectRow> table = art::traceMask(maskOf({"##.##", "##.##", "##.##", "##.##"}));
    ASSERT_EQ(table, (std::vector<RectRow>{{0, 0, 2, 4}, {3, 0, 5, 4}}));
    ASSERT_TRUE(art::keepApart(table, {3, 1, 5, 2}));
    EXPECT_EQ(table, (std::vector<RectRow>{{0, 0, 2, 4}, {3, 0, 5, 1}, {3, 1, 5, 2}, {3, 2, 5, 4}}));
    EXPECT_FALSE(art::keepApart(table, {1, 1, 5, 2}));
    EXPECT_FALSE(art::keepApart(table, {0, 3, 2, 5}));
}

// Rows of one top line in the design's order, the line's other rows after them, other lines as
// they were; a row not in the table is refused and nothing moves.
TEST(Tracer, OrderLinesPutsALinesRowsInTheGivenOrder) {
    std::vector<RectRow> table = art::traceMask(maskOf({"#.#.#", "#####", "#.#.#"}));
    const std::vector<RectRow> traced = table;
    ASSERT_EQ(traced, (std::vector<RectRow>{{0, 0, 1, 1},
                                            {2, 0, 3, 1},
                                            {4, 0, 5, 1},
                                            {0, 1, 5, 2},
                                            {0, 2, 1, 3},
                                            {2, 2, 3, 3},
                                            {4, 2, 5, 3}}));
    EXPECT_FALSE(art::orderLines(table, {{4, 0, 5, 1}, {1, 0, 2, 1}}));
    EXPECT_EQ(table, traced);
    ASSERT_TRUE(art::orderLines(table, {{4, 0, 5, 1}, {2, 2, 3, 3}, {0, 2, 1, 3}}));
    EXPECT_EQ(table, (std::vector<RectRow>{{4, 0, 5, 1},
                                           {0, 0, 1, 1},
                                           {2, 0, 3, 1},
                                           {0, 1, 5, 2},
                                           {2, 2, 3, 3},
                                           {0, 2, 1, 3},
                                           {4, 2, 5, 3}}));
}

} // namespace

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

} // namespace

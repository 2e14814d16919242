// Every named outline against the pictures it is shown with: the table rules, the table as the
// exact silhouette of its picture, the relations between outlines, and each outline's box against
// the reference box of the design, within a stated tolerance.
#include "app/shapes/RgnCall.h"
#include "app/shapes/RgnCall2.h"
#include "app/shapes/balloon_tables.h"
#include "app/shapes/shape_list.h"

#include <QDir>
#include <QImage>
#include <QRegion>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace shapes {
void PrintTo(const ShapeEntry& shape, std::ostream* os) {
    *os << shape.name.toStdString();
}
} // namespace shapes

namespace {

using shapes::Backdrop;
using shapes::ShapeEntry;

const QDir kPictures(QStringLiteral(MORVIK_ART_PICTURES));

QString stem(QString picture) {
    picture.replace(QLatin1Char('('), QLatin1Char('.'));
    return picture.remove(QLatin1Char(')'));
}

QImage picture(const QString& name) {
    return QImage(kPictures.filePath(stem(name) + QStringLiteral(".png")))
        .convertToFormat(QImage::Format_RGB32);
}

// The silhouette the outline was traced from, named after its builder ("RgnCall.ShapeStandard").
QImage outlineMask(const ShapeEntry& shape) {
    const QString file = shape.name + QStringLiteral(".png");
    return QImage(kPictures.filePath(QStringLiteral("outlines/") + file))
        .convertToFormat(QImage::Format_Grayscale8);
}

// The table as a per-pixel grid of the frame, counting how many rows cover each pixel.
struct Cover {
    int width, height;
    std::vector<int> count;
    Cover(const ShapeEntry& s) : width(s.frameWidth + 2), height(s.frameHeight + 2), count(width * height) {
        for (const RectRow& r : s.table)
            for (int y = std::max(r.top, 0); y < std::min(r.bottom, height); ++y)
                for (int x = std::max(r.left, 0); x < std::min(r.right, width); ++x)
                    ++count[y * width + x];
    }
    bool in(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height && count[y * width + x] > 0;
    }
};

std::string nameOf(const ::testing::TestParamInfo<ShapeEntry>& info) {
    return info.param.name.section(QLatin1Char('.'), 1).toStdString();
}

class ShapeTest : public ::testing::TestWithParam<ShapeEntry> {};

TEST_P(ShapeTest, TableKeepsTheRowRules) {
    const ShapeEntry& s = GetParam();
    ASSERT_FALSE(s.table.empty());
    for (std::size_t i = 0; i < s.table.size(); ++i) {
        const RectRow& r = s.table[i];
        ASSERT_LT(r.left, r.right) << i;
        ASSERT_LT(r.top, r.bottom) << i;
        ASSERT_GE(r.left, 0) << i;
        ASSERT_GE(r.top, 0) << i;
        ASSERT_LE(r.right, s.frameWidth) << i;
        ASSERT_LE(r.bottom, s.frameHeight) << i;
        if (s.backdrop != Backdrop::Blue) {
            ASSERT_LE(r.right, s.windowWidth) << "row " << i << " passes the window's right edge";
        }
        if (i > 0) {
            ASSERT_LE(s.table[i - 1].top, r.top) << "rows out of order at " << i;
        }
        for (std::size_t j = 0; j < i; ++j) {
            const RectRow& o = s.table[j];
            const bool shareLines = o.top < r.bottom && r.top < o.bottom;
            // Disjoint, and apart by at least one pixel outside the shape on every shared line.
            if (shareLines) {
                ASSERT_TRUE(o.right < r.left || r.right < o.left) << "rows " << j << " and " << i << " meet";
            }
        }
    }
}

TEST_P(ShapeTest, TableIsExactlyItsPicturesSilhouette) {
    const ShapeEntry& s = GetParam();
    const Cover cover(s);
    if (s.backdrop == Backdrop::Blue) {
        const QImage p = picture(s.pictures.front());
        ASSERT_EQ(p.size(), QSize(s.frameWidth, s.frameHeight));
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x)
                ASSERT_EQ(cover.in(x, y), p.pixel(x, y) != qRgb(0, 0, 255)) << x << "," << y;
        return;
    }
    const QImage mask = outlineMask(s);
    ASSERT_EQ(mask.size(), QSize(s.frameWidth, s.frameHeight));
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            ASSERT_EQ(cover.in(x, y), mask.constScanLine(y)[x] > 127) << x << "," << y;
}

std::vector<ShapeEntry> shapesOn(std::initializer_list<Backdrop> backdrops) {
    std::vector<ShapeEntry> out;
    for (const ShapeEntry& s : shapes::AllShapes())
        if (std::find(backdrops.begin(), backdrops.end(), s.backdrop) != backdrops.end())
            out.push_back(s);
    return out;
}

// Every picture shown under the outline fits it: nothing of the figure is cut off. (The busy
// scene's wall pattern lies outside its outlines by design.)
class FitTest : public ShapeTest {};

TEST_P(FitTest, EveryPairedPictureFitsTheOutline) {
    const ShapeEntry& s = GetParam();
    const Cover cover(s);
    const QRgb background = s.backdrop == Backdrop::Blue ? qRgb(0, 0, 255) : qRgb(0, 0, 0);
    for (const QString& name : s.pictures) {
        const QImage p = picture(name);
        ASSERT_EQ(p.size(), QSize(s.frameWidth, s.frameHeight)) << name.toStdString();
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x)
                if (p.pixel(x, y) != background) {
                    ASSERT_TRUE(cover.in(x, y)) << name.toStdString() << " at " << x << "," << y;
                }
    }
}

// The key colour must be unmistakable: nothing inside a balloon is pure blue or close to it.
class BlueKeyTest : public ShapeTest {};

TEST_P(BlueKeyTest, HoldsNoBlueOfItsOwn) {
    const ShapeEntry& s = GetParam();
    const QImage p = picture(s.pictures.front());
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const QRgb c = p.pixel(x, y);
            if (c == qRgb(0, 0, 255))
                continue;
            const int d = qRed(c) * qRed(c) + qGreen(c) * qGreen(c) + (255 - qBlue(c)) * (255 - qBlue(c));
            ASSERT_GT(d, 120 * 120) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(All, ShapeTest, ::testing::ValuesIn(shapes::AllShapes()), nameOf);
INSTANTIATE_TEST_SUITE_P(Pictures, FitTest, ::testing::ValuesIn(shapesOn({Backdrop::Blue, Backdrop::Black})),
                         nameOf);
INSTANTIATE_TEST_SUITE_P(Balloons, BlueKeyTest, ::testing::ValuesIn(shapesOn({Backdrop::Blue})), nameOf);

// --- Relations between outlines --------------------------------------------------------------------

QRegion regionOf(RegionTable table) {
    return RgnCall::BuildRegion(table);
}

QRegion mirrored(RegionTable table) {
    QRegion out;
    for (const RectRow& r : table)
        out += QRect(170 - r.right, r.top, r.right - r.left, r.bottom - r.top);
    return out;
}

QRegion below(const QRegion& region, int line) {
    return region.intersected(QRect(0, line, 400, 400));
}

TEST(ShapeRelations, BalloonsAreOneOutlineTurnedAndMirrored) {
    const RegionTable b1 = RgnCall::TableBalloon1();
    ASSERT_EQ(b1.size(), 40u);
    EXPECT_EQ(b1.front(), (RectRow{36, 4, 160, 6}));
    EXPECT_EQ(b1.back(), (RectRow{118, 158, 120, 160})); // the tail's tip
    QRegion turned, flippedV, flippedH;
    for (const RectRow& r : b1) {
        turned += QRect(200 - r.right, 160 - r.bottom, r.right - r.left, r.bottom - r.top);
        flippedV += QRect(r.left, 160 - r.bottom, r.right - r.left, r.bottom - r.top);
        flippedH += QRect(200 - r.right, r.top, r.right - r.left, r.bottom - r.top);
    }
    EXPECT_EQ(regionOf(RgnCall::TableBalloon2()), turned);
    EXPECT_EQ(regionOf(RgnCall::TableBalloon3()), flippedV);
    EXPECT_EQ(regionOf(RgnCall::TableBalloon4()), flippedH);
    EXPECT_EQ(RgnCall::TableBalloon2().front(), (RectRow{80, 0, 82, 2}));
    EXPECT_EQ(RgnCall::TableBalloon3().front(), (RectRow{118, 0, 120, 2}));
    EXPECT_EQ(RgnCall::TableBalloon4().back(), (RectRow{80, 158, 82, 160}));
    for (RegionTable t : {RgnCall::TableBalloon1(), RgnCall::TableBalloon2(), RgnCall::TableBalloon3(),
                          RgnCall::TableBalloon4()}) {
        ASSERT_EQ(t.size(), 40u);
        for (const RectRow& r : t)
            EXPECT_GE(r.bottom - r.top, 2) << "balloons are drawn in steps of two pixels";
    }
    // Each tail is in its own place: no balloon outline fits another balloon.
    EXPECT_NE(regionOf(RgnCall::TableBalloon1()), regionOf(RgnCall::TableBalloon4()));
}

TEST(ShapeRelations, DanceFramesFiveToEightMirrorOneToFour) {
    const RegionTable first[] = {RgnCall2::TableDance1_1(), RgnCall2::TableDance1_2(),
                                 RgnCall2::TableDance1_3(), RgnCall2::TableDance1_4()};
    const RegionTable second[] = {RgnCall2::TableDance1_5(), RgnCall2::TableDance1_6(),
                                  RgnCall2::TableDance1_7(), RgnCall2::TableDance1_8()};
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(regionOf(second[k]), mirrored(first[k])) << "frame " << k + 5;
    EXPECT_NE(regionOf(RgnCall2::TableDance1_0()), mirrored(RgnCall2::TableDance1_0()));
}

TEST(ShapeRelations, DanceFramePicturesMirrorPixelForPixel) {
    for (int k = 1; k <= 4; ++k) {
        const QImage a = picture(QStringLiteral("gra5.Image1(%1)").arg(k));
        const QImage b = picture(QStringLiteral("gra5.Image1(%1)").arg(k + 4));
        EXPECT_EQ(a.mirrored(true, false), b) << "frame " << k + 4;
    }
}

TEST(ShapeRelations, SleepingOutlineAddsOnlyMarksAboveTheHead) {
    const QRegion asleep = regionOf(RgnCall::TablePose11());
    const QRegion marked = regionOf(RgnCall::TablePose12());
    EXPECT_EQ(marked.intersected(asleep), asleep);
    const QRegion marks = marked.subtracted(asleep);
    EXPECT_FALSE(marks.isEmpty());
    EXPECT_TRUE(QRect(14, 20, 72, 30).contains(marks.boundingRect()))
        << marks.boundingRect().x() << "," << marks.boundingRect().y();
    // The picture is black under the marks: they show as dark letters over the desktop.
    const QImage p = picture(QStringLiteral("gra.Image1(16)"));
    for (const QRect& r : marks)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                ASSERT_EQ(p.pixel(x, y), qRgb(0, 0, 0)) << x << "," << y;
}

TEST(ShapeRelations, BusyOutlinesAgreeBelowTheirSharedLines) {
    const QRegion p14 = regionOf(RgnCall2::TablePose14());
    const QRegion p15 = regionOf(RgnCall2::TablePose15());
    const QRegion p16 = regionOf(RgnCall2::TablePose16());
    EXPECT_EQ(below(p14, 129), below(p15, 129));
    EXPECT_EQ(below(p14, 129), below(p16, 129));
    EXPECT_EQ(below(p15, 23), below(p16, 23));
    EXPECT_NE(p15, p16);
    EXPECT_NE(p14, p15);
}

TEST(ShapeRelations, EveryPoseStandsOnTheBottomLine) {
    for (const ShapeEntry& s : shapes::AllShapes()) {
        if (s.backdrop == Backdrop::Blue)
            continue;
        int bottom = 0;
        for (const RectRow& r : s.table)
            bottom = std::max(bottom, r.bottom);
        // The stay-awake gesture is a little start that lifts her off the floor.
        EXPECT_EQ(bottom, s.name == QStringLiteral("RgnCall2.ShapePose13") ? 168 : 170)
            << s.name.toStdString();
    }
}

// --- The small windows beside the character: what the design fixes of each outline ------------------

// The maximal runs of one scan line, as left and right (exclusive).
using Runs = std::vector<std::pair<int, int>>;

// What the design states of an outline traced from a picture on blue. The rows between the first and
// the last are the tracer's: it joins a run that repeats on the next line into one row, where the
// design's table sometimes keeps two, so the row count is held to a tenth of the design's.
struct Design {
    const char* shape;
    QRect box;                               // the outline's bounding box
    RectRow first, last;                     // the table's first and last rows
    int rows;                                // the design's row count
    int fewestRuns, mostRuns;                // runs on every scan line from the box's top to its bottom
    std::vector<std::pair<int, Runs>> lines; // scan lines whose runs the design gives
    std::vector<QRect> outside;              // areas that hold no pixel of the outline
    std::vector<QPoint> enclosed;            // background pixels the outline surrounds
};

void PrintTo(const Design& design, std::ostream* os) {
    *os << design.shape;
}

// A rectangle as the design writes it: left, top, right, bottom, right and bottom exclusive.
QRect exclusive(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

const Design kDesigns[] = {
    {"RgnCall4.ShapeLauncher",
     exclusive(5, 0, 71, 96),
     {43, 0, 45, 1},
     {31, 95, 38, 96},
     98,
     1,
     3,
     {{0, {{43, 45}}},
      {1, {{41, 48}}}, // the crown widens line by line under its knob
      {2, {{41, 50}}},
      {73, {{14, 18}, {21, 50}, {54, 58}}},
      {95, {{31, 38}}}},
     {exclusive(0, 96, 72, 100), exclusive(0, 0, 5, 100), exclusive(71, 0, 72, 100)},
     {}},
};

Runs runsOn(const Cover& cover, int y) {
    Runs runs;
    for (int x = 0; x < cover.width;) {
        if (!cover.in(x, y)) {
            ++x;
            continue;
        }
        const int left = x;
        while (cover.in(x, y))
            ++x;
        runs.emplace_back(left, x);
    }
    return runs;
}

class DesignTest : public ::testing::TestWithParam<Design> {
protected:
    void SetUp() override {
        found_ = shapes::FindShape(QString::fromUtf8(GetParam().shape));
        ASSERT_NE(found_, nullptr) << "no outline " << GetParam().shape;
    }
    const ShapeEntry& shape() const { return *found_; }

private:
    const ShapeEntry* found_ = nullptr;
};

TEST_P(DesignTest, BoxAndFirstAndLastRowsAreTheDesigns) {
    const Design& d = GetParam();
    const ShapeEntry& s = shape();
    EXPECT_EQ(regionOf(s.table).boundingRect(), d.box);
    EXPECT_EQ(s.table.front(), d.first);
    EXPECT_EQ(s.table.back(), d.last);
    for (const QRect& area : d.outside)
        EXPECT_FALSE(regionOf(s.table).intersects(area))
            << area.x() << "," << area.y() << " " << area.width() << "x" << area.height();
}

TEST_P(DesignTest, ScanLinesHoldTheDesignsRuns) {
    const Design& d = GetParam();
    const Cover cover(shape());
    for (int y = d.box.top(); y <= d.box.bottom(); ++y) {
        const std::size_t n = runsOn(cover, y).size();
        EXPECT_GE(n, std::size_t(d.fewestRuns)) << "line " << y;
        EXPECT_LE(n, std::size_t(d.mostRuns)) << "line " << y;
    }
    for (const auto& [y, runs] : d.lines)
        EXPECT_EQ(runsOn(cover, y), runs) << "line " << y;
}

TEST_P(DesignTest, RowCountIsWithinATenthOfTheDesigns) {
    const int rows = int(shape().table.size());
    EXPECT_LE(std::abs(rows - GetParam().rows) * 10, GetParam().rows) << rows << " rows";
}

// One 4-connected piece; the background it surrounds (not reached from the frame's edge through
// background) is exactly the design's.
TEST_P(DesignTest, IsOnePieceAroundOnlyTheDesignsHoles) {
    const ShapeEntry& s = shape();
    const Cover cover(s);
    const int w = s.frameWidth, h = s.frameHeight;
    auto fill = [&](std::vector<QPoint> todo, bool inside) {
        std::vector<char> seen(w * h, 0);
        for (const QPoint& p : todo)
            seen[p.y() * w + p.x()] = 1;
        while (!todo.empty()) {
            const QPoint p = todo.back();
            todo.pop_back();
            for (const QPoint& n : {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1)})
                if (n.x() >= 0 && n.y() >= 0 && n.x() < w && n.y() < h && !seen[n.y() * w + n.x()] &&
                    cover.in(n.x(), n.y()) == inside) {
                    seen[n.y() * w + n.x()] = 1;
                    todo.push_back(n);
                }
        }
        return seen;
    };
    const RectRow& first = s.table.front();
    const std::vector<char> piece = fill({QPoint(first.left, first.top)}, true);
    std::vector<QPoint> edge;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((x == 0 || y == 0 || x == w - 1 || y == h - 1) && !cover.in(x, y))
                edge.emplace_back(x, y);
    const std::vector<char> open = fill(edge, false);
    std::vector<QPoint> enclosed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (cover.in(x, y))
                EXPECT_TRUE(piece[y * w + x]) << x << "," << y << " lies apart from the outline's piece";
            else if (!open[y * w + x])
                enclosed.emplace_back(x, y);
        }
    std::string where;
    // Appended piece by piece: GCC 12 at -O3 wrongly warns (-Wrestrict) on " " + std::string.
    for (const QPoint& p : enclosed)
        where.append(" ").append(std::to_string(p.x())).append(",").append(std::to_string(p.y()));
    EXPECT_EQ(enclosed, GetParam().enclosed) << "enclosed:" << where;
}

// The blink picture keeps the silhouette: on it, too, exactly the outline's pixels are not blue, so
// nothing is cut from it and no blue shows through.
TEST_P(DesignTest, EveryPictureShownUnderItHasItAsItsSilhouette) {
    const ShapeEntry& s = shape();
    const Cover cover(s);
    for (const QString& name : s.pictures) {
        const QImage p = picture(name);
        ASSERT_EQ(p.size(), QSize(s.frameWidth, s.frameHeight)) << name.toStdString();
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x)
                ASSERT_EQ(cover.in(x, y), p.pixel(x, y) != qRgb(0, 0, 255))
                    << name.toStdString() << " at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    SmallWindows, DesignTest, ::testing::ValuesIn(kDesigns),
    [](const ::testing::TestParamInfo<Design>& info) {
        return QString::fromUtf8(info.param.shape).section(QLatin1Char('.'), 1).toStdString();
    });

// --- Each box against the design's reference box -----------------------------------------------------

// The reference box of each outline (left, top, right, bottom; right and bottom exclusive) and the
// tolerance: how many pixels today's pictures may put the left, top or right edge from it. The bottom
// edge matches exactly (every pose stands on the window's bottom line), and so does every edge of the
// balloons, whose rows are the design. The tolerances are today's largest miss of each pose; a redraw
// may bring a box nearer and lower its tolerance, never move it further. An outline without a row
// here is not compared.
struct Reference {
    const char* shape;
    int left, top, right, bottom;
    int tolerance;
};

constexpr Reference kReferences[] = {
    {"ShapeBalloon1", 4, 4, 192, 160, 0},    {"ShapeBalloon2", 8, 0, 196, 156, 0},
    {"ShapeBalloon3", 4, 0, 192, 156, 0},    {"ShapeBalloon4", 8, 4, 196, 160, 0},
    {"ShapeStandard", 28, 20, 133, 170, 5},  {"ShapePose01", 30, 34, 130, 170, 2},
    {"ShapePose02", 28, 66, 132, 170, 4},    {"ShapePose03", 23, 20, 139, 170, 12},
    {"ShapePose04", 26, 20, 137, 170, 9},    {"ShapePose05", 4, 5, 134, 170, 11},
    {"ShapePose06", 3, 21, 136, 170, 12},    {"ShapePose07", 26, 34, 132, 170, 9},
    {"ShapePose08", 33, 40, 142, 170, 12},   {"ShapePose09", 24, 25, 136, 170, 10},
    {"ShapePose10", 30, 34, 136, 170, 11},   {"ShapePose11", 34, 41, 134, 170, 10},
    {"ShapePose12", 14, 23, 134, 170, 10},   {"ShapePose13", 35, 37, 135, 168, 13},
    {"ShapePose14", 28, 19, 133, 170, 7},    {"ShapePose15", 28, 18, 140, 170, 13},
    {"ShapePose16", 28, 4, 140, 170, 13},    {"ShapePose17", 28, 20, 133, 170, 5},
    {"ShapePose18", 28, 20, 137, 170, 9},    {"ShapePose19", 29, 19, 138, 170, 10},
    {"ShapePose20", 28, 18, 133, 170, 5},    {"ShapePose21", 26, 16, 134, 170, 11},
    {"ShapePose22", 27, 13, 134, 170, 10},   {"ShapePose23", 27, 17, 137, 170, 2},
    {"ShapePose24", 18, 16, 140, 170, 4},    {"ShapePose25", 27, 16, 134, 170, 3},
    {"ShapeDance1_0", 25, 16, 122, 170, 7},  {"ShapeDance1_1", 25, 14, 131, 170, 9},
    {"ShapeDance1_2", 23, 16, 131, 170, 6},  {"ShapeDance1_3", 26, 15, 130, 170, 8},
    {"ShapeDance1_4", 20, 12, 135, 170, 13}, {"ShapeDance1_5", 39, 14, 145, 170, 9},
    {"ShapeDance1_6", 39, 16, 147, 170, 6},  {"ShapeDance1_7", 40, 15, 144, 170, 8},
    {"ShapeDance1_8", 35, 12, 150, 170, 13},
};

TEST(ShapeBoxes, LieWithinTheirToleranceOfTheReference) {
    for (const Reference& ref : kReferences) {
        const auto shape =
            std::find_if(shapes::AllShapes().begin(), shapes::AllShapes().end(), [&](const ShapeEntry& s) {
                return s.name.section(QLatin1Char('.'), 1) == QLatin1String(ref.shape);
            });
        ASSERT_NE(shape, shapes::AllShapes().end()) << "no outline " << ref.shape;
        const QRect box = regionOf(shape->table).boundingRect();
        const int left = box.left(), top = box.top(), right = box.right() + 1, bottom = box.bottom() + 1;
        const std::string miss = std::string(ref.shape) + " box (" + std::to_string(left) + "," +
                                 std::to_string(top) + ")-(" + std::to_string(right) + "," +
                                 std::to_string(bottom) + ")";
        EXPECT_LE(std::abs(left - ref.left), ref.tolerance) << miss << ", left edge";
        EXPECT_LE(std::abs(top - ref.top), ref.tolerance) << miss << ", top edge";
        EXPECT_LE(std::abs(right - ref.right), ref.tolerance) << miss << ", right edge";
        EXPECT_EQ(bottom, ref.bottom) << miss << ", bottom edge";
    }
}

} // namespace

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
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
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

// --- What the window shows of her drawing, in every outline ----------------------------------------

bool dark(QRgb c) {
    return std::max({qRed(c), qGreen(c), qBlue(c)}) < 0x60;
}

// The figure's own pixels in the picture (what its drawing covers, marks of the outline aside).
QImage figureMask(const QString& name) {
    return QImage(kPictures.filePath(QStringLiteral("masks/") + stem(name) + QStringLiteral(".png")))
        .convertToFormat(QImage::Format_Grayscale8);
}

// What the window shows is her drawing out to the outline's edge, in her contour: every pixel of
// her figure that the outline sets beside the desktop (a side, her top, a hole) is dark, so no
// part of a picture stands bare against the desktop, and no edge of her is cut straight through
// her drawing (bare hair or a board's face along a box side). Only the single sparkle pixels that
// stand alone keep their colour. On black, where the outline reaches past what is drawn at her
// feet, no line a pixel high of one colour runs along it either (the floor line is a shadow
// around her feet).
TEST_P(ShapeTest, ShowsHerDrawingToTheOutlinesEdge) {
    const ShapeEntry& s = GetParam();
    const Cover cover(s);
    const int columns = std::min(s.windowWidth, s.frameWidth);
    auto in = [&](int x, int y) { return x < columns && cover.in(x, y); };
    for (const QString& name : s.pictures) {
        SCOPED_TRACE(name.toStdString());
        const QImage p = picture(name);
        const QImage figure = figureMask(name);
        ASSERT_EQ(figure.size(), p.size());
        int bare = 0;
        for (int y = 0; y < s.frameHeight; ++y)
            for (int x = 0; x < columns; ++x) {
                if (!in(x, y) || !figure.constScanLine(y)[x] || dark(p.pixel(x, y)))
                    continue;
                const bool edge = !in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1);
                bool alone = true;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        alone = alone && ((!dx && !dy) || !in(x + dx, y + dy));
                if (!edge || alone)
                    continue;
                // A straight cut shows as bare pixels in a line along a side.
                int along = 1;
                for (const QPoint& step : {QPoint(0, 1), QPoint(1, 0)}) {
                    int n = 1;
                    while (in(x + n * step.x(), y + n * step.y()) &&
                           !dark(p.pixel(x + n * step.x(), y + n * step.y())))
                        ++n;
                    along = std::max(along, n);
                }
                if (++bare <= 5) {
                    ADD_FAILURE() << "no contour at " << x << "," << y << " (" << along
                                  << " bare pixels in a line from it)";
                }
            }
        EXPECT_EQ(bare, 0) << "pixels of her drawing bare against the desktop";
        if (s.backdrop != Backdrop::Black)
            continue;
        for (int y = s.frameHeight - 12; y < s.frameHeight; ++y) {
            auto thin = [&](int x) { return cover.in(x, y) && !cover.in(x, y - 1) && !cover.in(x, y + 1); };
            for (int x = 0; x < columns;) {
                if (!thin(x)) {
                    ++x;
                    continue;
                }
                int end = x;
                while (end < columns && thin(end) && p.pixel(end, y) == p.pixel(x, y))
                    ++end;
                EXPECT_LT(end - x, 5) << "a line a pixel high from " << x << "," << y << " to " << end - 1;
                x = end;
            }
        }
    }
}

// Where the outline runs on past what is drawn (to its box's side, down to a floor patch, round a
// hole beside her), it carries her drawing on, at least two pixels thick: no stroke of the outline
// a pixel wide runs for four pixels or more, across or down, whatever its colours (a thread of
// changing colour reads as a thread all the same).
TEST_P(ShapeTest, CarriesHerDrawingAlongTheOutlinesStrokes) {
    const ShapeEntry& s = GetParam();
    const Cover cover(s);
    const int columns = std::min(s.windowWidth, s.frameWidth);
    for (int y = 0; y < s.frameHeight; ++y)
        for (int x = 0; x < columns;) {
            auto thin = [&](int at) {
                return cover.in(at, y) && !cover.in(at, y - 1) && !cover.in(at, y + 1);
            };
            if (!thin(x)) {
                ++x;
                continue;
            }
            int end = x;
            while (end < columns && thin(end))
                ++end;
            EXPECT_LT(end - x, 4) << "a line a pixel high from " << x << "," << y << " to " << end - 1;
            x = end;
        }
    for (int x = 0; x < columns; ++x)
        for (int y = 0; y < s.frameHeight;) {
            auto thin = [&](int at) {
                return cover.in(x, at) && !cover.in(x - 1, at) && !cover.in(x + 1, at);
            };
            if (!thin(y)) {
                ++y;
                continue;
            }
            int end = y;
            while (end < s.frameHeight && thin(end))
                ++end;
            EXPECT_LT(end - y, 4) << "a line a pixel wide from " << x << "," << y << " to " << x << ","
                                  << end - 1;
            y = end;
        }
}

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

// Dances 2 to 4: each pair shows one pose from the other side, mirrored about the pair's own axis
// (column x of one is column axis - x of the other), pictures and outlines alike, pixel for pixel.
struct MirrorPair {
    int dance, frame, partner, axis;
};

TEST(ShapeRelations, LaterDancesMirrorTheirPairsAboutEachPairsAxis) {
    const MirrorPair pairs[] = {{2, 1, 8, 158}, {2, 2, 7, 157}, {2, 3, 6, 156}, {2, 4, 5, 160},
                                {3, 1, 5, 152}, {3, 2, 6, 152}, {3, 3, 7, 149}, {3, 4, 8, 149},
                                {4, 1, 5, 161}, {4, 2, 6, 158}, {4, 3, 7, 158}, {4, 4, 8, 157}};
    auto table = [](int dance, int k) {
        const ShapeEntry* s = shapes::FindShape(QStringLiteral("RgnCall3.ShapeDance%1_%2").arg(dance).arg(k));
        return s ? s->table : RegionTable{};
    };
    for (const MirrorPair& m : pairs) {
        SCOPED_TRACE("dance " + std::to_string(m.dance) + " frame " + std::to_string(m.frame));
        QRegion reflected;
        for (const RectRow& r : table(m.dance, m.frame))
            reflected += QRect(m.axis + 1 - r.right, r.top, r.right - r.left, r.bottom - r.top);
        EXPECT_FALSE(reflected.isEmpty());
        EXPECT_EQ(regionOf(table(m.dance, m.partner)), reflected);
        const QImage a = picture(QStringLiteral("gra%1.Image1(%2)").arg(m.dance + 5).arg(m.frame));
        const QImage b = picture(QStringLiteral("gra%1.Image1(%2)").arg(m.dance + 5).arg(m.partner));
        ASSERT_EQ(a.size(), QSize(170, 170));
        for (int y = 0; y < 170; ++y)
            for (int x = 0; x < 170; ++x) {
                const int from = m.axis - x;
                const QRgb want = from >= 0 && from < 170 ? a.pixel(from, y) : qRgb(0, 0, 255);
                ASSERT_EQ(b.pixel(x, y), want) << x << "," << y;
            }
    }
    // Frame 0 has no partner: it is no mirror of itself about any of the axes.
    for (int dance = 2; dance <= 4; ++dance)
        for (int axis : {149, 152, 156, 157, 158, 160, 161}) {
            QRegion reflected;
            for (const RectRow& r : table(dance, 0))
                reflected += QRect(axis + 1 - r.right, r.top, r.right - r.left, r.bottom - r.top);
            EXPECT_NE(regionOf(table(dance, 0)), reflected) << "dance " << dance << " axis " << axis;
        }
}

TEST(ShapeRelations, SleepingOutlineAddsOnlyMarksAboveTheHead) {
    const QRegion asleep = regionOf(RgnCall::TablePose11());
    const QRegion marked = regionOf(RgnCall::TablePose12());
    EXPECT_EQ(marked.intersected(asleep), asleep);
    const QRegion marks = marked.subtracted(asleep);
    // Three marks of about 505 pixels between columns 14 and 86 and lines 23 and 48, the tip of the
    // last one's top bar reaching column 86.
    EXPECT_EQ(marks.boundingRect(), QRect(14, 23, 73, 26));
    int pixels = 0;
    for (const QRect& r : marks)
        pixels += r.width() * r.height();
    EXPECT_LE(std::abs(pixels - 505) * 10, 505) << pixels << " pixels";
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

// The dial-up frames read as a gesture: she takes the phone out of her apron pocket, lifts it and
// holds it to her ear; hanging up, she ends the call and puts it back. Each step moves her hand and
// the phone by a clear stretch, so far more than a few pixels change from one frame to the next.
TEST(ShapeRelations, EachDialUpFrameMovesTheHandThatHoldsThePhone) {
    auto changed = [](int from, int to) {
        const QImage a = picture(QStringLiteral("gra6.Image1(%1)").arg(from));
        const QImage b = picture(QStringLiteral("gra6.Image1(%1)").arg(to));
        int count = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                count += a.pixel(x, y) != b.pixel(x, y);
        return count;
    };
    for (const auto& [from, to] : {std::pair{0, 1}, {1, 2}, {2, 3}, {5, 6}, {6, 7}})
        EXPECT_GT(changed(from, to), 1500) << "frames " << from << " and " << to;
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
// design's table sometimes keeps two, so the row count is held to a share of the design's (a tenth
// for the small windows, a fifth for the dance frames, whose tables join runs less often).
struct Design {
    const char* shape;
    QRect box;                               // the outline's bounding box
    RectRow first, last;                     // the table's first and last rows
    int rows;                                // the design's row count
    int fewestRuns, mostRuns;                // runs on every scan line from the box's top to its bottom
    std::vector<std::pair<int, Runs>> lines; // scan lines whose runs the design gives
    std::vector<QRect> outside;              // areas that hold no pixel of the outline
    std::vector<QPoint> enclosed;            // background pixels the outline surrounds
    std::vector<QPoint> detached = {};       // single pixels that touch no other, not even at a corner
    int rowShare = 10;                       // the row count within 1/rowShare of the design's
    // The colour around the figure in every picture shown under it; none where the picture's
    // background is a pattern or the outline holds marks of its own.
    std::optional<QRgb> backdrop = qRgb(0, 0, 255);
    int tallest = 0; // the most lines one row may span (0: not limited)
    // Where given: the enclosed background is pieces whose boxes are exactly these, one each.
    std::vector<QRect> holeBoxes = {};
    int pieces = 1;                 // 4-connected pieces of the outline, its detached pixels aside
    std::vector<RectRow> held = {}; // rows the table holds as they are: runs on exactly those lines
    // Where given: how many rows span each number of lines (the row count is then exact).
    std::vector<std::pair<int, int>> heights = {};
    // Where given: all the rows that start on one line, in table order.
    std::vector<std::vector<RectRow>> lineRows = {};
    // Where given: the only lines that hold `mostRuns` runs.
    std::vector<int> mostRunsOn = {};
};

void PrintTo(const Design& design, std::ostream* os) {
    *os << design.shape;
}

// A rectangle as the design writes it: left, top, right, bottom, right and bottom exclusive.
QRect exclusive(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

const Design kDesigns[] = {
    // The butler: the crown widens line by line under its knob; line 20 holds the card, the brim with
    // his arms and his raised hand; his arms' run on lines 25 to 31 is three rows, the card's corner
    // beside it a single pixel; his shoes' run and his arms' last rows are the tallest.
    {.shape = "RgnCall4.ShapeLauncher",
     .box = exclusive(5, 0, 71, 96),
     .first = {43, 0, 45, 1},
     .last = {31, 95, 38, 96},
     .rows = 98,
     .fewestRuns = 1,
     .mostRuns = 3,
     .lines = {{0, {{43, 45}}},
               {1, {{41, 48}}},
               {2, {{41, 50}}},
               {20, {{5, 11}, {12, 62}, {63, 68}}},
               {73, {{14, 18}, {21, 50}, {54, 58}}},
               {95, {{31, 38}}}},
     .outside = {exclusive(0, 96, 72, 100), exclusive(0, 0, 5, 100), exclusive(71, 0, 72, 100)},
     .enclosed = {},
     .tallest = 4,
     .held = {{43, 0, 45, 1},
              {41, 1, 48, 2},
              {41, 2, 50, 3},
              {10, 25, 65, 26},
              {10, 26, 65, 28},
              {10, 28, 65, 32},
              {5, 28, 6, 29},
              {11, 86, 40, 90},
              {31, 95, 38, 96}},
     .heights = {{1, 77}, {2, 16}, {3, 3}, {4, 2}},
     .lineRows = {{{63, 20, 68, 21}, {12, 20, 62, 21}, {5, 20, 11, 21}},
                  {{21, 73, 50, 74}, {14, 73, 18, 74}, {54, 73, 58, 74}}}},
    // The drone beside her: the antenna's bulb and the lamp's flat top are its top line, the tip of
    // its hover light its bottom line, and the left fin's hinge shows the desktop through three slits
    // (column 14 stays open on lines 32 and 33, the rows either side of it two lines high).
    {.shape = "RgnCall4.ShapePalk",
     .box = exclusive(1, 6, 69, 99),
     .first = {11, 6, 16, 7},
     .last = {49, 98, 53, 99},
     .rows = 124,
     .fewestRuns = 1,
     .mostRuns = 4,
     .lines = {{6, {{11, 16}, {28, 40}}}, {98, {{49, 53}}}},
     .outside = {exclusive(0, 0, 75, 6), exclusive(0, 99, 75, 100), exclusive(0, 0, 1, 100),
                 exclusive(69, 0, 75, 100)},
     .enclosed = {{14, 32}, {14, 33}, {14, 35}},
     .held = {{11, 6, 16, 7},
              {28, 6, 40, 7},
              {1, 32, 14, 34},
              {15, 32, 69, 34},
              {2, 22, 68, 27},
              {14, 37, 15, 38},
              {61, 35, 69, 36},
              {61, 36, 69, 37}},
     .heights = {{1, 101}, {2, 14}, {3, 7}, {4, 1}, {5, 1}},
     .lineRows = {{{23, 7, 44, 8}, {9, 7, 19, 8}},
                  {{1, 36, 9, 39}, {13, 36, 15, 37}, {61, 36, 69, 37}, {16, 36, 57, 37}}},
     .mostRunsOn = {35, 36, 37}},
    // The dance frames 2 to 4 (stores gra7 to gra9). Their hard limits: dance 2 nothing above line 11,
    // left of 16 or right of 142; dance 3 nothing right of 137 and, but for the tuft of frames 2 and
    // 6, nothing above line 5; dance 4 nothing above line 4, left of 17 or from 142 on.
    {"RgnCall3.ShapeDance2_0",
     exclusive(24, 15, 125, 170),
     {79, 15, 80, 16},
     {56, 169, 65, 170},
     159,
     1,
     3,
     {{15, {{79, 80}}},
      {16, {{76, 91}}},
      {17, {{35, 51}, {66, 68}, {69, 95}}},
      {166, {{53, 76}, {77, 90}, {91, 115}}},
      {169, {{56, 65}}}},
     {exclusive(0, 0, 170, 11), exclusive(0, 0, 16, 170), exclusive(143, 0, 170, 170)},
     {{39, 41}},
     {},
     5,
     qRgb(0, 0, 255),
     12},
    {"RgnCall3.ShapeDance2_1",
     exclusive(19, 16, 131, 170),
     {33, 16, 49, 17},
     {92, 169, 101, 170},
     172,
     1,
     3,
     {{16, {{33, 49}}}, {169, {{92, 101}}}},
     {exclusive(0, 0, 170, 11), exclusive(0, 0, 16, 170), exclusive(143, 0, 170, 170)},
     {{83, 140},
      {84, 140},
      {85, 140},
      {86, 140},
      {83, 141},
      {84, 141},
      {85, 141},
      {86, 141},
      {83, 142},
      {84, 142},
      {85, 142},
      {86, 142},
      {83, 143},
      {84, 143},
      {85, 143}},
     {},
     5,
     qRgb(0, 0, 255),
     10},
    {"RgnCall3.ShapeDance2_2",
     exclusive(16, 14, 129, 170),
     {43, 14, 48, 15},
     {91, 169, 96, 170},
     180,
     1,
     4,
     {{14, {{43, 48}, {103, 106}}}, {169, {{91, 96}}}},
     {exclusive(0, 0, 170, 11), exclusive(0, 0, 16, 170), exclusive(143, 0, 170, 170)},
     {},
     {},
     5,
     qRgb(0, 0, 255),
     5},
    {"RgnCall3.ShapeDance2_3",
     exclusive(17, 13, 130, 170),
     {104, 13, 107, 14},
     {85, 169, 91, 170},
     183,
     1,
     4,
     {{13, {{104, 107}}}, {169, {{85, 91}}}},
     {exclusive(0, 0, 170, 11), exclusive(0, 0, 16, 170), exclusive(143, 0, 170, 170)},
     {{71, 140},
      {72, 140},
      {73, 140},
      {74, 140},
      {71, 141},
      {72, 141},
      {73, 141},
      {74, 141},
      {71, 142},
      {72, 142},
      {73, 142},
      {74, 142},
      {71, 143},
      {72, 143},
      {73, 143}},
     {},
     5,
     qRgb(0, 0, 255),
     6},
    {"RgnCall3.ShapeDance2_4",
     exclusive(18, 11, 132, 170),
     {100, 11, 103, 12},
     {101, 169, 110, 170},
     206,
     1,
     4,
     {{11, {{100, 103}}}, {169, {{101, 110}}}},
     {exclusive(0, 0, 170, 11), exclusive(0, 0, 16, 170), exclusive(143, 0, 170, 170)},
     {},
     {{131, 65}},
     5,
     qRgb(0, 0, 255),
     4},
    {"RgnCall3.ShapeDance2_5",
     exclusive(29, 11, 143, 170),
     {58, 11, 61, 12},
     {51, 169, 60, 170},
     201,
     1,
     4,
     {{11, {{58, 61}}}, {169, {{51, 60}}}},
     {exclusive(0, 0, 170, 11), exclusive(0, 0, 16, 170), exclusive(143, 0, 170, 170)},
     {},
     {{29, 65}},
     5,
     qRgb(0, 0, 255),
     7},
    {"RgnCall3.ShapeDance2_6",
     exclusive(27, 13, 140, 170),
     {50, 13, 53, 14},
     {66, 169, 72, 170},
     183,
     1,
     4,
     {{13, {{50, 53}}}, {169, {{66, 72}}}},
     {exclusive(0, 0, 170, 11), exclusive(0, 0, 16, 170), exclusive(143, 0, 170, 170)},
     {{82, 140},
      {83, 140},
      {84, 140},
      {85, 140},
      {82, 141},
      {83, 141},
      {84, 141},
      {85, 141},
      {82, 142},
      {83, 142},
      {84, 142},
      {85, 142},
      {83, 143},
      {84, 143},
      {85, 143}},
     {},
     5,
     qRgb(0, 0, 255),
     5},
    {"RgnCall3.ShapeDance2_7",
     exclusive(29, 14, 142, 170),
     {52, 14, 55, 15},
     {62, 169, 67, 170},
     176,
     1,
     4,
     {{14, {{52, 55}, {110, 115}}}, {169, {{62, 67}}}},
     {exclusive(0, 0, 170, 11), exclusive(0, 0, 16, 170), exclusive(143, 0, 170, 170)},
     {},
     {},
     5,
     qRgb(0, 0, 255),
     5},
    {"RgnCall3.ShapeDance2_8",
     exclusive(28, 16, 140, 170),
     {110, 16, 126, 17},
     {58, 169, 67, 170},
     168,
     1,
     3,
     {{16, {{110, 126}}}, {169, {{58, 67}}}},
     {exclusive(0, 0, 170, 11), exclusive(0, 0, 16, 170), exclusive(143, 0, 170, 170)},
     {{72, 140},
      {73, 140},
      {74, 140},
      {75, 140},
      {72, 141},
      {73, 141},
      {74, 141},
      {75, 141},
      {72, 142},
      {73, 142},
      {74, 142},
      {75, 142},
      {73, 143},
      {74, 143},
      {75, 143}},
     {},
     5,
     qRgb(0, 0, 255),
     10},
    {"RgnCall3.ShapeDance3_0",
     exclusive(19, 16, 117, 170),
     {76, 16, 78, 17},
     {39, 169, 71, 170},
     161,
     1,
     3,
     {{16, {{76, 78}}},
      {17, {{29, 47}, {64, 86}}},
      {18, {{26, 51}, {58, 92}}},
      {169, {{39, 71}, {81, 90}, {98, 99}}}},
     {exclusive(0, 0, 170, 2), exclusive(138, 0, 170, 170), exclusive(0, 0, 170, 5)},
     {{58, 115}, {59, 115}, {60, 115}, {61, 115}, {58, 116}, {59, 116}, {60, 116}, {61, 116},
      {58, 117}, {59, 117}, {60, 117}, {66, 128}, {66, 131}, {66, 134}, {66, 137}, {67, 137},
      {66, 140}, {67, 140}, {68, 140}, {66, 143}, {66, 146}, {70, 149}, {61, 152}},
     {{37, 26}},
     5,
     qRgb(0, 0, 255),
     11},
    {"RgnCall3.ShapeDance3_1",
     exclusive(17, 13, 120, 170),
     {32, 13, 46, 14},
     {77, 169, 80, 170},
     173,
     1,
     5,
     {{13, {{32, 46}}}, {168, {{31, 45}, {56, 57}, {58, 59}, {60, 70}, {71, 100}}}, {169, {{77, 80}}}},
     {exclusive(0, 0, 170, 2), exclusive(138, 0, 170, 170), exclusive(0, 0, 170, 5)},
     {{76, 133}, {77, 133}, {78, 133}, {76, 136}, {77, 136}, {78, 136}, {76, 137}, {77, 137},
      {76, 140}, {77, 140}, {78, 140}, {76, 141}, {77, 141}, {78, 141}, {76, 144}, {77, 144},
      {78, 144}, {76, 145}, {77, 145}, {79, 148}, {80, 148}, {81, 148}},
     {},
     5,
     qRgb(0, 0, 255),
     11},
    {"RgnCall3.ShapeDance3_2",
     exclusive(27, 2, 133, 170),
     {48, 2, 49, 5},
     {35, 169, 39, 170},
     168,
     1,
     3,
     {{2, {{48, 49}}}, {3, {{48, 49}}}, {4, {{48, 49}}}, {5, {{48, 50}}}, {6, {{43, 55}}}, {169, {{35, 39}}}},
     {exclusive(0, 0, 170, 2), exclusive(138, 0, 170, 170)},
     {{39, 34}},
     {},
     5,
     qRgb(0, 0, 255),
     7},
    {"RgnCall3.ShapeDance3_3",
     exclusive(12, 5, 129, 170),
     {27, 5, 33, 6},
     {84, 169, 92, 170},
     217,
     1,
     5,
     {{5, {{27, 33}}}, {169, {{84, 92}}}},
     {exclusive(0, 0, 170, 2), exclusive(138, 0, 170, 170), exclusive(0, 0, 170, 5)},
     {{78, 131}, {78, 134}, {78, 137}, {78, 140}, {79, 140}, {78, 143}, {78, 146}},
     {{75, 10}},
     5,
     qRgb(0, 0, 255),
     3},
    {"RgnCall3.ShapeDance3_4",
     exclusive(14, 5, 128, 170),
     {31, 5, 43, 6},
     {83, 169, 105, 170},
     164,
     1,
     3,
     {{5, {{31, 43}}}, {169, {{83, 105}}}},
     {exclusive(0, 0, 170, 2), exclusive(138, 0, 170, 170), exclusive(0, 0, 170, 5)},
     {{65, 137}, {65, 140}},
     {},
     5,
     qRgb(0, 0, 255),
     8},
    {"RgnCall3.ShapeDance3_5",
     exclusive(33, 13, 136, 170),
     {107, 13, 121, 14},
     {73, 169, 76, 170},
     176,
     1,
     5,
     {{13, {{107, 121}}}, {168, {{53, 82}, {83, 93}, {94, 95}, {96, 97}, {108, 122}}}, {169, {{73, 76}}}},
     {exclusive(0, 0, 170, 2), exclusive(138, 0, 170, 170), exclusive(0, 0, 170, 5)},
     {{74, 133}, {75, 133}, {76, 133}, {74, 136}, {75, 136}, {76, 136}, {75, 137}, {76, 137},
      {74, 140}, {75, 140}, {76, 140}, {74, 141}, {75, 141}, {76, 141}, {74, 144}, {75, 144},
      {76, 144}, {75, 145}, {76, 145}, {71, 148}, {72, 148}, {73, 148}},
     {},
     5,
     qRgb(0, 0, 255),
     11},
    {"RgnCall3.ShapeDance3_6",
     exclusive(20, 2, 126, 170),
     {104, 2, 105, 5},
     {114, 169, 118, 170},
     163,
     1,
     3,
     {{2, {{104, 105}}},
      {3, {{104, 105}}},
      {4, {{104, 105}}},
      {5, {{103, 105}}},
      {6, {{98, 110}}},
      {169, {{114, 118}}}},
     {exclusive(0, 0, 170, 2), exclusive(138, 0, 170, 170)},
     {{113, 34}},
     {},
     5,
     qRgb(0, 0, 255),
     7},
    {"RgnCall3.ShapeDance3_7",
     exclusive(21, 5, 138, 170),
     {117, 5, 123, 6},
     {58, 169, 66, 170},
     206,
     1,
     5,
     {{5, {{117, 123}}}, {169, {{58, 66}}}},
     {exclusive(0, 0, 170, 2), exclusive(138, 0, 170, 170), exclusive(0, 0, 170, 5)},
     {{71, 131}, {71, 134}, {71, 137}, {70, 140}, {71, 140}, {71, 143}, {71, 146}},
     {{74, 10}},
     5,
     qRgb(0, 0, 255),
     5},
    {"RgnCall3.ShapeDance3_8",
     exclusive(22, 5, 136, 170),
     {107, 5, 119, 6},
     {45, 169, 67, 170},
     168,
     1,
     3,
     {{5, {{107, 119}}}, {169, {{45, 67}}}},
     {exclusive(0, 0, 170, 2), exclusive(138, 0, 170, 170), exclusive(0, 0, 170, 5)},
     {{84, 137}, {84, 140}},
     {},
     5,
     qRgb(0, 0, 255),
     8},
    {"RgnCall3.ShapeDance4_0",
     exclusive(17, 10, 140, 170),
     {43, 10, 47, 11},
     {48, 169, 63, 170},
     159,
     1,
     5,
     {{10, {{43, 47}}},
      {11, {{39, 51}, {113, 119}}},
      {12, {{33, 34}, {37, 52}, {54, 61}, {109, 122}}},
      {167, {{44, 79}, {83, 97}, {101, 102}, {106, 109}, {114, 117}}},
      {169, {{48, 63}}}},
     {exclusive(0, 0, 170, 4), exclusive(0, 0, 17, 170), exclusive(142, 0, 170, 170)},
     {{131, 60}, {132, 62}, {28, 72}, {29, 72}, {28, 73}, {29, 73}, {28, 74}, {29, 74}, {28, 75}, {29, 75}},
     {{20, 27}, {17, 40}},
     5,
     qRgb(0, 0, 255),
     6},
    {"RgnCall3.ShapeDance4_1",
     exclusive(20, 5, 135, 170),
     {107, 5, 110, 6},
     {97, 169, 100, 170},
     171,
     1,
     3,
     {{5, {{107, 110}}}, {169, {{55, 60}, {97, 100}}}},
     {exclusive(0, 0, 170, 4), exclusive(0, 0, 17, 170), exclusive(142, 0, 170, 170)},
     {{38, 98}, {39, 98}, {40, 98}, {38, 99}, {39, 99}, {40, 99}, {38, 100}, {39, 100}},
     {},
     5,
     qRgb(0, 0, 255),
     4},
    {"RgnCall3.ShapeDance4_2",
     exclusive(20, 7, 139, 170),
     {41, 7, 51, 8},
     {89, 169, 101, 170},
     181,
     1,
     5,
     {{7, {{41, 51}, {59, 65}}},
      {8, {{39, 54}, {58, 67}, {102, 103}, {109, 113}, {115, 116}}},
      {169, {{89, 101}}}},
     {exclusive(0, 0, 170, 4), exclusive(0, 0, 17, 170), exclusive(142, 0, 170, 170)},
     {{70, 163}},
     {},
     5,
     qRgb(0, 0, 255),
     4},
    {"RgnCall3.ShapeDance4_3",
     exclusive(21, 4, 138, 170),
     {60, 4, 63, 5},
     {88, 169, 101, 170},
     183,
     1,
     4,
     {{4, {{60, 63}}}, {169, {{88, 101}}}},
     {exclusive(0, 0, 170, 4), exclusive(0, 0, 17, 170), exclusive(142, 0, 170, 170)},
     {{39, 94}, {40, 94}, {41, 94}, {42, 94}, {39, 95}, {40, 95}, {41, 95}, {42, 95}, {39, 96}, {40, 96}},
     {},
     5,
     qRgb(0, 0, 255),
     3},
    {"RgnCall3.ShapeDance4_4",
     exclusive(18, 4, 140, 170),
     {111, 4, 113, 5},
     {90, 169, 100, 170},
     192,
     1,
     4,
     {{4, {{111, 113}}}, {169, {{90, 100}}}},
     {exclusive(0, 0, 170, 4), exclusive(0, 0, 17, 170), exclusive(142, 0, 170, 170)},
     {{78, 127}, {79, 127}, {78, 130}, {79, 130}, {80, 130}, {78, 133}, {79, 133}, {80, 133}, {78, 134},
      {79, 134}, {80, 134}, {78, 137}, {79, 137}, {80, 137}, {78, 138}, {79, 138}, {80, 138}, {78, 139},
      {79, 139}, {83, 142}, {84, 142}, {85, 142}, {86, 142}, {83, 143}, {84, 143}, {85, 143}, {86, 143},
      {83, 144}, {84, 144}, {85, 144}, {86, 144}, {83, 145}, {84, 145}, {85, 145}, {83, 148}, {84, 148},
      {85, 148}, {83, 149}, {84, 149}, {72, 152}, {73, 152}},
     {{110, 160}},
     5,
     qRgb(0, 0, 255),
     6},
    {"RgnCall3.ShapeDance4_5",
     exclusive(27, 5, 142, 170),
     {52, 5, 55, 6},
     {102, 169, 107, 170},
     169,
     1,
     3,
     {{5, {{52, 55}}}, {169, {{62, 65}, {102, 107}}}},
     {exclusive(0, 0, 170, 4), exclusive(0, 0, 17, 170), exclusive(142, 0, 170, 170)},
     {{121, 98}, {122, 98}, {123, 98}, {121, 99}, {122, 99}, {123, 99}, {122, 100}, {123, 100}},
     {},
     5,
     qRgb(0, 0, 255),
     4},
    {"RgnCall3.ShapeDance4_6",
     exclusive(20, 7, 139, 170),
     {94, 7, 100, 8},
     {58, 169, 70, 170},
     179,
     1,
     5,
     {{7, {{94, 100}, {108, 118}}},
      {8, {{43, 44}, {46, 50}, {56, 57}, {92, 101}, {105, 120}}},
      {169, {{58, 70}}}},
     {exclusive(0, 0, 170, 4), exclusive(0, 0, 17, 170), exclusive(142, 0, 170, 170)},
     {{88, 163}},
     {},
     5,
     qRgb(0, 0, 255),
     4},
    {"RgnCall3.ShapeDance4_7",
     exclusive(21, 4, 138, 170),
     {96, 4, 99, 5},
     {58, 169, 71, 170},
     183,
     1,
     4,
     {{4, {{96, 99}}}, {169, {{58, 71}}}},
     {exclusive(0, 0, 170, 4), exclusive(0, 0, 17, 170), exclusive(142, 0, 170, 170)},
     {{116, 94},
      {117, 94},
      {118, 94},
      {119, 94},
      {116, 95},
      {117, 95},
      {118, 95},
      {119, 95},
      {118, 96},
      {119, 96}},
     {},
     5,
     qRgb(0, 0, 255),
     3},
    {"RgnCall3.ShapeDance4_8",
     exclusive(18, 4, 140, 170),
     {45, 4, 47, 5},
     {58, 169, 68, 170},
     192,
     1,
     4,
     {{4, {{45, 47}}}, {169, {{58, 68}}}},
     {exclusive(0, 0, 170, 4), exclusive(0, 0, 17, 170), exclusive(142, 0, 170, 170)},
     {{78, 127}, {79, 127}, {77, 130}, {78, 130}, {79, 130}, {77, 133}, {78, 133}, {79, 133}, {77, 134},
      {78, 134}, {79, 134}, {77, 137}, {78, 137}, {79, 137}, {77, 138}, {78, 138}, {79, 138}, {78, 139},
      {79, 139}, {71, 142}, {72, 142}, {73, 142}, {74, 142}, {71, 143}, {72, 143}, {73, 143}, {74, 143},
      {71, 144}, {72, 144}, {73, 144}, {74, 144}, {72, 145}, {73, 145}, {74, 145}, {72, 148}, {73, 148},
      {74, 148}, {73, 149}, {74, 149}, {84, 152}, {85, 152}},
     {{47, 160}},
     5,
     qRgb(0, 0, 255),
     5},
    // The single poses: each ends on its floor line and starts on its top line's one run.
    {"RgnCall.ShapeStandard",
     exclusive(28, 20, 133, 170),
     {42, 20, 55, 21},
     {45, 169, 122, 170},
     135,
     1,
     3,
     {{20, {{42, 55}}}, {169, {{45, 122}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall.ShapePose01",
     exclusive(30, 34, 130, 170),
     {80, 34, 85, 35},
     {49, 169, 120, 170},
     140,
     1,
     3,
     {{34, {{80, 85}}}, {169, {{49, 120}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall.ShapePose02",
     exclusive(28, 66, 132, 170),
     {74, 66, 93, 67},
     {51, 169, 119, 170},
     139,
     1,
     3,
     {{66, {{74, 93}}}, {169, {{51, 119}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall.ShapePose03",
     exclusive(23, 20, 139, 170),
     {39, 20, 55, 21},
     {45, 169, 123, 170},
     222,
     1,
     3,
     {{20, {{39, 55}}}, {169, {{45, 123}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall.ShapePose04",
     exclusive(26, 20, 137, 170),
     {39, 20, 52, 21},
     {44, 169, 122, 170},
     216,
     1,
     3,
     {{20, {{39, 52}}}, {169, {{44, 122}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall.ShapePose05",
     exclusive(4, 5, 134, 170),
     {48, 5, 51, 6},
     {47, 169, 123, 170},
     131,
     1,
     3,
     {{5, {{48, 51}}}, {169, {{47, 123}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall.ShapePose06",
     exclusive(3, 21, 136, 170),
     {42, 21, 44, 22},
     {48, 169, 79, 170},
     135,
     1,
     3,
     {{21, {{42, 44}}}, {169, {{48, 79}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall.ShapePose07",
     exclusive(26, 34, 132, 170),
     {45, 34, 50, 35},
     {43, 169, 56, 170},
     129,
     1,
     5,
     {{34, {{45, 50}}}, {169, {{43, 56}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall.ShapePose08",
     exclusive(33, 40, 142, 170),
     {50, 40, 54, 41},
     {108, 169, 123, 170},
     123,
     1,
     5,
     {{40, {{50, 54}}}, {169, {{108, 123}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall.ShapePose09",
     exclusive(24, 25, 136, 170),
     {44, 25, 50, 26},
     {106, 169, 118, 170},
     143,
     1,
     3,
     {{25, {{44, 50}}}, {169, {{106, 118}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall.ShapePose10",
     exclusive(30, 34, 136, 170),
     {46, 34, 54, 35},
     {103, 169, 123, 170},
     129,
     1,
     4,
     {{34, {{46, 54}}}, {169, {{103, 123}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall.ShapePose11",
     exclusive(34, 41, 134, 170),
     {84, 41, 89, 42},
     {103, 169, 123, 170},
     127,
     1,
     4,
     {{41, {{84, 89}}}, {169, {{103, 123}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    // The sleeping outline and its three Z marks, which stand apart from her and from each other.
    {"RgnCall.ShapePose12",
     exclusive(14, 23, 134, 170),
     {82, 23, 85, 24},
     {103, 169, 123, 170},
     214,
     1,
     5,
     {{23, {{82, 85}}}, {24, {{81, 86}}}, {25, {{80, 87}}}, {169, {{103, 123}}}},
     {},
     {},
     {},
     5,
     std::nullopt,
     0,
     {},
     4},
    {"RgnCall2.ShapePose13",
     exclusive(35, 37, 135, 168),
     {85, 37, 90, 38},
     {98, 167, 127, 168},
     141,
     1,
     4,
     {{37, {{85, 90}}}, {167, {{98, 127}}}},
     {exclusive(0, 168, 170, 170)},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall2.ShapePose17",
     exclusive(28, 20, 133, 170),
     {42, 20, 55, 21},
     {45, 169, 122, 170},
     142,
     1,
     3,
     {{20, {{42, 55}}}, {169, {{45, 122}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    // The first dance's frames (frames 5 to 8 mirror 1 to 4).
    {"RgnCall2.ShapeDance1_0",
     exclusive(25, 16, 122, 170),
     {39, 16, 53, 17},
     {58, 169, 118, 170},
     136,
     1,
     3,
     {{16, {{39, 53}}}, {169, {{58, 118}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall2.ShapeDance1_1",
     exclusive(25, 14, 131, 170),
     {42, 14, 43, 15},
     {82, 169, 114, 170},
     161,
     1,
     4,
     {{14, {{42, 43}, {44, 46}, {48, 49}}}, {169, {{54, 79}, {82, 114}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall2.ShapeDance1_2",
     exclusive(23, 16, 131, 170),
     {42, 16, 50, 17},
     {41, 169, 114, 170},
     169,
     1,
     3,
     {{16, {{42, 50}}}, {169, {{41, 114}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall2.ShapeDance1_3",
     exclusive(26, 15, 130, 170),
     {42, 15, 53, 16},
     {78, 169, 103, 170},
     175,
     1,
     3,
     {{15, {{42, 53}}}, {169, {{78, 103}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall2.ShapeDance1_4",
     exclusive(20, 12, 135, 170),
     {81, 12, 95, 13},
     {44, 169, 58, 170},
     160,
     1,
     4,
     {{12, {{81, 95}}}, {169, {{44, 58}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall2.ShapeDance1_5",
     exclusive(39, 14, 145, 170),
     {121, 14, 122, 15},
     {91, 169, 116, 170},
     153,
     1,
     4,
     {{14, {{121, 122}, {124, 126}, {127, 128}}}, {169, {{56, 88}, {91, 116}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall2.ShapeDance1_6",
     exclusive(39, 16, 147, 170),
     {120, 16, 128, 17},
     {56, 169, 129, 170},
     169,
     1,
     3,
     {{16, {{120, 128}}}, {169, {{56, 129}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall2.ShapeDance1_7",
     exclusive(40, 15, 144, 170),
     {117, 15, 128, 16},
     {67, 169, 92, 170},
     172,
     1,
     3,
     {{15, {{117, 128}}}, {169, {{67, 92}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    {"RgnCall2.ShapeDance1_8",
     exclusive(35, 12, 150, 170),
     {75, 12, 89, 13},
     {112, 169, 126, 170},
     158,
     1,
     4,
     {{12, {{75, 89}}}, {169, {{112, 126}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0)},
    // The busy pose and the dial-up poses. The busy outlines end on the desk's front, the same in
    // all three; the dial-up outlines on their floor line (the hang-up's second frame on one pixel of
    // the sole), no row taller than the design's tallest, and the hang-up frames never left of 18 nor
    // from 140 on, their two holes inside the band.
    {"RgnCall2.ShapePose14",
     exclusive(28, 19, 133, 170),
     {40, 19, 53, 20},
     {43, 169, 120, 170},
     148,
     1,
     3,
     {{19, {{40, 53}}}, {159, {{43, 121}}}, {168, {{43, 121}}}, {169, {{43, 120}}}},
     {},
     {},
     {},
     5,
     std::nullopt,
     10,
     {}},
    {"RgnCall2.ShapePose15",
     exclusive(28, 18, 140, 170),
     {34, 18, 43, 19},
     {43, 169, 120, 170},
     158,
     1,
     3,
     {{18, {{34, 43}, {129, 133}}}, {159, {{43, 121}}}, {168, {{43, 121}}}, {169, {{43, 120}}}},
     {},
     {},
     {},
     5,
     std::nullopt,
     10,
     {}},
    {"RgnCall2.ShapePose16",
     exclusive(28, 4, 140, 170),
     {62, 4, 65, 5},
     {43, 169, 120, 170},
     256,
     1,
     7,
     {{4, {{62, 65}}}, {5, {{61, 63}, {65, 66}}}, {159, {{43, 121}}}, {168, {{43, 121}}}, {169, {{43, 120}}}},
     {},
     {{63, 5}, {64, 5}, {73, 7}, {74, 7}, {44, 9}, {45, 9}, {82, 10}, {83, 10}, {54, 11}, {55, 11}},
     {},
     5,
     std::nullopt,
     10,
     {}},
    {"RgnCall2.ShapePose18",
     exclusive(28, 20, 137, 170),
     {43, 20, 54, 21},
     {45, 168, 123, 170},
     162,
     1,
     3,
     {{20, {{43, 54}}}, {21, {{38, 58}, {68, 86}, {87, 88}}}, {168, {{45, 123}}}, {169, {{45, 123}}}},
     {},
     {{45, 28}, {40, 47}},
     {},
     5,
     qRgb(0, 0, 0),
     6,
     {},
     1,
     {},
     {},
     {{{29, 27, 32, 28}, {38, 27, 110, 28}, {33, 27, 34, 28}}}},
    {"RgnCall2.ShapePose19",
     exclusive(29, 19, 138, 170),
     {46, 19, 54, 20},
     {44, 161, 122, 170},
     155,
     1,
     4,
     {{19, {{46, 54}}}, {161, {{44, 122}}}},
     {},
     {{46, 27}, {47, 27}, {125, 48}},
     {},
     5,
     qRgb(0, 0, 0),
     9,
     {},
     1,
     {},
     {},
     {},
     {48}},
    {"RgnCall2.ShapePose20",
     exclusive(28, 18, 133, 170),
     {42, 18, 53, 19},
     {45, 169, 122, 170},
     136,
     1,
     3,
     {{18, {{42, 53}, {55, 57}}}, {169, {{45, 122}}}},
     {},
     {{50, 24}, {51, 24}, {48, 25}, {49, 25}, {50, 25}, {51, 25}, {52, 25}, {53, 25}, {46, 26}, {47, 26},
      {48, 26}, {49, 26}, {50, 26}, {51, 26}, {52, 26}, {53, 26}, {43, 27}, {44, 27}, {45, 27}, {46, 27},
      {47, 27}, {48, 27}, {49, 27}, {50, 27}, {51, 27}, {52, 27}, {53, 27}, {54, 27}, {44, 28}, {45, 28},
      {46, 28}, {47, 28}, {48, 28}, {49, 28}, {50, 28}, {51, 28}, {44, 29}, {45, 29}, {46, 29}, {45, 30}},
     {},
     5,
     qRgb(0, 0, 0),
     9,
     {}},
    {"RgnCall2.ShapePose21",
     exclusive(26, 16, 134, 170),
     {51, 16, 54, 17},
     {45, 161, 123, 170},
     128,
     1,
     3,
     {{16, {{51, 54}, {71, 88}}}, {161, {{45, 123}}}},
     {},
     {},
     {},
     5,
     qRgb(0, 0, 0),
     9,
     {}},
    {"RgnCall2.ShapePose22",
     exclusive(27, 13, 134, 170),
     {42, 13, 54, 14},
     {45, 167, 122, 170},
     147,
     1,
     3,
     {{13, {{42, 54}}}, {167, {{45, 122}}}},
     {exclusive(138, 0, 170, 170)},
     {},
     {},
     5,
     qRgb(0, 0, 0),
     6,
     {}},
    {"RgnCall2.ShapePose23",
     exclusive(27, 17, 137, 170),
     {40, 17, 54, 18},
     {88, 169, 115, 170},
     233,
     1,
     5,
     {{17, {{40, 54}, {77, 80}}}, {18, {{37, 59}, {79, 88}}}, {169, {{88, 115}}}},
     {exclusive(0, 0, 18, 170), exclusive(140, 0, 170, 170)},
     {},
     {{135, 60}},
     5,
     qRgb(0, 0, 0),
     14,
     {exclusive(37, 118, 73, 161), exclusive(96, 117, 133, 160), exclusive(44, 23, 55, 28)}},
    {"RgnCall2.ShapePose24",
     exclusive(18, 16, 140, 170),
     {39, 16, 52, 17},
     {99, 169, 100, 170},
     217,
     1,
     5,
     {{16, {{39, 52}}}, {169, {{99, 100}}}},
     {exclusive(0, 0, 18, 170), exclusive(140, 0, 170, 170)},
     {},
     {{130, 134}},
     5,
     qRgb(0, 0, 0),
     10,
     {exclusive(24, 119, 72, 159), exclusive(94, 120, 135, 159)}},
    {"RgnCall2.ShapePose25",
     exclusive(27, 16, 134, 170),
     {43, 16, 52, 17},
     {79, 169, 119, 170},
     246,
     1,
     5,
     {{169, {{79, 119}}}},
     {exclusive(0, 0, 18, 170), exclusive(140, 0, 170, 170)},
     {},
     {},
     5,
     qRgb(0, 0, 0),
     8,
     {exclusive(35, 117, 70, 159), exclusive(93, 119, 130, 162), exclusive(42, 22, 54, 29),
      exclusive(101, 124, 105, 133), exclusive(115, 97, 117, 107)}},
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
    for (const RectRow& row : d.held)
        EXPECT_NE(std::find(s.table.begin(), s.table.end(), row), s.table.end())
            << "no row " << row.left << "," << row.top << "," << row.right << "," << row.bottom;
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
    if (!d.mostRunsOn.empty()) {
        std::vector<int> most;
        for (int y = d.box.top(); y <= d.box.bottom(); ++y)
            if (runsOn(cover, y).size() == std::size_t(d.mostRuns))
                most.push_back(y);
        EXPECT_EQ(most, d.mostRunsOn) << "the lines with " << d.mostRuns << " runs";
    }
}

// Where the design gives them: how many rows of each height, and the rows of a line in their order.
TEST_P(DesignTest, RowsAreLaidOutAsTheDesigns) {
    const Design& d = GetParam();
    const RegionTable table = shape().table;
    if (!d.heights.empty()) {
        std::vector<std::pair<int, int>> heights;
        for (const RectRow& r : table) {
            const int lines = r.bottom - r.top;
            auto at =
                std::find_if(heights.begin(), heights.end(), [&](const auto& h) { return h.first == lines; });
            if (at == heights.end())
                heights.emplace_back(lines, 1);
            else
                ++at->second;
        }
        std::sort(heights.begin(), heights.end());
        EXPECT_EQ(heights, d.heights);
        EXPECT_EQ(int(table.size()), d.rows);
    }
    for (const std::vector<RectRow>& line : d.lineRows) {
        std::vector<RectRow> found;
        std::copy_if(table.begin(), table.end(), std::back_inserter(found),
                     [&](const RectRow& r) { return r.top == line.front().top; });
        EXPECT_EQ(found, line) << "the rows of line " << line.front().top;
    }
}

TEST_P(DesignTest, RowCountIsNearTheDesigns) {
    const int rows = int(shape().table.size());
    EXPECT_LE(std::abs(rows - GetParam().rows) * GetParam().rowShare, GetParam().rows) << rows << " rows";
    if (GetParam().tallest > 0) {
        for (const RectRow& r : shape().table) {
            EXPECT_LE(r.bottom - r.top, GetParam().tallest)
                << r.left << "," << r.top << "," << r.right << "," << r.bottom << " is too tall";
        }
    }
}

// The design's number of 4-connected pieces (one but where marks stand apart) besides its detached
// pixels; the background it surrounds (not reached from the frame's edge through background) is
// exactly the design's, or lies in pieces whose boxes are the design's hole boxes.
TEST_P(DesignTest, IsItsPiecesAroundOnlyTheDesignsHoles) {
    const ShapeEntry& s = shape();
    const Cover cover(s);
    const int w = s.frameWidth, h = s.frameHeight;
    // Labels the 4-connected areas of pixels that are inside (or outside) the outline.
    auto label = [&](bool inside) {
        std::vector<int> area(w * h, -1);
        int count = 0;
        for (int y0 = 0; y0 < h; ++y0)
            for (int x0 = 0; x0 < w; ++x0) {
                if (area[y0 * w + x0] >= 0 || cover.in(x0, y0) != inside)
                    continue;
                std::vector<QPoint> todo{QPoint(x0, y0)};
                area[y0 * w + x0] = count;
                while (!todo.empty()) {
                    const QPoint p = todo.back();
                    todo.pop_back();
                    for (const QPoint& n :
                         {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1)})
                        if (n.x() >= 0 && n.y() >= 0 && n.x() < w && n.y() < h &&
                            area[n.y() * w + n.x()] < 0 && cover.in(n.x(), n.y()) == inside) {
                            area[n.y() * w + n.x()] = count;
                            todo.push_back(n);
                        }
                }
                ++count;
            }
        return std::pair{area, count};
    };
    const std::vector<QPoint>& detached = GetParam().detached;
    for (const QPoint& p : detached) {
        ASSERT_TRUE(cover.in(p.x(), p.y())) << p.x() << "," << p.y() << " is not in the outline";
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (dx || dy) {
                    EXPECT_FALSE(cover.in(p.x() + dx, p.y() + dy))
                        << p.x() + dx << "," << p.y() + dy << " touches the detached " << p.x() << ","
                        << p.y();
                }
    }
    const auto [pieces, count] = label(true);
    EXPECT_EQ(count - int(detached.size()), GetParam().pieces) << "pieces besides the detached pixels";
    const auto [gaps, gapCount] = label(false);
    // The background areas that touch the frame's edge are open; the others are enclosed.
    std::vector<char> open(gapCount, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((x == 0 || y == 0 || x == w - 1 || y == h - 1) && gaps[y * w + x] >= 0)
                open[gaps[y * w + x]] = 1;
    std::vector<QPoint> enclosed;
    std::vector<QRect> holes(gapCount);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (const int g = gaps[y * w + x]; g >= 0 && !open[g]) {
                enclosed.emplace_back(x, y);
                holes[g] |= QRect(x, y, 1, 1);
            }
    std::string where;
    // Appended piece by piece: GCC 12 at -O3 wrongly warns (-Wrestrict) on " " + std::string.
    for (const QPoint& p : enclosed)
        where.append(" ").append(std::to_string(p.x())).append(",").append(std::to_string(p.y()));
    std::vector<QRect> boxes = GetParam().holeBoxes;
    if (boxes.empty()) {
        EXPECT_EQ(enclosed, GetParam().enclosed) << "enclosed:" << where;
        return;
    }
    std::vector<QRect> found;
    for (const QRect& b : holes)
        if (!b.isNull())
            found.push_back(b);
    auto byCorner = [](const QRect& a, const QRect& b) {
        return std::pair(a.top(), a.left()) < std::pair(b.top(), b.left());
    };
    std::sort(found.begin(), found.end(), byCorner);
    std::sort(boxes.begin(), boxes.end(), byCorner);
    EXPECT_EQ(found, boxes) << "enclosed:" << where;
}

// The window is shaped once per load, and a second load shapes it afresh: either way it keeps exactly
// the outline, never the union of two regions or an outline of another table.
TEST_P(DesignTest, ApplyingTwiceLeavesTheWindowOneOutline) {
    const ShapeEntry& s = shape();
    QWidget window;
    window.resize(s.frameWidth, s.frameHeight);
    s.apply(&window);
    s.apply(&window);
    EXPECT_EQ(window.mask(), regionOf(s.table));
}

// The blink picture keeps the silhouette: on it, too, exactly the outline's pixels are not blue, so
// nothing is cut from it and no blue shows through.
TEST_P(DesignTest, EveryPictureShownUnderItHasItAsItsSilhouette) {
    const ShapeEntry& s = shape();
    const Cover cover(s);
    if (!GetParam().backdrop)
        GTEST_SKIP() << "the picture's background is a pattern, or the outline holds its own marks";
    const QRgb backdrop = *GetParam().backdrop;
    for (const QString& name : s.pictures) {
        const QImage p = picture(name);
        ASSERT_EQ(p.size(), QSize(s.frameWidth, s.frameHeight)) << name.toStdString();
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x)
                ASSERT_EQ(cover.in(x, y), p.pixel(x, y) != backdrop)
                    << name.toStdString() << " at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    SmallWindows, DesignTest, ::testing::ValuesIn(kDesigns),
    [](const ::testing::TestParamInfo<Design>& info) {
        return QString::fromUtf8(info.param.shape).section(QLatin1Char('.'), 1).toStdString();
    });

// A blink changes the face alone: the drone's eyes on its screen, the butler's eye and monocle inside
// his hat. Outside that box the two pictures agree pixel for pixel.
struct Blink {
    const char *open, *closed;
    QRect face;
};

TEST(SmallWindowBlinks, ChangeOnlyTheFace) {
    const Blink blinks[] = {{"gra.palk_img1", "gra.palk_img2", exclusive(21, 26, 49, 46)},
                            {"gra.lun_img1", "gra.lun_img2", exclusive(29, 1, 59, 19)}};
    for (const Blink& blink : blinks) {
        SCOPED_TRACE(blink.closed);
        const QImage open = picture(QString::fromUtf8(blink.open));
        const QImage closed = picture(QString::fromUtf8(blink.closed));
        ASSERT_FALSE(open.isNull());
        ASSERT_EQ(open.size(), closed.size());
        EXPECT_NE(open, closed);
        for (int y = 0; y < open.height(); ++y)
            for (int x = 0; x < open.width(); ++x)
                if (!blink.face.contains(x, y)) {
                    ASSERT_EQ(open.pixel(x, y), closed.pixel(x, y)) << x << "," << y;
                }
    }
}

// The drone's fins are drawn across the band where they meet his body (lines 22 to 26, the table's
// tallest row): their fill and the light along their edge, not a flat block of dark line colour.
TEST(SmallWindowFins, AreDrawnAcrossTheirBand) {
    const QImage p = picture(QStringLiteral("gra.palk_img1"));
    ASSERT_FALSE(p.isNull());
    for (const auto& [left, right] : {std::pair{3, 20}, std::pair{50, 67}}) {
        int darkPixels = 0, all = 0;
        for (int y = 22; y < 27; ++y)
            for (int x = left; x < right; ++x, ++all)
                darkPixels += dark(p.pixel(x, y));
        EXPECT_LT(darkPixels * 2, all) << "the fin from column " << left << " is " << darkPixels << " of "
                                       << all << " dark pixels on lines 22 to 26";
    }
}

// --- The first rows each design lists --------------------------------------------------------------

// The first rows of a table as the design lists them (first three for the poses and the first dance,
// where the designs give them). Rows that share a top stand in no order, so each is looked for
// among the table's rows, and the rows above the last one's line are exactly those given above it.
struct Leading {
    const char* shape;
    std::vector<RectRow> rows;
};

const Leading kLeading[] = {
    {"RgnCall.ShapeStandard", {{42, 20, 55, 21}, {37, 21, 60, 22}, {74, 21, 96, 22}}},
    {"RgnCall.ShapePose01", {{80, 34, 85, 35}, {73, 35, 97, 36}, {69, 36, 100, 37}}},
    {"RgnCall.ShapePose02", {{74, 66, 93, 67}, {70, 67, 97, 68}, {66, 68, 100, 69}}},
    {"RgnCall.ShapePose03", {{39, 20, 55, 21}, {36, 21, 57, 22}, {73, 21, 90, 22}}},
    {"RgnCall.ShapePose04", {{39, 20, 52, 21}, {36, 21, 56, 22}, {73, 21, 96, 22}}},
    {"RgnCall.ShapePose05", {{48, 5, 51, 6}, {43, 6, 52, 10}, {12, 10, 36, 11}}},
    {"RgnCall.ShapePose06", {{42, 21, 44, 22}, {37, 22, 45, 23}, {35, 23, 45, 26}}},
    {"RgnCall.ShapePose07", {{45, 34, 50, 35}, {41, 35, 54, 36}, {87, 35, 88, 36}}},
    {"RgnCall.ShapePose08", {{50, 40, 54, 41}, {44, 41, 58, 42}, {43, 42, 61, 43}}},
    {"RgnCall.ShapePose09", {{44, 25, 50, 26}, {38, 26, 54, 27}, {34, 27, 57, 28}}},
    {"RgnCall.ShapePose10", {{46, 34, 54, 35}, {43, 35, 57, 36}, {41, 36, 60, 37}}},
    {"RgnCall.ShapePose11", {{84, 41, 89, 42}, {77, 42, 101, 43}, {73, 43, 104, 44}}},
    {"RgnCall.ShapePose12", {{82, 23, 85, 24}, {81, 24, 86, 25}, {80, 25, 87, 26}}},
    {"RgnCall2.ShapePose13", {{85, 37, 90, 38}, {78, 38, 102, 39}, {74, 39, 105, 40}}},
    {"RgnCall2.ShapePose14", {{40, 19, 53, 20}, {36, 20, 57, 21}, {34, 21, 60, 22}}},
    {"RgnCall2.ShapePose15", {{34, 18, 43, 19}, {129, 18, 133, 19}, {126, 19, 135, 20}}},
    {"RgnCall2.ShapePose16", {{62, 4, 65, 5}, {61, 5, 63, 6}, {65, 5, 66, 6}}},
    {"RgnCall2.ShapePose17", {{42, 20, 55, 21}, {37, 21, 60, 22}, {74, 21, 96, 22}}},
    {"RgnCall2.ShapeDance1_0", {{39, 16, 53, 17}, {34, 17, 58, 18}, {77, 17, 88, 18}}},
    {"RgnCall2.ShapeDance1_1", {{42, 14, 43, 15}, {44, 14, 46, 15}, {48, 14, 49, 15}}},
    {"RgnCall2.ShapeDance1_2", {{42, 16, 50, 17}, {37, 17, 54, 18}, {76, 17, 95, 18}}},
    {"RgnCall2.ShapeDance1_3", {{42, 15, 53, 16}, {37, 16, 59, 17}, {77, 16, 94, 17}}},
    {"RgnCall2.ShapeDance1_4", {{81, 12, 95, 13}, {74, 13, 100, 14}, {68, 14, 104, 15}}},
    {"RgnCall2.ShapeDance1_5", {{121, 14, 122, 15}, {124, 14, 126, 15}, {127, 14, 128, 15}}},
    {"RgnCall2.ShapeDance1_6", {{120, 16, 128, 17}, {116, 17, 133, 18}, {75, 17, 94, 18}}},
    {"RgnCall2.ShapeDance1_7", {{117, 15, 128, 16}, {111, 16, 133, 17}, {76, 16, 93, 17}}},
    {"RgnCall2.ShapeDance1_8", {{75, 12, 89, 13}, {70, 13, 96, 14}, {66, 14, 102, 15}}},
    {"RgnCall3.ShapeDance3_2", {{48, 2, 49, 5}, {48, 5, 50, 6}, {43, 6, 55, 7}}},
    {"RgnCall3.ShapeDance4_0", {{43, 10, 47, 11}, {39, 11, 51, 12}, {113, 11, 119, 12}}},
    {"gra4.melt05", {{41, 18, 56, 19}, {38, 19, 60, 20}, {35, 20, 63, 21}}},
};

TEST(ShapeLeadingRows, AreTheDesigns) {
    auto byCorner = [](const RectRow& a, const RectRow& b) {
        return std::pair(a.top, a.left) < std::pair(b.top, b.left);
    };
    for (const Leading& l : kLeading) {
        SCOPED_TRACE(l.shape);
        const ShapeEntry* s = shapes::FindShape(QString::fromUtf8(l.shape));
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->table.front(), l.rows.front());
        for (const RectRow& r : l.rows)
            EXPECT_TRUE(std::find(s->table.begin(), s->table.end(), r) != s->table.end())
                << "no row " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
        const int line = l.rows.back().top;
        std::vector<RectRow> above, given;
        std::copy_if(s->table.begin(), s->table.end(), std::back_inserter(above),
                     [&](const RectRow& r) { return r.top < line; });
        std::copy_if(l.rows.begin(), l.rows.end(), std::back_inserter(given),
                     [&](const RectRow& r) { return r.top < line; });
        std::sort(above.begin(), above.end(), byCorner);
        std::sort(given.begin(), given.end(), byCorner);
        EXPECT_EQ(above, given);
    }
}

// --- Every row the designs name, in the order they name them -------------------------------------------

// The rows each design names of its table: those it opens with (the first of them the row the
// region is created from), those it names within (telling rows, the rows that start on one line in
// their order, single-pixel runs, detached pixels, tallest rows) and those it closes with (the last
// of them the table's last row). Each is in the table, all of them in the order given.
struct NamedRows {
    const char* shape;
    std::vector<RectRow> opening, within, closing;
    // Named rows her drawing does not make yet, each because the drawing itself differs from the
    // design's there (her hair's width, where a tallest row stands). Each stays absent until its
    // drawing is redone; then it moves into `within` and is held like the others.
    std::vector<RectRow> pending = {};
};

const NamedRows kNamedRows[] = {
    {"RgnCall.ShapeBalloon1",
     {{36, 4, 160, 6}, {32, 6, 164, 8}, {28, 8, 168, 10}},
     {},
     {{118, 158, 120, 160}}},
    {"RgnCall.ShapeBalloon2", {{80, 0, 82, 2}, {80, 2, 84, 4}}, {}, {{40, 154, 164, 156}}},
    {"RgnCall.ShapeBalloon3", {{118, 0, 120, 2}, {116, 2, 120, 4}}, {}, {}},
    {"RgnCall.ShapeBalloon4", {{40, 4, 164, 6}}, {}, {{80, 158, 82, 160}}},
    {"RgnCall.ShapeStandard",
     {{42, 20, 55, 21}, {37, 21, 60, 22}, {74, 21, 96, 22}},
     {},
     {{45, 169, 122, 170}}},
    {"RgnCall.ShapePose01",
     {{80, 34, 85, 35}, {73, 35, 97, 36}, {69, 36, 100, 37}},
     {},
     {{49, 169, 120, 170}}},
    {"RgnCall.ShapePose02",
     {{74, 66, 93, 67}, {70, 67, 97, 68}, {66, 68, 100, 69}},
     {},
     {{51, 169, 119, 170}}},
    {"RgnCall.ShapePose03",
     {{39, 20, 55, 21}, {36, 21, 57, 22}, {73, 21, 90, 22}},
     {},
     {{45, 169, 123, 170}}},
    {"RgnCall.ShapePose04",
     {{39, 20, 52, 21}, {36, 21, 56, 22}, {73, 21, 96, 22}},
     {},
     {{44, 169, 122, 170}}},
    {"RgnCall.ShapePose05", {{48, 5, 51, 6}, {43, 6, 52, 10}, {12, 10, 36, 11}}, {}, {{47, 169, 123, 170}}},
    {"RgnCall.ShapePose06", {{42, 21, 44, 22}, {37, 22, 45, 23}, {35, 23, 45, 26}}, {}, {{48, 169, 79, 170}}},
    {"RgnCall.ShapePose07", {{45, 34, 50, 35}, {41, 35, 54, 36}, {87, 35, 88, 36}}, {}, {{43, 169, 56, 170}}},
    {"RgnCall.ShapePose08",
     {{50, 40, 54, 41}, {44, 41, 58, 42}, {43, 42, 61, 43}},
     {},
     {{108, 169, 123, 170}}},
    {"RgnCall.ShapePose09",
     {{44, 25, 50, 26}, {38, 26, 54, 27}, {34, 27, 57, 28}},
     {},
     {{106, 169, 118, 170}}},
    {"RgnCall.ShapePose10",
     {{46, 34, 54, 35}, {43, 35, 57, 36}, {41, 36, 60, 37}},
     {},
     {{103, 169, 123, 170}}},
    {"RgnCall.ShapePose11",
     {{84, 41, 89, 42}, {77, 42, 101, 43}, {73, 43, 104, 44}},
     {},
     {{103, 169, 123, 170}}},
    {"RgnCall.ShapePose12",
     {{82, 23, 85, 24}, {81, 24, 86, 25}, {80, 25, 87, 26}},
     {},
     {{103, 169, 123, 170}}},
    {"RgnCall2.ShapePose13",
     {{85, 37, 90, 38}, {78, 38, 102, 39}, {74, 39, 105, 40}},
     {},
     {{98, 167, 127, 168}}},
    {"RgnCall2.ShapePose14",
     {{40, 19, 53, 20}, {36, 20, 57, 21}, {34, 21, 60, 22}},
     {},
     {{43, 159, 121, 169}, {43, 169, 120, 170}}},
    {"RgnCall2.ShapePose15",
     {{34, 18, 43, 19}, {129, 18, 133, 19}, {126, 19, 135, 20}},
     {},
     {{43, 159, 121, 169}, {43, 169, 120, 170}}},
    {"RgnCall2.ShapePose16",
     {{62, 4, 65, 5}, {61, 5, 63, 6}, {65, 5, 66, 6}},
     {},
     {{43, 159, 121, 169}, {43, 169, 120, 170}}},
    {"RgnCall2.ShapePose17",
     {{42, 20, 55, 21}, {37, 21, 60, 22}, {74, 21, 96, 22}},
     {},
     {{45, 169, 122, 170}}},
    {"RgnCall2.ShapeDance1_0",
     {{39, 16, 53, 17}, {34, 17, 58, 18}, {77, 17, 88, 18}},
     {},
     {{58, 169, 118, 170}}},
    {"RgnCall2.ShapeDance1_1",
     {{42, 14, 43, 15}, {44, 14, 46, 15}, {48, 14, 49, 15}},
     {},
     {{82, 169, 114, 170}}},
    {"RgnCall2.ShapeDance1_2",
     {{42, 16, 50, 17}, {37, 17, 54, 18}, {76, 17, 95, 18}},
     {},
     {{41, 169, 114, 170}}},
    {"RgnCall2.ShapeDance1_3",
     {{42, 15, 53, 16}, {37, 16, 59, 17}, {77, 16, 94, 17}},
     {},
     {{78, 169, 103, 170}}},
    {"RgnCall2.ShapeDance1_4",
     {{81, 12, 95, 13}, {74, 13, 100, 14}, {68, 14, 104, 15}},
     {},
     {{44, 169, 58, 170}}},
    {"RgnCall2.ShapeDance1_5",
     {{121, 14, 122, 15}, {124, 14, 126, 15}, {127, 14, 128, 15}},
     {},
     {{91, 169, 116, 170}}},
    {"RgnCall2.ShapeDance1_6",
     {{120, 16, 128, 17}, {116, 17, 133, 18}, {75, 17, 94, 18}},
     {},
     {{56, 169, 129, 170}}},
    {"RgnCall2.ShapeDance1_7",
     {{117, 15, 128, 16}, {111, 16, 133, 17}, {76, 16, 93, 17}},
     {},
     {{67, 169, 92, 170}}},
    {"RgnCall2.ShapeDance1_8",
     {{75, 12, 89, 13}, {70, 13, 96, 14}, {66, 14, 102, 15}},
     {},
     {{112, 169, 126, 170}}},
    {"RgnCall2.ShapePose18",
     {{43, 20, 54, 21}},
     {{38, 21, 58, 22},
      {68, 21, 86, 22},
      {87, 21, 88, 22},
      {29, 27, 32, 28},
      {38, 27, 110, 28},
      {33, 27, 34, 28},
      {40, 32, 116, 34},
      {133, 32, 137, 33}},
     {{45, 168, 123, 170}}},
    {"RgnCall2.ShapePose19", {{46, 19, 54, 20}}, {}, {{44, 161, 122, 170}}},
    {"RgnCall2.ShapePose20", {{42, 18, 53, 19}, {55, 18, 57, 19}}, {}, {{45, 169, 122, 170}}},
    {"RgnCall2.ShapePose21", {{51, 16, 54, 17}, {71, 16, 88, 17}}, {}, {{45, 161, 123, 170}}},
    {"RgnCall2.ShapePose22", {{42, 13, 54, 14}}, {}, {{45, 167, 122, 170}}},
    {"RgnCall2.ShapePose23",
     {{40, 17, 54, 18}},
     {{79, 18, 88, 19},
      {37, 18, 59, 19},
      {135, 60, 136, 61},
      {32, 135, 37, 149},
      {133, 141, 137, 142},
      {133, 142, 137, 143},
      {133, 143, 137, 144},
      {133, 144, 137, 145},
      {133, 145, 137, 147}},
     {{88, 169, 115, 170}}},
    {"RgnCall2.ShapePose24",
     {{39, 16, 52, 17}},
     {{45, 82, 123, 92}, {130, 134, 131, 135}},
     {{99, 169, 100, 170}}},
    {"RgnCall2.ShapePose25", {{43, 16, 52, 17}}, {{30, 135, 35, 143}}, {{79, 169, 119, 170}}},
    {"RgnCall3.ShapeDance2_0",
     {{79, 15, 80, 16}, {76, 16, 91, 17}},
     {{69, 17, 95, 18},
      {35, 17, 51, 18},
      {66, 17, 68, 18},
      {38, 44, 124, 45},
      {38, 45, 124, 46},
      {44, 72, 121, 84},
      {45, 96, 114, 98},
      {115, 96, 119, 97},
      {91, 166, 115, 167},
      {77, 166, 90, 167},
      {53, 166, 76, 167}},
     {{56, 169, 65, 170}}},
    {"RgnCall3.ShapeDance2_1", {{33, 16, 49, 17}}, {}, {{92, 169, 101, 170}}},
    {"RgnCall3.ShapeDance2_2", {{43, 14, 48, 15}}, {}, {{91, 169, 96, 170}}},
    {"RgnCall3.ShapeDance2_3", {{104, 13, 107, 14}}, {}, {{85, 169, 91, 170}}},
    {"RgnCall3.ShapeDance2_4", {{100, 11, 103, 12}}, {{131, 65, 132, 66}}, {{101, 169, 110, 170}}},
    {"RgnCall3.ShapeDance2_5", {{58, 11, 61, 12}}, {{29, 65, 30, 66}}, {{51, 169, 60, 170}}},
    {"RgnCall3.ShapeDance2_6", {{50, 13, 53, 14}}, {}, {{66, 169, 72, 170}}},
    {"RgnCall3.ShapeDance2_7", {{52, 14, 55, 15}}, {}, {{62, 169, 67, 170}}},
    {"RgnCall3.ShapeDance2_8", {{110, 16, 126, 17}}, {}, {{58, 169, 67, 170}}},
    {"RgnCall3.ShapeDance3_0",
     {{76, 16, 78, 17}},
     {{64, 17, 86, 18},
      {29, 17, 47, 18},
      {26, 18, 51, 19},
      {58, 18, 92, 19},
      {37, 26, 38, 27},
      {35, 42, 113, 43},
      {35, 43, 113, 44},
      {38, 69, 116, 80},
      {38, 80, 115, 91},
      {47, 114, 91, 115},
      {92, 114, 105, 117},
      {98, 169, 99, 170},
      {81, 169, 90, 170}},
     {{39, 169, 71, 170}}},
    {"RgnCall3.ShapeDance3_1",
     {{32, 13, 46, 14}},
     {{58, 168, 59, 169}, {60, 168, 70, 169}, {56, 168, 57, 169}, {71, 168, 100, 169}, {31, 168, 45, 169}},
     {{77, 169, 80, 170}}},
    {"RgnCall3.ShapeDance3_2", {{48, 2, 49, 5}, {48, 5, 50, 6}, {43, 6, 55, 7}}, {}, {{35, 169, 39, 170}}},
    {"RgnCall3.ShapeDance3_3", {{27, 5, 33, 6}}, {{75, 10, 76, 11}}, {{84, 169, 92, 170}}},
    {"RgnCall3.ShapeDance3_4", {{31, 5, 43, 6}}, {}, {{83, 169, 105, 170}}},
    {"RgnCall3.ShapeDance3_5", {{107, 13, 121, 14}}, {}, {{73, 169, 76, 170}}},
    {"RgnCall3.ShapeDance3_6", {{104, 2, 105, 5}}, {}, {{114, 169, 118, 170}}},
    {"RgnCall3.ShapeDance3_7", {{117, 5, 123, 6}}, {{74, 10, 75, 11}}, {{58, 169, 66, 170}}},
    {"RgnCall3.ShapeDance3_8", {{107, 5, 119, 6}}, {}, {{45, 169, 67, 170}}},
    {"RgnCall3.ShapeDance4_0",
     {{43, 10, 47, 11}, {39, 11, 51, 12}, {113, 11, 119, 12}},
     {{37, 12, 52, 13},
      {54, 12, 61, 13},
      {109, 12, 122, 13},
      {33, 12, 34, 14},
      {26, 26, 134, 32},
      {20, 27, 21, 28},
      {22, 32, 24, 33},
      {26, 32, 134, 33},
      {17, 40, 18, 41},
      {101, 167, 102, 168},
      {44, 167, 79, 168},
      {106, 167, 109, 168},
      {114, 167, 117, 168},
      {83, 167, 97, 168}},
     {{48, 169, 63, 170}}},
    {"RgnCall3.ShapeDance4_1", {{107, 5, 110, 6}}, {}, {{97, 169, 100, 170}}},
    {"RgnCall3.ShapeDance4_2",
     {{41, 7, 51, 8}, {59, 7, 65, 8}},
     {{58, 8, 67, 9}, {39, 8, 54, 9}, {102, 8, 103, 9}, {109, 8, 113, 9}, {115, 8, 116, 9}},
     {{89, 169, 101, 170}}},
    {"RgnCall3.ShapeDance4_3", {{60, 4, 63, 5}}, {}, {{88, 169, 101, 170}}},
    {"RgnCall3.ShapeDance4_4", {{111, 4, 113, 5}}, {{110, 160, 111, 161}}, {{90, 169, 100, 170}}},
    {"RgnCall3.ShapeDance4_5", {{52, 5, 55, 6}}, {}, {{102, 169, 107, 170}}},
    {"RgnCall3.ShapeDance4_6", {{94, 7, 100, 8}, {108, 7, 118, 8}}, {}, {{58, 169, 70, 170}}},
    {"RgnCall3.ShapeDance4_7", {{96, 4, 99, 5}}, {}, {{58, 169, 71, 170}}},
    {"RgnCall3.ShapeDance4_8", {{45, 4, 47, 5}}, {{47, 160, 48, 161}}, {{58, 169, 68, 170}}},
    {"gra4.melt01",
     {{37, 20, 53, 21}},
     {{34, 21, 58, 22},
      {76, 21, 97, 22},
      {69, 22, 100, 23},
      {31, 22, 60, 23},
      {38, 26, 42, 27},
      {44, 26, 111, 27},
      {48, 27, 112, 28},
      {126, 27, 131, 28},
      {37, 27, 43, 29}},
     {{45, 169, 122, 170}}},
    {"gra4.melt02", {{46, 19, 53, 20}}, {}, {{44, 169, 120, 170}}},
    {"gra4.melt03", {{40, 24, 55, 25}}, {}, {{44, 169, 119, 170}}},
    {"gra4.melt04", {{40, 19, 53, 20}}, {}, {{43, 169, 120, 170}}},
    {"gra4.melt05", {{41, 18, 56, 19}, {38, 19, 60, 20}, {35, 20, 63, 21}}, {}, {{46, 169, 120, 170}}},
    {"RgnCall4.ShapePalk",
     {{11, 6, 16, 7}, {28, 6, 40, 7}},
     {{23, 7, 44, 8},
      {9, 7, 19, 8},
      {2, 22, 68, 27},
      {1, 32, 14, 34},
      {15, 32, 69, 34},
      {61, 35, 69, 36},
      {1, 36, 9, 39},
      {13, 36, 15, 37},
      {61, 36, 69, 37},
      {16, 36, 57, 37},
      {14, 37, 15, 38}},
     {{49, 98, 53, 99}}},
    {"RgnCall4.ShapeLauncher",
     {{43, 0, 45, 1}, {41, 1, 48, 2}, {41, 2, 50, 3}},
     {{63, 20, 68, 21},
      {12, 20, 62, 21},
      {5, 20, 11, 21},
      {10, 25, 65, 26},
      {10, 26, 65, 28},
      {5, 28, 6, 29},
      {10, 28, 65, 32},
      {21, 73, 50, 74},
      {14, 73, 18, 74},
      {54, 73, 58, 74},
      {11, 86, 40, 90}},
     {{31, 95, 38, 96}}},
};

TEST(ShapeNamedRows, AreInTheTableInTheOrderNamed) {
    for (const NamedRows& named : kNamedRows) {
        SCOPED_TRACE(named.shape);
        const ShapeEntry* s = shapes::FindShape(QString::fromUtf8(named.shape));
        ASSERT_NE(s, nullptr);
        const RegionTable& table = s->table;
        for (std::size_t i = 0; i < named.opening.size(); ++i) {
            EXPECT_EQ(i < table.size() ? table[i] : RectRow{}, named.opening[i]) << "opening row " << i;
        }
        for (std::size_t i = 0; i < named.closing.size(); ++i) {
            const std::size_t at = table.size() - named.closing.size() + i;
            EXPECT_EQ(table[at], named.closing[i]) << "closing row " << i;
        }
        std::vector<RectRow> all = named.opening;
        all.insert(all.end(), named.within.begin(), named.within.end());
        all.insert(all.end(), named.closing.begin(), named.closing.end());
        for (const RectRow& r : named.pending) {
            EXPECT_EQ(std::find(table.begin(), table.end(), r), table.end())
                << "row " << r.left << "," << r.top << "," << r.right << "," << r.bottom
                << " is drawn now: move it into the rows named within";
        }
        std::ptrdiff_t previous = -1;
        for (const RectRow& r : all) {
            const auto found = std::find(table.begin(), table.end(), r);
            if (found == table.end()) {
                ADD_FAILURE() << "no row " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
                continue;
            }
            EXPECT_GT(found - table.begin(), previous)
                << "row " << r.left << "," << r.top << "," << r.right << "," << r.bottom << " out of order";
            previous = found - table.begin();
        }
    }
}

// --- Each box against the design's reference box -----------------------------------------------------

// The reference box of each outline the design states no more of (left, top, right, bottom; right and
// bottom exclusive): the balloons, whose rows are the design. The character's outlines keep their
// boxes exactly in kDesigns above. An outline without a row here is not compared.
struct Reference {
    const char* shape;
    int left, top, right, bottom;
};

constexpr Reference kReferences[] = {
    {"ShapeBalloon1", 4, 4, 192, 160},
    {"ShapeBalloon2", 8, 0, 196, 156},
    {"ShapeBalloon3", 4, 0, 192, 156},
    {"ShapeBalloon4", 8, 4, 196, 160},
};

TEST(ShapeBoxes, AreTheReference) {
    for (const Reference& ref : kReferences) {
        const auto shape =
            std::find_if(shapes::AllShapes().begin(), shapes::AllShapes().end(), [&](const ShapeEntry& s) {
                return s.name.section(QLatin1Char('.'), 1) == QLatin1String(ref.shape);
            });
        ASSERT_NE(shape, shapes::AllShapes().end()) << "no outline " << ref.shape;
        EXPECT_EQ(regionOf(shape->table).boundingRect(), exclusive(ref.left, ref.top, ref.right, ref.bottom))
            << ref.shape;
    }
}

} // namespace

#include "dances.h"

#include "figure.h"
#include "pictures.h"
#include "posefit.h"
#include "props.h"

#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace art {

namespace {

struct Run {
    int left, right; // right exclusive
};

// What a drawn frame is fitted to (left, top, right exclusive; every frame ends on line 169).
struct Fit {
    int left, top, right;
    std::vector<Run> topRuns, bottomRuns;
    std::vector<QPoint> detached, holes;
    int clipLeft = -1, clipRight = -1; // the figure's own limits where a detached pixel sets the box
    // The lines below the top as the design gives them (the tufts' first lines), each exactly.
    std::vector<std::vector<Run>> tuftLines = {};
    int mostRuns = 99;             // runs on one line at most
    std::vector<int> eyelets = {}; // further holes, by size, wherever the figure is solid
    // Lines by the floor as the design gives them (soles and the ribbon's ends), each exactly.
    std::vector<std::pair<int, std::vector<Run>>> floorLines = {};
    int tallest = 99; // lines a run may repeat unchanged
    // Lines across her the design gives (a prop held there), each exactly: held after the repeats
    // are limited, as their runs may stand longer than the tallest row split in two.
    std::vector<std::pair<int, std::vector<Run>>> heldLines = {};
    // Lines further down as the design gives them (her head's sides where they run straight), each
    // exactly; what a line gains is her hair.
    std::vector<std::pair<int, std::vector<Run>>> lines = {};
};

constexpr int kBottom = 169;

bool isBlue(const QImage& image, int x, int y) {
    return image.pixel(x, y) == kBlue;
}

void set(QImage& image, int x, int y, const QColor& colour) {
    image.setPixel(x, y, colour.rgb());
}

// Paints a strand from the run on line y one line at a time (down for a tuft, up for a sole) until
// each of its columns meets the figure: it widens by a pixel each side on its first line and every third line
// after, and leans a pixel a line toward the column it grows to.
void strand(QImage& image, Run run, int y, int step, double toward, int left, int right, const QColor& fill,
            const QColor& edge, const std::vector<QPoint>& sparkles = {}) {
    int a = run.left, b = run.right;
    // Each column of a tuft grows until it meets her, so no strip of it hangs over the background;
    // but the columns toward the side from a sparkle under it stay open, so the sparkle keeps
    // the background round it.
    std::vector<char> met(image.width(), 0);
    for (const QPoint& d : sparkles)
        if (d.y() > y && d.y() < y + 20 && d.x() >= run.left - 8 && d.x() < run.right + 8)
            for (int x = 0; x < image.width(); ++x)
                if (d.x() < toward ? x <= d.x() + 2 : x >= d.x() - 2)
                    met[x] = 1;
    for (int line = y + step, n = 1; line > 0 && line < kBottom; line += step, ++n) {
        if (n == 1 || n % 3 == 0)
            --a, ++b;
        const double centre = (a + b) / 2.0;
        const int lean = toward > centre + 1 ? 1 : toward < centre - 1 ? -1 : 0;
        if (n > 1)
            a += lean, b += lean;
        const int l = std::max(left, a), r = std::min(right, b);
        bool all = true;
        for (int x = l; x < r; ++x) {
            if (met[x])
                continue;
            if (!isBlue(image, x, line)) {
                met[x] = 1;
                continue;
            }
            all = false;
            set(image, x, line, x == l || x == r - 1 ? edge : fill);
        }
        // A sole stops at the line where it first meets her boot.
        if (all || (step < 0 && std::any_of(met.begin(), met.end(), [](char m) { return m != 0; })))
            return;
    }
}

std::vector<char> openBackground(const QImage& image) {
    return openFromEdge(image.width(), image.height(), [&](int x, int y) { return isBlue(image, x, y); });
}

// The first count pixels, in scan order, of the area left, top, right, bottom (exclusive).
std::vector<QPoint> area(int left, int top, int right, int bottom, int count) {
    std::vector<QPoint> out;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (int(out.size()) < count)
                out.emplace_back(x, y);
    return out;
}

void fitTo(QImage& image, const Fit& fit, const Skeleton& body, const QColor& ribbon) {
    const int w = image.width(), h = image.height();
    QImage drawn(image.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            drawn.scanLine(y)[x] = isBlue(image, x, y) ? 0 : 255;
    const int clipLeft = fit.clipLeft >= 0 ? fit.clipLeft : fit.left;
    const int clipRight = fit.clipRight >= 0 ? fit.clipRight : fit.right;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (y <= fit.top || x < clipLeft || x >= clipRight)
                image.setPixel(x, y, kBlue);
    // The top line: the tufts' tips, then (where given) the lines they keep, then they widen.
    for (const Run& run : fit.topRuns)
        for (int x = run.left; x < run.right; ++x)
            set(image, x, fit.top, palette::hairShade);
    int y = fit.top;
    for (const std::vector<Run>& line : fit.tuftLines) {
        ++y;
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, kBlue);
        for (const Run& run : line)
            for (int x = run.left; x < run.right; ++x)
                set(image, x, y, x == run.left || x == run.right - 1 ? palette::outline : palette::hair);
    }
    for (const Run& run : fit.tuftLines.empty() ? fit.topRuns : fit.tuftLines.back())
        strand(image, run, y, 1, body.headCentre.x(), clipLeft, clipRight, palette::hair, palette::outline,
               fit.detached);
    // Line 169: the soles only, each joined to what stands above it, and each a line of its own
    // (the line above is wider there); what the boot does not cover there is her shadow.
    std::vector<QRgb> above(w);
    for (int x = 0; x < w; ++x)
        above[x] = image.pixel(x, kBottom);
    for (int x = 0; x < w; ++x)
        image.setPixel(x, kBottom, kBlue);
    for (const Run& run : fit.bottomRuns) {
        for (int x = run.left; x < run.right; ++x)
            image.setPixel(x, kBottom, above[x] != kBlue ? above[x] : palette::shadow.rgb());
        // Under a boot it is the sole; further off, the ribbon's end trailing on the floor.
        const double centre = (run.left + run.right) / 2.0;
        const QPointF foot =
            std::abs(body.footL.x() - centre) < std::abs(body.footR.x() - centre) ? body.footL : body.footR;
        const bool sole = std::abs(foot.x() - centre) < 8;
        strand(image, run, kBottom, -1, foot.x(), clipLeft, clipRight, sole ? palette::boot : ribbon,
               sole ? palette::bootShade : ribbon.darker(125));
        const int side = run.right < clipRight ? run.right : run.left - 1;
        set(image, side, kBottom - 1, palette::shadow);
    }
    // The lines by the floor the design gives: their runs exactly, each joined to what stands above.
    for (const auto& [line, runs] : fit.floorLines) {
        std::vector<QRgb> was(w);
        for (int x = 0; x < w; ++x) {
            was[x] = image.pixel(x, line);
            image.setPixel(x, line, kBlue);
        }
        for (const Run& run : runs) {
            bool joined = false;
            for (int x = run.left; x < run.right; ++x) {
                const QRgb above = image.pixel(x, line - 1);
                image.setPixel(x, line, was[x] != kBlue ? was[x] : above != kBlue ? above : ribbon.rgb());
                joined = joined || above != kBlue;
            }
            if (!joined)
                strand(image, run, line, -1, body.hip.x(), clipLeft, clipRight, ribbon, ribbon.darker(125));
        }
        // The gaps between them open to the floor, so none is closed in.
        for (std::size_t i = 1; i < runs.size(); ++i)
            for (int y = line + 1; y <= kBottom && !isBlue(image, runs[i - 1].right, y); ++y)
                image.setPixel(runs[i - 1].right, y, kBlue);
    }
    // The detached sparkles: nothing around them, not even at a corner.
    for (const QPoint& p : fit.detached)
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (p.x() + dx >= 0 && p.x() + dx < w && p.y() + dy >= 0 && p.y() + dy < h)
                    image.setPixel(p.x() + dx, p.y() + dy, kBlue);
    // Only the figure's own piece stays.
    std::vector<int> piece(w * h, -1);
    std::vector<int> sizes;
    for (int y0 = 0; y0 < h; ++y0)
        for (int x0 = 0; x0 < w; ++x0) {
            if (isBlue(image, x0, y0) || piece[y0 * w + x0] >= 0)
                continue;
            const int id = int(sizes.size());
            sizes.push_back(0);
            std::vector<QPoint> todo{QPoint(x0, y0)};
            piece[y0 * w + x0] = id;
            while (!todo.empty()) {
                const QPoint p = todo.back();
                todo.pop_back();
                ++sizes[id];
                for (const QPoint& n :
                     {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1)})
                    if (n.x() >= 0 && n.y() >= 0 && n.x() < w && n.y() < h && piece[n.y() * w + n.x()] < 0 &&
                        !isBlue(image, n.x(), n.y())) {
                        piece[n.y() * w + n.x()] = id;
                        todo.push_back(n);
                    }
            }
        }
    const int biggest = int(std::max_element(sizes.begin(), sizes.end()) - sizes.begin());
    for (int i = 0; i < w * h; ++i)
        if (piece[i] >= 0 && piece[i] != biggest)
            image.setPixel(i % w, i / w, kBlue);
    // The eyelets of her apron and dress: holes of the design's sizes where the figure is solid all
    // round, the first nearest her waist.
    std::vector<QPoint> holes = fit.holes;
    const QPoint waist = body.hip.toPoint() + QPoint(0, -6);
    for (int size : fit.eyelets) {
        const int width = size >= 9 ? 4 : size >= 4 ? 3 : size;
        const int height = (size + width - 1) / width;
        std::vector<QPoint> best;
        int bestDistance = 1 << 30;
        for (int y0 = fit.top + 4; y0 + height + 3 < kBottom; ++y0)
            for (int x0 = clipLeft + 4; x0 + width + 3 < clipRight; ++x0) {
                const int distance =
                    (x0 - waist.x()) * (x0 - waist.x()) + (y0 - waist.y()) * (y0 - waist.y());
                if (distance >= bestDistance)
                    continue;
                bool solid = true;
                for (int y = y0 - 2; solid && y < y0 + height + 2; ++y)
                    for (int x = x0 - 2; solid && x < x0 + width + 2; ++x)
                        solid = !isBlue(image, x, y);
                // Each on lines of its own, so a line holds one hole at most.
                for (const QPoint& p : holes)
                    solid = solid && (p.y() < y0 - 2 || p.y() > y0 + height + 1);
                if (!solid)
                    continue;
                bestDistance = distance;
                best = area(x0, y0, x0 + width, y0 + height, size);
            }
        holes.insert(holes.end(), best.begin(), best.end());
    }
    // Each hole gets a rim; a rim that stands off the figure is tied to it by a short band.
    for (const QPoint& p : holes) {
        bool touches = false;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                touches =
                    touches || ((std::abs(dx) == 2 || std::abs(dy) == 2) && std::abs(dx) + std::abs(dy) < 4 &&
                                !isBlue(image, p.x() + dx, p.y() + dy));
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (isBlue(image, p.x() + dx, p.y() + dy))
                    set(image, p.x() + dx, p.y() + dy, palette::outline);
        if (!touches) {
            const int step = body.hip.x() > p.x() ? 1 : -1;
            for (int x = p.x() + 2 * step; x > 0 && x < w - 1 && isBlue(image, x, p.y()); x += step)
                for (int y : {p.y(), p.y() + 1})
                    set(image, x, y, ribbon);
        }
    }
    auto isHole = [&](int x, int y) {
        return std::find(holes.begin(), holes.end(), QPoint(x, y)) != holes.end();
    };
    for (const QPoint& p : holes)
        image.setPixel(p, kBlue);
    // No more runs on a line than the design has: the narrowest gaps between them are shadow
    // (never a hole, nor beside a sparkle).
    auto nearDetached = [&](int x, int y) {
        for (const QPoint& p : fit.detached)
            if (std::abs(p.x() - x) <= 1 && std::abs(p.y() - y) <= 1)
                return true;
        return false;
    };
    for (int y = fit.top + 1; y < kBottom; ++y)
        for (;;) {
            std::vector<Run> runs;
            for (int x = 0; x < w; ++x)
                if (!isBlue(image, x, y) && (x == 0 || isBlue(image, x - 1, y)))
                    runs.push_back({x, x});
            if (int(runs.size()) <= fit.mostRuns)
                break;
            int best = -1, bestWidth = w;
            for (std::size_t i = 1; i < runs.size(); ++i) {
                int a = runs[i].left - 1;
                while (isBlue(image, a, y))
                    --a;
                bool fillable = true;
                for (int x = a + 1; x < runs[i].left; ++x)
                    fillable = fillable && !isHole(x, y) && !nearDetached(x, y);
                if (fillable && runs[i].left - a - 1 < bestWidth)
                    best = int(i), bestWidth = runs[i].left - a - 1;
            }
            if (best < 0)
                break;
            for (int x = runs[best].left - bestWidth; x < runs[best].left; ++x)
                set(image, x, y, palette::outline);
        }
    // No run repeats on more lines than the design's tallest row: a fold every few lines.
    if (fit.tallest < 99) {
        QImage mask(image.size(), QImage::Format_Grayscale8);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                mask.scanLine(y)[x] = isBlue(image, x, y) ? 0 : 255;
        const int floor = fit.floorLines.empty() ? kBottom : fit.floorLines.front().first;
        limitRepeats(image, mask, fit.top + 1, floor, fit.tallest, clipLeft, clipRight, kBlue);
    }
    // The held lines: only their runs, what the drawing leaves open in them her contour.
    for (const auto& [line, runs] : fit.heldLines)
        for (int x = 0; x < w; ++x) {
            const bool inRun = std::any_of(runs.begin(), runs.end(),
                                           [x](const Run& r) { return x >= r.left && x < r.right; });
            if (!inRun)
                image.setPixel(x, line, kBlue);
            else if (isBlue(image, x, line))
                set(image, x, line, palette::outline);
        }
    std::vector<QPoint> gained;
    for (const auto& [line, runs] : fit.lines) {
        std::vector<QRgb> was(w);
        for (int x = 0; x < w; ++x) {
            was[x] = image.pixel(x, line);
            image.setPixel(x, line, kBlue);
        }
        // What a line gains at her head's sides is her hair falling straight, shaded on the side
        // away from the light.
        for (const Run& run : runs)
            for (int x = run.left; x < run.right; ++x)
                if (was[x] == kBlue)
                    gained.emplace_back(x, line);
                else
                    image.setPixel(x, line, was[x]);
    }
    // So is what a gained pixel closes in (behind an antenna): hair, not a dark pocket.
    auto hairAt = [&](int x) {
        return x < body.headCentre.x() ? palette::hair.rgb() : palette::hairShade.rgb();
    };
    for (const QPoint& p : gained)
        image.setPixel(p, hairAt(p.x()));
    if (!gained.empty()) {
        const std::vector<char> open = openBackground(image);
        for (const QPoint& g : gained)
            for (const QPoint& n : {g + QPoint(0, 1), g - QPoint(0, 1)}) {
                std::vector<QPoint> todo;
                if (n.y() > 0 && n.y() < h && isBlue(image, n.x(), n.y()) && !open[n.y() * w + n.x()])
                    todo.push_back(n);
                while (!todo.empty()) {
                    const QPoint q = todo.back();
                    todo.pop_back();
                    if (!isBlue(image, q.x(), q.y()) || open[q.y() * w + q.x()] ||
                        std::find(holes.begin(), holes.end(), q) != holes.end())
                        continue;
                    image.setPixel(q, hairAt(q.x()));
                    for (const QPoint& m :
                         {q + QPoint(1, 0), q - QPoint(1, 0), q + QPoint(0, 1), q - QPoint(0, 1)})
                        todo.push_back(m);
                }
            }
    }
    // Background the figure closes in is shadow, but for the design's holes.
    const std::vector<char> open = openBackground(image);
    for (int i = 0; i < w * h; ++i)
        if (!open[i] && image.pixel(i % w, i / w) == kBlue && !isHole(i % w, i / w))
            image.setPixel(i % w, i / w, palette::outline.rgb());
    // The strokes a pixel thick that reach past her drawing are her art carried on.
    QImage mask(image.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            mask.scanLine(y)[x] = isBlue(image, x, y) ? 0 : 255;
    shadeStrokes(image, mask, drawn, fit.top + 1, kBottom + 1);
    thickenThreads(image, mask, QRect(QPoint(clipLeft, fit.top + 1), QPoint(clipRight - 1, kBottom - 1)));
    closeContour(image, mask, fit.detached);
    for (const QPoint& p : fit.detached)
        set(image, p.x(), p.y(), palette::amber);
}

// A ribbon from the hand out past the picture's side: it sets the outline's left or right edge
// where the frame cuts it.
void ribbon(QPainter& p, QPointF hand, QPointF end, double wave, const QColor& colour) {
    QPainterPath path;
    path.moveTo(hand);
    const QPointF mid = (hand + end) / 2;
    path.cubicTo(mid + QPointF(0, -wave), mid + QPointF(0, wave), end);
    QPainterPathStroker band;
    band.setWidth(4.0);
    band.setCapStyle(Qt::FlatCap);
    part(p, band.createStroke(path), colour, colour.darker(125), 1.4, 0);
}

struct Pose {
    double offsetX, lean, headTilt, look;
    QPointF handL, handR;
    double legLAngle, legLLift, legRAngle, legRLift;
    Eyes eyes;
    Mouth mouth;
    // Where the ribbons end (beyond the sides) and how much they wave.
    double ribbonLY, ribbonRY, wave;
    double headWidth = 1;
    double prickLeft = 0, prickRight = 0;
};

Figure dancer(const Pose& pose, const QColor& ribbonColour) {
    Figure f;
    f.offset = QPointF(pose.offsetX, 0);
    f.lean = pose.lean;
    f.headTilt = pose.headTilt;
    f.look = pose.look;
    f.headWidth = pose.headWidth;
    f.prickLeft = pose.prickLeft;
    f.prickRight = pose.prickRight;
    f.left.reach = pose.handL;
    f.right.reach = pose.handR;
    f.left.hand = f.right.hand = Hand::Grip;
    f.legLeft = {pose.legLAngle, pose.legLLift};
    f.legRight = {pose.legRAngle, pose.legRLift};
    f.eyes = pose.eyes;
    f.mouth = pose.mouth;
    f.blush = true;
    f.behind.push_back([pose, ribbonColour](QPainter& p, const Skeleton& s) {
        ribbon(p, s.handL, QPointF(-12, pose.ribbonLY), pose.wave, ribbonColour);
        ribbon(p, s.handR, QPointF(182, pose.ribbonRY), -pose.wave, ribbonColour);
    });
    return f;
}

// The drawn frames 0 to 4 of each dance, and what each is fitted to.
struct Frame {
    Pose pose;
    Fit fit;
};

std::vector<QPoint> holes(std::vector<QPoint> a, const std::vector<QPoint>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::array<Frame, 5>& framesOf(int dance) {
    // Dance 2: the ribbon twirl, swaying to her left, then turning to the right.
    static const std::array<Frame, 5> two{{
        // She sways toward the right over her soles, her head upright, slimmer and its antennae out.
        {{0,
          8.5,
          -8.5,
          0,
          {50, 112},
          {112, 112},
          4,
          0,
          4,
          0,
          Eyes::Open,
          Mouth::Line,
          120,
          118,
          10,
          0.875,
          0,
          3.5},
         {24,
          15,
          125,
          {{79, 80}},
          {{56, 65}},
          {},
          {{39, 41}},
          -1,
          -1,
          {{{76, 91}}, {{35, 51}, {66, 68}, {69, 95}}}}},
        {{-3, -4, -5, -0.5, {44, 96}, {96, 120}, 6, 0, 8, 5, Eyes::Open, Mouth::O, 80, 140, 14},
         {19, 16, 131, {{33, 49}}, {{92, 101}}, {}, {}}},
        {{-4, -7, -6, -0.6, {42, 84}, {104, 122}, 10, 0, 4, 0, Eyes::Closed, Mouth::Line, 60, 130, 16},
         {16, 14, 129, {{43, 48}, {103, 106}}, {{91, 96}}, {}, {}}},
        {{-2, 3, 4, 0.3, {52, 120}, {112, 86}, 4, 6, 10, 0, Eyes::Open, Mouth::O, 140, 70, 12},
         {17, 13, 130, {{104, 107}}, {{85, 91}}, {}, {}}},
        {{-6, 6, 7, 0.6, {46, 104}, {116, 78}, 6, 0, 20, 6, Eyes::Open, Mouth::O, 110, 50, 18},
         {18, 11, 132, {{100, 103}}, {{101, 110}}, {{131, 65}}, {}, -1, 130}},
    }};
    // Dance 3: the hop, a tuft of hair flying up beside the head on the jump.
    static const std::array<Frame, 5> three{{
        // Crouched for the hop she sways toward the right, her head upright and slimmer, her antennae
        // laid to her hair; her right ribbon rises from her hand.
        {{-6,
          8.5,
          -8.5,
          0,
          {60, 127},
          {98.5, 115},
          6,
          0,
          6,
          0,
          Eyes::Open,
          Mouth::Line,
          130,
          70,
          10,
          0.886,
          -3.4,
          -4.5},
         {19,
          16,
          117,
          {{76, 78}},
          {{39, 71}, {81, 90}, {98, 99}},
          {{37, 26}},
          // The gap under her right hand, and the eyelets down her apron.
          holes(area(58, 115, 62, 120, 11), {{66, 128},
                                             {66, 131},
                                             {66, 134},
                                             {66, 137},
                                             {67, 137},
                                             {66, 140},
                                             {67, 140},
                                             {68, 140},
                                             {66, 143},
                                             {66, 146},
                                             {70, 149},
                                             {61, 152}}),
          -1,
          -1,
          {{{29, 47}, {64, 86}}, {{26, 51}, {58, 92}}}}},
        {{-6, -4, -4, -0.4, {40, 100}, {92, 118}, 8, 5, 4, 0, Eyes::Open, Mouth::O, 90, 140, 12},
         {17, 13, 120, {{32, 46}}, {{77, 80}}, {}, {}}},
        {{2, 4, 5, 0.4, {46, 92}, {112, 104}, 4, 0, 14, 6, Eyes::Closed, Mouth::O, 70, 120, 14},
         {27,
          2,
          133,
          {{48, 49}},
          {{35, 39}},
          {},
          {{39, 34}},
          -1,
          -1,
          {{{48, 49}}, {{48, 49}}, {{48, 50}}, {{43, 55}}}}},
        {{-4, -3, -3, -0.3, {36, 86}, {104, 116}, 12, 6, 6, 0, Eyes::Open, Mouth::Line, 60, 140, 16},
         {12, 5, 129, {{27, 33}}, {{84, 92}}, {{75, 10}}, {}}},
        {{-4, 5, 6, 0.5, {44, 108}, {110, 84}, 6, 0, 18, 8, Eyes::Open, Mouth::O, 120, 60, 14},
         {14, 5, 128, {{31, 43}}, {{83, 105}}, {}, {}}},
    }};
    // Dance 4: the cheer, arms high and kicks.
    static const std::array<Frame, 5> four{{
        {{0, 0, 0, 0, {40, 100}, {120, 100}, 8, 0, 8, 0, Eyes::Open, Mouth::O, 110, 110, 12},
         {17,
          10,
          140,
          {{43, 47}},
          {{48, 63}},
          {{20, 27}, {17, 40}},
          holes({{131, 60}, {132, 62}}, area(28, 72, 30, 77, 8)),
          22,
          -1,
          // The left tuft's tip stands a pixel wide for two lines.
          {{{39, 51}, {113, 119}},
           {{33, 34}, {37, 52}, {54, 61}, {109, 122}},
           {{33, 34}, {36, 62}, {108, 123}}}}},
        {{2, 3, 4, 0.4, {48, 118}, {118, 88}, 4, 0, 12, 6, Eyes::Open, Mouth::Line, 130, 70, 12},
         {20, 5, 135, {{107, 110}}, {{55, 60}, {97, 100}}, {}, area(38, 98, 41, 101, 8)}},
        {{0, -3, -4, -0.3, {38, 90}, {110, 112}, 10, 6, 4, 0, Eyes::Closed, Mouth::O, 80, 130, 14},
         {20,
          7,
          139,
          {{41, 51}, {59, 65}},
          {{89, 101}},
          {},
          {{70, 163}},
          -1,
          -1,
          {{{39, 54}, {58, 67}, {102, 103}, {109, 113}, {115, 116}}}}},
        {{0, 0, 2, 0, {40, 88}, {120, 88}, 6, 0, 6, 0, Eyes::Open, Mouth::O, 70, 70, 10},
         {21, 4, 138, {{60, 63}}, {{88, 101}}, {}, area(39, 94, 43, 97, 10)}},
        {{0, 4, 6, 0.5, {46, 110}, {116, 80}, 4, 0, 22, 8, Eyes::Open, Mouth::O, 120, 50, 16},
         {18, 4, 140, {{111, 113}}, {{90, 100}}, {{110, 160}}, area(83, 142, 87, 148, 15)}},
    }};
    return dance == 2 ? two : dance == 3 ? three : four;
}

QColor ribbonOf(int dance) {
    return dance == 2 ? palette::red : dance == 3 ? palette::cyan : palette::amber;
}

// The column x of a drawn frame that pixel x of its mirrored partner shows: partner(x) = axis - x.
int axisOf(int dance, int drawn) {
    static const int two[5] = {0, 158, 157, 156, 160};
    static const int three[5] = {0, 152, 152, 149, 149};
    static const int four[5] = {0, 161, 158, 158, 157};
    return (dance == 2 ? two : dance == 3 ? three : four)[drawn];
}

QImage drawnFrame(int dance, int k) {
    const Frame& frame = framesOf(dance)[k];
    static const int mostRuns[3][5] = {{3, 3, 4, 4, 4}, {3, 5, 3, 5, 3}, {5, 3, 5, 4, 4}};
    Fit fit = frame.fit;
    fit.mostRuns = mostRuns[dance - 2][k];
    // The tallest row of each drawn frame and of its mirrored partner, whichever is lower.
    static const int tallest[3][5] = {{12, 10, 5, 5, 4}, {11, 11, 7, 3, 8}, {6, 4, 4, 3, 5}};
    fit.tallest = tallest[dance - 2][k];
    // The lines by the floor whose runs the design gives: the ribbon's ends trailing beside her soles.
    if (k == 0 && dance == 2) {
        fit.floorLines = {{166, {{53, 76}, {77, 90}, {91, 115}}}};
        fit.lines = {{44, {{38, 124}}}, {45, {{38, 124}}}};
        for (int y = 72; y <= 83; ++y)
            fit.lines.push_back({y, {{44, 121}}});
        // A lock's end flicks out under her right ear unit.
        fit.lines.insert(fit.lines.end(), {{93, {{48, 116}}},
                                           {94, {{47, 118}}},
                                           {95, {{47, 119}}},
                                           {96, {{45, 114}, {115, 119}}},
                                           {97, {{45, 114}}}});
    } else if (k == 0 && dance == 3) {
        // Her head's sides fall straight to her jaw; her right hand stands clear of her apron.
        fit.lines = {{42, {{35, 113}}}, {43, {{35, 113}}}};
        for (int y = 69; y <= 90; ++y)
            fit.lines.push_back({y, {{38, y < 80 ? 116 : 115}}});
        fit.lines.insert(fit.lines.end(), {{114, {{47, 91}, {92, 105}}},
                                           {115, {{45, 58}, {62, 90}, {92, 105}}},
                                           {116, {{45, 58}, {62, 89}, {92, 105}}}});
    } else if (k == 1 && dance == 3)
        fit.floorLines = {{168, {{31, 45}, {56, 57}, {58, 59}, {60, 70}, {71, 100}}}};
    else if (k == 0 && dance == 4)
        fit.floorLines = {{167, {{44, 79}, {83, 97}, {101, 102}, {106, 109}, {114, 117}}}};
    // In the cheer's first frame her headband's ends fly straight out: the lines 26 to 32 from column
    // 26 to 133, its knot's tail rising to line 32 by the frame's side.
    const bool headband = k == 0 && dance == 4;
    if (headband) {
        for (int y = 26; y < 32; ++y)
            fit.heldLines.push_back({y, {{26, 134}}});
        fit.heldLines.push_back({32, {{22, 24}, {26, 134}}});
    }
    static const std::vector<int> eyelets[3][5] = {
        {{}, {15}, {}, {15}, {}},
        {{}, {6, 5, 5, 3, 3}, {}, {2, 1, 1, 1, 1, 1}, {1, 1}},
        {{}, {}, {}, {}, {8, 6, 5, 3, 2, 2}},
    };
    fit.eyelets = eyelets[dance - 2][k];
    Figure f = dancer(frame.pose, ribbonOf(dance));
    if (headband)
        f.front.push_back(
            [](QPainter& p, const Skeleton&) { props::headband(p, QRectF(26, 26, 108, 8), palette::red); });
    // She dances where her soles are: the nearer boot goes over the first sole, within a step.
    const Skeleton at = pose(f);
    const double sole = (frame.fit.bottomRuns.front().left + frame.fit.bottomRuns.front().right) / 2.0;
    const double foot =
        std::abs(at.footL.x() - sole) < std::abs(at.footR.x() - sole) ? at.footL.x() : at.footR.x();
    f.offset.rx() += std::clamp(sole - foot, -6.0, 6.0);
    // ... but her head, ear units and all, stays whole inside the frame (where the design gives
    // her head's sides, her pose puts it there).
    const int clipLeft = fit.clipLeft >= 0 ? fit.clipLeft : fit.left;
    const int clipRight = fit.clipRight >= 0 ? fit.clipRight : fit.right;
    const double head = pose(f).headCentre.x();
    constexpr double kHeadHalf = 50;
    const bool placed = !fit.lines.empty();
    if (!placed && head + kHeadHalf > clipRight - 2)
        f.offset.rx() -= head + kHeadHalf - (clipRight - 2);
    else if (!placed && head - kHeadHalf < clipLeft + 1)
        f.offset.rx() += clipLeft + 1 - (head - kHeadHalf);
    QImage image = render([f](QPainter& p) { draw(p, f); }, solid(QSize(170, 170), kBlue)).picture;
    fitTo(image, fit, pose(f), ribbonOf(dance));
    return image;
}

} // namespace

Rendered dancePicture(int dance, int k) {
    // Dance 2 pairs frame k with 9 - k, dances 3 and 4 pair k with k + 4.
    const int drawn = k <= 4 ? k : dance == 2 ? 9 - k : k - 4;
    QImage image = drawnFrame(dance, drawn);
    if (k > 4) {
        const QImage source = image;
        const int axis = axisOf(dance, drawn);
        image.fill(kBlue);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (axis - x >= 0 && axis - x < image.width())
                    image.setPixel(x, y, source.pixel(axis - x, y));
    }
    QImage mask(image.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            mask.scanLine(y)[x] = image.pixel(x, y) == kBlue ? 0 : 255;
    return {image, mask};
}

} // namespace art

#include "posefit.h"

#include "figure.h"

#include <algorithm>
#include <cmath>

namespace art {

std::vector<char> openFromEdge(int w, int h, const std::function<bool(int x, int y)>& background) {
    std::vector<char> open(w * h, 0);
    std::vector<QPoint> todo;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((x == 0 || y == 0 || x == w - 1 || y == h - 1) && background(x, y)) {
                open[y * w + x] = 1;
                todo.emplace_back(x, y);
            }
    while (!todo.empty()) {
        const QPoint p = todo.back();
        todo.pop_back();
        for (const QPoint& n : {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1)})
            if (n.x() >= 0 && n.y() >= 0 && n.x() < w && n.y() < h && !open[n.y() * w + n.x()] &&
                background(n.x(), n.y())) {
                open[n.y() * w + n.x()] = 1;
                todo.push_back(n);
            }
    }
    return open;
}

namespace {

const QColor& kShadow = palette::shadow;

struct Canvas {
    QImage& picture;
    QImage& mask;
    bool in(int x, int y) const {
        return x >= 0 && y >= 0 && x < mask.width() && y < mask.height() && mask.scanLine(y)[x] != 0;
    }
    void put(int x, int y, const QColor& colour) {
        if (!in(x, y))
            picture.setPixel(x, y, colour.rgb());
        mask.scanLine(y)[x] = 255;
    }
    void paint(int x, int y, const QColor& colour) {
        picture.setPixel(x, y, colour.rgb());
        mask.scanLine(y)[x] = 255;
    }
    void clear(int x, int y) { mask.scanLine(y)[x] = 0; }
};

std::vector<Span> runsOn(const Canvas& c, int y) {
    std::vector<Span> runs;
    for (int x = 0; x < c.mask.width(); ++x)
        if (c.in(x, y) && !c.in(x - 1, y))
            runs.push_back({x, x});
    for (Span& r : runs) {
        int x = r.left;
        while (c.in(x, y))
            ++x;
        r.right = x;
    }
    return runs;
}

// Grows a strand of hair down from a tuft on the top line until each of its columns meets her head
// (so no background is left between the strand and her head).
void tuft(Canvas& c, Span run, int top, int left, int right) {
    const int w = c.mask.width();
    std::vector<char> met(w, 0);
    int a = run.left, b = run.right;
    for (int y = top + 1, n = 1; y < top + 24; ++y, ++n) {
        if (n == 1 || n % 2 == 0)
            --a, ++b;
        const int l = std::max(left, a), r = std::min(right, b);
        bool all = true;
        for (int x = l; x < r; ++x) {
            if (met[x])
                continue;
            if (c.in(x, y)) {
                met[x] = 1;
                continue;
            }
            all = false;
            c.put(x, y, x == l || x == r - 1 ? palette::outline : palette::hair);
        }
        if (all)
            return;
    }
}

// The colour of what she shows under (x, y): hair under a tuft, the frame under a sign board's pin.
QColor below(const Canvas& c, int x, int y) {
    for (int d = 1; d < 30 && y + d < c.mask.height(); ++d)
        if (c.in(x, y + d) && c.picture.pixel(x, y + d) != palette::outline.rgb())
            return QColor(c.picture.pixel(x, y + d));
    return palette::hair;
}

// Keeps only the 4-connected piece that holds `seed`, but for the detached pixels.
void keepPiece(Canvas& c, QPoint seed, const std::vector<QPoint>& detached) {
    const int w = c.mask.width(), h = c.mask.height();
    std::vector<char> seen(w * h, 0);
    std::vector<QPoint> todo{seed};
    seen[seed.y() * w + seed.x()] = 1;
    while (!todo.empty()) {
        const QPoint p = todo.back();
        todo.pop_back();
        for (const QPoint& n : {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1)})
            if (c.in(n.x(), n.y()) && !seen[n.y() * w + n.x()]) {
                seen[n.y() * w + n.x()] = 1;
                todo.push_back(n);
            }
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (c.in(x, y) && !seen[y * w + x] &&
                std::find(detached.begin(), detached.end(), QPoint(x, y)) == detached.end())
                c.clear(x, y);
}

// The background reached from the frame's edge through background.
std::vector<char> openBackground(const Canvas& c) {
    return openFromEdge(c.mask.width(), c.mask.height(), [&](int x, int y) { return !c.in(x, y); });
}

// Background the figure closes in becomes shadow, but for the holes.
void closeIn(Canvas& c, const std::vector<QPoint>& holes, const std::vector<QRect>& boxes) {
    const int w = c.mask.width(), h = c.mask.height();
    const std::vector<char> open = openBackground(c);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (!open[y * w + x] && !c.in(x, y) &&
                std::find(holes.begin(), holes.end(), QPoint(x, y)) == holes.end() &&
                std::none_of(boxes.begin(), boxes.end(), [&](const QRect& b) { return b.contains(x, y); }))
                c.put(x, y, palette::outline);
}

// Each hole reaches every side of its box: where it stops short of one, a channel a pixel wide is
// cut from it to that side, through what closes it in, the far edge left standing. The small holes
// laid pixel by pixel (`others`) are no part of it.
void reachBoxSides(Canvas& c, const std::vector<QRect>& boxes, const std::vector<QPoint>& others) {
    const int w = c.mask.width();
    for (const QRect& box : boxes) {
        const std::vector<char> open = openBackground(c);
        auto hole = [&](int x, int y) {
            return box.contains(x, y) && !c.in(x, y) && !open[y * w + x] &&
                   std::find(others.begin(), others.end(), QPoint(x, y)) == others.end();
        };
        const QPoint sides[] = {QPoint(-1, 0), QPoint(0, -1), QPoint(1, 0), QPoint(0, 1)};
        for (const QPoint& step : sides) {
            auto onSide = [&](QPoint p) {
                return step.x() < 0   ? p.x() == box.left()
                       : step.x() > 0 ? p.x() == box.right()
                       : step.y() < 0 ? p.y() == box.top()
                                      : p.y() == box.bottom();
            };
            std::vector<QPoint> best;
            bool reached = false;
            for (int y = box.top(); y <= box.bottom() && !reached; ++y)
                for (int x = box.left(); x <= box.right() && !reached; ++x) {
                    if (!hole(x, y))
                        continue;
                    if (onSide(QPoint(x, y))) {
                        reached = true;
                        break;
                    }
                    std::vector<QPoint> path;
                    QPoint p(x, y);
                    bool fine = true;
                    while (fine && !onSide(p)) {
                        p += step;
                        path.push_back(p);
                        // The channel stays closed: no open background beside it.
                        const QPoint across(step.y(), step.x());
                        for (const QPoint& n : {p + across, p - across})
                            fine = fine && (c.in(n.x(), n.y()) || !open[n.y() * w + n.x()]);
                    }
                    const QPoint beyond = p + step;
                    fine = fine && c.in(beyond.x(), beyond.y());
                    if (fine && (best.empty() || path.size() < best.size()))
                        best = path;
                }
            if (!reached)
                for (const QPoint& p : best)
                    c.clear(p.x(), p.y());
        }
    }
}

// Where a run would repeat unchanged on more than `tallest` lines (from line `from` on, above
// `to`), the line is narrowed by a pixel at its end nearer the side of [left, right), or widened
// where the run is two pixels wide or less.
void limitRepeats(Canvas& c, int from, int to, int tallest, int left, int right) {
    for (int y = from; y < to; ++y)
        for (const Span& r : runsOn(c, y)) {
            int n = 1;
            while (y - n >= from) {
                bool repeats = c.in(r.left, y - n) && !c.in(r.left - 1, y - n) && c.in(r.right - 1, y - n) &&
                               !c.in(r.right, y - n);
                for (int x = r.left; repeats && x < r.right; ++x)
                    repeats = c.in(x, y - n);
                if (!repeats)
                    break;
                ++n;
            }
            if (n > tallest) {
                const bool leftSide = r.left - left < right - r.right;
                if (r.right - r.left > 2)
                    c.clear(leftSide ? r.left : r.right - 1, y);
                else if (r.right < right)
                    c.put(r.right, y, palette::outline);
            }
        }
}

// Each given line holds exactly its runs within [left, right) (with `rest`, only up to its last run).
void holdLines(Canvas& c, const std::vector<PoseFit::Given>& lines, int left, int right) {
    const int w = c.mask.width();
    for (const PoseFit::Given& given : lines) {
        std::vector<char> was(w);
        const int end = given.rest ? std::min(right, given.runs.back().right + 1) : right;
        for (int x = left; x < end; ++x) {
            was[x] = c.in(x, given.y);
            c.clear(x, given.y);
        }
        // What a line gains at its side or in a gap is the art nearest it on that line (a lock
        // widened, a gap closed), or else what lies under it.
        auto beside = [&](int x, int y, Span run) {
            for (int d = 1; d <= 6; ++d)
                for (int u : {x - d, x + d})
                    if (u >= run.left && u < run.right && was[u] &&
                        c.picture.pixel(u, y) != palette::outline.rgb())
                        return QColor(c.picture.pixel(u, y));
            return below(c, x, y);
        };
        for (const Span& run : given.runs)
            for (int x = run.left; x < run.right; ++x) {
                if (was[x])
                    c.mask.scanLine(given.y)[x] = 255;
                else
                    c.paint(x, given.y,
                            x == run.left || x == run.right - 1 ? palette::outline : beside(x, given.y, run));
            }
    }
}

// What the fit added above line `above` (a tuft, a lock reaching the box) is her drawing carried on
// to the outline's edge: where it borders the desktop it takes her contour, and her own contour that
// it covers from outside gives way to it, so the hair runs on to its new edge in one piece.
void edgeAdded(Canvas& c, QImage drawn, int above) {
    const int w = c.mask.width(), h = std::min(above, c.mask.height());
    auto added = [&](int x, int y) { return c.in(x, y) && !drawn.constScanLine(y)[x]; };
    auto onEdge = [&](int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (!c.in(x + dx, y + dy))
                    return true;
        return false;
    };
    const QRgb contour = palette::outline.rgb();
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<std::pair<QPoint, QRgb>> giving;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (!c.in(x, y) || added(x, y) || c.picture.pixel(x, y) != contour || onEdge(x, y))
                    continue;
                for (const QPoint& n :
                     {QPoint(x - 1, y), QPoint(x + 1, y), QPoint(x, y - 1), QPoint(x, y + 1)})
                    if (added(n.x(), n.y()) && c.picture.pixel(n) != contour && !onEdge(n.x(), n.y())) {
                        giving.emplace_back(QPoint(x, y), c.picture.pixel(n));
                        break;
                    }
            }
        for (const auto& [p, colour] : giving) {
            c.picture.setPixel(p, colour);
            // Counted as added from now on, so the next pass reaches the contour's inner pixel.
            drawn.scanLine(p.y())[p.x()] = 0;
        }
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (added(x, y) && onEdge(x, y))
                c.picture.setPixel(x, y, contour);
}

// A colour a share `t` of the way from `a` to `b`.
QColor blend(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

bool isDark(QRgb c) {
    return std::max({qRed(c), qGreen(c), qBlue(c)}) < 0x60;
}

// The strokes a pixel thick that the fit adds to reach what the outline keeps (a box side, a
// given line, a floor patch nothing stands on) are her drawing carried on, not a line drawn round
// nothing: a stroke leaving her sideways takes the colour of the art it leaves (past its contour)
// and fades along its length, a column down to the floor is shade fading up from the shadow.
void shadeStrokes(Canvas& c, const QImage& drawn, int from, int to, const QColor& shadow) {
    const int w = c.mask.width();
    auto added = [&](int x, int y) { return c.in(x, y) && !drawn.constScanLine(y)[x]; };
    auto thinAcross = [&](int x, int y) { return added(x, y) && !c.in(x, y - 1) && !c.in(x, y + 1); };
    for (int y = from; y < to; ++y)
        for (int x = 0; x < w;) {
            if (!thinAcross(x, y)) {
                ++x;
                continue;
            }
            int end = x;
            while (end < w && thinAcross(end, y))
                ++end;
            const bool rootLeft = c.in(x - 1, y), rootRight = c.in(end, y);
            if (end - x >= 2 && rootLeft != rootRight) {
                const int step = rootLeft ? -1 : 1, root = rootLeft ? x - 1 : end;
                QRgb art = c.picture.pixel(root, y);
                for (int k = 0, at = root; k < 4 && c.in(at, y) && isDark(art); ++k, at += step)
                    if (!isDark(c.picture.pixel(at, y)))
                        art = c.picture.pixel(at, y);
                const QColor from(art);
                const QColor fade = from.value() < 128 ? from.lighter(170) : from.darker(140);
                const int n = end - x;
                for (int k = 0; k < n; ++k)
                    c.picture.setPixel(rootLeft ? x + k : end - 1 - k, y,
                                       blend(from, fade, (k + 1.0) / (n + 1)).rgb());
            }
            x = end;
        }
    // A column one pixel wide (two where a fold nicks it), of added pixels only.
    auto narrow = [&](int x, int y) {
        if (!added(x, y))
            return false;
        for (int side : {-1, 1})
            if (c.in(x + side, y) && !(added(x + side, y) && !c.in(x + 2 * side, y)))
                return false;
        return !(added(x - 1, y) && added(x + 1, y));
    };
    for (int x = 0; x < w; ++x)
        for (int y = from; y < to;) {
            if (!narrow(x, y)) {
                ++y;
                continue;
            }
            int end = y;
            while (end < to && narrow(x, end))
                ++end;
            if (end - y >= 3) {
                const QColor top = shadow.lighter(250);
                for (int k = y; k < end; ++k) {
                    const QColor shade = blend(shadow, top, double(end - k) / (end - y + 1));
                    for (int dx = -1; dx <= 1; ++dx)
                        if (added(x + dx, k))
                            c.picture.setPixel(x + dx, k, shade.rgb());
                }
            }
            y = end;
        }
}

// Her head's drawn contour that a tuft now covers from outside, and its blend into the hair, is
// hair: only pixels of hair's tones (between her contour and the hair), among hair alone, so the
// face, the ear units and the antennae keep their lines.
void hideCoveredContour(Canvas& c, const QImage& drawn, int above) {
    const int w = c.mask.width(), h = std::min(above, c.mask.height());
    auto isDrawn = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < w && y < c.mask.height() && drawn.constScanLine(y)[x];
    };
    auto hairTone = [](QRgb c) {
        const double o[3] = {palette::outline.redF(), palette::outline.greenF(), palette::outline.blueF()};
        const double d[3] = {palette::hair.redF() - o[0], palette::hair.greenF() - o[1],
                             palette::hair.blueF() - o[2]};
        const double v[3] = {qRed(c) / 255.0 - o[0], qGreen(c) / 255.0 - o[1], qBlue(c) / 255.0 - o[2]};
        const double t = std::clamp(
            (v[0] * d[0] + v[1] * d[1] + v[2] * d[2]) / (d[0] * d[0] + d[1] * d[1] + d[2] * d[2]), 0.0, 1.0);
        double off = 0;
        for (int k = 0; k < 3; ++k)
            off += (v[k] - t * d[k]) * (v[k] - t * d[k]);
        return std::sqrt(off) < 10 / 255.0;
    };
    const QImage before = c.picture.copy();
    for (int y = 1; y < h; ++y)
        for (int x = 1; x < w - 1; ++x) {
            if (!isDrawn(x, y) || !hairTone(before.pixel(x, y)) || before.pixel(x, y) == palette::hair.rgb())
                continue;
            bool nearTuft = false, bare = false, hairOnly = true;
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx) {
                    const int u = x + dx, v = y + dy;
                    if (!c.in(u, v)) {
                        bare = bare || (std::abs(dx) <= 1 && std::abs(dy) <= 1);
                        continue;
                    }
                    if (!isDrawn(u, v))
                        nearTuft = nearTuft || before.pixel(u, v) == palette::hair.rgb();
                    else
                        hairOnly = hairOnly && hairTone(before.pixel(u, v));
                }
            bool edge = false;
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx)
                    edge = edge || !isDrawn(x + dx, y + dy);
            if (nearTuft && edge && hairOnly && !bare)
                c.picture.setPixel(x, y, palette::hair.rgb());
        }
}

// A lock from her edge at column `from` out to the box's side at `to` on line y: as deep as three
// lines where she is beside it, a point of one line for its last two pixels, in the colour of the
// art it leaves.
void lock(Canvas& c, int y, int from, int to, int step) {
    if ((to - from) * step < 0)
        return; // she reaches the side herself
    QRgb art = palette::outline.rgb();
    for (int k = 1, at = from - step; k <= 4 && c.in(at, y); ++k, at -= step)
        if (!isDark(c.picture.pixel(at, y))) {
            art = c.picture.pixel(at, y);
            break;
        }
    for (int x = from; x != to + step; x += step) {
        const bool point = std::abs(to - x) < 2;
        if (!c.in(x, y))
            c.paint(x, y, point ? palette::outline : QColor(art));
        if (point)
            continue;
        // Beside her on the lines above and below only, so the lock adds no run of its own.
        for (int dy : {-1, 1})
            if (y + dy >= 0 && y + dy < c.mask.height() && !c.in(x, y + dy) && c.in(x - step, y + dy))
                c.paint(x, y + dy, palette::outline);
    }
}

} // namespace

void limitRepeats(QImage& picture, QImage& mask, int from, int to, int tallest, int left, int right,
                  QRgb outside) {
    Canvas c{picture, mask};
    limitRepeats(c, from, to, tallest, left, right);
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            if (!c.in(x, y))
                picture.setPixel(x, y, outside);
}

void holdLines(QImage& picture, QImage& mask, const std::vector<PoseFit::Given>& lines, int left, int right,
               QRgb outside) {
    Canvas c{picture, mask};
    holdLines(c, lines, left, right);
    for (const PoseFit::Given& given : lines)
        for (int x = 0; x < mask.width(); ++x)
            if (!c.in(x, given.y))
                picture.setPixel(x, given.y, outside);
}

void shadeStrokes(QImage& picture, QImage& mask, const QImage& drawn, int from, int to) {
    Canvas c{picture, mask};
    shadeStrokes(c, drawn, from, to, kShadow);
}

void thickenThreads(QImage& picture, QImage& mask, const QRect& limits) {
    Canvas c{picture, mask};
    const std::vector<char> open = openBackground(c);
    const int w = mask.width();
    // A pixel the stroke may grow into: open background within the limits (never a hole).
    auto free = [&](int x, int y) { return limits.contains(x, y) && !c.in(x, y) && open[y * w + x]; };
    constexpr int kLongest = 3; // a thread is longer than this
    for (int x = limits.left(); x <= limits.right(); ++x)
        for (int y = limits.top(); y <= limits.bottom();) {
            auto thin = [&](int at) { return c.in(x, at) && !c.in(x - 1, at) && !c.in(x + 1, at); };
            if (!thin(y)) {
                ++y;
                continue;
            }
            int end = y;
            while (end <= limits.bottom() && thin(end))
                ++end;
            if (end - y > kLongest)
                for (int side : {-1, 1}) {
                    bool all = true;
                    for (int k = y; k < end; ++k)
                        all = all && free(x + side, k);
                    if (!all)
                        continue;
                    // A nick every sixth line, so the thicker stroke is no taller a row than the
                    // outline's others.
                    for (int k = y; k < end; ++k)
                        if ((k - y) % 6 != 5)
                            c.paint(x + side, k, palette::outline);
                    break;
                }
            y = end;
        }
    for (int y = limits.top(); y <= limits.bottom(); ++y)
        for (int x = limits.left(); x <= limits.right();) {
            auto thin = [&](int at) { return c.in(at, y) && !c.in(at, y - 1) && !c.in(at, y + 1); };
            if (!thin(x)) {
                ++x;
                continue;
            }
            int end = x;
            while (end <= limits.right() && thin(end))
                ++end;
            if (end - x > kLongest) {
                // Grown from the end where she is, on the line where she is beside that end, so
                // no run of its own is added; a point of a line stays at its free end.
                const bool rootLeft = c.in(x - 1, y);
                const int step = rootLeft ? 1 : -1, from = rootLeft ? x : end - 1,
                          to = rootLeft ? end : x - 1;
                for (int dy : {-1, 1}) {
                    if (!c.in(from - step, y + dy))
                        continue;
                    for (int at = from; at != to - 2 * step && free(at, y + dy); at += step)
                        c.paint(at, y + dy, palette::outline);
                    break;
                }
            }
            x = end;
        }
}

void closeContour(QImage& picture, const QImage& mask, const std::vector<QPoint>& detached) {
    const int w = mask.width(), h = mask.height();
    auto in = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && mask.constScanLine(y)[x]; };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (in(x, y) && !isDark(picture.pixel(x, y)) &&
                (!in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1)) &&
                std::find(detached.begin(), detached.end(), QPoint(x, y)) == detached.end())
                picture.setPixel(x, y, palette::outline.rgb());
}

void fitPose(Rendered& rendered, const PoseFit& fit, const QImage& backdrop) {
    const int lastLine = fit.last;
    const QImage drawn = rendered.mask.copy();
    Canvas c{rendered.picture, rendered.mask};
    const int w = c.mask.width(), h = c.mask.height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (y <= fit.top || x < fit.left || x >= fit.right || y > lastLine)
                c.clear(x, y);
    // The top line and the lines the outline keeps under it: the tufts of her hair, each grown
    // down to her head from the last of them.
    for (const Span& run : fit.topRuns)
        for (int x = run.left; x < run.right; ++x)
            c.paint(x, fit.top, palette::outline); // her contour, over the hair the tufts bring down
    int line = fit.top;
    for (const PoseFit::Line& given : fit.topLines) {
        ++line;
        const int end = given.rest ? std::min(w, given.runs.back().right + 1) : w;
        std::vector<char> was(w);
        for (int x = 0; x < end; ++x) {
            was[x] = c.in(x, line);
            c.clear(x, line);
        }
        for (const Span& run : given.runs)
            for (int x = run.left; x < run.right; ++x) {
                if (was[x])
                    c.mask.scanLine(line)[x] = 255;
                else
                    c.paint(x, line,
                            x == run.left || x == run.right - 1 ? palette::outline : below(c, x, line));
            }
    }
    for (const Span& run : fit.topLines.empty() ? fit.topRuns : fit.topLines.back().runs)
        tuft(c, run, line, fit.left, fit.right);
    // The lines she ends on: each block holds its run alone, joined to what stands above it.
    if (!fit.bottom.empty()) {
        const int from = fit.bottom.front().from;
        std::vector<QRgb> kept(w * (lastLine + 1 - from));
        std::vector<char> was(w * (lastLine + 1 - from));
        for (int y = from; y <= lastLine; ++y)
            for (int x = 0; x < w; ++x) {
                kept[(y - from) * w + x] = c.picture.pixel(x, y);
                was[(y - from) * w + x] = c.in(x, y);
                c.clear(x, y);
            }
        auto runsOf = [](const PoseFit::Block& b) {
            std::vector<Span> runs{b.run};
            runs.insert(runs.end(), b.more.begin(), b.more.end());
            return runs;
        };
        for (std::size_t i = 0; i < fit.bottom.size(); ++i) {
            const int end = i + 1 < fit.bottom.size() ? fit.bottom[i + 1].from : lastLine + 1;
            for (const Span& run : runsOf(fit.bottom[i]))
                for (int y = fit.bottom[i].from; y < end; ++y)
                    for (int x = run.left; x < run.right; ++x) {
                        const int k = (y - from) * w + x;
                        c.paint(x, y,
                                was[k]            ? QColor(kept[k])
                                : fit.floorShadow ? kShadow
                                                  : palette::bootShade);
                    }
        }
        for (const Span& run : runsOf(fit.bottom.front())) {
            // Joined upward: a column of shadow under her where nothing stands on the block.
            bool joined = false;
            for (int x = run.left; x < run.right; ++x)
                joined = joined || c.in(x, from - 1);
            if (!joined) {
                // Her shadow falls to it: narrow under her hem, as wide as the block's rounded top
                // where it meets the floor, never a thread of one pixel.
                const int x = (run.left + run.right) / 2;
                int top = from - 1;
                while (top > 0 && !c.in(x, top))
                    --top;
                const int widest = std::max(1, (run.right - run.left) / 2 - 2);
                for (int y = top + 1; y < from; ++y) {
                    const int half = 1 + (widest - 1) * (y - top) / std::max(1, from - top);
                    for (int u = std::max(fit.left, x - half); u <= std::min(fit.right - 1, x + half); ++u)
                        if (!c.in(u, y))
                            c.paint(u, y, kShadow);
                }
            }
            // The line above the block is not the block's run, so the block starts where it is meant
            // to.
            const std::vector<Span> above = runsOn(c, from - 1);
            if (std::any_of(above.begin(), above.end(),
                            [&](Span r) { return r.left == run.left && r.right == run.right; })) {
                if (run.left - 1 >= fit.left)
                    c.paint(run.left - 1, from - 1, palette::bootShade);
                else
                    c.clear(run.left, from - 1);
            }
        }
        if (fit.floorShadow)
            for (const Span& run : runsOf(fit.bottom.front())) {
                // A flat half ellipse of shadow over the floor line, the window's edge cutting it
                // through its middle: it reads as her shadow, not as a line drawn under her.
                const double half = (run.right - run.left) / 2.0, centre = (run.left + run.right) / 2.0;
                for (int k = 1; k <= 3; ++k) {
                    const double reach = half * std::sqrt(1 - (k / 4.0) * (k / 4.0));
                    // At least a pixel narrower than the line below it each side: the floor line
                    // stays a row of its own.
                    const int left = std::max(run.left + k, int(std::ceil(centre - reach)));
                    const int right = std::min(run.right - k, int(std::floor(centre + reach)));
                    for (int x = left; x < right; ++x)
                        if (!c.in(x, from - k))
                            c.paint(x, from - k, kShadow);
                }
            }
    }
    // The detached sparkles stand alone.
    for (const QPoint& p : fit.detached)
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (p.x() + dx >= 0 && p.x() + dx < w && p.y() + dy >= 0 && p.y() + dy < h)
                    c.clear(p.x() + dx, p.y() + dy);
    keepPiece(c, QPoint(fit.topRuns.front().left, fit.top), fit.detached);
    // The box's sides: where the figure stops short of a side, the widest line reaches it (a lock
    // of hair or the hem, a few pixels wider).
    auto extent = [&](bool leftSide) {
        int best = leftSide ? w : -1, line = -1;
        for (int y = fit.top + 1; y < (fit.bottom.empty() ? lastLine : fit.bottom.front().from - 1); ++y)
            for (const Span& r : runsOn(c, y))
                if (leftSide ? r.left < best : r.right - 1 > best)
                    best = leftSide ? r.left : r.right - 1, line = y;
        return std::pair{best, line};
    };
    if (const auto [x0, y0] = extent(true); y0 >= 0)
        lock(c, y0, x0 - 1, fit.left, -1);
    if (const auto [x0, y0] = extent(false); y0 >= 0)
        lock(c, y0, x0 + 1, fit.right - 1, 1);
    closeIn(c, fit.holes, fit.holeBoxes);
    for (const QPoint& p : fit.holes) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (!c.in(p.x() + dx, p.y() + dy))
                    c.put(p.x() + dx, p.y() + dy, palette::outline);
    }
    for (const QPoint& p : fit.holes)
        c.clear(p.x(), p.y());
    closeIn(c, fit.holes, fit.holeBoxes); // the rims may close in a pixel of their own
    reachBoxSides(c, fit.holeBoxes, fit.holes);
    // No run repeats unchanged for more lines than the design's tallest row: a fold every few lines.
    limitRepeats(c, fit.top + 1, fit.bottom.empty() ? lastLine : fit.bottom.front().from, fit.tallest,
                 fit.left, fit.right);
    closeIn(c, fit.holes, fit.holeBoxes); // a nick may close in the background beside it
    holdLines(c, fit.lines, fit.left, fit.right);
    edgeAdded(c, drawn, fit.bottom.empty() ? h : fit.bottom.front().from - 3);
    hideCoveredContour(c, drawn, fit.bottom.empty() ? h : fit.bottom.front().from - 3);
    shadeStrokes(c, drawn, fit.top + 1, lastLine + 1, kShadow);
    thickenThreads(
        c.picture, c.mask,
        QRect(QPoint(fit.left, fit.top + 1),
              QPoint(fit.right - 1, fit.bottom.empty() ? lastLine - 1 : fit.bottom.front().from - 1)));
    closeContour(c.picture, c.mask, fit.detached);
    for (const QPoint& p : fit.detached)
        c.paint(p.x(), p.y(), palette::amber);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (!c.in(x, y))
                c.picture.setPixel(x, y, backdrop.pixel(x, y));
}

} // namespace art

#pragma once
// Fitting a drawn pose to the limits its outline keeps: its box, the runs of its top line, the block
// of floor shadow it ends on, its detached sparkles and enclosed holes, and how many lines a run may
// repeat unchanged. The figure is drawn first; the fit then edits its silhouette (and the picture
// with it) so that the traced outline keeps those limits while she stays as drawn.
#include "render.h"

#include <QPoint>
#include <QRect>
#include <QRgb>
#include <functional>
#include <vector>

namespace art {

struct Span {
    int left, right; // right exclusive
};

struct PoseFit {
    int left, top, right; // the box; the pose ends on line `last`
    std::vector<Span> topRuns;
    // From line `from` down to 169 each line holds `run` alone; a later block replaces it from its
    // own line on (the last line of the desk or of the shadow may be a pixel shorter).
    struct Block {
        int from;
        Span run;
        std::vector<Span> more = {}; // further runs beside it on the same lines (a second foot)
    };
    std::vector<Block> bottom;
    std::vector<QPoint> detached = {}, holes = {};
    // Enclosed background kept as it is drawn where it lies in one of these (the band's holes).
    std::vector<QRect> holeBoxes = {};
    int tallest = 9; // lines a run may repeat unchanged
    int last = 169;  // the outline's last line (a start lifts her off the floor)
    // The lines under the top line as the outline keeps them: each holds these runs (and, with
    // `rest`, goes on as drawn right of them); the tufts grow down to her from the last of them.
    struct Line {
        std::vector<Span> runs;
        bool rest = false;
    };
    std::vector<Line> topLines = {};
    // Lines further down as the outline keeps them (their runs, left to right, within the box):
    // what they add takes the colour of what lies under it, their ends her contour. With `rest`,
    // the line goes on as drawn right of its last run (the pixel after it left bare).
    struct Given {
        int y;
        std::vector<Span> runs;
        bool rest = false;
    };
    std::vector<Given> lines = {};
    // The lines she ends on are a shadow on the floor, rounded up around her feet (not a desk).
    bool floorShadow = true;
};

// The background pixels (as `background` says) joined to the picture's edge through background: the
// desktop around a figure, not what it closes in.
std::vector<char> openFromEdge(int w, int h, const std::function<bool(int x, int y)>& background);

// Where a run of the mask would repeat unchanged on more than `tallest` lines (from line `from` on,
// above `to`), narrows that line by a pixel at the end nearer the side of [left, right) (or widens
// a run two pixels wide or less): a fold every few lines. What leaves the mask takes `outside`.
void limitRepeats(QImage& picture, QImage& mask, int from, int to, int tallest, int left, int right,
                  QRgb outside);

// Each given line holds exactly its runs within [left, right) (with `rest`, only up to its last
// run): what it gains takes the art nearest it on its line, its ends her contour; what leaves the
// mask takes `outside`.
void holdLines(QImage& picture, QImage& mask, const std::vector<PoseFit::Given>& lines, int left, int right,
               QRgb outside);

// Where the mask runs on a pixel thick past what `drawn` covers (lines `from` to `to`), paints
// that stroke as the art it leaves carried on: sideways in the art's colour, fading; a column down
// to the floor in shadow, fading up. The mask is not changed.
void shadeStrokes(QImage& picture, QImage& mask, const QImage& drawn, int from, int to);

// A stroke of the mask a pixel thick and longer than three (a note's stem by the box's side, the
// rim between a hole and the desktop) is made two thick, growing into open background within
// `limits` only (never into a hole), and a thread leaving her sideways only beside her.
void thickenThreads(QImage& picture, QImage& mask, const QRect& limits);

// Where her drawing meets the desktop (a pixel of the mask beside one outside it) it ends in her dark
// contour: a light pixel there takes the contour's colour. The detached sparkles keep theirs.
void closeContour(QImage& picture, const QImage& mask, const std::vector<QPoint>& detached = {});

// Fits the rendered pose; `backdrop` is what shows outside her (the picture's background).
void fitPose(Rendered& rendered, const PoseFit& fit, const QImage& backdrop);

} // namespace art

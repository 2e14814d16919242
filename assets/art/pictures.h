#pragma once
// The registry of the character's pictures and outlines: one data row per stored picture and one
// row per named outline. Everything else is generated from these rows at build time (generate.h):
// the pictures and their Qt resource list, the picture stores' names and accessors
// (gra::Image1(n), gra2::fuki1() ...), the outline tables, the builders of every module
// (RgnCall::ShapeStandard ...) and the list that pairs each outline with its pictures.
//
// A picture row names the picture as its store holds it ("gra.Image1(0)", "gra3.ImageList2(13)",
// "gra2.fuki1"), its size, its backdrop and how it is drawn: most are a Figure value (figure.h)
// with props. An outline row names its builder ("RgnCall.ShapeStandard": module and name), the
// columns its window shows, and the pictures shown under it, the first being the one whose
// silhouette it is traced from; marks that exist only in the outline (the sleeping pose's Z marks,
// the busy animation's signal strokes) are drawn into that silhouette. The balloons' rows are
// their design instead: the table is used as it is and the picture is drawn from it.

#include "app/shapes/region_table.h"
#include "render.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

namespace art {

enum class Backdrop {
    Black, // character poses: the silhouette is the figure with its outline
    Blue,  // pure blue (0, 0, 255): the silhouette is every other pixel
    Scene, // a full scene picture with its own background pattern
    Plain, // small overlay pictures and icons, shown whole
};

inline constexpr QRgb kBlue = 0xFF0000FFu;

struct PictureRow {
    QString name;
    QSize size;
    Backdrop backdrop;
    std::function<Rendered()> make;
    // A window's own picture (the main window's Picture1, the tray icon) rather than a store's: it
    // is found by its name only, and no store namespace is generated for it.
    bool windowPicture = false;
};

struct OutlineRow {
    QString builder;         // module and name: "RgnCall.ShapeStandard"
    int windowWidth;         // columns of the pictures the window shows: no row of a pose passes it
    QStringList pictures;    // shown under the outline; the first is the one it is traced from
    Drawing extra = {};      // marks that belong to the outline only
    RegionTable design = {}; // rows given by design (the balloons), used as they are
    // The row the table ends on where the design lists its last line's runs in another order than
    // left to right; none (an empty row) keeps the tracer's order.
    RectRow last = {};
    // Where the design's table differs from the tracer's in how it lays out the same outline: runs
    // it keeps as rows of their own lines rather than joined into one taller row, and rows that
    // share a top line in the design's order (before that line's other rows).
    std::vector<RectRow> apart = {};
    std::vector<RectRow> order = {};
};

const std::vector<PictureRow>& pictureRows();
const std::vector<OutlineRow>& outlineRows();

// "gra.Image1(0)" -> "gra.Image1.0"; "gra2.fuki1" stays. Used for file names.
QString fileStem(const QString& pictureName);

} // namespace art

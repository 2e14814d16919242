#pragma once
// The picture list: one data row per stored picture, and one row per traced outline.
//
// A picture row names the picture as its store holds it ("gra.Image1(0)", "gra3.ImageList2(13)",
// "gra2.fuki1"), its backdrop and how it is drawn: most are a Figure value (figure.h) with props.
// An outline row names a shape and the silhouette its table is traced from: a picture's own
// silhouette, optionally with marks that exist only in the outline (the sleeping pose's Z marks,
// the busy animation's signal strokes). Adding pictures of further dances, the unpacking animation
// or the companions is adding rows here.
#include "render.h"

#include <QSize>
#include <QString>
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
};

struct OutlineRow {
    QString shape;   // "ShapeStandard"
    QString picture; // whose silhouette the outline is
    Drawing extra;   // marks that belong to the outline only (may be empty)
};

const std::vector<PictureRow>& pictureRows();
const std::vector<OutlineRow>& outlineRows();

// "gra.Image1(0)" -> "gra.Image1.0"; "gra2.fuki1" stays. Used for file names.
QString fileStem(const QString& pictureName);

} // namespace art

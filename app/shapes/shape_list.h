#pragma once
// Every named outline in one list, with the pictures it is shown with, for the tests and for the
// contact sheet of the art. The first picture of a pose is the one whose silhouette the table was
// traced from; the others are shown under the same outline and fit inside it. The list is generated
// with the builders from the art's outline rows (assets/art/pictures.cpp).
#include "region_table.h"

#include <QString>
#include <QStringList>
#include <vector>

class QWidget;

namespace shapes {

// What lies outside the figure in the paired pictures.
enum class Backdrop {
    Blue,  // pure blue (0, 0, 255): the outline is exactly the picture's other pixels
    Black, // black: the outline is the figure's silhouette, its dark outline included
    Scene, // a background pattern that the outline cuts away
};

struct ShapeEntry {
    QString name; // as the builders are called: "RgnCall.ShapeStandard"
    RegionTable table;
    void (*apply)(QWidget*);
    Backdrop backdrop;
    int frameWidth, frameHeight; // the paired pictures' size
    int windowWidth;             // columns the window shows (no character row passes it)
    QStringList pictures;        // store names: "gra.Image1(0)"
};

const std::vector<ShapeEntry>& AllShapes();

// The entry of that name ("RgnCall.ShapePose12"), or null.
const ShapeEntry* FindShape(const QString& name);

} // namespace shapes

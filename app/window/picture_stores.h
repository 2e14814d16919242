#pragma once
// The picture stores: the character's pictures, compiled into the program as Qt resources and
// held by store, array and index as the design names them ("gra.Image1(16)", "gra3.ImageList2(13)",
// "gra2.fuki1"). Each store has a namespace of its own with Load, Unload and its pictures
// (gra::Image1(16), gra3::ImageList2(13), gra2::fuki1()); those namespaces, and the list of stores,
// are generated from the art's picture rows (assets/art/pictures.cpp) into app/window/picture_names.h,
// whose comments tell which indices each array holds. Among them:
//   gra3.ImageList1  the sign's digits (15 x 13): 1-9, 10 = a ones zero, 11 = a tens zero
//   gra3.ImageList2  the board pictures (66 x 50): 1-10 battery gauge full to empty, 11 start-up,
//                    12 charging, 13 mail sign
//
// A store loads on first use and stays loaded until Unload; a later use loads it again. Each picture
// is decoded on its first use after the store was loaded, and then kept with the store. A picture
// the store does not hold is a null Picture (its pixmap is null): showing it changes nothing, so a
// caller's failing step is simply skipped. Pictures are values: a window that shows one keeps it
// whatever happens to the store. Two Pictures are equal when they name the same store picture.
//
// Window code puts store pictures into picture boxes only through Show, which remembers on the box
// which store picture it shows: that one record answers the design's comparisons of a box's picture
// with a store picture (Shown, Shows), for the character window and the balloons alike. Show also
// notes the step ("picture gra.Image1(16)") for animation recordings, unless told the box is an
// overlay whose changes are not animation steps.
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

class QLabel;

namespace stores {

struct Picture {
    QString name; // "gra.Image1(16)"; empty for no store picture
    QPixmap pixmap;
    bool isNull() const { return pixmap.isNull(); }
    friend bool operator==(const Picture& a, const Picture& b) { return a.name == b.name; }
};

// A picture by its full name, loading its store if needed.
Picture Find(const QString& name);

// Loads or unloads a store by name ("gra3"); unknown names do nothing.
void Load(const QString& store);
void Unload(const QString& store);
bool Loaded(const QString& store);

enum class Note {
    Step,  // an animation step: noted as "picture <name>"
    Quiet, // an overlay (the gauge, the signs): not noted
};

// Shows the picture in the box (see above). A null picture leaves the box as it is.
void Show(QLabel* box, const Picture& picture, Note note = Note::Step);
// The store picture the box shows (set through Show and not replaced since), else a Picture with
// no name.
Picture Shown(const QLabel* box);
// Whether the box shows exactly that store picture.
bool Shows(const QLabel* box, const Picture& picture);

// The program's 32 x 32 icon (the main window's Picture1), with transparency.
Picture TrayIcon();

// Every store's name, and every picture the stores hold with its size (generated).
const QStringList& StoreNames();
struct Listed {
    QString name;
    QSize size;
};
const std::vector<Listed>& AllPictures();

} // namespace stores

#include "app/window/picture_names.h"

#pragma once
// The picture stores: the character's pictures, compiled into the program as Qt resources and
// held by store, array and index as the design names them.
//
//   action  Image1(0)                  the first pose at start-up (sign board, booting)
//   gra     Image1(0..3, 6, 7, 10..14, 16)   standing, blink, bows, sign board, dozing, asleep ...
//   gra2    Image1(0..2, 5), fuki1() .. fuki4()   mail-check poses, the busy scene, the balloons
//   gra3    Image1(4, 5, 8, 9), ImageList1(1..11), ImageList2(1..13)
//           power poses, low battery; the sign's digits (15 x 13: 1-9, 10 = a ones zero,
//           11 = a tens zero); the board pictures (66 x 50: 1-10 battery gauge full to empty,
//           11 start-up, 12 charging, 13 mail sign)
//   gra5    Image1(0..8)               the first dance
//   gra6    Image1(0..7)               dial-up: connecting 0-4, disconnecting 5-7
//
// A store loads on first use and stays loaded until Unload; a later use loads it again. Each picture
// is decoded on its first use after the store was loaded, and then kept with the store. A picture
// the store does not hold is a null Picture (its pixmap is null): showing it changes nothing, so a
// caller's failing step is simply skipped. Pictures are values: a window that shows one keeps it
// whatever happens to the store.
//
// Window code puts store pictures into picture boxes only through Show, which also notes the step
// ("picture gra.Image1(16)") for animation recordings and remembers which store picture the box
// shows, for the design's comparisons of a box's picture with a store picture (Shows).
#include <QPixmap>
#include <QString>

class QLabel;

namespace stores {

struct Picture {
    QString name; // "gra.Image1(16)"
    QPixmap pixmap;
    bool isNull() const { return pixmap.isNull(); }
};

// A picture by its full name, loading its store if needed.
Picture Find(const QString& name);

// Loads or unloads a store by name ("gra3"); unknown names do nothing.
void Load(const QString& store);
void Unload(const QString& store);
bool Loaded(const QString& store);

// Shows the picture in the box (see above). A null picture leaves the box as it is.
void Show(QLabel* box, const Picture& picture);
// Whether the box shows exactly that store picture (set through Show and not replaced since).
bool Shows(const QLabel* box, const Picture& picture);

// The program's 32 x 32 icon (the main window's Picture1), with transparency.
Picture TrayIcon();

} // namespace stores

namespace action {
void Load();
void Unload();
stores::Picture Image1(int index);
} // namespace action

namespace gra {
void Load();
void Unload();
stores::Picture Image1(int index);
} // namespace gra

namespace gra2 {
void Load();
void Unload();
stores::Picture Image1(int index);
stores::Picture fuki1();
stores::Picture fuki2();
stores::Picture fuki3();
stores::Picture fuki4();
} // namespace gra2

namespace gra3 {
void Load();
void Unload();
stores::Picture Image1(int index);
stores::Picture ImageList1(int item); // items count from 1
stores::Picture ImageList2(int item);
} // namespace gra3

namespace gra5 {
void Load();
void Unload();
stores::Picture Image1(int index);
} // namespace gra5

namespace gra6 {
void Load();
void Unload();
stores::Picture Image1(int index);
} // namespace gra6

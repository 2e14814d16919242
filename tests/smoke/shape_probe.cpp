// shape_probe NAME: prints a pixel inside the named outline and one just outside it, "x y x y",
// for the tests that look at the real window on an X server.
#include "app/shapes/shape_list.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const shapes::ShapeEntry* shape = shapes::FindShape(QString::fromUtf8(argv[1]));
    if (!shape)
        return 1;
    const QRegion region = RgnCall::BuildRegion(shape->table);
    // Inside: the middle of the widest row; outside: a few pixels left of the outline on that line.
    RectRow widest = shape->table.front();
    for (const RectRow& r : shape->table)
        if (r.right - r.left > widest.right - widest.left)
            widest = r;
    const int y = (widest.top + widest.bottom) / 2;
    const int inX = (widest.left + widest.right) / 2;
    int outX = 0;
    for (int x = 0; x < shape->windowWidth; ++x)
        if (region.contains(QPoint(x, y))) {
            outX = x > 4 ? x - 4 : 0;
            break;
        }
    std::printf("%d %d %d %d\n", inX, y, outX, y);
    return region.contains(QPoint(outX, y)) ? 1 : 0;
}

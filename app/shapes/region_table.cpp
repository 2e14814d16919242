#include "region_table.h"

#include "platform/pace.h"

#include <QRect>
#include <QWidget>

namespace RgnCall {

void AddRectRgn(QRegion& region, int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top)
        return;
    region += QRect(left, top, right - left, bottom - top);
}

QRegion BuildRegion(RegionTable table) {
    QRegion region;
    for (const RectRow& row : table)
        AddRectRgn(region, row.left, row.top, row.right, row.bottom);
    return region;
}

void ApplyShape(QWidget* window, RegionTable table, const char* name) {
    platform::pace::mark(QStringLiteral("shape ") + QLatin1String(name));
    if (!window)
        return;
    window->setMask(BuildRegion(table));
    window->update();
}

} // namespace RgnCall

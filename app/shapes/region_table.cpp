#include "region_table.h"

#include "platform/pace.h"

#include <QMutex>
#include <QRect>
#include <QWidget>
#include <algorithm>
#include <vector>

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

namespace {

// Her blink and the idle timers apply the same few outlines again and again: each table's region is
// built once. Entries are matched by their rows, not by where the table lies, so a table in a
// freed buffer cannot pass for another.
struct Built {
    std::vector<RectRow> rows;
    QRegion region;
};

constexpr std::size_t kMaxBuilt = 32;

QRegion builtRegion(RegionTable table) {
    static QMutex lock;
    static std::vector<Built> built;
    QMutexLocker locker(&lock);
    for (const Built& b : built)
        if (std::ranges::equal(b.rows, table))
            return b.region;
    if (built.size() >= kMaxBuilt)
        built.erase(built.begin());
    built.push_back({std::vector<RectRow>(table.begin(), table.end()), BuildRegion(table)});
    return built.back().region;
}

} // namespace

void ApplyShape(QWidget* window, RegionTable table, const char* name) {
    platform::pace::mark(QStringLiteral("shape ") + QLatin1String(name));
    if (!window)
        return;
    const QRegion region = builtRegion(table);
    // The outline she already has: nothing to send to the X server, nothing to paint again.
    if (window->mask() == region)
        return;
    window->setMask(region);
    window->update();
}

} // namespace RgnCall

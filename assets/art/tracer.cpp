#include "tracer.h"

#include <algorithm>

namespace art {

namespace {

struct Run {
    int left, right;
    bool operator==(const Run&) const = default;
};

std::vector<Run> runsOf(int width, int y, const std::function<bool(int, int)>& inside) {
    std::vector<Run> runs;
    int x = 0;
    while (x < width) {
        if (!inside(x, y)) {
            ++x;
            continue;
        }
        const int left = x;
        while (x < width && inside(x, y))
            ++x;
        runs.push_back({left, x});
    }
    return runs;
}

} // namespace

std::vector<RectRow> traceInside(int width, int height, const std::function<bool(int, int)>& inside) {
    std::vector<RectRow> rows;
    struct Open {
        Run run;
        int top;
    };
    std::vector<Open> open;
    auto close = [&](const Open& o, int bottom) { rows.push_back({o.run.left, o.top, o.run.right, bottom}); };
    for (int y = 0; y <= height; ++y) {
        const std::vector<Run> runs = y < height ? runsOf(width, y, inside) : std::vector<Run>{};
        std::vector<Open> next;
        for (const Run& run : runs) {
            auto same = std::find_if(open.begin(), open.end(), [&](const Open& o) { return o.run == run; });
            if (same != open.end()) {
                next.push_back(*same);
                open.erase(same);
            } else {
                next.push_back({run, y});
            }
        }
        for (const Open& o : open)
            close(o, y);
        open = std::move(next);
    }
    std::sort(rows.begin(), rows.end(), [](const RectRow& a, const RectRow& b) {
        return a.top != b.top ? a.top < b.top : a.left < b.left;
    });
    return rows;
}

std::vector<RectRow> traceMask(const QImage& mask) {
    const QImage grey = mask.convertToFormat(QImage::Format_Grayscale8);
    return traceInside(grey.width(), grey.height(),
                       [&](int x, int y) { return grey.constScanLine(y)[x] > 127; });
}

std::vector<RectRow> traceKey(const QImage& picture, QRgb key) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const QRgb wanted = key | 0xFF000000u;
    return traceInside(rgb.width(), rgb.height(), [&](int x, int y) {
        return reinterpret_cast<const QRgb*>(rgb.constScanLine(y))[x] != wanted;
    });
}

} // namespace art

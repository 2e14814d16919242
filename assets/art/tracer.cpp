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

bool keepApart(std::vector<RectRow>& table, const RectRow& row) {
    const auto holder = std::find_if(table.begin(), table.end(), [&](const RectRow& r) {
        return r.left == row.left && r.right == row.right && r.top <= row.top && row.bottom <= r.bottom;
    });
    if (holder == table.end())
        return false;
    const RectRow whole = *holder;
    std::vector<RectRow> pieces;
    if (whole.top < row.top)
        pieces.push_back({whole.left, whole.top, whole.right, row.top});
    pieces.push_back(row);
    if (row.bottom < whole.bottom)
        pieces.push_back({whole.left, row.bottom, whole.right, whole.bottom});
    table.erase(holder);
    for (const RectRow& piece : pieces) {
        // After the rows of its top line that stand left of it, as the tracer orders them.
        const auto at = std::find_if(table.begin(), table.end(), [&](const RectRow& r) {
            return r.top > piece.top || (r.top == piece.top && r.left > piece.left);
        });
        table.insert(at, piece);
    }
    return true;
}

bool orderLines(std::vector<RectRow>& table, const std::vector<RectRow>& rows) {
    for (const RectRow& row : rows)
        if (std::find(table.begin(), table.end(), row) == table.end())
            return false;
    for (auto line = table.begin(); line != table.end();) {
        const int top = line->top;
        const auto end = std::find_if(line, table.end(), [top](const RectRow& r) { return r.top != top; });
        auto rank = [&](const RectRow& r) {
            const auto named = std::find(rows.begin(), rows.end(), r);
            return named == rows.end() ? rows.size() : std::size_t(named - rows.begin());
        };
        std::stable_sort(line, end, [&](const RectRow& a, const RectRow& b) { return rank(a) < rank(b); });
        line = end;
    }
    return true;
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

#pragma once
// A widget style for picture boxes of shaped windows: it draws a box's picture in bands of a few
// rows, with the same pixels as the plain style.
//
// Qt's raster engine spreads a clipped image fill of more than about 95 spans over its global
// thread pool. A shaped window's clip has a span for every row it crosses, so each change of the
// character's 170-row picture would wake a handful of pool threads to share 50 microseconds of
// work; drawn in bands, every fill stays on the GUI thread. Pictures of a device pixel ratio other
// than 1 are drawn as the plain style draws them.
#include <QProxyStyle>

namespace platform {

class BandedStyle : public QProxyStyle {
public:
    // Rows per band: at most 95 spans even where the clip has five pieces on a row.
    static constexpr int kBandRows = 16;

    void drawItemPixmap(QPainter* painter, const QRect& rect, int alignment,
                        const QPixmap& pixmap) const override;
};

// The one instance, made on first use (after the application object), which owns it.
BandedStyle* bandedStyle();

} // namespace platform

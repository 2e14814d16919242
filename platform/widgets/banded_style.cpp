#include "banded_style.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <algorithm>

namespace platform {

void BandedStyle::drawItemPixmap(QPainter* painter, const QRect& rect, int alignment,
                                 const QPixmap& pixmap) const {
    if (pixmap.devicePixelRatio() != 1.0) {
        QProxyStyle::drawItemPixmap(painter, rect, alignment, pixmap);
        return;
    }
    // Placed as the plain style places it: aligned in rect, cut to rect.
    const QRect aligned =
        alignedRect(QGuiApplication::layoutDirection(), QFlag(alignment), pixmap.size(), rect);
    const QRect shown = aligned.intersected(rect);
    for (int top = shown.top(); top <= shown.bottom(); top += kBandRows) {
        const int rows = std::min(kBandRows, shown.bottom() + 1 - top);
        painter->drawPixmap(shown.left(), top, pixmap, shown.left() - aligned.left(), top - aligned.top(),
                            shown.width(), rows);
    }
}

BandedStyle* bandedStyle() {
    static QPointer<BandedStyle> style;
    if (!style) {
        style = new BandedStyle;
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

} // namespace platform

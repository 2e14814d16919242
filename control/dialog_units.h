#pragma once
// Dialog sizes given in dialog units (a quarter of the font's average character width across, an
// eighth of its height down), so a dialog keeps its proportions in any font.
#include <QFontMetrics>
#include <QSize>

namespace brindok {

inline QSize dialogUnits(const QFont& font, int across, int down) {
    const QFontMetrics metrics(font);
    return {across * metrics.averageCharWidth() / 4, down * metrics.height() / 8};
}

} // namespace brindok

#include "platform/widgets/banded_style.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QRegion>
#include <gtest/gtest.h>

namespace {

// A picture with a different colour, half transparent in places, at every pixel.
QPixmap pattern(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixelColor(x, y,
                                QColor((x * 7) % 256, (y * 5) % 256, (x * y) % 256, (x + y) % 3 ? 255 : 128));
    return QPixmap::fromImage(image);
}

// A clip like a character's outline: on every row a piece or two of varying width.
QRegion outline() {
    QRegion region;
    for (int y = 0; y < 170; ++y) {
        region += QRect(y % 37, y, 60 + y % 50, 1);
        if (y % 3 == 0)
            region += QRect(120 + y % 11, y, 20, 1);
    }
    return region;
}

QImage drawnBy(const QStyle* style, QRect rect, int alignment, const QPixmap& pixmap) {
    QImage canvas(200, 200, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    painter.setClipRegion(outline());
    style->drawItemPixmap(&painter, rect, alignment, pixmap);
    return canvas;
}

TEST(BandedStyle, DrawsTheSamePixelsAsThePlainStyle) {
    struct Case {
        const char* name;
        QRect rect;
        int alignment;
        QSize picture;
    };
    for (const Case& c :
         {Case{"box_of_the_window", {0, 0, 170, 170}, Qt::AlignLeft | Qt::AlignVCenter, {170, 170}},
          Case{"cut_by_a_narrower_box", {0, 0, 150, 170}, Qt::AlignLeft | Qt::AlignTop, {170, 170}},
          Case{"centred_in_a_larger_box", {5, 3, 190, 190}, Qt::AlignCenter, {66, 50}},
          Case{"bottom_right", {0, 0, 160, 170}, Qt::AlignRight | Qt::AlignBottom, {100, 41}},
          Case{"taller_than_the_box", {10, 20, 120, 100}, Qt::AlignCenter, {90, 170}}}) {
        const QPixmap pixmap = pattern(c.picture);
        EXPECT_EQ(drawnBy(platform::bandedStyle(), c.rect, c.alignment, pixmap),
                  drawnBy(QApplication::style(), c.rect, c.alignment, pixmap))
            << c.name;
    }
}

} // namespace

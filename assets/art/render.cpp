#include "render.h"

namespace art {

namespace {

QImage layer(const Drawing& drawing, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawing(painter);
    painter.end();
    return image;
}

} // namespace

Rendered render(const Drawing& drawing, const QImage& background) {
    const QImage drawn = layer(drawing, background.size()).convertToFormat(QImage::Format_ARGB32);
    Rendered out{background.convertToFormat(QImage::Format_RGB32),
                 QImage(background.size(), QImage::Format_Grayscale8)};
    out.mask.fill(0);
    for (int y = 0; y < drawn.height(); ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(drawn.constScanLine(y));
        QRgb* dst = reinterpret_cast<QRgb*>(out.picture.scanLine(y));
        uchar* mask = out.mask.scanLine(y);
        for (int x = 0; x < drawn.width(); ++x) {
            if (qAlpha(src[x]) < 128)
                continue;
            dst[x] = src[x] | 0xFF000000u; // un-premultiplied colour at full strength
            mask[x] = 255;
        }
    }
    return out;
}

QImage silhouette(const Drawing& drawing, QSize size) {
    const QImage drawn = layer(drawing, size);
    QImage mask(size, QImage::Format_Grayscale8);
    for (int y = 0; y < size.height(); ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(drawn.constScanLine(y));
        uchar* dst = mask.scanLine(y);
        for (int x = 0; x < size.width(); ++x)
            dst[x] = qAlpha(src[x]) >= 128 ? 255 : 0;
    }
    return mask;
}

QImage unite(const QImage& a, const QImage& b) {
    QImage out = a.convertToFormat(QImage::Format_Grayscale8);
    const QImage other = b.convertToFormat(QImage::Format_Grayscale8);
    for (int y = 0; y < out.height(); ++y) {
        uchar* dst = out.scanLine(y);
        const uchar* src = other.constScanLine(y);
        for (int x = 0; x < out.width(); ++x)
            dst[x] = std::max(dst[x], src[x]);
    }
    return out;
}

QImage solid(QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace art

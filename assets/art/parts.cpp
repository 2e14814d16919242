#include "parts.h"

#include "figure.h"
#include "pictures.h"
#include "posefit.h"

#include <QPainterPathStroker>

namespace art::parts {

QPainterPath inside(const QPainterPath& outer, double line) {
    QPainterPathStroker stroker;
    stroker.setWidth(2 * line);
    stroker.setJoinStyle(Qt::RoundJoin);
    return outer.subtracted(stroker.createStroke(outer));
}

void piece(QPainter& p, const QPainterPath& outer, const QColor& fill, const QColor& shade, double shadeDepth,
           double line) {
    p.setPen(Qt::NoPen);
    p.setBrush(palette::outline);
    p.drawPath(outer);
    const QPainterPath in = inside(outer, line);
    p.setBrush(fill);
    p.drawPath(in);
    if (shadeDepth > 0) {
        p.setBrush(shade);
        p.drawPath(in.subtracted(in.translated(-shadeDepth, -shadeDepth)));
    }
}

QPainterPath roundedRect(double left, double top, double right, double bottom, double radius) {
    QPainterPath path;
    path.addRoundedRect(QRectF(left, top, right - left, bottom - top), radius, radius);
    return path;
}

QPainterPath polygon(std::initializer_list<QPointF> points) {
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

QPainterPath capsule(QPointF a, QPointF b, double width) {
    QPainterPath line;
    line.moveTo(a);
    line.lineTo(b);
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    return stroker.createStroke(line).simplified();
}

QImage maskOf(QSize size, const std::vector<OutlineLine>& lines) {
    QImage mask(size, QImage::Format_Grayscale8);
    mask.fill(0);
    for (const OutlineLine& line : lines)
        for (const auto& [left, right] : line.runs)
            for (int x = left; x < right; ++x)
                mask.scanLine(line.y)[x] = 255;
    return mask;
}

Rendered fittedTo(const Rendered& drawn, const QImage& mask) {
    const int w = mask.width(), h = mask.height();
    auto in = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && mask.constScanLine(y)[x]; };
    auto drawnAt = [&](int x, int y) { return in(x, y) && drawn.mask.constScanLine(y)[x]; };
    QImage picture = solid(mask.size(), kBlue);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (!in(x, y))
                continue;
            if (drawnAt(x, y)) {
                picture.setPixel(x, y, drawn.picture.pixel(x, y));
                continue;
            }
            if (!in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1)) {
                picture.setPixel(x, y, palette::outline.rgb());
                continue;
            }
            // The nearest drawn pixel, the same line first: the part it belongs to goes on.
            QRgb colour = palette::outline.rgb();
            for (int d = 1, best = 1 << 30; d < 12 && best == 1 << 30; ++d)
                for (int dy = -d; dy <= d; ++dy)
                    for (int dx = -d; dx <= d; ++dx) {
                        const int cost = dx * dx + 2 * dy * dy;
                        if ((std::abs(dx) == d || std::abs(dy) == d) && drawnAt(x + dx, y + dy) &&
                            cost < best) {
                            best = cost;
                            colour = drawn.picture.pixel(x + dx, y + dy);
                        }
                    }
            picture.setPixel(x, y, colour);
        }
    closeContour(picture, mask);
    return {picture, mask};
}

} // namespace art::parts

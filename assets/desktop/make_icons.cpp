// Her icon for the desktop's menus and docks, made at build time from the standing picture the art
// generator draws and its silhouette:
//   morvik_icons PICTURE MASK OUTDIR SIZE...   writes OUTDIR/<N>x<N>/apps/morvik.png for each size
// The silhouette gives the icon its transparency, so it shows her as her window does, cut to her
// outline. The square taken is her head and shoulders, found from the silhouette (so it follows
// the drawing as it changes); the smallest sizes take her hair and face alone.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QRect>
#include <algorithm>
#include <cstdio>

namespace {

// Up to this size the icon shows her hair and face alone.
constexpr int kSmall = 24;

int fail(const QString& message) {
    std::fprintf(stderr, "morvik_icons: %s\n", qPrintable(message));
    return 1;
}

// The picture with the silhouette as its alpha channel.
QImage cutOut(const QImage& picture, const QImage& mask) {
    QImage cut = picture.convertToFormat(QImage::Format_ARGB32);
    const QImage alpha = mask.convertToFormat(QImage::Format_Grayscale8);
    for (int y = 0; y < cut.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(cut.scanLine(y));
        const uchar* covered = alpha.constScanLine(y);
        for (int x = 0; x < cut.width(); ++x)
            line[x] = covered[x] >= 128 ? (line[x] | 0xff000000u) : 0u;
    }
    return cut.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Her head and shoulders: a square from the top of her hair, centred where the pixels of the
// silhouette's upper third balance (her hair and the ear pieces; her arms and skirt lie lower) and as wide
// as the farther side of that third from the middle, with a little room around. At the smallest
// sizes a head and shoulders leave her face a few pixels wide: there the square keeps her hair
// and face, cutting into the ear pieces.
QRect headAndShoulders(const QImage& mask, bool small) {
    const QImage alpha = mask.convertToFormat(QImage::Format_Grayscale8);
    auto covered = [&alpha](int x, int y) { return alpha.constScanLine(y)[x] >= 128; };
    int top = -1, bottom = -1;
    for (int y = 0; y < alpha.height(); ++y)
        for (int x = 0; x < alpha.width(); ++x)
            if (covered(x, y)) {
                top = top < 0 ? y : top;
                bottom = y;
                break;
            }
    if (top < 0)
        return {};
    int left = alpha.width(), right = -1;
    qint64 sum = 0, count = 0;
    for (int y = top; y <= top + (bottom - top) / 3; ++y)
        for (int x = 0; x < alpha.width(); ++x)
            if (covered(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                sum += x;
                ++count;
            }
    const double middle = double(sum) / double(count) + 0.5;
    const double half = std::max(middle - left, right + 1 - middle) * (small ? 0.8 : 1.0);
    const double room = small ? 0.0 : half / 12;
    const int side = int(2 * (half + room) + 0.5);
    return {int(middle - half - room + 0.5), top - int(room + 0.5), side, side};
}

// The square at n x n. Shrinking averages (Qt's smooth scaling of a premultiplied image keeps the
// edge free of dark fringes); growing first repeats each pixel by a whole factor, so her hard
// edges stay sharp, and then shrinks to the size asked.
QImage atSize(const QImage& square, int n) {
    QImage source = square;
    if (n > square.width()) {
        const int factor = (n + square.width() - 1) / square.width();
        source = square.scaled(square.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    return source.scaled(n, n, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32);
}

} // namespace

int main(int argc, char** argv) {
    // Only images are read and written: no display, so no GUI application.
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5)
        return fail(QStringLiteral("usage: morvik_icons PICTURE MASK OUTDIR SIZE..."));
    const QImage picture(args[1]);
    const QImage mask(args[2]);
    if (picture.isNull())
        return fail(QStringLiteral("cannot read the picture %1").arg(args[1]));
    if (mask.isNull())
        return fail(QStringLiteral("cannot read the silhouette %1").arg(args[2]));
    if (mask.size() != picture.size())
        return fail(QStringLiteral("the silhouette %1 is not the size of the picture").arg(args[2]));
    const QRect box = headAndShoulders(mask, false);
    if (box.isEmpty())
        return fail(QStringLiteral("the silhouette %1 is empty").arg(args[2]));
    // Parts of a square beyond the picture come out transparent.
    const QImage cut = cutOut(picture, mask);
    const QImage square = cut.copy(box);
    const QImage face = cut.copy(headAndShoulders(mask, true));
    const QDir out(args[3]);
    for (qsizetype i = 4; i < args.size(); ++i) {
        bool ok = false;
        const int n = args[i].toInt(&ok);
        if (!ok || n < 1 || n > 1024)
            return fail(QStringLiteral("%1 is no icon size").arg(args[i]));
        const QString folder = QStringLiteral("%1x%1/apps").arg(n);
        const QString path = out.filePath(folder + QStringLiteral("/morvik.png"));
        if (!out.mkpath(folder) || !atSize(n <= kSmall ? face : square, n).save(path, "PNG"))
            return fail(QStringLiteral("cannot write %1").arg(path));
    }
    return 0;
}

// The contact sheet: every picture of the named outlines, as stored and as the window shows it
// (the picture cut to its outline over a checkerboard, which stands for the desktop), with the
// shape's name; then every other picture, shown whole (gauge, digits, signs, tray icon), also at 2x.
// Every picture of the rows appears; the sheet is refused (and the build fails) when a picture is
// missing or does not fit its place, so that nothing is silently left off.
//   morvik_art_sheet PICTURES_DIR OUT.png
#include "app/shapes/shape_list.h"
#include "pictures.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QSet>
#include <cstdio>

namespace {

constexpr int kCell = 212; // one picture and its two label lines
constexpr int kLabel = 30; // the label lines under a picture in a cell
constexpr int kPerRow = 3; // entries (picture + outline) per row
constexpr int kGap = 14;
constexpr int kTop = 40;  // below the title
constexpr int kLine = 16; // a line of text

int fail(const QString& message) {
    std::fprintf(stderr, "morvik_art_sheet: %s\n", qPrintable(message));
    return 1;
}

void checkerboard(QPainter& p, const QRect& r) {
    p.save();
    p.setClipRect(r);
    for (int y = r.top(); y < r.bottom(); y += 8)
        for (int x = r.left(); x < r.right(); x += 8)
            p.fillRect(QRect(x, y, 8, 8), ((x - r.left()) / 8 + (y - r.top()) / 8) % 2
                                              ? QColor(0xCC, 0xCC, 0xCC)
                                              : QColor(0xF4, 0xF4, 0xF4));
    p.restore();
}

// A pair of the outline section: a picture and the outline it is shown under.
struct Paired {
    const shapes::ShapeEntry* shape;
    QString name;
    QImage picture;
    QPoint at;
};

// A picture of the section shown whole.
struct Whole {
    QString name;
    QImage picture;
    QPoint at;
};

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: morvik_art_sheet PICTURES_DIR OUT.png\n");
        return 1;
    }
    const QDir dir(args[1]);
    auto load = [&dir](const QString& name) {
        return QImage(dir.filePath(art::fileStem(name) + QStringLiteral(".png")));
    };
    QFont font;
    font.setPixelSize(12);
    const QFontMetrics metrics(font);

    // Where everything goes, before anything is drawn: the sheet's height follows from it.
    const int entryWidth = 2 * kCell + kGap;
    const int width = kPerRow * entryWidth + (kPerRow + 1) * kGap;
    std::vector<Paired> paired;
    QSet<QString> placed;
    for (const shapes::ShapeEntry& shape : shapes::AllShapes())
        for (const QString& name : shape.pictures) {
            const QImage picture = load(name);
            if (picture.isNull())
                return fail(QStringLiteral("the picture %1 is missing").arg(name));
            if (picture.width() > kCell || picture.height() > kCell - kLabel)
                return fail(QStringLiteral("%1 (%2 x %3) does not fit a cell of the sheet")
                                .arg(name)
                                .arg(picture.width())
                                .arg(picture.height()));
            const int i = int(paired.size());
            paired.push_back(
                {&shape,
                 name,
                 picture,
                 {kGap + (i % kPerRow) * (entryWidth + kGap), kTop + (i / kPerRow) * (kCell + kGap)}});
            placed.insert(name);
        }
    const int wholeTop = kTop + int(paired.size() + kPerRow - 1) / kPerRow * (kCell + kGap);
    std::vector<Whole> whole;
    int x = kGap, y = wholeTop + kLine, rowHeight = 0;
    for (const art::PictureRow& row : art::pictureRows()) {
        if (placed.contains(row.name))
            continue;
        const QImage picture = load(row.name);
        if (picture.isNull())
            return fail(QStringLiteral("the picture %1 is missing").arg(row.name));
        const int cell =
            std::max(3 * picture.width() + 4, metrics.horizontalAdvance(row.name)) + kGap; // as is, and at 2x
        if (kGap + cell > width)
            return fail(QStringLiteral("%1 (%2 x %3) is too wide for the sheet")
                            .arg(row.name)
                            .arg(picture.width())
                            .arg(picture.height()));
        if (x + cell > width) {
            x = kGap;
            y += rowHeight;
            rowHeight = 0;
        }
        whole.push_back({row.name, picture, {x, y}});
        placed.insert(row.name);
        x += cell;
        rowHeight = std::max(rowHeight, 2 * picture.height() + kLine + kGap);
    }
    for (const art::PictureRow& row : art::pictureRows())
        if (!placed.contains(row.name))
            return fail(QStringLiteral("the picture %1 has no place on the sheet").arg(row.name));
    const int height = y + rowHeight + kGap;

    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(QColor(0x3A, 0x3F, 0x55));
    QPainter p(&sheet);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QPoint(kGap, 24),
               QStringLiteral("QTV-52モルヴィク: each picture as stored (left) and as the window "
                              "shows it, cut to its outline (right)"));
    for (const Paired& e : paired) {
        const QRect stored(e.at, e.picture.size());
        p.drawImage(stored.topLeft(), e.picture);
        const QRect shown(e.at + QPoint(kCell + kGap, 0), e.picture.size());
        checkerboard(p, shown);
        p.save();
        p.translate(shown.topLeft());
        p.setClipRegion(RgnCall::BuildRegion(e.shape->table));
        p.drawImage(0, 0, e.picture);
        p.restore();
        // The window's right edge: nothing of a pose may pass it.
        p.setPen(QPen(QColor(0xFF, 0x60, 0x90), 1, Qt::DashLine));
        p.drawLine(shown.left() + e.shape->windowWidth, shown.top(), shown.left() + e.shape->windowWidth,
                   shown.bottom());
        p.setPen(Qt::white);
        p.drawText(e.at + QPoint(0, kCell - 22), e.name);
        p.drawText(e.at + QPoint(0, kCell - 6), e.shape->name);
    }
    p.drawText(QPoint(kGap, wholeTop + 4),
               QStringLiteral("Shown whole: battery gauge, start-up and charge signs, "
                              "mail sign, digits, tray icon (each also at 2x)"));
    for (const Whole& e : whole) {
        const QSize big = e.picture.size() * 2;
        const QPoint bigAt = e.at + QPoint(e.picture.width() + 4, 0);
        checkerboard(p, QRect(e.at, e.picture.size()));
        p.drawImage(e.at, e.picture);
        checkerboard(p, QRect(bigAt, big));
        p.drawImage(QRect(bigAt, big), e.picture);
        p.drawText(e.at + QPoint(0, big.height() + 14), e.name);
    }
    p.end();
    if (!sheet.save(args[2], "PNG"))
        return fail(QStringLiteral("cannot write %1").arg(args[2]));
    return 0;
}

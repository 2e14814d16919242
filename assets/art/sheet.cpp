// The contact sheet: every picture of the named outlines, as stored and as the window shows it
// (the picture cut to its outline over a checkerboard, which stands for the desktop), with the
// shape's name; then the small pictures that are shown whole (gauge, digits, signs, tray icon).
//   morvik_art_sheet PICTURES_DIR OUT.png
#include "app/shapes/shape_list.h"
#include "pictures.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <cstdio>

namespace {

constexpr int kCell = 212; // one picture and its label
constexpr int kPerRow = 3; // entries (picture + outline) per row
constexpr int kGap = 14;

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

QImage load(const QDir& dir, const QString& picture) {
    return QImage(dir.filePath(art::fileStem(picture) + QStringLiteral(".png")));
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: morvik_art_sheet PICTURES_DIR OUT.png\n");
        return 1;
    }
    const QDir dir(args[1]);
    struct Entry {
        const shapes::ShapeEntry* shape;
        QString picture;
    };
    std::vector<Entry> entries;
    for (const shapes::ShapeEntry& shape : shapes::AllShapes())
        for (const QString& picture : shape.pictures)
            entries.push_back({&shape, picture});
    QStringList plain;
    for (const art::PictureRow& row : art::pictureRows())
        if (row.backdrop == art::Backdrop::Plain)
            plain << row.name;

    const int entryWidth = 2 * kCell + kGap;
    const int rows = int(entries.size() + kPerRow - 1) / kPerRow;
    const int plainTop = 40 + rows * (kCell + kGap);
    const int width = kPerRow * entryWidth + (kPerRow + 1) * kGap;
    QImage sheet(width, plainTop + 260, QImage::Format_RGB32);
    sheet.fill(QColor(0x3A, 0x3F, 0x55));
    QPainter p(&sheet);
    QFont font = p.font();
    font.setPixelSize(12);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QPoint(kGap, 24),
               QStringLiteral("QTV-52モルヴィク: each picture as stored (left) and as the window "
                              "shows it, cut to its outline (right)"));
    int failures = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        const int x = kGap + int(i % kPerRow) * (entryWidth + kGap);
        const int y = 40 + int(i / kPerRow) * (kCell + kGap);
        const QImage picture = load(dir, e.picture);
        if (picture.isNull()) {
            ++failures;
            continue;
        }
        const QRect stored(x, y, picture.width(), picture.height());
        p.drawImage(stored.topLeft(), picture);
        const QRect shown(x + kCell + kGap, y, picture.width(), picture.height());
        checkerboard(p, shown);
        p.save();
        p.translate(shown.topLeft());
        p.setClipRegion(RgnCall::BuildRegion(e.shape->table));
        p.drawImage(0, 0, picture);
        p.restore();
        // The window's right edge: nothing of a pose may pass it.
        p.setPen(QPen(QColor(0xFF, 0x60, 0x90), 1, Qt::DashLine));
        p.drawLine(shown.left() + e.shape->windowWidth, shown.top(), shown.left() + e.shape->windowWidth,
                   shown.bottom());
        p.setPen(Qt::white);
        p.drawText(QPoint(x, y + kCell - 22), e.picture);
        p.drawText(QPoint(x, y + kCell - 6), e.shape->name);
    }
    p.setPen(Qt::white);
    p.drawText(QPoint(kGap, plainTop + 4),
               QStringLiteral("Shown whole: battery gauge, start-up and charge signs, "
                              "mail sign, digits, tray icon (each also at 2x)"));
    int x = kGap, y = plainTop + 16;
    for (const QString& name : plain) {
        const QImage picture = load(dir, name);
        if (picture.isNull()) {
            ++failures;
            continue;
        }
        const QSize big = picture.size() * 2;
        const int cell =
            std::max(picture.width() + big.width() + 4, p.fontMetrics().horizontalAdvance(name)) + kGap;
        if (x + cell > width) {
            x = kGap;
            y += 130;
        }
        checkerboard(p, QRect(QPoint(x, y), picture.size()));
        p.drawImage(x, y, picture);
        checkerboard(p, QRect(QPoint(x + picture.width() + 4, y), big));
        p.drawImage(QRect(QPoint(x + picture.width() + 4, y), big), picture);
        p.drawText(QPoint(x, y + big.height() + 14), name);
        x += cell;
    }
    p.end();
    sheet = sheet.copy(0, 0, width, std::min(sheet.height(), y + 130));
    if (!sheet.save(args[2], "PNG")) {
        std::fprintf(stderr, "morvik_art_sheet: cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    if (failures) {
        std::fprintf(stderr, "morvik_art_sheet: %d pictures are missing\n", failures);
        return 1;
    }
    return 0;
}

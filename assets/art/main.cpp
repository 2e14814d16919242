// The art generator, run at build time over the rows of pictures.cpp:
//   morvik_art draw OUTDIR            every picture as OUTDIR/<name>.png, its silhouette as
//                                     OUTDIR/masks/<name>.png and the silhouette of each outline as
//                                     OUTDIR/outlines/<builder>.png
//   morvik_art generate OUTDIR GENDIR traces the outlines and writes the sources the program is
//                                     built from (the files of kGenerated under GENDIR)
// A row that cannot be generated (a malformed or repeated name, an outline of an unknown picture,
// two names for one identifier) stops the build with a message naming it.
#include "generate.h"
#include "pictures.h"
#include "tracer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <algorithm>
#include <cstdio>

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "morvik_art: %s\n", qPrintable(message));
    return 1;
}

bool save(const QImage& image, const QString& path) {
    return image.save(path, "PNG");
}

QImage rowsMask(RegionTable table, QSize size) {
    QImage mask(size, QImage::Format_Grayscale8);
    mask.fill(0);
    for (const RectRow& r : table)
        for (int y = std::max(r.top, 0); y < std::min(r.bottom, size.height()); ++y)
            for (int x = std::max(r.left, 0); x < std::min(r.right, size.width()); ++x)
                mask.scanLine(y)[x] = 255;
    return mask;
}

int drawAll(const QString& out) {
    const QDir dir(out);
    if (!QDir().mkpath(dir.filePath(QStringLiteral("masks"))) ||
        !QDir().mkpath(dir.filePath(QStringLiteral("outlines"))))
        return fail(QStringLiteral("cannot make %1").arg(out));
    QHash<QString, QImage> masks;
    for (const art::PictureRow& row : art::pictureRows()) {
        const art::Rendered r = row.make();
        if (r.picture.size() != row.size)
            return fail(QStringLiteral("%1 is drawn at the wrong size").arg(row.name));
        const QString stem = art::fileStem(row.name);
        if (!save(r.picture, dir.filePath(stem + QStringLiteral(".png"))) ||
            !save(r.mask, dir.filePath(QStringLiteral("masks/") + stem + QStringLiteral(".png"))))
            return fail(QStringLiteral("cannot write %1").arg(stem));
        masks.insert(row.name, r.mask);
    }
    for (const art::OutlineRow& row : art::outlineRows()) {
        const QString traced = row.pictures.value(0);
        if (!masks.contains(traced))
            return fail(QStringLiteral("%1 outlines the unknown picture \"%2\"").arg(row.builder, traced));
        QImage mask = masks.value(traced);
        if (!row.design.empty())
            mask = rowsMask(row.design, mask.size());
        if (row.extra)
            mask = art::unite(mask, art::silhouette(row.extra, mask.size()));
        if (!save(mask, dir.filePath(QStringLiteral("outlines/") + row.builder + QStringLiteral(".png"))))
            return fail(QStringLiteral("cannot write the outline of %1").arg(row.builder));
    }
    return 0;
}

bool writeIfChanged(const QString& path, const QByteArray& text) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == text)
        return true;
    existing.close();
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

int generateAll(const QString& out, const QString& gen) {
    const QDir dir(out);
    const art::Registry registry = art::checkRegistry(art::pictureRows(), art::outlineRows());
    if (!registry.error.isEmpty())
        return fail(registry.error);
    std::vector<std::vector<RectRow>> tables;
    for (const art::OutlineRow& row : art::outlineRows()) {
        if (!row.design.empty()) {
            tables.emplace_back(row.design.begin(), row.design.end());
            continue;
        }
        const QImage mask(dir.filePath(QStringLiteral("outlines/") + row.builder + QStringLiteral(".png")));
        if (mask.isNull())
            return fail(QStringLiteral("no outline picture for %1").arg(row.builder));
        tables.push_back(art::traceMask(mask));
        std::vector<RectRow>& table = tables.back();
        if (table.empty())
            return fail(QStringLiteral("the outline of %1 is empty").arg(row.builder));
        auto missing = [&](const RectRow& r) {
            return fail(QStringLiteral("the outline of %1 has no row %2, %3, %4, %5")
                            .arg(row.builder)
                            .arg(r.left)
                            .arg(r.top)
                            .arg(r.right)
                            .arg(r.bottom));
        };
        for (const RectRow& r : row.apart)
            if (!art::keepApart(table, r))
                return missing(r);
        if (!art::orderLines(table, row.order))
            for (const RectRow& r : row.order)
                if (std::find(table.begin(), table.end(), r) == table.end())
                    return missing(r);
        if (row.last.right > row.last.left) {
            const auto found = std::find(table.begin(), table.end(), row.last);
            if (found == table.end() || found->top != table.back().top)
                return fail(QStringLiteral("the outline of %1 has no row %2, %3, %4, %5 on its last line")
                                .arg(row.builder)
                                .arg(row.last.left)
                                .arg(row.last.top)
                                .arg(row.last.right)
                                .arg(row.last.bottom));
            std::rotate(found, found + 1, table.end());
        }
    }
    const QDir target(gen);
    for (const art::GeneratedFile& file : art::generatedFiles(registry, tables, dir)) {
        const QString path = target.filePath(file.path);
        if (!QDir().mkpath(QFileInfo(path).path()) || !writeIfChanged(path, file.text))
            return fail(QStringLiteral("cannot write %1").arg(path));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QStringLiteral("draw"))
        return drawAll(args[2]);
    if (args.size() == 4 && args[1] == QStringLiteral("generate"))
        return generateAll(args[2], args[3]);
    return fail(QStringLiteral("usage: morvik_art draw OUTDIR | generate OUTDIR GENDIR"));
}

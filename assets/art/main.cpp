// The art generator, run at build time:
//   morvik_art draw OUTDIR                 every picture of the data rows as OUTDIR/<name>.png, its
//                                          silhouette as OUTDIR/masks/<name>.png and each outline's
//                                          silhouette as OUTDIR/outlines/<shape>.png
//   morvik_art trace OUTDIR TABLES QRC     traces every outline into the C++ source TABLES and lists
//                                          the pictures in the Qt resource file QRC
#include "pictures.h"
#include "tracer.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "morvik_art: %s\n", qPrintable(message));
    return 1;
}

bool save(const QImage& image, const QString& path) {
    return image.save(path, "PNG");
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
        if (!masks.contains(row.picture))
            return fail(QStringLiteral("%1 outlines the unknown picture %2").arg(row.shape, row.picture));
        QImage mask = masks.value(row.picture);
        if (row.extra)
            mask = art::unite(mask, art::silhouette(row.extra, mask.size()));
        if (!save(mask, dir.filePath(QStringLiteral("outlines/") + row.shape + QStringLiteral(".png"))))
            return fail(QStringLiteral("cannot write the outline of %1").arg(row.shape));
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

int traceAll(const QString& out, const QString& tablesPath, const QString& qrcPath) {
    const QDir dir(out);
    QByteArray tables;
    QTextStream t(&tables);
    t << "// Written by the art generator from the pictures' silhouettes; do not edit.\n"
      << "#include \"app/shapes/shape_tables.h\"\n\nnamespace shape_tables {\nnamespace {\n";
    QStringList names;
    for (const art::OutlineRow& row : art::outlineRows()) {
        const QImage mask(dir.filePath(QStringLiteral("outlines/") + row.shape + QStringLiteral(".png")));
        if (mask.isNull())
            return fail(QStringLiteral("no outline picture for %1").arg(row.shape));
        const std::vector<RectRow> rows = art::traceMask(mask);
        if (rows.empty())
            return fail(QStringLiteral("the outline of %1 is empty").arg(row.shape));
        t << "constexpr RectRow k" << row.shape << "[] = {";
        int n = 0;
        for (const RectRow& r : rows)
            t << (n++ % 6 ? " " : "\n    ") << "{" << r.left << ", " << r.top << ", " << r.right << ", "
              << r.bottom << "},";
        t << "\n};\n";
        names << row.shape;
    }
    t << "} // namespace\n\n";
    for (const QString& name : names)
        t << "const RegionTable " << name << "{k" << name << "};\n";
    t << "} // namespace shape_tables\n";
    t.flush();

    QByteArray qrc;
    QTextStream q(&qrc);
    q << "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/morvik/pictures\">\n";
    for (const art::PictureRow& row : art::pictureRows())
        q << "  <file alias=\"" << row.name << ".png\">"
          << dir.filePath(art::fileStem(row.name) + QStringLiteral(".png")) << "</file>\n";
    q << "</qresource>\n</RCC>\n";
    q.flush();
    if (!writeIfChanged(tablesPath, tables) || !writeIfChanged(qrcPath, qrc))
        return fail(QStringLiteral("cannot write %1 or %2").arg(tablesPath, qrcPath));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QStringLiteral("draw"))
        return drawAll(args[2]);
    if (args.size() == 5 && args[1] == QStringLiteral("trace"))
        return traceAll(args[2], args[3], args[4]);
    return fail(QStringLiteral("usage: morvik_art draw OUTDIR | trace OUTDIR TABLES.cpp PICTURES.qrc"));
}

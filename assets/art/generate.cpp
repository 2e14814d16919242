#include "generate.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>
#include <algorithm>

namespace art {

namespace {

const QString kIdentifier = QStringLiteral("[A-Za-z_][A-Za-z0-9_]*");

// "ShapeStandard" -> "TableStandard"; a builder not named Shape... -> "Table" and its name.
QString tableName(const QString& builder) {
    QString rest = builder.startsWith(QStringLiteral("Shape")) ? builder.mid(5) : builder;
    if (!rest.isEmpty())
        rest[0] = rest[0].toUpper();
    return QStringLiteral("Table") + rest;
}

const char* backdropName(Backdrop backdrop) {
    switch (backdrop) {
    case Backdrop::Blue:
        return "Blue";
    case Backdrop::Scene:
        return "Scene";
    default:
        return "Black";
    }
}

// "0-3, 6, 7, 10-14, 16": runs of three or more as ranges.
QString indexList(std::vector<int> indices) {
    std::sort(indices.begin(), indices.end());
    QStringList parts;
    for (std::size_t i = 0; i < indices.size();) {
        std::size_t j = i;
        while (j + 1 < indices.size() && indices[j + 1] == indices[j] + 1)
            ++j;
        if (j - i >= 2) {
            parts << QStringLiteral("%1-%2").arg(indices[i]).arg(indices[j]);
        } else {
            for (std::size_t k = i; k <= j; ++k)
                parts << QString::number(indices[k]);
        }
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

QString literal(const QString& text) {
    return QStringLiteral("QStringLiteral(\"%1\")").arg(text);
}

} // namespace

std::optional<PictureName> splitPictureName(const QString& name) {
    static const QRegularExpression pattern(
        QStringLiteral("^(%1)\\.(%1)(?:\\((0|[1-9][0-9]{0,3})\\))?$").arg(kIdentifier));
    const QRegularExpressionMatch m = pattern.match(name);
    if (!m.hasMatch())
        return std::nullopt;
    return PictureName{m.captured(1), m.captured(2), m.capturedLength(3) ? m.captured(3).toInt() : -1};
}

namespace {

// Every identifier written into a namespace, with what it stands for, so that none has two meanings.
class Identifiers {
public:
    // An error text when the identifier already stands for something else.
    QString claim(const QString& space, const QString& id, const QString& meaning) {
        const QString key = space + QStringLiteral("::") + id;
        const QString held = meanings_.value(key);
        if (!held.isEmpty() && held != meaning)
            return QStringLiteral("%1 would stand for both %2 and %3").arg(key, held, meaning);
        meanings_.insert(key, meaning);
        return {};
    }

private:
    QHash<QString, QString> meanings_;
};

template <typename T, typename Named> T& entryNamed(std::vector<T>& list, const QString& name, Named make) {
    const auto found = std::find_if(list.begin(), list.end(), [&](const T& e) { return e.name == name; });
    if (found != list.end())
        return *found;
    list.push_back(make());
    return list.back();
}

// Adds the picture to its store and member; an error text when it cannot be generated.
QString addPicture(Registry& r, Identifiers& ids, const PictureRow& row) {
    const std::optional<PictureName> name = splitPictureName(row.name);
    if (!name)
        return QStringLiteral("the picture name \"%1\" is not store.member or store.member(index)")
            .arg(row.name);
    if (row.size.isEmpty())
        return QStringLiteral("the picture %1 has no size").arg(row.name);
    r.pictures.push_back({row.name, row.size});
    Registry::Store& store = entryNamed(r.stores, name->store, [&] {
        return Registry::Store{name->store, row.windowPicture, {}};
    });
    if (store.windowPictures != row.windowPicture)
        return QStringLiteral("%1 mixes a window's pictures with a store's").arg(name->store);
    const bool indexed = name->index >= 0;
    Registry::Member& member = entryNamed(store.members, name->member, [&] {
        return Registry::Member{name->member, indexed, {}};
    });
    if (member.indexed != indexed)
        return QStringLiteral("%1.%2 is both an array and a single picture").arg(name->store, name->member);
    if (indexed)
        member.indices.push_back(name->index);
    if (row.windowPicture)
        return {};
    for (const QString& id : {QStringLiteral("Load"), QStringLiteral("Unload")})
        if (QString e = ids.claim(name->store, id, QStringLiteral("the store's ") + id); !e.isEmpty())
            return e;
    return ids.claim(name->store, name->member, QStringLiteral("the pictures ") + name->member);
}

// Whether the outline's pictures, window and designed rows fit together: an error text when not.
QString checkFit(const OutlineRow& row, const QHash<QString, const PictureRow*>& byName) {
    if (row.pictures.isEmpty())
        return QStringLiteral("%1 names no picture").arg(row.builder);
    const PictureRow* traced = byName.value(row.pictures.front());
    if (!traced)
        return QStringLiteral("%1 outlines the unknown picture \"%2\"")
            .arg(row.builder, row.pictures.front());
    if (traced->backdrop == Backdrop::Plain)
        return QStringLiteral("%1 outlines %2, a picture shown whole").arg(row.builder, traced->name);
    for (const QString& shown : row.pictures) {
        const PictureRow* p = byName.value(shown);
        if (!p)
            return QStringLiteral("%1 is shown with the unknown picture \"%2\"").arg(row.builder, shown);
        if (p->size != traced->size)
            return QStringLiteral("%1 is shown with %2, of another size than %3")
                .arg(row.builder, shown, traced->name);
    }
    if (row.windowWidth <= 0 || row.windowWidth > traced->size.width())
        return QStringLiteral("%1: the window shows %2 columns of a picture %3 wide")
            .arg(row.builder)
            .arg(row.windowWidth)
            .arg(traced->size.width());
    const QRect frame(QPoint(0, 0), traced->size);
    for (const RectRow& d : row.design)
        if (d.right <= d.left || d.bottom <= d.top ||
            !frame.contains(QRect(d.left, d.top, d.right - d.left, d.bottom - d.top)))
            return QStringLiteral("%1 has a designed row outside its frame").arg(row.builder);
    return {};
}

// Adds the outline to its module; an error text when it cannot be generated.
QString addOutline(Registry& r, Identifiers& ids, const OutlineRow& row,
                   const QHash<QString, const PictureRow*>& byName) {
    static const QRegularExpression pattern(QStringLiteral("^(%1)\\.(%1)$").arg(kIdentifier));
    const QRegularExpressionMatch m = pattern.match(row.builder);
    if (!m.hasMatch())
        return QStringLiteral("the builder name \"%1\" is not module.name").arg(row.builder);
    if (QString e = checkFit(row, byName); !e.isEmpty())
        return e;
    const PictureRow* traced = byName.value(row.pictures.front());
    const Registry::Outline outline{m.captured(1), m.captured(2),   tableName(m.captured(2)),
                                    traced->size,  row.windowWidth, traced->backdrop,
                                    row.pictures};
    if (QString e =
            ids.claim(outline.module, outline.builder, QStringLiteral("the builder ") + outline.builder);
        !e.isEmpty())
        return e;
    if (QString e =
            ids.claim(outline.module, outline.table, QStringLiteral("the table of ") + outline.builder);
        !e.isEmpty())
        return e;
    if (!r.modules.contains(outline.module))
        r.modules << outline.module;
    r.outlines.push_back(outline);
    return {};
}

} // namespace

Registry checkRegistry(const std::vector<PictureRow>& pictures, const std::vector<OutlineRow>& outlines) {
    Registry r;
    Identifiers ids;
    QHash<QString, const PictureRow*> byName;
    for (const PictureRow& row : pictures) {
        if (byName.contains(row.name))
            r.error = QStringLiteral("the picture %1 is listed twice").arg(row.name);
        else
            r.error = addPicture(r, ids, row);
        if (!r.error.isEmpty())
            return r;
        byName.insert(row.name, &row);
    }
    QSet<QString> builders;
    for (const OutlineRow& row : outlines) {
        if (builders.contains(row.builder))
            r.error = QStringLiteral("the outline %1 is listed twice").arg(row.builder);
        else
            r.error = addOutline(r, ids, row, byName);
        if (!r.error.isEmpty())
            return r;
        builders.insert(row.builder);
    }
    return r;
}

namespace {

// The declarations the generated header and source both write, so that the two always agree.
QString builderSignature(const Registry::Outline& o) {
    return QStringLiteral("void ") + o.builder + QStringLiteral("(QWidget* window)");
}
QString tableSignature(const Registry::Outline& o) {
    return QStringLiteral("RegionTable ") + o.table + QStringLiteral("()");
}
QString pictureSignature(const Registry::Member& m) {
    return QStringLiteral("stores::Picture ") + m.name +
           (m.indexed ? QStringLiteral("(int index)") : QStringLiteral("()"));
}

QByteArray outlinesHeader(const Registry& r) {
    QByteArray text;
    QTextStream t(&text);
    t << "#pragma once\n"
      << "// Written by the art generator from its outline rows (assets/art/pictures.cpp); do not edit.\n"
      << "// The named outlines of every module. Each builder gives the window its outline at once (region\n"
      << "// first; the caller then shows one of the pictures named beside it); each Table accessor gives "
         "the\n"
      << "// builder's rows, for the tests and the art tools.\n"
      << "#include \"app/shapes/region_table.h\"\n\nclass QWidget;\n";
    for (const QString& module : r.modules) {
        t << "\nnamespace " << module << " {\n\n";
        for (const Registry::Outline& o : r.outlines)
            if (o.module == module)
                t << builderSignature(o) << "; // " << o.pictures.join(QStringLiteral(", ")) << "\n";
        t << "\n";
        for (const Registry::Outline& o : r.outlines)
            if (o.module == module)
                t << tableSignature(o) << ";\n";
        t << "\n} // namespace " << module << "\n";
    }
    t.flush();
    return text;
}

QByteArray outlinesSource(const Registry& r, const std::vector<std::vector<RectRow>>& tables) {
    QByteArray text;
    QTextStream t(&text);
    t << "// Written by the art generator from its outline rows and the pictures' silhouettes; do not edit.\n"
      << "#include \"app/shapes/outlines.h\"\n#include \"app/shapes/shape_list.h\"\n\nnamespace {\n";
    for (std::size_t i = 0; i < r.outlines.size(); ++i) {
        const Registry::Outline& o = r.outlines[i];
        t << "\nconstexpr RectRow k" << o.module << "_" << o.builder << "[] = {";
        int n = 0;
        for (const RectRow& row : tables[i])
            t << (n++ % 6 ? " " : "\n    ") << "{" << row.left << ", " << row.top << ", " << row.right << ", "
              << row.bottom << "},";
        t << "\n};\n";
    }
    t << "\n} // namespace\n";
    for (const QString& module : r.modules) {
        t << "\nnamespace " << module << " {\n";
        for (const Registry::Outline& o : r.outlines) {
            if (o.module != module)
                continue;
            t << "\n"
              << tableSignature(o) << " {\n    return k" << o.module << "_" << o.builder << ";\n}\n"
              << builderSignature(o) << " {\n    RgnCall::ApplyShape(window, " << o.table << "(), \""
              << o.builder << "\");\n}\n";
        }
        t << "\n} // namespace " << module << "\n";
    }
    t << "\nnamespace shapes {\n\nconst std::vector<ShapeEntry>& AllShapes() {\n"
      << "    using enum Backdrop;\n    static const std::vector<ShapeEntry> list{\n";
    for (const Registry::Outline& o : r.outlines) {
        QStringList pictures;
        for (const QString& p : o.pictures)
            pictures << literal(p);
        t << "        {" << literal(o.module + QLatin1Char('.') + o.builder) << ", " << o.module
          << "::" << o.table << "(), " << o.module << "::" << o.builder << ", " << backdropName(o.backdrop)
          << ", " << o.frame.width() << ", " << o.frame.height() << ", " << o.windowWidth << ",\n         {"
          << pictures.join(QStringLiteral(", ")) << "}},\n";
    }
    t << "    };\n    return list;\n}\n\n} // namespace shapes\n";
    t.flush();
    return text;
}

QByteArray namesHeader(const Registry& r) {
    QByteArray text;
    QTextStream t(&text);
    t << "#pragma once\n"
      << "// Written by the art generator from its picture rows (assets/art/pictures.cpp); do not edit.\n"
      << "// Each picture store by name: its Load and Unload, and its pictures by array and index or by "
         "name,\n"
      << "// each found through stores::Find (app/window/picture_stores.h). The comments tell what each "
         "holds.\n\n"
      << "namespace stores {\nstruct Picture;\n} // namespace stores\n";
    for (const Registry::Store& s : r.stores) {
        if (s.windowPictures)
            continue;
        t << "\nnamespace " << s.name << " {\nvoid Load();\nvoid Unload();\n";
        for (const Registry::Member& m : s.members) {
            t << pictureSignature(m) << ";"
              << (m.indexed ? QStringLiteral(" // ") + indexList(m.indices) : QString()) << "\n";
        }
        t << "} // namespace " << s.name << "\n";
    }
    t.flush();
    return text;
}

QByteArray namesSource(const Registry& r) {
    QByteArray text;
    QTextStream t(&text);
    t << "// Written by the art generator from its picture rows; do not edit.\n"
      << "#include \"app/window/picture_stores.h\"\n\nnamespace stores {\n\n"
      << "const QStringList& StoreNames() {\n    static const QStringList names{";
    QStringList names;
    for (const Registry::Store& s : r.stores)
        names << literal(s.name);
    t << names.join(QStringLiteral(", ")) << "};\n    return names;\n}\n\n"
      << "const std::vector<Listed>& AllPictures() {\n    static const std::vector<Listed> list{\n";
    for (const Registry::Picture& p : r.pictures)
        t << "        {" << literal(p.name) << ", {" << p.size.width() << ", " << p.size.height() << "}},\n";
    t << "    };\n    return list;\n}\n\n} // namespace stores\n";
    for (const Registry::Store& s : r.stores) {
        if (s.windowPictures)
            continue;
        t << "\nnamespace " << s.name << " {\n"
          << "void Load() {\n    stores::Load(" << literal(s.name) << ");\n}\n"
          << "void Unload() {\n    stores::Unload(" << literal(s.name) << ");\n}\n";
        for (const Registry::Member& m : s.members) {
            const QString full = s.name + QLatin1Char('.') + m.name;
            t << pictureSignature(m) << " {\n    return stores::Find("
              << (m.indexed ? literal(full + QStringLiteral("(%1)")) + QStringLiteral(".arg(index)")
                            : literal(full))
              << ");\n}\n";
        }
        t << "} // namespace " << s.name << "\n";
    }
    t.flush();
    return text;
}

QByteArray resources(const Registry& r, const QDir& pictureDir) {
    QByteArray text;
    QTextStream q(&text);
    q << "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/morvik/pictures\">\n";
    for (const Registry::Picture& p : r.pictures)
        q << "  <file alias=\"" << p.name << ".png\">"
          << pictureDir.filePath(fileStem(p.name) + QStringLiteral(".png")) << "</file>\n";
    q << "</qresource>\n</RCC>\n";
    q.flush();
    return text;
}

} // namespace

std::vector<GeneratedFile> generatedFiles(const Registry& registry,
                                          const std::vector<std::vector<RectRow>>& tables,
                                          const QDir& pictureDir) {
    return {
        {QStringLiteral("app/shapes/outlines.h"), outlinesHeader(registry)},
        {QStringLiteral("app/shapes/outlines.cpp"), outlinesSource(registry, tables)},
        {QStringLiteral("app/window/picture_names.h"), namesHeader(registry)},
        {QStringLiteral("app/window/picture_names.cpp"), namesSource(registry)},
        {QStringLiteral("morvik_pictures.qrc"), resources(registry, pictureDir)},
    };
}

} // namespace art

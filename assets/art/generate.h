#pragma once
// From the picture and outline rows to the sources the program is built from. The rows are checked
// first: every name must take apart into C++ names, no picture or builder may come twice, every
// outline must name known pictures of one size, and no generated identifier may have two meanings.
// Files written (paths relative to the generated folder):
//   app/shapes/outlines.h      the builders and table accessors of every module
//   app/shapes/outlines.cpp    the tables, the builders, and shapes::AllShapes (outline and pictures)
//   app/window/picture_names.h each store's Load, Unload and picture accessors
//   app/window/picture_names.cpp  those accessors, the store names and the list of every picture
//   morvik_pictures.qrc        the pictures as Qt resources
#include "pictures.h"

#include <QByteArray>
#include <QDir>
#include <optional>
#include <vector>

namespace art {

// "gra.Image1(16)" -> {gra, Image1, 16}; "gra2.fuki1" -> {gra2, fuki1, -1}.
struct PictureName {
    QString store, member;
    int index = -1; // -1: a single picture, not an array element
};
std::optional<PictureName> splitPictureName(const QString& name);

// The rows, checked and grouped for writing.
struct Registry {
    QString error; // empty when the rows can be generated

    struct Member {
        QString name;
        bool indexed = false;
        std::vector<int> indices;
    };
    struct Store {
        QString name;
        bool windowPictures = false; // a window's own pictures: no namespace of accessors
        std::vector<Member> members;
    };
    struct Picture {
        QString name;
        QSize size;
    };
    struct Outline {
        QString module, builder, table; // table: the accessor's name, "TableStandard"
        QSize frame;
        int windowWidth = 0;
        Backdrop backdrop = Backdrop::Black;
        QStringList pictures;
    };
    std::vector<Store> stores;     // in the order the rows first name them
    std::vector<Picture> pictures; // in row order
    std::vector<Outline> outlines; // in row order
    QStringList modules;           // in the order the rows first name them
};

Registry checkRegistry(const std::vector<PictureRow>& pictures, const std::vector<OutlineRow>& outlines);

struct GeneratedFile {
    QString path; // relative to the generated folder
    QByteArray text;
};

// tables[i] is the table of outline i; pictureDir holds the drawn pictures the resources point at.
std::vector<GeneratedFile> generatedFiles(const Registry& registry,
                                          const std::vector<std::vector<RectRow>>& tables,
                                          const QDir& pictureDir);

} // namespace art

#pragma once
// Names of the pictures the character window shows: store, array and index, as in gra.Image1(16).
#include <QPixmap>
#include <QString>

namespace pictures {

struct Pic {
    QString store;
    QString array;
    int index = -1;
    QString name() const { return QStringLiteral("%1.%2(%3)").arg(store, array).arg(index); }
    friend bool operator==(const Pic&, const Pic&) = default;
};

inline Pic action(int i) { return {QStringLiteral("action"), QStringLiteral("Image1"), i}; }
inline Pic gra(int i) { return {QStringLiteral("gra"), QStringLiteral("Image1"), i}; }
inline Pic gra2(int i) { return {QStringLiteral("gra2"), QStringLiteral("Image1"), i}; }
inline Pic gra3(int i) { return {QStringLiteral("gra3"), QStringLiteral("Image1"), i}; }
inline Pic gra3List(int i) { return {QStringLiteral("gra3"), QStringLiteral("ImageList2"), i}; }
inline Pic gra5(int i) { return {QStringLiteral("gra5"), QStringLiteral("Image1"), i}; }
inline Pic gra6(int i) { return {QStringLiteral("gra6"), QStringLiteral("Image1"), i}; }

// The picture itself (a null pixmap when the store has no such picture).
QPixmap Pixmap(const Pic& picture);
// The program's 32 x 32 icon.
QPixmap Icon();

// Loads and unloads a picture store by name.
void Load(const QString& store);
void Unload(const QString& store);

} // namespace pictures

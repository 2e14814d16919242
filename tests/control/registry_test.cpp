// The per-user class registry file: its text form, key matching and atomic, refusing edits.
#include "../platform/file_size_limit.h"
#include "control/com/registry.h"
#include "qt_printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

using com::registry::Tree;

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

TEST(RegistryTree, RoundTripsKeysValuesAndAwkwardCharacters) {
    Tree tree;
    tree.setValue(QStringLiteral("CLSID\\{A}\\InprocServer32"), {}, QStringLiteral("/opt/lib/libx.so"));
    tree.setValue(QStringLiteral("CLSID\\{A}\\InprocServer32"), QStringLiteral("ThreadingModel"),
                  QStringLiteral("Apartment"));
    tree.setValue(QStringLiteral("Odd"), QStringLiteral("Text"), QStringLiteral("a\\b\r\nc=d ; e [f]"));
    tree.createKey(QStringLiteral("CLSID\\{A}\\Control"));
    const auto again = Tree::parse(tree.serialize());
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, tree);
    EXPECT_EQ(again->value(QStringLiteral("odd"), QStringLiteral("TEXT")),
              QStringLiteral("a\\b\r\nc=d ; e [f]"));
    EXPECT_TRUE(again->hasKey(QStringLiteral("clsid\\{a}\\control")));
}

TEST(RegistryTree, KeysMatchWithoutCaseAndSubtreesStayApart) {
    Tree tree;
    tree.setValue(QStringLiteral("CLSID\\{A}"), {}, QStringLiteral("a"));
    tree.setValue(QStringLiteral("CLSID\\{A}\\ProgID"), {}, QStringLiteral("x.1"));
    tree.setValue(QStringLiteral("CLSID\\{A}x"), {}, QStringLiteral("sibling"));
    EXPECT_EQ(tree.value(QStringLiteral("clsid\\{a}\\progid")), QStringLiteral("x.1"));
    EXPECT_EQ(tree.subkeys(QStringLiteral("CLSID")),
              (QStringList{QStringLiteral("{A}"), QStringLiteral("{A}x")}));
    tree.removeTree(QStringLiteral("clsid\\{A}"));
    EXPECT_FALSE(tree.hasKey(QStringLiteral("CLSID\\{A}")));
    EXPECT_FALSE(tree.value(QStringLiteral("CLSID\\{A}\\ProgID")));
    EXPECT_EQ(tree.value(QStringLiteral("CLSID\\{A}x")), QStringLiteral("sibling"));
}

TEST(RegistryTree, RefusesTextThatIsNoRegistry) {
    const QByteArray bad[] = {
        "name=value before any key\n", "[Key]\nno equals sign\n",   "[Key\n@=x\n", "[]\n",
        "[Key]\n=empty name\n",        "[Key]\n@=bad escape \\q\n",
    };
    for (const QByteArray& text : bad)
        EXPECT_FALSE(Tree::parse(text)) << text.constData();
    EXPECT_TRUE(Tree::parse("; comment\n\n[Key]\n@=x\r\n"));
}

TEST(RegistryFile, EditCreatesTheFileAndKeepsEarlierEntries) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("morvik/classes.reg"));
    ASSERT_TRUE(
        com::registry::edit(path, [](Tree& t) { t.setValue(QStringLiteral("A"), {}, QStringLiteral("1")); }));
    ASSERT_TRUE(
        com::registry::edit(path, [](Tree& t) { t.setValue(QStringLiteral("B"), {}, QStringLiteral("2")); }));
    const auto tree = com::registry::load(path);
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->value(QStringLiteral("A")), QStringLiteral("1"));
    EXPECT_EQ(tree->value(QStringLiteral("B")), QStringLiteral("2"));
}

TEST(RegistryFile, AFileThatDoesNotParseIsNeverOverwritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("classes.reg"));
    const QByteArray user = "this is not a registry\n";
    ASSERT_TRUE(writeFile(path, user));
    QString error;
    EXPECT_FALSE(com::registry::edit(
        path, [](Tree& t) { t.setValue(QStringLiteral("A"), {}, QStringLiteral("1")); }, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readFile(path), user);
    EXPECT_FALSE(com::registry::load(path));
}

TEST(RegistryFile, AFullDiskKeepsEveryEntry) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("classes.reg"));
    ASSERT_TRUE(
        com::registry::edit(path, [](Tree& t) { t.setValue(QStringLiteral("A"), {}, QStringLiteral("1")); }));
    const QByteArray before = readFile(path);
    QString error;
    bool edited = true;
    {
        const FileSizeLimit limit(before.size());
        edited = com::registry::edit(
            path, [](Tree& t) { t.setValue(QStringLiteral("A"), {}, QString(200, QLatin1Char('2'))); },
            &error);
    }
    EXPECT_FALSE(edited);
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_EQ(readFile(path), before);
}

// Its lock beside it cannot be made (here a folder stands in its place): said with the system's
// reason, and the file is left as it was.
TEST(RegistryFile, ALockThatCannotBeMadeSaysWhy) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("classes.reg"));
    ASSERT_TRUE(QDir().mkdir(path + QStringLiteral(".lock")));
    QString error;
    EXPECT_FALSE(com::registry::edit(
        path, [](Tree& t) { t.setValue(QStringLiteral("A"), {}, QStringLiteral("1")); }, &error));
    EXPECT_EQ(error, path + QStringLiteral(": cannot be locked: ") + QString::fromLocal8Bit(std::strerror(EISDIR)));
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(RegistryFile, ThePathFollowsTheEnvironment) {
    const QByteArray saved = qgetenv("MORVIK_COM_REGISTRY");
    qputenv("MORVIK_COM_REGISTRY", "/somewhere/classes.reg");
    EXPECT_EQ(com::registry::filePath(), QStringLiteral("/somewhere/classes.reg"));
    qunsetenv("MORVIK_COM_REGISTRY");
    EXPECT_EQ(com::registry::filePath(),
              qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/morvik/classes.reg"));
    qputenv("MORVIK_COM_REGISTRY", saved);
}

} // namespace

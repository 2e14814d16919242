// Unpacking archives made by the real tools (and RAR files written from the format's description)
// into a fixture folder: Japanese names come out as UTF-8, and hostile or broken archives leave
// every file outside the target as it was.
#include "tests/drop/archive_fixtures.h"
#include "platform/archive/unpack.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::archive::Kind;
using platform::archive::unpack;

namespace {

QString fixtures() { return madeArchives(); }

QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// Every file under a folder with a hash of its content (and links with their target).
QMap<QString, QByteArray> snapshot(const QString& root) {
    QMap<QString, QByteArray> out;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        out[path] = info.isSymLink() ? info.symLinkTarget().toUtf8()
                    : info.isDir()   ? QByteArray("dir")
                                     : QCryptographicHash::hash(read(path), QCryptographicHash::Sha1);
    }
    return out;
}

QByteArray lines() {
    QByteArray out;
    for (int i = 1; i <= 500; ++i)
        out += QByteArray::number(i) + '\n';
    return out;
}

struct KindCase {
    const char* file;
    Kind kind;
};

void PrintTo(const KindCase& c, std::ostream* out) {
    *out << c.file;
}

class UnpackKinds : public testing::TestWithParam<KindCase> {};

TEST_P(UnpackKinds, JapaneseNamesComeOutAsUtf8) {
    QTemporaryDir desktop;
    const QString target = desktop.path() + QStringLiteral("/pack");
    ASSERT_TRUE(QDir().mkdir(target));
    const auto result =
        unpack(fixtures() + QLatin1Char('/') + QLatin1String(GetParam().file), GetParam().kind, target);
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(read(target + QStringLiteral("/a.txt")), "abc\n");
    EXPECT_EQ(read(target + QStringLiteral("/資料/日本語.txt")), lines());
}

INSTANTIATE_TEST_SUITE_P(Kinds, UnpackKinds,
                         testing::Values(KindCase{"lzh.lzh", Kind::lzh}, KindCase{"zip.zip", Kind::zip},
                                         KindCase{"cp932.zip", Kind::zip}, KindCase{"cab.cab", Kind::cab},
                                         KindCase{"rar4.rar", Kind::rar}, KindCase{"rar5.rar", Kind::rar}),
                         [](const auto& info) {
                             QString name = QLatin1String(info.param.file);
                             name.replace(QLatin1Char('.'), QLatin1Char('_'));
                             return name.toStdString();
                         });

TEST(Unpack, NamesThatAreNotUtf8AreReadAsCp932) {
    EXPECT_EQ(platform::archive::entryName(QByteArray("\x8e\x91\x97\xbf", 4)), QStringLiteral("資料"));
    EXPECT_EQ(platform::archive::entryName(QStringLiteral("資料").toUtf8()), QStringLiteral("資料"));
    EXPECT_EQ(platform::archive::entryName("plain.txt"), QStringLiteral("plain.txt"));
}

TEST(Unpack, AnExistingFileIsKeptAndTheEntryGoesBesideIt) {
    QTemporaryDir desktop;
    const QString target = desktop.path() + QStringLiteral("/pack");
    ASSERT_TRUE(QDir().mkpath(target + QStringLiteral("/資料")));
    QFile mine(target + QStringLiteral("/a.txt"));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("mine\n");
    mine.close();
    const auto result = unpack(fixtures() + QStringLiteral("/zip.zip"), Kind::zip, target);
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(read(target + QStringLiteral("/a.txt")), "mine\n");
    EXPECT_EQ(read(target + QStringLiteral("/a (2).txt")), "abc\n");
    EXPECT_EQ(read(target + QStringLiteral("/資料/日本語.txt")), lines());
}

// The hostile and the broken archives fail, and nothing outside the target changes: the desktop
// around it holds a file of the user's next to the target, and the folder above holds the bait.
TEST(Unpack, HostileAndBrokenArchivesTouchNothingOutsideTheTarget) {
    for (const char* file : {"dotdot.zip", "absolute.zip", "symlink.zip", "truncated.zip"}) {
        SCOPED_TRACE(file);
        QTemporaryDir outer;
        const QString desktop = outer.path() + QStringLiteral("/desktop");
        const QString target = desktop + QStringLiteral("/pack");
        ASSERT_TRUE(QDir().mkpath(target));
        QFile users(desktop + QStringLiteral("/escaped.txt"));
        ASSERT_TRUE(users.open(QIODevice::WriteOnly));
        users.write("the user's own\n");
        users.close();
        // The absolute entry names a file in the fixtures' folder: snapshot that folder too.
        const auto before = snapshot(outer.path());
        const auto fixturesBefore = snapshot(fixtures());
        const auto result = unpack(fixtures() + QLatin1Char('/') + QLatin1String(file), Kind::zip, target);
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.error.isEmpty());
        auto after = snapshot(outer.path());
        for (auto it = after.begin(); it != after.end();)
            it = it.key().startsWith(target + QLatin1Char('/')) ? after.erase(it) : std::next(it);
        EXPECT_EQ(after, before);
        EXPECT_EQ(snapshot(fixtures()), fixturesBefore);
        EXPECT_EQ(read(desktop + QStringLiteral("/escaped.txt")), "the user's own\n");
    }
}

TEST(Unpack, AMissingArchiveFailsAndWritesNothing) {
    QTemporaryDir desktop;
    const auto result = unpack(desktop.path() + QStringLiteral("/none.zip"), Kind::zip, desktop.path());
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(QDir(desktop.path()).isEmpty());
}

TEST(Unpack, TheWorkingFolderIsPutBack) {
    const QString before = QDir::currentPath();
    QTemporaryDir desktop;
    unpack(fixtures() + QStringLiteral("/zip.zip"), Kind::zip, desktop.path());
    EXPECT_EQ(QDir::currentPath(), before);
}

} // namespace

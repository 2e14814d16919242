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
                                         KindCase{"cp932.cab", Kind::cab}, KindCase{"rar4.rar", Kind::rar},
                                         KindCase{"rar5.rar", Kind::rar}),
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

// A cut archive fails; the entry it broke off in is not left behind looking whole (at its full
// size, padded with NULs, with the archive's date), and the entry before it stays.
TEST(Unpack, TheEntryACutArchiveBreaksOffInIsRemoved) {
    for (const KindCase& c : {KindCase{"cut.zip", Kind::zip}, KindCase{"cut.lzh", Kind::lzh}}) {
        SCOPED_TRACE(c.file);
        QTemporaryDir desktop;
        const auto result =
            unpack(fixtures() + QLatin1Char('/') + QLatin1String(c.file), c.kind, desktop.path());
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.error.isEmpty());
        EXPECT_EQ(read(desktop.path() + QStringLiteral("/a.txt")), "abc\n");
        EXPECT_EQ(QDir(desktop.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  QStringList{QStringLiteral("a.txt")});
    }
}

// An entry that cannot be read (here under a password, as zip -P writes it) fails the unpacking:
// it is not written, and what was read whole before it stays.
TEST(Unpack, AnEntryThatCannotBeReadFails) {
    const struct {
        const char* file;
        QStringList left; // what the folder holds afterwards
    } cases[] = {{"encrypted.zip", {QStringLiteral("資料")}},
                 {"half_encrypted.zip", {QStringLiteral("a.txt"), QStringLiteral("資料")}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        QTemporaryDir desktop;
        const auto result =
            unpack(fixtures() + QLatin1Char('/') + QLatin1String(c.file), Kind::zip, desktop.path());
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.error.contains(QStringLiteral("assphrase"))) << result.error.toStdString();
        EXPECT_EQ(QDir(desktop.path())
                      .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name),
                  c.left);
        EXPECT_FALSE(QFileInfo::exists(desktop.path() + QStringLiteral("/資料/日本語.txt")));
    }
}

// Where a link leads: through every link when it leads somewhere, else by its text.
QString leadsTo(const QFileInfo& link) {
    const QString real = link.canonicalFilePath();
    return !real.isEmpty() ? real : QDir::cleanPath(link.symLinkTarget());
}

// Links that stay inside by their own text but would lead out by way of another link are refused,
// and every link that is made leads inside.
TEST(Unpack, NoLinkLeadsOutOfTheTargetByWayOfAnother) {
    // The entry "evil" is refused, but for the link made in place of a folder: that one goes beside
    // the folder instead, and "evil" then leads where it says.
    const struct {
        const char* file;
        Kind kind;
        bool refused;
        const char* kept; // a link or hard link of the archive that is harmless, or nullptr
    } cases[] = {{"via_users_link.zip", Kind::zip, true, nullptr},
                 {"link_before_link.zip", Kind::zip, true, "sub/dir/u"},
                 {"link_over_folder.zip", Kind::zip, false, "L (2)"},
                 {"hardlink_to_link.rar", Kind::rar, true, "fine"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        QTemporaryDir outer;
        const QString desktop = outer.path() + QStringLiteral("/desktop");
        const QString target = desktop + QStringLiteral("/pack");
        ASSERT_TRUE(QDir().mkpath(target));
        // The user's own folder may hold a link out of it.
        ASSERT_TRUE(QFile::link(QStringLiteral("../.."), target + QStringLiteral("/up")));
        const auto result = unpack(fixtures() + QLatin1Char('/') + QLatin1String(c.file), c.kind, target);
        EXPECT_EQ(result.ok, !c.refused);
        EXPECT_EQ(QFileInfo(target + QStringLiteral("/evil")).isSymLink(), !c.refused);
        if (c.kept) {
            EXPECT_TRUE(QFileInfo(target + QLatin1Char('/') + QLatin1String(c.kept)).exists());
        }
        const QString realTarget = QFileInfo(target).canonicalFilePath();
        QDirIterator it(target, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            if (!info.isSymLink() || info.fileName() == QLatin1String("up"))
                continue;
            const QString to = leadsTo(info);
            EXPECT_TRUE(to == realTarget || to.startsWith(realTarget + QLatin1Char('/')) || to == target ||
                        to.startsWith(target + QLatin1Char('/')))
                << info.filePath().toStdString() << " -> " << to.toStdString();
        }
    }
}

TEST(Unpack, ANameAnEarlierEntryTookGoesBesideIt) {
    QTemporaryDir desktop;
    const auto result = unpack(fixtures() + QStringLiteral("/twice.zip"), Kind::zip, desktop.path());
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(read(desktop.path() + QStringLiteral("/a.txt")), "first\n");
    EXPECT_EQ(read(desktop.path() + QStringLiteral("/a (2).txt")), "second\n");
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

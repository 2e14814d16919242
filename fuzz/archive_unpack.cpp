// Archive entry names and paths through the drop handler's unpacking: any bytes as a dropped
// archive, unpacked as each of the four kinds in turn into a desktop folder that already holds a
// file and links out of it, as a user's folder of the same name might. Afterwards nothing outside
// that folder may have changed, nothing that was in it may have been replaced, no link made may
// point out of it, no file made may share its data with one outside, and the working folder must be
// the one before.
#include "app/drop/drop_handler.h"
#include "platform/archive/unpack.h"
#include "support.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using platform::archive::Kind;

[[noreturn]] void fault(const char* what, const QString& path) {
    std::fprintf(stderr, "archive_unpack: %s: %s\n", what, qPrintable(path));
    std::abort();
}

QByteArray readLink(const QString& path) {
    char target[4096];
    const ssize_t n = readlink(QFile::encodeName(path).constData(), target, sizeof target);
    return n < 0 ? QByteArray() : QByteArray(target, n);
}

struct Entry {
    bool folder = false;
    quint64 inode = 0;
    qint64 mtimeNs = 0;
    QByteArray content; // a file's bytes, a link's target
};

// What is at path; a file's bytes only when asked (what the archive wrote may be huge, and sparse).
Entry entryOf(const QString& path, bool withContent = true) {
    struct stat st {};
    if (lstat(QFile::encodeName(path).constData(), &st) != 0)
        fault("gone", path);
    Entry e{S_ISDIR(st.st_mode),
            quint64(st.st_ino),
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            {}};
    if (S_ISLNK(st.st_mode)) {
        e.content = readLink(path) + QByteArray("\0link", 5);
    } else if (S_ISREG(st.st_mode) && withContent) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            fault("unreadable", path);
        e.content = f.readAll();
    }
    return e;
}

// Every path below root, links not followed.
QStringList walk(const QString& root) {
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    return out;
}

bool inside(const QString& path, const QString& folder) {
    return path.startsWith(folder + QLatin1Char('/'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString root = fuzz::scratch() + QStringLiteral("/drop");
    const QString desktop = root + QStringLiteral("/Desktop");
    const QString archive = root + QStringLiteral("/in/dropped.zip");
    const QString before = QDir::currentPath();
    for (const Kind kind : {Kind::zip, Kind::lzh, Kind::cab, Kind::rar}) {
        fuzz::clearFolder(root);
        QDir().mkpath(desktop + QStringLiteral("/dropped/docs"));
        QDir().mkpath(root + QStringLiteral("/in"));
        fuzz::writeFile(archive, fuzz::bytes(data, size));
        fuzz::writeFile(root + QStringLiteral("/outside.txt"), "outside\n");
        fuzz::writeFile(desktop + QStringLiteral("/other.txt"), "other\n");
        const std::optional<QString> folder = drop::UnpackFolder(desktop, drop::NamesOf(archive));
        if (!folder)
            fault("no unpacking folder", archive);
        fuzz::writeFile(*folder + QStringLiteral("/readme.txt"), "mine\n");
        QFile::link(QStringLiteral("../../outside.txt"), *folder + QStringLiteral("/link"));
        QFile::link(QStringLiteral("../.."), *folder + QStringLiteral("/up"));
        QFile::link(QStringLiteral("/tmp"), *folder + QStringLiteral("/docs/abs"));

        QHash<QString, Entry> kept;
        QHash<quint64, QString> outsideInodes;
        for (const QString& path : walk(root)) {
            kept.insert(path, entryOf(path));
            if (!inside(path, *folder))
                outsideInodes.insert(kept[path].inode, path);
        }

        const QString realFolder = QFileInfo(*folder).canonicalFilePath();
        platform::archive::unpack(archive, kind, *folder);

        if (QDir::currentPath() != before)
            fault("the working folder moved", QDir::currentPath());
        for (auto it = kept.cbegin(); it != kept.cend(); ++it) {
            const Entry now = entryOf(it.key());
            // A folder inside takes new entries; one outside must not.
            const bool timed = !(it->folder && (it.key() == *folder || inside(it.key(), *folder)));
            if (now.folder != it->folder || now.inode != it->inode || now.content != it->content ||
                (timed && now.mtimeNs != it->mtimeNs))
                fault("changed", it.key());
        }
        for (const QString& path : walk(root)) {
            if (kept.contains(path))
                continue;
            if (!inside(path, *folder))
                fault("written outside", path);
            const QFileInfo info(path);
            if (info.isSymLink()) {
                // Where it leads: followed through every link when it leads somewhere, else by
                // its text.
                const QString real = info.canonicalFilePath();
                const QString named = QDir::cleanPath(info.absolutePath() + QLatin1Char('/') +
                                                      QFile::decodeName(readLink(path)));
                const bool within = real.isEmpty() ? named == *folder || inside(named, *folder)
                                                   : real == realFolder || inside(real, realFolder);
                if (!within)
                    fault("a link out of the folder", path);
            } else if (info.isFile() && outsideInodes.contains(entryOf(path, false).inode)) {
                fault("a file sharing its data with one outside", path);
            }
        }
    }
    return 0;
}

#include "platform/archive/unpack.h"

#include "platform/archive/archive_library.h"
#include "platform/codec.h"

#include <QFile>
#include <QHash>
#include <QStringConverter>
#include <QStringList>
#include <algorithm>
#include <archive.h>
#include <archive_entry.h>
#include <clocale>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::archive {
namespace {

struct FreeReader {
    void operator()(struct archive* a) const { archive_read_free(a); }
};
struct FreeWriter {
    void operator()(struct archive* a) const { archive_write_free(a); }
};

// libarchive turns names into the locale's encoding; while unpacking that is UTF-8 on this thread,
// whatever the program's locale, so that UTF-8 names come through as they are.
class Utf8Locale {
public:
    Utf8Locale() : locale_(newlocale(LC_ALL_MASK, "C.UTF-8", static_cast<locale_t>(nullptr))) {
        if (locale_)
            previous_ = uselocale(locale_);
    }
    ~Utf8Locale() {
        if (locale_) {
            uselocale(previous_);
            freelocale(locale_);
        }
    }
    Utf8Locale(const Utf8Locale&) = delete;
    Utf8Locale& operator=(const Utf8Locale&) = delete;

private:
    locale_t locale_;
    locale_t previous_ = LC_GLOBAL_LOCALE;
};

// Works in the folder while alive, and goes back to where the process was.
class InFolder {
public:
    explicit InFolder(const QString& folder) : back_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        entered_ = back_ >= 0 && chdir(QFile::encodeName(folder).constData()) == 0;
    }
    ~InFolder() {
        if (back_ >= 0) {
            if (entered_ && fchdir(back_) != 0) {
                // Nothing sensible is left to do: the folder we came from is gone.
            }
            close(back_);
        }
    }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;
    bool entered() const { return entered_; }

private:
    int back_;
    bool entered_ = false;
};

bool exists(const QByteArray& path, bool* isDir = nullptr) {
    struct stat st {};
    if (lstat(path.constData(), &st) != 0)
        return false;
    if (isDir)
        *isDir = S_ISDIR(st.st_mode);
    return true;
}

// What lies at a path now, links not followed.
enum class Node { none, folder, link, file, other };
Node nodeAt(const QString& path) {
    struct stat st {};
    if (lstat(QFile::encodeName(path).constData(), &st) != 0)
        return Node::none;
    return S_ISDIR(st.st_mode)   ? Node::folder
           : S_ISLNK(st.st_mode) ? Node::link
           : S_ISREG(st.st_mode) ? Node::file
                                 : Node::other;
}

// The parts of a relative name, or nothing when it is absolute or climbs out with "..".
std::optional<QStringList> safeParts(const QString& name) {
    if (name.startsWith(QLatin1Char('/')))
        return std::nullopt;
    QStringList parts;
    for (const QString& part : name.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".."))
            return std::nullopt;
        if (part != QLatin1String("."))
            parts << part;
    }
    return parts;
}

// Whether a link placed at `placed` (relative to the folder, the working folder) pointing to
// `target` leads to a place inside the folder. The target is followed on the disk as it is now,
// through the links already there (the user's own and those this unpacking made), never above the
// folder; only its last part may be missing. Since no entry ever replaces what is there (see
// place()), nothing made later can move where an accepted link leads: a part missing now can only
// become a file, a folder or a link that was itself accepted.
bool linkStaysInside(const QString& placed, const QString& target) {
    constexpr int kMaxHops = 40; // as the kernel's own limit of links in a path
    if (target.isEmpty() || target.startsWith(QLatin1Char('/')))
        return false;
    QStringList at = placed.split(QLatin1Char('/'));
    at.removeLast(); // the folder the link lies in
    QStringList rest = target.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    int hops = 0;
    while (!rest.isEmpty()) {
        const QString part = rest.takeFirst();
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (at.isEmpty())
                return false;
            at.removeLast();
            continue;
        }
        const QString path = (at + QStringList{part}).join(QLatin1Char('/'));
        const bool last =
            std::all_of(rest.cbegin(), rest.cend(), [](const QString& p) { return p == QLatin1String("."); });
        switch (nodeAt(path)) {
        case Node::none:
            return last;
        case Node::folder:
            at << part;
            break;
        case Node::link: {
            const QByteArray encoded = QFile::encodeName(path);
            char buffer[4096];
            const ssize_t n = readlink(encoded.constData(), buffer, sizeof buffer);
            if (n <= 0 || ++hops > kMaxHops || buffer[0] == '/')
                return false;
            rest =
                QFile::decodeName(QByteArray(buffer, n)).split(QLatin1Char('/'), Qt::SkipEmptyParts) + rest;
            break;
        }
        case Node::file:
        case Node::other:
            return last;
        }
    }
    return true;
}

// "name.ext" becomes "name (n).ext" for the first n from 2 that is free.
QString beside(const QString& folderPart, const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString suffix = dot > 0 ? name.mid(dot) : QString();
    for (int n = 2;; ++n) {
        const QString candidate = QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(suffix);
        const QString path = folderPart.isEmpty() ? candidate : folderPart + QLatin1Char('/') + candidate;
        if (!exists(QFile::encodeName(path)))
            return candidate;
    }
}

class Unpacking {
public:
    explicit Unpacking(UnpackResult& result) : result_(result) {}

    void fail(const QString& why) {
        result_.ok = false;
        if (result_.error.isEmpty())
            result_.error = why;
    }

    // Where an entry goes, relative to the folder: its folders as already placed, and its own name
    // moved beside anything of that name that is there now (also what this unpacking wrote), unless
    // both are folders: no entry ever replaces a file or a link. Asked for a link's target
    // (lookup), the name as last placed.
    QString place(const QStringList& parts, bool isDir, bool lookup = false) {
        QString path;
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const QString original = path.isEmpty() ? parts[i] : path + QLatin1Char('/') + parts[i];
            const bool last = i == parts.size() - 1;
            if (const auto moved = placed_.constFind(original); moved != placed_.cend()) {
                const Node node = nodeAt(*moved);
                if (lookup || !last || node == Node::none || (node == Node::folder && isDir)) {
                    path = *moved;
                    continue;
                }
            }
            QString name = parts[i];
            bool existingIsDir = false;
            const QString candidate = path.isEmpty() ? name : path + QLatin1Char('/') + name;
            const bool taken = exists(QFile::encodeName(candidate), &existingIsDir);
            // A folder may be shared with one that exists; a file never takes an existing name.
            if (taken && !(existingIsDir && (!last || isDir)))
                name = beside(path, name);
            const QString next = path.isEmpty() ? name : path + QLatin1Char('/') + name;
            placed_.insert(original, next);
            path = next;
        }
        return path;
    }

private:
    UnpackResult& result_;
    QHash<QString, QString> placed_;
};

void supportKind(struct archive* reader, Kind kind) {
    switch (kind) {
    case Kind::lzh:
        // LZH archives name their entries in CP932 (libarchive refuses such a name without it).
        archive_read_support_format_lha(reader);
        archive_read_set_format_option(reader, "lha", "hdrcharset", "CP932");
        return;
    case Kind::zip:
        archive_read_support_format_zip(reader);
        return;
    case Kind::cab:
        // Windows cabinet tools write names in the ANSI code page, CP932 on Japanese Windows, with
        // the UTF-8 attribute off; a name with it on stays UTF-8. Read as CP932, libarchive also
        // makes folders of their backslash-separated parts.
        archive_read_support_format_cab(reader);
        archive_read_set_format_option(reader, "cab", "hdrcharset", "CP932");
        return;
    case Kind::rar:
        archive_read_support_format_rar(reader);
        archive_read_support_format_rar5(reader);
        return;
    }
}

QString errorOf(struct archive* a) {
    const char* text = archive_error_string(a);
    return text ? QString::fromLocal8Bit(text) : QStringLiteral("unknown error");
}

} // namespace

QString entryName(const QByteArray& raw) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString asUtf8 = utf8(raw);
    if (!utf8.hasError())
        return asUtf8;
    return codec::fromCp932(raw);
}

UnpackResult unpack(const QString& archivePath, Kind kind, const QString& folder) {
    UnpackResult result;
    if (!library().available()) {
        result.error = library().error();
        return result;
    }
    result.ok = true;
    Unpacking unpacking(result);
    const Utf8Locale utf8;

    const std::unique_ptr<struct archive, FreeReader> reader(archive_read_new());
    const std::unique_ptr<struct archive, FreeWriter> writer(archive_write_disk_new());
    if (!reader || !writer) {
        unpacking.fail(QStringLiteral("out of memory"));
        return result;
    }
    supportKind(reader.get(), kind);
    archive_write_disk_set_options(writer.get(), ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_NODOTDOT |
                                                     ARCHIVE_EXTRACT_SECURE_SYMLINKS |
                                                     ARCHIVE_EXTRACT_SECURE_NOABSOLUTEPATHS);
    if (archive_read_open_filename(reader.get(), QFile::encodeName(archivePath).constData(), 64 * 1024) !=
        ARCHIVE_OK) {
        unpacking.fail(errorOf(reader.get()));
        return result;
    }
    const InFolder inFolder(folder);
    if (!inFolder.entered()) {
        unpacking.fail(QStringLiteral("cannot enter %1").arg(folder));
        return result;
    }

    struct archive_entry* entry = nullptr;
    for (;;) {
        const int read = archive_read_next_header(reader.get(), &entry);
        if (read == ARCHIVE_EOF)
            break;
        if (read < ARCHIVE_WARN) {
            unpacking.fail(errorOf(reader.get()));
            if (read == ARCHIVE_FATAL)
                break;
            continue;
        }
        const char* rawName = archive_entry_pathname(entry);
        const QString name = entryName(QByteArray(rawName ? rawName : ""));
        const std::optional<QStringList> parts = safeParts(name);
        if (!parts || parts->isEmpty()) {
            unpacking.fail(QStringLiteral("refused entry %1").arg(name));
            continue;
        }
        // An encrypted entry is refused before its data: a reader may hand over the ciphertext of
        // a stored entry (RAR does) as if it were the file.
        if (archive_entry_is_data_encrypted(entry) == 1) {
            unpacking.fail(QStringLiteral("%1 is encrypted: a passphrase is required").arg(name));
            continue;
        }
        // A hard link shares the data of a file this unpacking wrote: never of a link, which would
        // be read anew from the place of the new name.
        if (const char* link = archive_entry_hardlink(entry)) {
            const std::optional<QStringList> targetParts = safeParts(entryName(QByteArray(link)));
            const QString target = targetParts && !targetParts->isEmpty()
                                       ? unpacking.place(*targetParts, false, true)
                                       : QString();
            if (target.isEmpty() || nodeAt(target) != Node::file) {
                unpacking.fail(QStringLiteral("refused link %1").arg(name));
                continue;
            }
            archive_entry_set_hardlink(entry, target.toUtf8().constData());
        }
        const bool isDir = archive_entry_filetype(entry) == AE_IFDIR;
        const QString path = unpacking.place(*parts, isDir);
        if (const char* link = archive_entry_symlink(entry)) {
            const QString target = entryName(QByteArray(link));
            if (!linkStaysInside(path, target)) {
                unpacking.fail(QStringLiteral("refused link %1 -> %2").arg(name, target));
                continue;
            }
            archive_entry_set_symlink(entry, target.toUtf8().constData());
        }
        archive_entry_set_pathname(entry, path.toUtf8().constData());
        if (archive_write_header(writer.get(), entry) < ARCHIVE_WARN) {
            unpacking.fail(errorOf(writer.get()));
            continue;
        }
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        int data = ARCHIVE_OK;
        bool writeFailed = false;
        while ((data = archive_read_data_block(reader.get(), &block, &size, &offset)) == ARCHIVE_OK) {
            if (archive_write_data_block(writer.get(), block, size, offset) < ARCHIVE_WARN) {
                data = ARCHIVE_FAILED;
                writeFailed = true;
                unpacking.fail(errorOf(writer.get()));
                break;
            }
        }
        // An entry that cannot be read (encrypted, an unsupported method) fails the unpacking as
        // much as one that cannot be written: it is missing from the folder.
        if (data != ARCHIVE_EOF && !writeFailed)
            unpacking.fail(errorOf(reader.get()));
        bool whole = data == ARCHIVE_EOF;
        if (archive_write_finish_entry(writer.get()) < ARCHIVE_WARN) {
            unpacking.fail(errorOf(writer.get()));
            whole = false;
        }
        // libarchive pads a broken-off file to its full size and gives it the archive's date: it
        // would look whole. It is this unpacking's own (place() never reuses a file's name).
        if (!whole && !isDir) {
            if (nodeAt(path) == Node::file)
                unlink(QFile::encodeName(path).constData());
            if (data == ARCHIVE_FATAL)
                break;
            continue;
        }
        ++result.written;
        if (data == ARCHIVE_FATAL)
            break;
    }
    if (archive_write_close(writer.get()) < ARCHIVE_WARN)
        unpacking.fail(errorOf(writer.get()));
    return result;
}

} // namespace platform::archive

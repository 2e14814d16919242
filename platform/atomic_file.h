#pragma once
// Replacing a file whole: the new bytes go to a temporary file beside it, every write checked and
// the file synced to disk, which then replaces the old one by rename. On any failure (a full disk,
// a file size limit, an I/O error) the temporary file is removed and the old file stays as it was,
// so a failed write never leaves the file empty or cut short. A symbolic link is followed: its
// target is replaced and the link stays.
//
// The temporary file is named ".<name>.morvik-tmp-XXXXXX" in the file's folder. A process killed
// during a write leaves it behind; removeAtomicLeftovers() clears such files at the next start.
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

// Writes bytes to path, replacing it; the file gets exactly the mode permissions (e.g. 0600).
// Returns false and sets *error (when given) to a text naming the file and the cause on failure.
// Defined below, in this header: the class registry (control/com) calls it and does not link the
// platform core.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, unsigned permissions,
                         QString* error = nullptr);

// Removes the temporary files writeFileAtomically() left in folder, and nothing else: only a name
// of that form, which no user would choose (a "mailSet.ini.backup" or "classes.reg.2024-01" of the
// user's stays). Call it only while no other process of ours writes in that folder. Returns how
// many files it removed.
int removeAtomicLeftovers(const QString& folder);

} // namespace platform

// ---- the write, inline ----

namespace platform {
namespace atomic_file {

inline constexpr char kTempMark[] = ".morvik-tmp-";

inline void setCause(QString* cause, const char* what, int code) {
    if (cause)
        *cause =
            QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(code)));
}

inline bool writeAll(int fd, const QByteArray& bytes) {
    const char* at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, at, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO; // no progress on a regular file: nothing more will be written
            return false;
        }
        at += n;
        left -= n;
    }
    return true;
}

// writeFileAtomically(), its failure said without the file's name ("cannot write: File too
// large"), for callers that name the file themselves.
inline bool replace(const QString& path, const QByteArray& bytes, unsigned permissions, QString* cause) {
    // The target of a link is replaced, not the link (as QSaveFile did).
    QString target = path;
    if (const QFileInfo link(path); link.isSymLink()) {
        if (const QString resolved = link.canonicalFilePath(); !resolved.isEmpty())
            target = resolved;
    }
    const QFileInfo info(target);
    const QByteArray finalName = QFile::encodeName(info.absoluteFilePath());
    QByteArray temp = QFile::encodeName(info.absolutePath()) + '/' + '.' +
                      QFile::encodeName(info.fileName()) + atomic_file::kTempMark + "XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        setCause(cause, "cannot create a temporary file", errno);
        return false;
    }
    const auto fail = [&](const char* what, bool open) {
        const int code = errno;
        if (open)
            ::close(fd);
        ::unlink(temp.constData());
        setCause(cause, what, code);
        return false;
    };
    if (::fchmod(fd, static_cast<mode_t>(permissions)) != 0)
        return fail("cannot set its mode", true);
    if (!atomic_file::writeAll(fd, bytes))
        return fail("cannot write", true);
    // Synced before the rename: otherwise a crash soon after can leave the new name on no data.
    if (::fsync(fd) != 0)
        return fail("cannot sync", true);
    if (::close(fd) != 0)
        return fail("cannot write", false);
    if (::rename(temp.constData(), finalName.constData()) != 0)
        return fail("cannot replace", false);
    // The rename made durable too; the file is replaced already, so a failure here changes nothing.
    if (const int dir =
            ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

} // namespace atomic_file

inline bool writeFileAtomically(const QString& path, const QByteArray& bytes, unsigned permissions,
                                QString* error) {
    QString cause;
    if (atomic_file::replace(path, bytes, permissions, &cause))
        return true;
    if (error)
        *error = path + QStringLiteral(": ") + cause;
    return false;
}

} // namespace platform

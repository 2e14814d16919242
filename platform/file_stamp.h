#pragma once
// What one stat() tells of a file or folder, so that what was read from it can be kept in memory
// and read again only when it changed.
//
// A stamp holds the device and inode (a file replaced by rename is another file), the size, the
// modification and change times in nanoseconds and the mode; a missing path has a stamp of its
// own. Two stamps differ whenever the contents were written, replaced, truncated, re-timed or
// re-permissioned, with one gap: a file system stores times only to its own granularity (a few
// milliseconds on ext4, two seconds on FAT), so a second write of the same size within that step
// leaves the stamp as it was. Fresh closes the gap: a stamp taken before its file's last change
// had settled by the margin below is never trusted, so the caller reads such a file again until the
// change lies far enough in the past that any later write must move the time.
//
// Take the stamp before reading the contents: a change made while reading then shows as a
// different stamp at the next look.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace platform {

struct FileStamp {
    bool exists = false;
    quint64 device = 0, inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0, changedNs = 0;
    quint32 mode = 0;
    qint64 takenNs = 0; // when the stamp was taken (real time), not compared

    // The stamp of path now, following symbolic links.
    static FileStamp of(const QString& path);
    static FileStamp of(const QByteArray& encodedPath);
    // The same stamp, but kept between calls while the kernel reports no change in the path's
    // folder that concerns it (inotify: written, truncated, re-timed, re-permissioned, created,
    // deleted, renamed to or from; for a folder, also anything in it), so that looking at an
    // unchanged file costs no stat(): one read() of the watch's queue. Where no watch can be set
    // (no inotify, a symbolic link, a folder that cannot be watched) it is of() itself. The queue
    // is read on each call, so a change made before the call is always seen (inside a LookBatch,
    // once per moment: platform/look_batch.h). One move it cannot see: a folder above the path's own
    // folder renamed away (the path then names another file). *watching (when given) tells whether
    // a watch stands behind the stamp: then any later change of the path moves watchedChanges().
    static FileStamp watched(const QByteArray& encodedPath, bool* watching = nullptr);
    // A count that moves whenever the kernel reports a change to any watched path (or may have
    // lost one): what was learned from watched stamps at one count holds while the count stays.
    // Reads the queue as watched() does.
    static quint64 watchedChanges();

    // The same file with the same contents as far as the two stamps can tell.
    bool sameAs(const FileStamp& other) const;
    // Whether the stamp was taken long enough after the last change that a later change must give
    // a different stamp. A missing file is always settled.
    bool settled() const;
};

// The margin by which a change must precede the stamp: the coarsest granularity of the file
// systems in use (FAT's two seconds).
inline constexpr qint64 kSettleNs = qint64(2'000'000'000);
// Tests set a margin of 0, under which every stamp is trusted at once, to show what the stamp
// alone catches; the default is kSettleNs.
void setSettleMargin(qint64 ns);

// Whether contents read after the stamp `kept` may be used again now, when the file's stamp is
// `now`: it is the same file, unchanged, and the kept stamp was settled.
inline bool Fresh(const FileStamp& kept, const FileStamp& now) {
    return kept.settled() && kept.sameAs(now);
}

} // namespace platform

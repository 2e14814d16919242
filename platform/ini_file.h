#pragma once
// A reader and writer of INI files with the profile semantics of the classic Windows calls:
// section and key names match without regard to case, names and values are trimmed of blanks,
// every other section, key, comment and blank line is kept as it was, and a write creates the file,
// the section and the key when missing. The file is written as UTF-8; a file that is not UTF-8 is
// read as CP932 (as Windows programs saved it), and the first write turns it into UTF-8.
//
// Writes are atomic (platform/atomic_file.h): the new contents go to a temporary file that then
// replaces the old one, so a crash or a full disk leaves either the old file or the new one, never
// half of one. The file is written readable by its owner only (0600): it holds a password. A value has no length limit.
// A key or value holding a line break (which would corrupt the file) is refused, and so is any
// write to a file that is there but cannot be read, or holds bytes neither encoding knows: writing
// it would lose what could not be read.
//
// A file is parsed once and kept in memory while its stamp (platform/file_stamp.h) says it is
// unchanged, so a read costs one stat(); a write by this program, an edit by hand and a
// replacement by rename are all seen by the next read.
#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace platform::ini {

// The value of key in section, or nothing when the file, the section or the key is absent or the
// file cannot be read. Bytes neither encoding knows read as '?'.
std::optional<QString> read(const QString& path, const QString& section, const QString& key);

// Stores value under key in section. Returns false when the file could not be read or written or
// the key or value cannot be stored; the file is then unchanged, and *why (when given) says the
// cause without the file's name, the system's own reason where there is one ("cannot write: No
// space left on device").
bool write(const QString& path, const QString& section, const QString& key, const QString& value,
           QString* why = nullptr);

// Stores every pair (key, value) in section in one rewrite of the file, in the given order: keys
// already there keep their lines, new ones follow the section's last line in that order. All or
// nothing: when any key or value cannot be stored, or the file could not be read or written, it
// returns false, the file is unchanged and *why says the cause, as write() does.
using Pairs = QList<std::pair<QString, QString>>;
bool writeAll(const QString& path, const QString& section, const Pairs& pairs, QString* why = nullptr);

// The file as it is when made, to be put back whole by restore() when what was written since must
// be undone (a batch whose other half could not be kept). A file that was not there is removed
// again; a file that could not be read cannot be put back.
class Backup {
public:
    explicit Backup(const QString& path);
    bool restore() const;

private:
    QString path_;
    bool existed_ = false;
    bool readable_ = false;
    QByteArray bytes_;
};

} // namespace platform::ini

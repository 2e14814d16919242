#pragma once
// Unpacks an archive of one of the kinds of archive_support.h into an existing folder, with
// libarchive.
//
// Entry names are written as UTF-8: LZH names are read as CP932; of the other kinds a name that is
// valid UTF-8 is taken as it is, any other is read as CP932 (the names of archives made on
// Japanese Windows). Only what stays inside the folder is written: an entry with an absolute path
// or a "..", a link that leads out of the folder (followed through the links already there, the
// folder's own included), a hard link to anything but a file, and anything that would be written
// through a link are refused (libarchive's secure extraction flags, and our own check of each name
// and link before it). Nothing that exists is replaced, also not what an earlier entry of the same
// archive wrote (only folders are shared): an entry whose name is taken is written beside it as
// "name (2).ext", "name (3).ext", ….
//
// The result is false when libarchive cannot be loaded (the error says so, and nothing is touched),
// when the archive could not be opened, was corrupt or truncated, or any entry was refused or could
// not be read (encrypted, an unsupported method); what was unpacked until then stays in the folder, but for the file being written
// when the archive broke off or could not be written, which is removed (it would look whole); nothing
// is ever written outside it. The unpacking changes the process's working folder for its duration (libarchive
// writes relative to it) and puts it back: GUI thread only, and no other thread may rely on it.
#include "platform/archive/archive_support.h"

#include <QString>

namespace platform::archive {

struct UnpackResult {
    bool ok = false;
    int written = 0; // entries written whole (folders included)
    QString error;   // the first problem met, for the log; empty when ok
};

UnpackResult unpack(const QString& archivePath, Kind kind, const QString& folder);

// An entry's name as this unpacking writes it: UTF-8 kept, anything else read as CP932.
QString entryName(const QByteArray& raw);

} // namespace platform::archive

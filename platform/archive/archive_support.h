#pragma once
// Which archive kinds this build can unpack, asked of libarchive (opened on the first question, see
// archive_library.h; where it cannot be opened, no kind counts). A kind
// counts when libarchive's reader accepts its format (for RAR both formats, RAR and RAR5) and, for
// ZIP and CAB, whose members are deflated, when libarchive was built with zlib. The dropped-file
// handler unpacks only the kinds this names; the settings dialog shows the answers. Each answer is
// asked afresh: a reader is set up and freed again, no file is touched. Any thread.
#include <QString>

namespace platform::archive {

enum class Kind { lzh, zip, cab, rar };

bool reads(Kind kind);

// libarchive's own version text, such as "libarchive 3.6.2"; empty without libarchive.
QString versionString();

} // namespace platform::archive

#pragma once
// libarchive, which the program is not linked against: archive_library.cpp forwards every libarchive
// call of this folder to the library, opened on the first (platform/shared_library.h).
#include "platform/shared_library.h"

namespace platform::archive {

// Debian's runtime package name of libarchive.
SharedLibrary& library();

} // namespace platform::archive

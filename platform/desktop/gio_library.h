#pragma once
// GIO, which the program is not linked against: gio_library.cpp forwards the GIO calls of this
// folder to it, opened at the first (platform/shared_library.h), so that it (and libmount, libselinux,
// …) is loaded only when a desktop entry is started or an icon is asked for. GObject's calls go
// through platform/gobject.
#include "platform/shared_library.h"

namespace platform::desktop {

SharedLibrary& gio();

} // namespace platform::desktop

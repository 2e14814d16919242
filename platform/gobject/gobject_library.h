#pragma once
// GObject, under the GLib-based libraries the program opens on first use (GMime for mail, GIO for
// launching): gobject_library.cpp forwards the few GObject calls made here (g_object_unref and the
// type checks of GLib's cast macros) to it. GLib itself is not forwarded: Qt is linked against it,
// so it is in the process from the start.
#include "platform/shared_library.h"

namespace platform::gobject {

SharedLibrary& library();

} // namespace platform::gobject

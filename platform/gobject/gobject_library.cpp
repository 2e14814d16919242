// The GObject calls of the platform libraries, each finding the real one when it is first made.
// They are only ever made on objects that GMime or GIO made, which loaded GObject already.
#include "platform/gobject/gobject_library.h"

#include <glib-object.h>

namespace platform::gobject {

SharedLibrary& library() {
    static SharedLibrary libgobject("libgobject-2.0.so.0", "mail and desktop entries are off");
    return libgobject;
}

} // namespace platform::gobject

using platform::gobject::library;

MORVIK_FORWARD_VOID(library(), g_object_unref, (gpointer object), (object))
MORVIK_FORWARD(library(), GTypeInstance*, g_type_check_instance_cast, (GTypeInstance * instance, GType type),
               (instance, type), instance)
MORVIK_FORWARD(library(), gboolean, g_type_check_instance_is_a, (GTypeInstance * instance, GType type),
               (instance, type), FALSE)

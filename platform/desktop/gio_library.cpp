// The GIO calls of this folder, each finding the real one when it is first made.
#include "platform/desktop/gio_library.h"

// GIO's headers name struct members "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gdesktopappinfo.h>
#pragma pop_macro("signals")

namespace platform::desktop {

SharedLibrary& gio() {
    static SharedLibrary libgio("libgio-2.0.so.0", "desktop entries are not started and show no icon");
    return libgio;
}

} // namespace platform::desktop

using platform::desktop::gio;

MORVIK_FORWARD(gio(), GList*, g_app_info_get_all, (void), (), nullptr)
MORVIK_FORWARD(gio(), GIcon*, g_app_info_get_icon, (GAppInfo * appinfo), (appinfo), nullptr)
MORVIK_FORWARD(gio(), GType, g_app_info_get_type, (void), (), 0)
MORVIK_FORWARD(gio(), GAppLaunchContext*, g_app_launch_context_new, (void), (), nullptr)
MORVIK_FORWARD_VOID(gio(), g_app_launch_context_unsetenv, (GAppLaunchContext * context, const char* variable),
                    (context, variable))
MORVIK_FORWARD(gio(), char*, g_desktop_app_info_get_string, (GDesktopAppInfo * info, const char* key),
               (info, key), nullptr)
MORVIK_FORWARD(gio(), GType, g_desktop_app_info_get_type, (void), (), 0)
MORVIK_FORWARD(gio(), GDesktopAppInfo*, g_desktop_app_info_new_from_filename, (const char* filename),
               (filename), nullptr)
MORVIK_FORWARD(gio(), char*, g_file_get_path, (GFile * file), (file), nullptr)
MORVIK_FORWARD(gio(), GFile*, g_file_icon_get_file, (GFileIcon * icon), (icon), nullptr)
MORVIK_FORWARD(gio(), GType, g_file_icon_get_type, (void), (), 0)
MORVIK_FORWARD(gio(), const gchar* const*, g_themed_icon_get_names, (GThemedIcon * icon), (icon), nullptr)
MORVIK_FORWARD(gio(), GType, g_themed_icon_get_type, (void), (), 0)
MORVIK_FORWARD(gio(), gboolean, g_desktop_app_info_launch_uris_as_manager,
               (GDesktopAppInfo * appinfo, GList* uris, GAppLaunchContext* launch_context,
                GSpawnFlags spawn_flags, GSpawnChildSetupFunc user_setup, gpointer user_setup_data,
                GDesktopAppLaunchCallback pid_callback, gpointer pid_callback_data, GError** error),
               (appinfo, uris, launch_context, spawn_flags, user_setup, user_setup_data, pid_callback,
                pid_callback_data, error),
               FALSE)

#include "platform/desktop/program_start.h"

#include "platform/desktop/gio_library.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QPixmap>
#include <QProcess>
#include <QStandardPaths>
#include <QStyle>
#include <memory>
#include <unistd.h>

// GIO's headers name struct members "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gdesktopappinfo.h>
#pragma pop_macro("signals")

namespace platform::desktop {
namespace {

struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T> using Owned = std::unique_ptr<T, Unref>;
struct Free {
    void operator()(gpointer memory) const { g_free(memory); }
};
using Text = std::unique_ptr<char, Free>;
struct FreeTexts {
    void operator()(char** texts) const { g_strfreev(texts); }
};
struct FreeAppList {
    void operator()(GList* list) const { g_list_free_full(list, g_object_unref); }
};

QList<QByteArray>& keptVariables() {
    static QList<QByteArray> names;
    return names;
}

bool isDesktopEntry(const QString& path) {
    return path.endsWith(QLatin1String(".desktop"));
}

Owned<GDesktopAppInfo> desktopEntry(const QString& path) {
    return Owned<GDesktopAppInfo>(g_desktop_app_info_new_from_filename(QFile::encodeName(path).constData()));
}

// Runs in the started program's process just before it becomes the program: only calls that are
// safe there.
void enterFolder(gpointer folder) {
    if (chdir(static_cast<const char*>(folder)) != 0) {
        // The program then starts where this program stands; that is no reason to keep it from starting.
    }
}

bool startDesktopEntry(const QString& path) {
    if (!gio().available())
        return false;
    const Owned<GDesktopAppInfo> entry = desktopEntry(path);
    if (!entry)
        return false;
    const Owned<GAppLaunchContext> context(g_app_launch_context_new());
    for (const QByteArray& name : keptVariables())
        g_app_launch_context_unsetenv(context.get(), name.constData());
    const Text ownFolder(g_desktop_app_info_get_string(entry.get(), "Path"));
    const bool hasOwnFolder = ownFolder && *ownFolder;
    QByteArray home = QFile::encodeName(QDir::homePath());
    return g_desktop_app_info_launch_uris_as_manager(entry.get(), nullptr, context.get(), G_SPAWN_SEARCH_PATH,
                                                     hasOwnFolder ? nullptr : enterFolder, home.data(),
                                                     nullptr, nullptr, nullptr);
}

bool startFile(const QString& path) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QByteArray& name : keptVariables())
        environment.remove(QString::fromLocal8Bit(name));
    QProcess process;
    process.setProgram(path);
    process.setArguments({});
    process.setWorkingDirectory(QDir::homePath());
    process.setProcessEnvironment(environment);
    return process.startDetached();
}

// Qt looks for theme icons where its platform tells it to, and some platforms (offscreen among
// them) name no theme and no folder. Then the icon theme every freedesktop desktop has, hicolor, in
// the freedesktop data folders is used. Settled once, at the first icon.
void settleIconTheme() {
    static const bool settled = [] {
        if (QIcon::themeName().isEmpty())
            QIcon::setThemeName(QStringLiteral("hicolor"));
        QStringList paths = QIcon::themeSearchPaths();
        const QStringList data = QStandardPaths::locateAll(
            QStandardPaths::GenericDataLocation, QStringLiteral("icons"), QStandardPaths::LocateDirectory);
        for (const QString& folder : data)
            if (!paths.contains(folder))
                paths << folder;
        QIcon::setThemeSearchPaths(paths);
        return true;
    }();
    (void)settled;
}

QIcon iconOf(GIcon* icon) {
    if (G_IS_FILE_ICON(icon)) {
        const Text file(g_file_get_path(g_file_icon_get_file(G_FILE_ICON(icon))));
        const QPixmap picture(file ? QFile::decodeName(file.get()) : QString());
        return picture.isNull() ? QIcon() : QIcon(picture);
    }
    if (G_IS_THEMED_ICON(icon)) {
        for (const gchar* const* name = g_themed_icon_get_names(G_THEMED_ICON(icon)); name && *name; ++name)
            if (QIcon::hasThemeIcon(QString::fromUtf8(*name)))
                return QIcon::fromTheme(QString::fromUtf8(*name));
    }
    return {};
}

// The file the entry's Exec line starts, found as the desktop finds it, or nothing.
QString startedFile(GDesktopAppInfo* entry) {
    const Text exec(g_desktop_app_info_get_string(entry, "Exec"));
    char** words = nullptr;
    if (!exec || !g_shell_parse_argv(exec.get(), nullptr, &words, nullptr))
        return {};
    const std::unique_ptr<char*, FreeTexts> owned(words);
    const Text found(g_find_program_in_path(words[0]));
    return found ? QFileInfo(QFile::decodeName(found.get())).canonicalFilePath() : QString();
}

QIcon installedEntryIcon(const QString& program) {
    if (!gio().available())
        return {};
    const QString target = QFileInfo(program).canonicalFilePath();
    if (target.isEmpty())
        return {};
    const std::unique_ptr<GList, FreeAppList> all(g_app_info_get_all());
    for (GList* item = all.get(); item; item = item->next) {
        if (!G_IS_DESKTOP_APP_INFO(item->data) || startedFile(G_DESKTOP_APP_INFO(item->data)) != target)
            continue;
        const QIcon icon = iconOf(g_app_info_get_icon(G_APP_INFO(item->data)));
        if (!icon.isNull())
            return icon;
    }
    return {};
}

QIcon themeIconOfName(const QString& program) {
    const QFileInfo file(program);
    for (const QString& name : {file.fileName(), file.completeBaseName()})
        if (!name.isEmpty() && QIcon::hasThemeIcon(name))
            return QIcon::fromTheme(name);
    return {};
}

QIcon genericIcon() {
    return QIcon::fromTheme(QStringLiteral("application-x-executable"),
                            QApplication::style()->standardIcon(QStyle::SP_FileIcon));
}

} // namespace

bool StartProgram(const QString& path) {
    if (path.isEmpty())
        return false;
    return isDesktopEntry(path) ? startDesktopEntry(path) : startFile(path);
}

QIcon ProgramIcon(const QString& path) {
    settleIconTheme();
    QIcon icon;
    if (isDesktopEntry(path)) {
        if (const Owned<GDesktopAppInfo> entry = gio().available() ? desktopEntry(path) : nullptr)
            icon = iconOf(g_app_info_get_icon(G_APP_INFO(entry.get())));
    } else {
        icon = installedEntryIcon(path);
        if (icon.isNull())
            icon = themeIconOfName(path);
    }
    return icon.isNull() ? genericIcon() : icon;
}

void KeepFromPrograms(const QByteArray& variable) {
    if (!keptVariables().contains(variable))
        keptVariables().append(variable);
}

} // namespace platform::desktop

#include "program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef MORVIK_BUILD_DATA_DIR
#define MORVIK_BUILD_DATA_DIR ""
#endif
#ifndef MORVIK_INSTALL_DATA_DIR
#define MORVIK_INSTALL_DATA_DIR ""
#endif

namespace platform {
namespace {

// Made readable by its owner only when we create it; the timers ask for the folder every 100 ms,
// so an existing one costs a single look.
QString ensurePrivateFolder(const QString& path) {
    if (!QFileInfo(path).isDir() && QDir().mkpath(path))
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QDir(path).absolutePath();
}

} // namespace

QString programFolder() {
    QString home = qEnvironmentVariable("MORVIK_HOME");
    if (home.isEmpty()) {
        QString data = qEnvironmentVariable("XDG_DATA_HOME");
        if (data.isEmpty())
            data = QDir::homePath() + QStringLiteral("/.local/share");
        home = data + QStringLiteral("/morvik");
    }
    return ensurePrivateFolder(home);
}

QString tempFolder() { return ensurePrivateFolder(programFolder() + QStringLiteral("/tmp")); }

QString dataFolder() {
    const QString fromEnv = qEnvironmentVariable("MORVIK_DATA");
    if (!fromEnv.isEmpty())
        return fromEnv;
    if (QCoreApplication::instance()) {
        const QString installed =
            QCoreApplication::applicationDirPath() + QStringLiteral("/../share/morvik");
        if (QFileInfo(installed).isDir())
            return QDir(installed).absolutePath();
    }
    const QString build = QString::fromUtf8(MORVIK_BUILD_DATA_DIR);
    if (!build.isEmpty() && QFileInfo(build).isDir())
        return build;
    return QString::fromUtf8(MORVIK_INSTALL_DATA_DIR);
}

QString programBinFolder() {
    const QString fromEnv = qEnvironmentVariable("MORVIK_BIN");
    if (!fromEnv.isEmpty() || !QCoreApplication::instance())
        return fromEnv;
    return QCoreApplication::applicationDirPath();
}

bool siblingPresent(const QString& name) {
    for (const QString& folder : {programBinFolder(), programFolder(), dataFolder()}) {
        if (!folder.isEmpty() && QFileInfo::exists(folder + QLatin1Char('/') + name))
            return true;
    }
    return false;
}

int deleteTempFiles(const QString& wildcard) {
    QDir dir(tempFolder());
    int removed = 0;
    for (const QString& name : dir.entryList({wildcard}, QDir::Files | QDir::Hidden | QDir::System)) {
        if (dir.remove(name))
            ++removed;
    }
    return removed;
}

} // namespace platform

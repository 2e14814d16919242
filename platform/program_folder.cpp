#include "program_folder.h"

#include "platform/environment_snapshot.h"
#include "platform/file_stamp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>
#include <cstdlib>
#include <optional>
#include <string>
#include <sys/stat.h>

// The data folder seen from the executable's folder: as installed, and as the build tree lays it out
// (the same, unless the install's folders were chosen otherwise).
#ifndef MORVIK_DATA_FROM_BIN
#define MORVIK_DATA_FROM_BIN "../share/morvik-data"
#endif
#ifndef MORVIK_BUILD_DATA_FROM_BIN
#define MORVIK_BUILD_DATA_FROM_BIN MORVIK_DATA_FROM_BIN
#endif

namespace platform {
namespace {

bool isFolder(const QByteArray& encoded) {
    struct stat info {};
    return ::stat(encoded.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Made readable by its owner only when we create it; an existing folder costs one stat().
void ensurePrivateFolder(const QByteArray& encoded, const QString& path) {
    if (!isFolder(encoded) && QDir().mkpath(path))
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The program folder as the environment names it, and its temporary folder, kept with the
// environment's texts they came from. The timers ask for the folders several times every 100 ms;
// while the environment says the same, neither text is built again.
struct Folders {
    QString program, temp;
    QByteArray programEncoded, tempEncoded;
};

// The environment's text for name as it was when the folders were built: the same, or changed.
bool same(const char* name, const std::string& known) {
    const char* value = ::getenv(name);
    return value ? known == value : known.empty();
}

std::string environment(const char* name) {
    const char* value = ::getenv(name);
    return value ? std::string(value) : std::string();
}

QMutex foldersLock;

// The folders as the environment names them now; foldersLock held.
const Folders& currentFolders() {
    static Folders known;
    static std::string knownMorvikHome, knownDataHome, knownHome; // as the environment gave them
    static bool computed = false;
    static quint64 seenChanges = 0; // the count of environmentChanges() they were made at
    const quint64 changes = environmentChanges();
    if (computed && changes == seenChanges)
        return known;
    seenChanges = changes;
    if (computed && same("MORVIK_HOME", knownMorvikHome) &&
        (!knownMorvikHome.empty() ||
         (same("XDG_DATA_HOME", knownDataHome) && (!knownDataHome.empty() || same("HOME", knownHome)))))
        return known;
    std::string morvikHome = environment("MORVIK_HOME");
    std::string dataHome = morvikHome.empty() ? environment("XDG_DATA_HOME") : std::string();
    std::string home = morvikHome.empty() && dataHome.empty() ? environment("HOME") : std::string();
    QString folder = QString::fromLocal8Bit(morvikHome);
    if (folder.isEmpty()) {
        QString data = QString::fromLocal8Bit(dataHome);
        if (data.isEmpty())
            data = QDir::homePath() + QStringLiteral("/.local/share");
        folder = data + QStringLiteral("/morvik");
    }
    knownMorvikHome = std::move(morvikHome);
    knownDataHome = std::move(dataHome);
    knownHome = std::move(home);
    known.program = QDir(folder).absolutePath();
    known.temp = known.program + QStringLiteral("/tmp");
    known.programEncoded = QFile::encodeName(known.program);
    known.tempEncoded = QFile::encodeName(known.temp);
    computed = true;
    return known;
}

// A copy (of shared texts): another thread may find the environment changed meanwhile.
Folders folders() {
    QMutexLocker locker(&foldersLock);
    return currentFolders();
}

// One of them, copied alone: the timers ask several times a beat.
template <typename Text> Text folder(Text Folders::*which) {
    QMutexLocker locker(&foldersLock);
    return currentFolders().*which;
}

} // namespace

QString programFolderPath() {
    return folder(&Folders::program);
}

QString programFolder() {
    const Folders f = folders();
    ensurePrivateFolder(f.programEncoded, f.program);
    return f.program;
}

QString tempFolder() {
    const Folders f = folders();
    // The temporary folder lies in the program folder: when it is there, so is the other.
    if (isFolder(f.tempEncoded))
        return f.temp;
    ensurePrivateFolder(f.programEncoded, f.program);
    ensurePrivateFolder(f.tempEncoded, f.temp);
    return f.temp;
}

bool tempFileExists(const char* name) {
    // The last answer is given again while no watched file has changed (FileStamp::watchedChanges)
    // and the folder and the name are the same; the path is built again only when they are not.
    static QMutex lock;
    static QByteArray lastFolder, lastName, path;
    static std::optional<quint64> answeredAt;
    static bool answer = false;
    const quint64 changes = FileStamp::watchedChanges();
    const QByteArray temp = folder(&Folders::tempEncoded);
    QMutexLocker locker(&lock);
    if (temp != lastFolder || lastName != name) {
        lastFolder = temp;
        lastName = name;
        path = temp + '/' + name;
        answeredAt.reset();
    }
    if (answeredAt == changes)
        return answer;
    bool watching = false;
    answer = FileStamp::watched(path, &watching).exists;
    if (watching)
        answeredAt = changes;
    else
        answeredAt.reset();
    return answer;
}

namespace {

// The running executable's folder, with its links resolved (vens and palk are links to morvik).
QString executableFolder() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
}

} // namespace

QString dataFolder() {
    const QString fromEnv = qEnvironmentVariable("MORVIK_DATA");
    if (!fromEnv.isEmpty())
        return fromEnv;
    // Never a path fixed when the program was built: the tree may have been installed or moved
    // under any prefix since.
    const QString bin = executableFolder() + QLatin1Char('/');
    const QString installed = QDir::cleanPath(bin + QStringLiteral(MORVIK_DATA_FROM_BIN));
    if (QFileInfo(installed).isDir())
        return installed;
    // Her own folder is never the shipped data, whatever lies where the build's copy would be.
    const QString built = QDir::cleanPath(bin + QStringLiteral(MORVIK_BUILD_DATA_FROM_BIN));
    if (built != installed && built != programFolderPath() && QFileInfo(built).isDir())
        return built;
    return installed; // where it belongs: named so by whoever misses a file there
}

QString programBinFolder() {
    const QString fromEnv = qEnvironmentVariable("MORVIK_BIN");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return executableFolder();
}

bool siblingPresent(const QString& name) {
    for (const QString& folder : {programBinFolder(), programFolder(), dataFolder()}) {
        if (!folder.isEmpty() && QFileInfo::exists(folder + QLatin1Char('/') + name))
            return true;
    }
    return false;
}

int deleteTempFiles(const QString& wildcard, const QString& subfolder) {
    if (subfolder.contains(QLatin1Char('/')) || subfolder == QStringLiteral("..") ||
        subfolder == QStringLiteral("."))
        return 0;
    QDir dir(subfolder.isEmpty() ? tempFolder() : tempFolder() + QLatin1Char('/') + subfolder);
    int removed = 0;
    for (const QString& name : dir.entryList({wildcard}, QDir::Files | QDir::Hidden | QDir::System)) {
        if (dir.remove(name))
            ++removed;
    }
    return removed;
}

} // namespace platform

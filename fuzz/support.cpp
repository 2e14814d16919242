#include "support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace fuzz {
namespace {

QTemporaryDir* folder = nullptr;

[[noreturn]] void abortRun(const char* why, const QString& path) {
    std::fprintf(stderr, "fuzz harness: %s: %s\n", why, qPrintable(path));
    std::abort();
}

void enterSandbox(const QString& root) {
    const QByteArray base = QFile::encodeName(root);
    for (const char* dir : {"/home", "/data", "/config", "/cache", "/runtime", "/morvik", "/tmp"})
        QDir().mkpath(QString::fromUtf8(base + dir));
    QFile::setPermissions(QString::fromUtf8(base + "/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("HOME", base + "/home");
    qputenv("XDG_DATA_HOME", base + "/data");
    qputenv("XDG_CONFIG_HOME", base + "/config");
    qputenv("XDG_CACHE_HOME", base + "/cache");
    qputenv("XDG_RUNTIME_DIR", base + "/runtime");
    qputenv("MORVIK_HOME", base + "/morvik");
    qputenv("TMPDIR", base + "/tmp");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("SDL_AUDIODRIVER", "dummy");
}

} // namespace

void start() {
    if (folder)
        return;
    folder = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/morvik-fuzz-XXXXXX"));
    if (!folder->isValid())
        abortRun("no scratch folder", folder->path());
    enterSandbox(folder->path());
    static int argc = 1;
    static char name[] = "morvik-fuzz";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
    // The folder goes at exit, also after a finding (libFuzzer then calls exit() itself).
    std::atexit([] {
        delete folder;
        folder = nullptr;
    });
}

QString scratch() {
    start();
    return folder->path();
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
        !file.flush())
        abortRun("cannot write", path);
    return path;
}

void clearFolder(const QString& path) {
    const QString root = scratch() + QLatin1Char('/');
    const QString clean = QDir::cleanPath(path);
    if (!clean.startsWith(root))
        abortRun("not a scratch folder", path);
    QDir dir(clean);
    if (dir.exists() && !dir.removeRecursively())
        abortRun("cannot clear", path);
    if (!QDir().mkpath(clean))
        abortRun("cannot make", path);
}

QList<QByteArray> parts(const QByteArray& input, int maxParts) {
    QList<QByteArray> out;
    qsizetype from = 0;
    while (out.size() + 1 < maxParts) {
        const qsizetype at = input.indexOf("\n--\n", from);
        if (at < 0)
            break;
        out << input.mid(from, at - from);
        from = at + 4;
    }
    out << input.mid(from);
    return out;
}

} // namespace fuzz

#include "desktop_fixture.h"

#include "platform/desktop/program_start.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace fixture {
namespace {

QTemporaryDir* root = nullptr;

QString in(const QString& relative) {
    return root->filePath(relative);
}

void writeFile(const QString& path, const QByteArray& bytes, QFile::Permissions permissions = {}) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
    file.close();
    if (permissions)
        file.setPermissions(permissions);
}

void writePicture(const QString& path, const QColor& colour) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(colour);
    ASSERT_TRUE(picture.save(path, "PNG"));
}

const QByteArray kScript = R"sh(#!/bin/sh
out="$0.marker"
{
    printf 'args=%s\n' "$#"
    n=0
    for a in "$@"; do
        n=$((n + 1))
        printf 'arg%s=%s\n' "$n" "$a"
    done
    printf 'pwd=%s\n' "$(pwd -P)"
    printf 'qpa=%s\n' "${QT_QPA_PLATFORM-unset}"
    printf 'passed=%s\n' "${FIXTURE_PASSED-unset}"
} >"$out.part" && mv "$out.part" "$out"
)sh";

class Environment : public ::testing::Environment {
public:
    void SetUp() override {
        root = new QTemporaryDir();
        ASSERT_TRUE(root->isValid());
        const auto executable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        for (const QString& name : scripts())
            writeFile(script(name), kScript, executable);
        writePicture(in(QStringLiteral("entry-icon.png")), kEntryColour);
        writeFile(entry(),
                  "[Desktop Entry]\nType=Application\nName=Fixture\nExec=\"" + script(kBlank).toUtf8() +
                      "\" --from-entry\nIcon=" + in(QStringLiteral("entry-icon.png")).toUtf8() + "\n");
        writeFile(in(QStringLiteral("home-data/icons/hicolor/index.theme")),
                  "[Icon Theme]\nName=Hicolor\nDirectories=16x16/apps\n\n"
                  "[16x16/apps]\nSize=16\nContext=Applications\nType=Fixed\n");
        writePicture(
            in(QStringLiteral("home-data/icons/hicolor/16x16/apps/") + kThemed + QStringLiteral(".png")),
            kThemeColour);
        qputenv("XDG_DATA_DIRS", QFile::encodeName(in(QStringLiteral("system-data"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(in(QStringLiteral("home-data"))));
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(in(QStringLiteral("no-bus"))));
        qputenv("FIXTURE_PASSED", "yes");
        platform::desktop::KeepFromPrograms("QT_QPA_PLATFORM");
    }
    void TearDown() override {
        delete root;
        root = nullptr;
    }
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new Environment);

QString markerOf(const QString& name) {
    return script(name) + QStringLiteral(".marker");
}

} // namespace

QString script(const QString& name) {
    return in(QStringLiteral("scripts/") + name);
}
QString entry() {
    return in(QStringLiteral("system-data/applications/vens-fixture.desktop"));
}
QStringList scripts() {
    return {kBlank, kSemicolon, kSubstitution, kThemed};
}

void clearMarkers() {
    for (const QString& name : scripts())
        QFile::remove(markerOf(name));
}

bool hasMarker(const QString& name) {
    return QFile::exists(markerOf(name));
}

QMap<QString, QString> waitForMarker(const QString& name) {
    QElapsedTimer waited;
    waited.start();
    while (!hasMarker(name) && waited.elapsed() < 10000) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    QMap<QString, QString> found;
    QFile file(markerOf(name));
    if (!file.open(QIODevice::ReadOnly))
        return found;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            found.insert(QString::fromUtf8(line.left(equals)), QString::fromUtf8(line.mid(equals + 1)));
    }
    return found;
}

bool shellRan() {
    for (const QString& folder : {in(QStringLiteral("scripts")), QDir::homePath(), QDir::currentPath()})
        if (QFile::exists(folder + QStringLiteral("/PWNED")))
            return true;
    return false;
}

} // namespace fixture

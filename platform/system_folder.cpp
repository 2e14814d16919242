#include "system_folder.h"

#include <QDir>
#include <QStandardPaths>

namespace {

QString withoutSlash(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

QString location(QStandardPaths::StandardLocation where) {
    return withoutSlash(QStandardPaths::writableLocation(where));
}

QString configHome() {
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    return config.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : withoutSlash(config);
}

} // namespace

QString clsSystemFolder::Temp() const { return withoutSlash(QDir::tempPath()) + QLatin1Char('/'); }
QString clsSystemFolder::Desktop() const { return location(QStandardPaths::DesktopLocation); }
QString clsSystemFolder::Programs() const { return location(QStandardPaths::ApplicationsLocation); }
QString clsSystemFolder::Personal() const { return location(QStandardPaths::DocumentsLocation); }
QString clsSystemFolder::Startup() const { return configHome() + QStringLiteral("/autostart"); }
QString clsSystemFolder::Fonts() const { return location(QStandardPaths::FontsLocation); }

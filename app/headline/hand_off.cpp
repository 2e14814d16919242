#include "hand_off.h"

#include "platform/program_folder.h"

#include <QDir>
#include <QFile>

namespace headline {

HandOff HandOff::open() {
    HandOff files;
    const QString temp = platform::tempFolder();
    if (temp.isEmpty())
        return files;
    const QString dir = temp + QStringLiteral("/headline");
    if (!QDir().mkpath(dir))
        return files;
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    files.folder_ = dir;
    return files;
}

QString HandOff::path(const QString& name) const {
    return folder_ + QLatin1Char('/') + name;
}

int HandOff::deleteFiles(const QString& wildcard) const {
    if (!ok())
        return 0;
    QDir files(folder_);
    int removed = 0;
    for (const QString& name : files.entryList({wildcard}, QDir::Files | QDir::Hidden | QDir::System)) {
        if (files.remove(name))
            ++removed;
    }
    return removed;
}

void HandOff::remove(std::initializer_list<const char*> names) const {
    if (!ok())
        return;
    for (const char* name : names)
        QFile::remove(path(QLatin1String(name)));
}

bool HandOff::write(const QString& name, const QByteArray& bytes) const {
    if (!ok())
        return false;
    QFile file(path(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size() && file.flush();
}

std::optional<QByteArray> HandOff::read(const QString& name) const {
    if (!ok())
        return std::nullopt;
    QFile file(path(name));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace headline

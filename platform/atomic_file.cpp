#include "atomic_file.h"

#include <QDir>
#include <QRegularExpression>

#include <unistd.h>

namespace platform {

int removeAtomicLeftovers(const QString& folder) {
    // ".<name>.morvik-tmp-XXXXXX", as mkostemp() fills it in. Names of any other form may be the
    // user's own copies ("<name>.backup" has six letters too), however much they look like ours.
    static const QRegularExpression leftover(QRegularExpression::anchoredPattern(
        QStringLiteral("\\..+") + QRegularExpression::escape(QLatin1String(atomic_file::kTempMark)) +
        QStringLiteral("[A-Za-z0-9]{6}")));
    int removed = 0;
    // Regular files only, links not followed: a name that merely looks like ours is left alone.
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink() || !leftover.match(entry.fileName()).hasMatch())
            continue;
        if (::unlink(QFile::encodeName(entry.absoluteFilePath()).constData()) == 0)
            ++removed;
    }
    return removed;
}

} // namespace platform

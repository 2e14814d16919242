// The drop handler's reading of a drop: any bytes as the text/uri-list another program hands over
// (XDND), the one local file taken from it, its names, its branch, and for an archive the folder it
// would be unpacked into, which must be a new name directly on the desktop.
#include "app/drop/drop_handler.h"
#include "support.h"

#include <QFileInfo>
#include <QMimeData>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fault(const char* what, const QString& path) {
    std::fprintf(stderr, "uri_list: %s: %s\n", what, path.toUtf8().toPercentEncoding("/").constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::start();
    QMimeData mime;
    mime.setData(QStringLiteral("text/uri-list"),
                 QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const std::optional<QString> path = drop::OneLocalFile(mime);
    if (!path)
        return 0;
    const drop::Names names = drop::NamesOf(*path);
    if (drop::BranchOf(names.ext) != drop::Branch::Archive)
        return 0;
    const QString desktop = fuzz::scratch() + QStringLiteral("/Desktop");
    const std::optional<QString> folder = drop::UnpackFolder(desktop, names);
    if (!folder)
        return 0;
    const QString name = folder->mid(desktop.size() + 1);
    if (!folder->startsWith(desktop + QLatin1Char('/')) || name.isEmpty() ||
        name.contains(QLatin1Char('/')) || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QChar(0)))
        fault("an unpacking folder that is not a new name on the desktop", *folder);
    return 0;
}

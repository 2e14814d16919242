#include "platform/archive/archive_support.h"

#include "platform/archive/archive_library.h"

#include <archive.h>
#include <memory>

namespace platform::archive {
namespace {

struct FreeReader {
    void operator()(struct archive* reader) const { archive_read_free(reader); }
};
using Reader = std::unique_ptr<struct archive, FreeReader>;

using Support = int (*)(struct archive*);

// Whether a fresh reader accepts every one of the formats.
bool accepts(std::initializer_list<Support> formats) {
    for (Support support : formats) {
        const Reader reader(archive_read_new());
        if (!reader || support(reader.get()) != ARCHIVE_OK)
            return false;
    }
    return true;
}

bool hasZlib() {
    return archive_zlib_version() != nullptr;
}

} // namespace

bool reads(Kind kind) {
    if (!library().available())
        return false;
    switch (kind) {
    case Kind::lzh:
        return accepts({archive_read_support_format_lha});
    case Kind::zip:
        return hasZlib() && accepts({archive_read_support_format_zip});
    case Kind::cab:
        return hasZlib() && accepts({archive_read_support_format_cab});
    case Kind::rar:
        return accepts({archive_read_support_format_rar, archive_read_support_format_rar5});
    }
    return false;
}

QString versionString() {
    if (!library().available())
        return {};
    return QString::fromUtf8(archive_version_string());
}

} // namespace platform::archive

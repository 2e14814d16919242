// The feed plug-in's reader (RSS 2.0, RSS 1.0, Atom, any declared encoding): any bytes as the page
// the runner hands it, through its execute() as the runner calls it: the file's name in a global
// memory block, the titles back in another.
#include "global_memory.h"
#include "headline_plugin.h"
#include "support.h"

#include <QFile>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray path = QFile::encodeName(
        fuzz::writeFile(fuzz::scratch() + QStringLiteral("/input.xml"), fuzz::bytes(data, size)));
    const HGLOBAL name = GlobalAlloc(GMEM_FIXED, size_t(path.size()) + 1);
    std::memcpy(GlobalLock(name), path.constData(), size_t(path.size()) + 1);
    GlobalUnlock(name);
    int32_t length = 0;
    if (const HGLOBAL result = execute(name, &length)) {
        const void* bytes = GlobalLock(result);
        // The length the plug-in gives must lie inside its block.
        if (length < 0 || size_t(length) > GlobalSize(result) || !bytes)
            abort();
        GlobalUnlock(result);
        GlobalFree(result);
    }
    GlobalFree(name);
    return 0;
}

#include "shared_library.h"

#include <cstdio>
#include <dlfcn.h>

namespace platform {

void SharedLibrary::open() {
    std::call_once(once_, [this] {
        // RTLD_LOCAL: its names stay out of the program's, so that nothing loaded later binds to them
        // by chance; this file's forwarding functions are the only way in.
        void* handle = ::dlopen(file_, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = ::dlerror();
            error_ = QStringLiteral("%1 cannot be loaded: %2")
                         .arg(QString::fromUtf8(file_),
                              why ? QString::fromLocal8Bit(why) : QStringLiteral("not found"));
            std::fprintf(stderr, "morvik: %s cannot be loaded; %s\n", file_, without_);
        }
        handle_.store(handle);
    });
}

bool SharedLibrary::available() {
    if (pretendMissing_.load())
        return false;
    open();
    return handle_.load() != nullptr;
}

void* SharedLibrary::symbol(const char* name) {
    open();
    void* handle = handle_.load();
    return handle ? ::dlsym(handle, name) : nullptr;
}

QString SharedLibrary::error() {
    if (pretendMissing_.load())
        return QStringLiteral("%1 cannot be loaded: not found").arg(QString::fromUtf8(file_));
    open();
    return error_;
}

bool SharedLibrary::loaded() const {
    return handle_.load() != nullptr;
}

} // namespace platform

// vorla11 and vorla10: load one HEADLINE plug-in, check the interface version it speaks, run it on
// one input file and print what it returns. Both programs are built from this file; the version a
// plug-in must speak (HEADLINE_VERSION) is the only difference between them.
//
// Everything, the diagnostics included, goes to standard output: the headline engine redirects it
// into a file, skips the first two lines and keeps the rest. Exit code 0 on success, 1 otherwise.
#include "runner/headline_plugin.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace {

constexpr char requiredVersion[] = HEADLINE_VERSION;
constexpr std::size_t versionLength = 12;
static_assert(sizeof requiredVersion == versionLength + 1, "a HEADLINE version is 12 bytes");

// Standard output keeps the line ends of a console in text mode: every LF goes out as CR LF, while
// a CR passes unchanged. The engine reading the output expects exactly these bytes.
void put(const char* text) {
    while (*text != '\0') {
        const std::size_t run = std::strcspn(text, "\n");
        std::fwrite(text, 1, run, stdout);
        text += run;
        if (*text == '\n') {
            std::fputs("\r\n", stdout);
            ++text;
        }
    }
}

// Formats like printf and writes the text out through put.
__attribute__((format(printf, 1, 2))) void say(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (length >= 0) {
        std::string text(static_cast<std::size_t>(length), '\0');
        std::vsnprintf(text.data(), text.size() + 1, format, again);
        put(text.c_str());
    }
    va_end(again);
}

// The exit code, made 1 when the output could not be written: a run whose result did not reach
// the file has not succeeded.
int finish(int code) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return 1;
    return code;
}

// Loads the library with every symbol resolved now, so a library that cannot run fails here. A
// path without a slash names a file in the current folder: plug-ins are never searched for.
void* loadLibrary(const char* path) {
    const std::string file = std::strchr(path, '/') != nullptr ? std::string(path) : "./" + std::string(path);
    return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

// The library's own export of that name; one that a library it links exports does not count.
void* exportOf(void* library, const char* name) {
    void* symbol = dlsym(library, name);
    if (symbol == nullptr)
        return nullptr;
    link_map* own = nullptr;
    link_map* found = nullptr;
    Dl_info info;
    if (dlinfo(library, RTLD_DI_LINKMAP, &own) != 0 ||
        dladdr1(symbol, &info, reinterpret_cast<void**>(&found), RTLD_DL_LINKMAP) == 0 || found != own)
        return nullptr;
    return symbol;
}

// How many of the wanted bytes the block holds: a length reported beside a block is never read
// past the block's own end.
std::size_t readable(HGLOBAL block, std::size_t wanted) {
    return std::min(GlobalSize(block), wanted);
}

// Copies count readable bytes of the block to the buffer.
void copyBlock(HGLOBAL block, char* to, std::size_t count) {
    const void* bytes = GlobalLock(block);
    if (bytes != nullptr && count > 0)
        std::memcpy(to, bytes, count);
    GlobalUnlock(block);
}

// The input must be a file that can be opened for reading; its content is the plug-in's business.
bool canRead(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    struct stat status;
    const bool isFolder = fstat(fileno(file), &status) == 0 && S_ISDIR(status.st_mode);
    std::fclose(file);
    return !isFolder;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        say("usage: %s dllname inputfile\n", argc > 0 ? argv[0] : "");
        return finish(1);
    }
    const char* libraryPath = argv[1];
    const char* inputPath = argv[2];

    void* library = loadLibrary(libraryPath);
    if (library == nullptr) {
        say("cannot link DLL %s.\n", libraryPath);
        return finish(1);
    }
    const auto getVersion = reinterpret_cast<headline_getversion>(exportOf(library, "getversion"));
    if (getVersion == nullptr) {
        say("%s: cannot export getversion().\n", libraryPath);
        return finish(1);
    }

    std::int32_t length = 0;
    const HGLOBAL versionBlock = getVersion(&length);
    char version[versionLength + 1] = {};
    const std::size_t versionBytes = readable(versionBlock, versionLength);
    copyBlock(versionBlock, version, versionBytes);
    say("getversion() returns length %ld and strings %s.\n", static_cast<long>(length), version);
    if (length != static_cast<std::int32_t>(versionLength)) {
        say("%s: getversion() is not return length 12.\n", libraryPath);
        return finish(1);
    }
    if (versionBytes != versionLength || std::memcmp(version, requiredVersion, versionLength) != 0) {
        say("%s: getversion() is not return strings \"%s\".\n", libraryPath, requiredVersion);
        return finish(1);
    }

    const auto execute = reinterpret_cast<headline_execute>(exportOf(library, "execute"));
    if (execute == nullptr) {
        say("%s: cannot export execute().\n", libraryPath);
        return finish(1);
    }
    for (const char* name : {"load", "unload"}) {
        if (exportOf(library, name) == nullptr) {
            say("%s: cannot export %s().\n", libraryPath, name);
            return finish(1);
        }
    }

    if (!canRead(inputPath)) {
        say("cannot open file %s.\n", inputPath);
        return finish(1);
    }

    const std::size_t nameLength = std::strlen(inputPath);
    const HGLOBAL name = GlobalAlloc(GMEM_FIXED, nameLength + 1);
    if (name == nullptr) {
        say("cannot allocate memory for filename %s.\n", inputPath);
        return finish(1);
    }
    std::memcpy(GlobalLock(name), inputPath, nameLength + 1);
    GlobalUnlock(name);

    length = static_cast<std::int32_t>(nameLength);
    const HGLOBAL result = execute(name, &length);
    // A handle the memory layer does not know holds nothing that may be read: as good as none.
    const char* bytes = result != nullptr ? static_cast<const char*>(GlobalLock(result)) : nullptr;
    if (bytes == nullptr) {
        say("execute() returns NULL handle.\n");
        return finish(1);
    }

    // Room for the reported length and a terminator. A negative length is not believed: then the
    // whole block is taken. Only what the block holds is copied, never bytes past its end.
    const std::size_t blockSize = GlobalSize(result);
    const std::size_t wanted = length >= 0 ? static_cast<std::size_t>(length) : blockSize;
    const std::unique_ptr<char, decltype(&std::free)> text(static_cast<char*>(std::malloc(wanted + 1)),
                                                           &std::free);
    if (text == nullptr) {
        GlobalUnlock(result);
        say("memory exhaust in malloc(%ld+1).\n", static_cast<long>(length));
        return finish(1);
    }
    const std::size_t count = std::min(wanted, blockSize);
    if (count > 0)
        std::memcpy(text.get(), bytes, count);
    text.get()[count] = '\0';
    GlobalUnlock(result);
    say("execute() returns length %d.\n", static_cast<int>(length));
    put(text.get());
    put("\n");
    return finish(0);
}

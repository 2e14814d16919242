#pragma once
// A shared library the program is not linked against, opened when it is first needed.
//
// The libraries only a drop, a mail check or a launch uses (libarchive, libcurl, GMime, GIO) bring
// some forty further libraries with them; loaded and relocated at exec they added some seven
// megabytes to her memory at rest and delayed her first picture. Each such library has a file of forwarding
// functions (archive_library.cpp, …): a function of the library's own name and signature that finds
// the real one here on its first call. The library's public calls ask available() first, so that a
// library that cannot be opened gives their callers a clear error (error()) and is never called.
//
// Opening is tried once per process, from any thread; the outcome is said once on standard error
// when it fails. A forwarding function whose library or name is missing answers with a failure value
// of its own and never calls anything.
#include <QString>
#include <atomic>
#include <mutex>

namespace platform {

class SharedLibrary {
public:
    // file: the name the dynamic loader looks for, such as "libcurl.so.4" (the runtime package's
    // soname, not the development link). without: what is off without it, for the message.
    constexpr SharedLibrary(const char* file, const char* without) : file_(file), without_(without) {}
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // Opens the library on the first call; whether it is open.
    bool available();
    // The library's function of that name, or nullptr.
    void* symbol(const char* name);
    // Why the library is not available ("libcurl.so.4 cannot be loaded: …"); empty when it is.
    QString error();
    const char* file() const { return file_; }

    // Whether the library is open now, without opening it.
    bool loaded() const;

    // Tests: answer as if the file could not be found (true), or as it is (false).
    void pretendMissing(bool missing) { pretendMissing_.store(missing); }

private:
    void open();

    const char* file_;
    const char* without_;
    std::once_flag once_;
    std::atomic<void*> handle_{nullptr};
    QString error_; // set once, before once_ is done
    std::atomic<bool> pretendMissing_{false};
};

} // namespace platform

// Defines the forwarding function `name` (extern "C", with the library's own signature: the library's
// header, included before, makes the compiler check it) that calls the real one in `library`, or
// gives `fallback` when it cannot.
#define MORVIK_FORWARD(library, ret, name, params, args, fallback)                                           \
    extern "C" ret(name) params {                                                                            \
        using Fn = ret(*) params;                                                                            \
        static const Fn fn = reinterpret_cast<Fn>((library).symbol(#name));                                  \
        return fn ? fn args : fallback;                                                                      \
    }
#define MORVIK_FORWARD_VOID(library, name, params, args)                                                     \
    extern "C" void(name) params {                                                                           \
        using Fn = void(*) params;                                                                           \
        static const Fn fn = reinterpret_cast<Fn>((library).symbol(#name));                                  \
        if (fn)                                                                                              \
            fn args;                                                                                         \
    }

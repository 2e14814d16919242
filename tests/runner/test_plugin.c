/* A HEADLINE plug-in for the runners' tests. Every variant is this file built with a few
 * definitions (the table in CMakeLists.txt): the version it claims, the blocks it returns, what
 * execute answers and which exports it leaves out. Unset, it is a good HEADLINE/1.1 plug-in.
 *
 * load and unload abort, and so does a second call of getversion or execute: a runner that calls
 * what it must not call fails its test. */
#include "headline_plugin.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

enum result_kind {
    echo,
    empty,
    nul_byte,
    none,
    short_block,
    negative,
    huge,
    overlong,
    stray_handle,
    unresolved,
    file_bytes, /* the input file's bytes, as they are */
    sleep_long  /* a minute's sleep before anything: a runner that hangs */
};

#ifndef VERSION_TEXT
#define VERSION_TEXT "HEADLINE/1.1"
#endif
#ifndef VERSION_LENGTH /* the length getversion reports */
#define VERSION_LENGTH 12
#endif
#ifndef VERSION_BLOCK /* the size of the version block; -1 for no block at all */
#define VERSION_BLOCK 12
#endif
#ifndef BLOCK_FLAGS /* how the plug-in allocates the blocks it returns */
#define BLOCK_FLAGS GHND
#endif
#ifndef RESULT
#define RESULT echo
#endif

static void once(int* calls) {
    if ((*calls)++ > 0)
        abort();
}

static HGLOBAL block_of(const char* bytes, size_t size) {
    HGLOBAL block = GlobalAlloc(BLOCK_FLAGS, size);
    if (block != NULL && size > 0) {
        memcpy(GlobalLock(block), bytes, size);
        GlobalUnlock(block);
    }
    return block;
}

#ifndef OMIT_getversion
HGLOBAL getversion(int32_t* length) {
    static int calls;
    once(&calls);
    static const char text[32] = VERSION_TEXT;
    *length = VERSION_LENGTH;
    return VERSION_BLOCK < 0 ? NULL : block_of(text, VERSION_BLOCK);
}
#endif

/* What the runner handed over: the name, its length, and whether the block is a fixed one. */
static HGLOBAL echo_name(HGLOBAL name, int32_t* length) {
    const char* text = GlobalLock(name);
    if (text == NULL)
        return NULL;
    const char* kind = (const void*)text == name ? "fixed" : "moveable";
    char result[4200];
    int size = snprintf(result, sizeof result, "%s\nreceived %d bytes in a %s block of %zu\r\nend", text,
                        (int)*length, kind, GlobalSize(name));
    GlobalUnlock(name);
    if (size < 0 || (size_t)size >= sizeof result)
        return NULL;
    *length = size;
    return block_of(result, (size_t)size);
}

/* A result of the given block size whose reported length of 64 MiB is too much to be copied: once
 * the block is made, the address space is capped 16 MiB above what the process holds, so the
 * runner's copy of that length cannot be allocated. */
static HGLOBAL huge_result(size_t block_size, int32_t* length) {
    const size_t size = 64u << 20;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, block_size);
    if (block == NULL)
        return NULL;
    strcpy(GlobalLock(block), "huge");
    GlobalUnlock(block);
    unsigned long pages = 0;
    FILE* statm = fopen("/proc/self/statm", "r");
    if (statm == NULL || fscanf(statm, "%lu", &pages) != 1)
        abort();
    fclose(statm);
    struct rlimit limit;
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = pages * (rlim_t)sysconf(_SC_PAGESIZE) + (size >> 2);
    setrlimit(RLIMIT_AS, &limit);
    *length = (int32_t)size;
    return block;
}

/* The bytes of the file the runner names: a plug-in that hands its page back unread. */
static HGLOBAL file_result(HGLOBAL name, int32_t* length) {
    const char* path = GlobalLock(name);
    FILE* file = path != NULL ? fopen(path, "rb") : NULL;
    GlobalUnlock(name);
    if (file == NULL)
        return NULL;
    static char bytes[1 << 20];
    const size_t size = fread(bytes, 1, sizeof bytes, file);
    fclose(file);
    *length = (int32_t)size;
    return block_of(bytes, size);
}

void undefined_in_every_library(void);

#ifndef OMIT_execute
HGLOBAL execute(HGLOBAL name, int32_t* length) {
    static int calls;
    once(&calls);
    switch (RESULT) {
    case echo:
        return echo_name(name, length);
    case empty:
        *length = 0;
        return block_of("", 0);
    case nul_byte:
        *length = 12;
        return block_of("before\0after", 12);
    case none:
        return NULL;
    case short_block:
        *length = 100;
        return block_of("short text", 10);
    case negative:
        *length = -5;
        return block_of("negative", 8);
    case huge:
        return huge_result(64u << 20, length);
    case overlong: /* a small block claiming the huge length */
        return huge_result(16, length);
    case stray_handle: { /* an address, but no handle of the memory layer */
        static char text[] = "stray";
        *length = 5;
        return text;
    }
    case unresolved:
        undefined_in_every_library();
        return NULL;
    case file_bytes:
        return file_result(name, length);
    case sleep_long:
        sleep(60);
        return echo_name(name, length);
    }
    return NULL;
}
#endif

#ifndef OMIT_load
void load(void) {
    abort();
}
#endif

#ifndef OMIT_unload
void unload(void) {
    abort();
}
#endif

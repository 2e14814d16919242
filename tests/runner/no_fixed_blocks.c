/* Preloaded into a runner, makes every fixed global memory block fail to allocate, as when memory
 * is short. Moveable blocks, which the test plug-ins return, are still made. */
#define _GNU_SOURCE
#include "global_memory.h"

#include <dlfcn.h>

HGLOBAL GlobalAlloc(unsigned flags, size_t bytes) {
    if ((flags & GMEM_MOVEABLE) == 0)
        return NULL;
    HGLOBAL (*allocate)(unsigned, size_t) = (HGLOBAL(*)(unsigned, size_t))dlsym(RTLD_NEXT, "GlobalAlloc");
    return allocate(flags, bytes);
}

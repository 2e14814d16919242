#include "memory.h"

#include <cstdlib> // defines __GLIBC__ on glibc
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform::memory {

void giveBackFreed() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace platform::memory

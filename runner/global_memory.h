#ifndef MORVIK_GLOBAL_MEMORY_H
#define MORVIK_GLOBAL_MEMORY_H
/* Global memory blocks, the way HEADLINE plug-ins and their runner hand text to each other.
 *
 * A block is allocated fixed or moveable. A fixed block's handle is the address of its bytes, so
 * code may use it either way; a moveable block's handle is only a handle, and its bytes are reached
 * through GlobalLock. Every block knows its exact size (GlobalSize), so a reader never has to trust
 * a length reported beside it.
 *
 * Handles are kept in one table per process: the runner and every plug-in link this one shared
 * library, so a handle made on either side is known on the other. A value that is not a live handle
 * of this table is refused (GlobalLock gives NULL, GlobalSize 0, GlobalFree hands it back); it is
 * never dereferenced. The calls may be made from any thread.
 *
 * Blocks never move and are never discarded; the lock count of a moveable block is kept only so
 * that GlobalUnlock can say whether the block is still locked. */
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* HGLOBAL;

enum {
    GMEM_FIXED = 0x0000,
    GMEM_MOVEABLE = 0x0002,
    GMEM_ZEROINIT = 0x0040,
    GPTR = GMEM_FIXED | GMEM_ZEROINIT,
    GHND = GMEM_MOVEABLE | GMEM_ZEROINIT
};

/* A new block of exactly bytes bytes (0 is allowed), zero-filled with GMEM_ZEROINIT, else holding
 * whatever the memory held. NULL when memory is short. Other flag bits are ignored. */
HGLOBAL GlobalAlloc(unsigned flags, size_t bytes);

/* The address of the block's bytes, valid until GlobalFree; NULL for an unknown handle. */
void* GlobalLock(HGLOBAL block);

/* Ends one GlobalLock. Nonzero while a moveable block stays locked; 0 once it is unlocked, for a
 * fixed block and for an unknown handle. */
int GlobalUnlock(HGLOBAL block);

/* The block's size in bytes as allocated; 0 for an unknown handle. */
size_t GlobalSize(HGLOBAL block);

/* Frees the block. NULL on success; the handle itself when it is not a live handle. */
HGLOBAL GlobalFree(HGLOBAL block);

#ifdef __cplusplus
}
#endif

#endif

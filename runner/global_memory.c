/* The process's table of global memory blocks: a list guarded by one lock. Plug-ins hand over a few
 * blocks per run, so a list is all the table needs to be. */
#include "global_memory.h"

#include <pthread.h>
#include <stdlib.h>

struct block {
    struct block* next;
    void* handle; /* the bytes for a fixed block, this record for a moveable one */
    void* bytes;
    size_t size;
    unsigned locks;
    int moveable;
};

static struct block* blocks;
static pthread_mutex_t blocks_lock = PTHREAD_MUTEX_INITIALIZER;

/* The record whose handle is h; the caller holds blocks_lock. */
static struct block* find(HGLOBAL h) {
    if (h == NULL)
        return NULL;
    for (struct block* b = blocks; b != NULL; b = b->next)
        if (b->handle == h)
            return b;
    return NULL;
}

HGLOBAL GlobalAlloc(unsigned flags, size_t bytes) {
    struct block* b = malloc(sizeof *b);
    if (b == NULL)
        return NULL;
    /* A zero-sized block still gets an address of its own, so that its handle is unique. */
    size_t allocated = bytes > 0 ? bytes : 1;
    b->bytes = (flags & GMEM_ZEROINIT) ? calloc(1, allocated) : malloc(allocated);
    if (b->bytes == NULL) {
        free(b);
        return NULL;
    }
    b->size = bytes;
    b->locks = 0;
    b->moveable = (flags & GMEM_MOVEABLE) != 0;
    b->handle = b->moveable ? (void*)b : b->bytes;
    pthread_mutex_lock(&blocks_lock);
    b->next = blocks;
    blocks = b;
    pthread_mutex_unlock(&blocks_lock);
    return b->handle;
}

void* GlobalLock(HGLOBAL h) {
    void* bytes = NULL;
    pthread_mutex_lock(&blocks_lock);
    struct block* b = find(h);
    if (b != NULL) {
        if (b->moveable)
            ++b->locks;
        bytes = b->bytes;
    }
    pthread_mutex_unlock(&blocks_lock);
    return bytes;
}

int GlobalUnlock(HGLOBAL h) {
    int locked = 0;
    pthread_mutex_lock(&blocks_lock);
    struct block* b = find(h);
    if (b != NULL && b->locks > 0)
        locked = --b->locks > 0;
    pthread_mutex_unlock(&blocks_lock);
    return locked;
}

size_t GlobalSize(HGLOBAL h) {
    pthread_mutex_lock(&blocks_lock);
    struct block* b = find(h);
    size_t size = b != NULL ? b->size : 0;
    pthread_mutex_unlock(&blocks_lock);
    return size;
}

HGLOBAL GlobalFree(HGLOBAL h) {
    pthread_mutex_lock(&blocks_lock);
    struct block** link = &blocks;
    while (*link != NULL && (*link)->handle != h)
        link = &(*link)->next;
    struct block* b = *link;
    if (b != NULL)
        *link = b->next;
    pthread_mutex_unlock(&blocks_lock);
    if (b == NULL)
        return h;
    free(b->bytes);
    free(b);
    return NULL;
}

#ifndef MORVIK_HEADLINE_PLUGIN_H
#define MORVIK_HEADLINE_PLUGIN_H
/* What a HEADLINE plug-in exports, for the plug-in's author and for the runners vorla11 and vorla10.
 *
 * A plug-in is a shared object with four plain C exports. It links the global memory library
 * (-lmorvik_global_memory) and returns its texts in blocks of it, which the runner locks, reads up
 * to the block's own size and never frees.
 *
 *   getversion  sets *length to the length of its version text and returns a block holding the
 *               text: 12 bytes, "HEADLINE/1.1" for vorla11 or "HEADLINE/1.0" for vorla10, no
 *               terminator needed. Called once.
 *   execute     receives a fixed block holding the input file's name with its terminating NUL, and
 *               in *length the name's length without the NUL; sets *length to the length of its
 *               result and returns a block holding the result, or NULL on failure. Called once.
 *   load        must be exported; the runner never calls it.
 *   unload      must be exported; the runner never calls it.
 *
 * The runner looks the exports up in the plug-in itself, not in the libraries it links, and
 * resolves all of the plug-in's symbols when it loads it. */
#include "global_memory.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define HEADLINE_EXPORT __attribute__((visibility("default")))

HEADLINE_EXPORT HGLOBAL getversion(int32_t* length);
HEADLINE_EXPORT HGLOBAL execute(HGLOBAL name, int32_t* length);
HEADLINE_EXPORT void load(void);
HEADLINE_EXPORT void unload(void);

typedef HGLOBAL (*headline_getversion)(int32_t* length);
typedef HGLOBAL (*headline_execute)(HGLOBAL name, int32_t* length);

#ifdef __cplusplus
}
#endif

#endif

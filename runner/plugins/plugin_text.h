#ifndef MORVIK_PLUGIN_TEXT_H
#define MORVIK_PLUGIN_TEXT_H
/* What the headline plug-ins share: reading the input file, finding its encoding and turning it into
 * UTF-8, gathering the result text and handing it back as a global memory block.
 *
 * Encodings: a byte order mark decides first (UTF-8, UTF-16, UTF-32), or, without one, the zero bytes
 * around a first '<' (UTF-16, UTF-32); else the label the page declares (the XML declaration's
 * encoding, or an HTML page's charset); else the bytes are guessed (ISO-2022-JP escapes, valid UTF-8,
 * EUC-JP whose every code is assigned, CP932). Shift_JIS and its aliases are read as
 * CP932 (so ① and ～ are Windows' characters), EUC-JP as EUC-JP-MS, and ISO-2022-JP through its JIS
 * bytes with the same vendor rows. A byte that cannot be read becomes U+FFFD; UTF-8 input is passed
 * on as it is, for the parser to judge. */
#include "headline_plugin.h"

#include <stddef.h>

struct text {
    char* data;
    size_t size;
    size_t capacity;
    int failed; /* memory ran out: the text is incomplete */
};

void text_append(struct text* t, const char* bytes, size_t count);
void text_append_string(struct text* t, const char* s);
void text_free(struct text* t);

enum markup { markup_xml, markup_html };

/* The input file named in the runner's block, whole and in UTF-8; 0 when it cannot be read, is
 * larger than the plug-ins accept, or names an encoding that cannot be converted. */
int read_input_utf8(HGLOBAL name, enum markup markup, struct text* out);

/* Bytes of no known encoding (a decoded base64 text), guessed as a page without a label is, appended
 * to out in UTF-8; 0 when memory ran out. */
int text_append_guessed(const char* data, size_t size, struct text* out);

/* Replaces every CR, LF and TAB by a blank and drops the blanks at both ends. */
void text_flatten(struct text* t);

/* The plug-in's version block, 12 bytes. */
HGLOBAL version_block(const char* version, int32_t* length);

/* The result: a moveable block holding the text's bytes, its length in *length; NULL when memory
 * ran out. */
HGLOBAL result_block(const struct text* t, int32_t* length);

#endif

#include "plugin_text.h"

#include <errno.h>
#include <iconv.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>

/* Larger pages than the engine ever fetches are refused rather than read. */
#define MAX_INPUT (32u << 20)

void text_append(struct text* t, const char* bytes, size_t count) {
    if (t->failed || count == 0)
        return;
    if (t->size + count + 1 > t->capacity) {
        size_t capacity = t->capacity ? t->capacity : 4096;
        while (capacity < t->size + count + 1)
            capacity *= 2;
        char* grown = realloc(t->data, capacity);
        if (grown == NULL) {
            t->failed = 1;
            return;
        }
        t->data = grown;
        t->capacity = capacity;
    }
    memcpy(t->data + t->size, bytes, count);
    t->size += count;
    t->data[t->size] = '\0';
}

void text_append_string(struct text* t, const char* s) {
    text_append(t, s, strlen(s));
}

void text_free(struct text* t) {
    free(t->data);
    t->data = NULL;
    t->size = t->capacity = 0;
}

void text_flatten(struct text* t) {
    size_t start = 0, end = t->size;
    for (size_t i = 0; i < t->size; ++i)
        if (t->data[i] == '\r' || t->data[i] == '\n' || t->data[i] == '\t')
            t->data[i] = ' ';
    while (start < end && t->data[start] == ' ')
        ++start;
    while (end > start && t->data[end - 1] == ' ')
        --end;
    if (start > 0 && end > start)
        memmove(t->data, t->data + start, end - start);
    t->size = end > start ? end - start : 0;
    if (t->data != NULL)
        t->data[t->size] = '\0';
}

static HGLOBAL block_of(const char* bytes, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block != NULL && size > 0) {
        memcpy(GlobalLock(block), bytes, size);
        GlobalUnlock(block);
    }
    return block;
}

HGLOBAL version_block(const char* version, int32_t* length) {
    *length = (int32_t)strlen(version);
    return block_of(version, strlen(version));
}

HGLOBAL result_block(const struct text* t, int32_t* length) {
    if (t->failed || t->size > 0x7fffffff)
        return NULL;
    *length = (int32_t)t->size;
    return block_of(t->data, t->size);
}

/* ---- reading the file ---- */

static int read_file(const char* path, struct text* out) {
    FILE* file = fopen(path, "rb");
    if (file == NULL)
        return 0;
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode) || (size_t)status.st_size > MAX_INPUT) {
        fclose(file);
        return 0;
    }
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
        text_append(out, buffer, n);
    const int ok = !ferror(file) && !out->failed && out->size <= MAX_INPUT;
    fclose(file);
    return ok;
}

/* ---- labels ---- */

static int ascii_lower(int c) {
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

/* Where the lower-case needle first stands in the first limit bytes, ignoring case; -1 if not. */
static long find_nocase(const char* data, size_t size, size_t limit, const char* needle) {
    const size_t n = strlen(needle);
    if (size > limit)
        size = limit;
    for (size_t i = 0; i + n <= size; ++i) {
        size_t k = 0;
        while (k < n && ascii_lower((unsigned char)data[i + k]) == needle[k])
            ++k;
        if (k == n)
            return (long)i;
    }
    return -1;
}

static int is_label_char(int c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == ':';
}

/* Copies the label that starts at data[at] (after blanks, an optional '=' with blanks and a quote). */
static void take_label(const char* data, size_t size, size_t at, int need_equals, char* label, size_t cap) {
    while (at < size && (data[at] == ' ' || data[at] == '\t' || data[at] == '\r' || data[at] == '\n'))
        ++at;
    if (need_equals) {
        if (at >= size || data[at] != '=')
            return;
        ++at;
        while (at < size && (data[at] == ' ' || data[at] == '\t'))
            ++at;
    }
    if (at < size && (data[at] == '"' || data[at] == '\''))
        ++at;
    size_t n = 0;
    while (at < size && n + 1 < cap && is_label_char((unsigned char)data[at]))
        label[n++] = data[at++];
    label[n] = '\0';
}

/* The encoding the page names: its XML declaration's, or for HTML the first charset= near the top. */
static void declared_label(const char* data, size_t size, enum markup markup, char* label, size_t cap) {
    label[0] = '\0';
    if (size >= 5 && memcmp(data, "<?xml", 5) == 0) {
        long end = find_nocase(data, size, 512, "?>");
        long at = find_nocase(data, end > 0 ? (size_t)end : size, 512, "encoding");
        if (at >= 0) {
            take_label(data, end > 0 ? (size_t)end : size, (size_t)at + 8, 1, label, cap);
            if (label[0] != '\0')
                return;
        }
    }
    if (markup == markup_html) {
        long at = find_nocase(data, size, 4096, "charset");
        if (at >= 0)
            take_label(data, size, (size_t)at + 7, 1, label, cap);
    }
}

static int label_is(const char* label, const char* const* names) {
    for (; *names != NULL; ++names)
        if (strcasecmp(label, *names) == 0)
            return 1;
    return 0;
}

enum kind { kind_utf8, kind_cp932, kind_euc, kind_jis, kind_other, kind_unknown };

static enum kind kind_of_label(const char* label) {
    static const char* const utf8[] = {"utf-8", "utf8", "us-ascii", "ascii", NULL};
    static const char* const sjis[] = {"shift_jis", "shift-jis",  "sjis",        "x-sjis",
                                       "ms_kanji",  "csshiftjis", "windows-31j", "cp932",
                                       "ms932",     "x-ms-cp932", NULL};
    static const char* const euc[] = {
        "euc-jp", "eucjp", "x-euc-jp", "euc-jp-ms", "eucjp-ms", "cseucpkdfmtjapanese", NULL};
    static const char* const jis[] = {"iso-2022-jp", "csiso2022jp", "iso2022jp", NULL};
    if (label[0] == '\0')
        return kind_unknown;
    if (label_is(label, utf8))
        return kind_utf8;
    if (label_is(label, sjis))
        return kind_cp932;
    if (label_is(label, euc))
        return kind_euc;
    if (label_is(label, jis))
        return kind_jis;
    return kind_other;
}

/* ---- guessing ---- */

static int valid_utf8(const unsigned char* s, size_t n) {
    size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        size_t more;
        unsigned min;
        unsigned cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xe0) == 0xc0) {
            more = 1, min = 0x80, cp = c & 0x1f;
        } else if ((c & 0xf0) == 0xe0) {
            more = 2, min = 0x800, cp = c & 0x0f;
        } else if ((c & 0xf8) == 0xf0) {
            more = 3, min = 0x10000, cp = c & 0x07;
        } else {
            return 0;
        }
        for (size_t k = 1; k <= more; ++k) {
            if (i + k >= n || (s[i + k] & 0xc0) != 0x80)
                return 0;
            cp = (cp << 6) | (s[i + k] & 0x3f);
        }
        if (cp < min || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff))
            return 0;
        i += more + 1;
    }
    return 1;
}

/* Every 8-bit byte in an EUC-JP sequence (the byte ranges only). */
static int euc_bytes(const unsigned char* s, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = s[i];
        if (c < 0x80)
            continue;
        if (c == 0x8e && i + 1 < n && s[i + 1] >= 0xa1 && s[i + 1] <= 0xdf)
            i += 1;
        else if (c == 0x8f && i + 2 < n && s[i + 1] >= 0xa1 && s[i + 1] <= 0xfe && s[i + 2] >= 0xa1 &&
                 s[i + 2] <= 0xfe)
            i += 2;
        else if (c >= 0xa1 && c <= 0xfe && i + 1 < n && s[i + 1] >= 0xa1 && s[i + 1] <= 0xfe)
            i += 1;
        else
            return 0;
    }
    return 1;
}

static int convert(const char* from, const char* in, size_t size, struct text* out);

static int valid_euc(const char* data, size_t n) {
    return euc_bytes((const unsigned char*)data, n) && convert("EUC-JP-MS", data, n, NULL);
}

static int has_eight_bit(const unsigned char* s, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (s[i] >= 0x80)
            return 1;
    return 0;
}

static int has_jis_escape(const char* s, size_t n) {
    for (size_t i = 0; i + 2 < n; ++i)
        if (s[i] == 0x1b && (s[i + 1] == '$' || (s[i + 1] == '(' && (s[i + 2] == 'I' || s[i + 2] == 'J'))))
            return 1;
    return 0;
}

static enum kind guess(const char* data, size_t size) {
    const unsigned char* s = (const unsigned char*)data;
    if (has_jis_escape(data, size) && !has_eight_bit(s, size))
        return kind_jis;
    if (valid_utf8(s, size))
        return kind_utf8;
    if (valid_euc(data, size))
        return kind_euc;
    return kind_cp932;
}

/* ---- converting ---- */

/* in, read as from, appended to out in UTF-8; a unit that cannot be read becomes U+FFFD. With out
 * NULL, only whether every unit can be read (every code assigned). 0 when iconv does not know the
 * encoding. */
static int convert(const char* from, const char* in, size_t size, struct text* out) {
    iconv_t cd = iconv_open("UTF-8", from);
    if (cd == (iconv_t)-1)
        return 0;
    char buffer[8192];
    char* src = (char*)in;
    size_t left = size;
    int whole = 1;
    for (;;) {
        char* dst = buffer;
        size_t room = sizeof buffer;
        const size_t r = left > 0 ? iconv(cd, &src, &left, &dst, &room) : iconv(cd, NULL, NULL, &dst, &room);
        if (out != NULL)
            text_append(out, buffer, (size_t)(dst - buffer));
        if (r != (size_t)-1) {
            if (left == 0)
                break;
            continue;
        }
        if (errno == E2BIG)
            continue;
        whole = 0;
        if (out == NULL)
            break;
        /* EILSEQ, or EINVAL at a cut sequence: one byte is skipped and marked. */
        iconv(cd, NULL, NULL, NULL, NULL);
        text_append_string(out, "\xef\xbf\xbd");
        ++src;
        --left;
        if (left == 0) {
            dst = buffer;
            room = sizeof buffer;
            iconv(cd, NULL, NULL, &dst, &room);
            text_append(out, buffer, (size_t)(dst - buffer));
            break;
        }
    }
    iconv_close(cd);
    return out != NULL ? !out->failed : whole;
}

/* ISO-2022-JP through its JIS bytes as EUC-JP-MS, so that the vendor rows (①) read as they do in
 * CP932: JIS X 0208 and 0212, half-width kana after ESC ( I or SO, JIS X 0201 Roman as ASCII. */
static int convert_jis(const char* data, size_t n, struct text* out) {
    enum { ascii, jis0208, jis0212, kana } set = ascii;
    int shifted = 0;
    struct text euc = {0};
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = (unsigned char)data[i];
        if (c == 0x1b) {
            const char* r = data + i + 1;
            const size_t rest = n - i - 1;
            if (rest >= 2 && r[0] == '(' && (r[1] == 'B' || r[1] == 'J' || r[1] == 'H'))
                set = ascii, i += 2;
            else if (rest >= 2 && r[0] == '(' && r[1] == 'I')
                set = kana, i += 2;
            else if (rest >= 2 && r[0] == '$' && (r[1] == '@' || r[1] == 'B'))
                set = jis0208, i += 2;
            else if (rest >= 3 && r[0] == '$' && r[1] == '(' && (r[2] == 'B' || r[2] == 'Q' || r[2] == 'O'))
                set = jis0208, i += 3;
            else if (rest >= 3 && r[0] == '$' && r[1] == '(' && r[2] == 'D')
                set = jis0212, i += 3;
            else
                text_append_string(&euc, "?");
            continue;
        }
        if (c == 0x0e || c == 0x0f) {
            shifted = c == 0x0e;
            continue;
        }
        char pair[3];
        if (c == '\r' || c == '\n' || c < 0x21 || c >= 0x7f || (set == ascii && !shifted)) {
            pair[0] = (char)(c >= 0x80 ? '?' : c);
            text_append(&euc, pair, 1);
            if (c == '\r' || c == '\n')
                set = ascii, shifted = 0;
            continue;
        }
        if (shifted || set == kana) {
            pair[0] = (char)0x8e;
            pair[1] = (char)(c | 0x80);
            if (c <= 0x5f)
                text_append(&euc, pair, 2);
            else
                text_append(&euc, (const char*)&data[i], 1);
            continue;
        }
        if (i + 1 >= n || (unsigned char)data[i + 1] < 0x21 || (unsigned char)data[i + 1] > 0x7e) {
            text_append_string(&euc, "?");
            continue;
        }
        if (set == jis0212)
            text_append(&euc, "\x8f", 1);
        pair[0] = (char)(c | 0x80);
        pair[1] = (char)((unsigned char)data[++i] | 0x80);
        text_append(&euc, pair, 2);
    }
    const int ok = !euc.failed && convert("EUC-JP-MS", euc.data ? euc.data : "", euc.size, out);
    text_free(&euc);
    return ok;
}

/* data in the encoding of kind (label for kind_other), appended to out in UTF-8. */
static int append_as(enum kind kind, const char* label, const char* data, size_t size, struct text* out) {
    switch (kind) {
    case kind_utf8:
    case kind_unknown:
        text_append(out, data, size);
        return !out->failed;
    case kind_cp932:
        return convert("CP932", data, size, out);
    case kind_euc:
        return convert("EUC-JP-MS", data, size, out);
    case kind_jis:
        return convert_jis(data, size, out);
    case kind_other:
        return convert(label, data, size, out);
    }
    return 0;
}

int text_append_guessed(const char* data, size_t size, struct text* out) {
    return append_as(guess(data, size), "", data, size, out);
}

/* The Unicode form a byte order mark, or the first character '<' of a page without one, shows; its
 * mark's length in *mark. NULL for none of them. A UTF-32LE mark begins like UTF-16LE's. */
static const char* unicode_form(const unsigned char* s, size_t n, size_t* mark) {
    static const struct {
        const char* bytes;
        size_t length;
        const char* name;
        size_t mark;
    } forms[] = {
        {"\xff\xfe\0\0", 4, "UTF-32LE", 4}, {"\0\0\xfe\xff", 4, "UTF-32BE", 4},
        {"\xff\xfe", 2, "UTF-16LE", 2},     {"\xfe\xff", 2, "UTF-16BE", 2},
        {"<\0\0\0", 4, "UTF-32LE", 0},      {"\0\0\0<", 4, "UTF-32BE", 0},
        {"<\0", 2, "UTF-16LE", 0},          {"\0<", 2, "UTF-16BE", 0},
    };
    for (size_t i = 0; i < sizeof forms / sizeof forms[0]; ++i) {
        if (n >= forms[i].length && memcmp(s, forms[i].bytes, forms[i].length) == 0) {
            *mark = forms[i].mark;
            return forms[i].name;
        }
    }
    return NULL;
}

int read_input_utf8(HGLOBAL name, enum markup markup, struct text* out) {
    /* The name as the runner gave it, read no further than its block. */
    const char* locked = GlobalLock(name);
    const size_t block = GlobalSize(name);
    if (locked == NULL || block == 0 || memchr(locked, '\0', block) == NULL) {
        GlobalUnlock(name);
        return 0;
    }
    char* path = strdup(locked);
    GlobalUnlock(name);
    if (path == NULL)
        return 0;
    struct text raw = {0};
    const int read = read_file(path, &raw);
    free(path);
    if (!read) {
        text_free(&raw);
        return 0;
    }
    const char* data = raw.data ? raw.data : "";
    size_t size = raw.size;
    size_t mark = 0;
    const char* unicode = unicode_form((const unsigned char*)data, size, &mark);
    int ok = 0;
    if (size >= 3 && memcmp(data, "\xef\xbb\xbf", 3) == 0) {
        text_append(out, data + 3, size - 3);
        ok = !out->failed;
    } else if (unicode != NULL) {
        ok = convert(unicode, data + mark, size - mark, out);
    } else {
        char label[64];
        declared_label(data, size, markup, label, sizeof label);
        enum kind kind = kind_of_label(label);
        if (kind == kind_unknown)
            kind = guess(data, size);
        ok = append_as(kind, label, data, size, out);
    }
    text_free(&raw);
    return ok;
}

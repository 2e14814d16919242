/* The anime schedule plug-ins (HEADLINE/1.0): one line per day of a monthly schedule table, read
 * by two plug-ins whose outputs the engine joins line by line.
 *
 * The page is HTML; its schedule is the first table whose class names "schedule" (else the first
 * table). Every row of that table with two cells or more is a day: the first cell names the day, the
 * second holds its programmes, several of them separated by line breaks (<br>).
 *
 *   SCHEDULE_CELL 0, the day plug-in: "■ " + the day + " " for a day with programmes, and
 *                   "■ 視聴するアニメなし " for a day without, which the engine then leaves out;
 *   SCHEDULE_CELL 1, the programme plug-in: an ideographic space and the day's programmes joined by
 *                   "／", or an empty line for a day without.
 *
 * Both give exactly one line per day, so the two outputs always pair up. Texts are UTF-8 with blanks
 * run together; lines end in LF, the last without. A page without a table gives no handle. */
#include "plugin_text.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>
#include <string.h>
#include <strings.h>

#ifndef SCHEDULE_CELL
#define SCHEDULE_CELL 0
#endif

static const char no_programme[] = "■ 視聴するアニメなし ";

HGLOBAL getversion(int32_t* length) {
    return version_block("HEADLINE/1.0", length);
}

static int named(xmlNodePtr node, const char* name) {
    return node->type == XML_ELEMENT_NODE && strcasecmp((const char*)node->name, name) == 0;
}

/* Whether the class attribute holds the word. */
static int has_class(xmlNodePtr node, const char* word) {
    xmlChar* value = xmlGetProp(node, (const xmlChar*)"class");
    int found = 0;
    if (value != NULL) {
        const size_t n = strlen(word);
        for (const char* at = (const char*)value; (at = strstr(at, word)) != NULL; at += n) {
            const int starts = at == (const char*)value || at[-1] == ' ';
            const int ends = at[n] == '\0' || at[n] == ' ';
            if (starts && ends) {
                found = 1;
                break;
            }
        }
        xmlFree(value);
    }
    return found;
}

/* The first table in document order that has the class, or with want_class 0 any table. */
static xmlNodePtr find_table(xmlNodePtr node, int want_class) {
    for (; node != NULL; node = node->next) {
        if (named(node, "table") && (!want_class || has_class(node, "schedule")))
            return node;
        xmlNodePtr inner = find_table(node->children, want_class);
        if (inner != NULL)
            return inner;
    }
    return NULL;
}

/* The cell's text; a <br> starts a new line. */
static void gather(xmlNodePtr node, struct text* out) {
    for (xmlNodePtr child = node->children; child != NULL; child = child->next) {
        if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) && child->content != NULL)
            text_append_string(out, (const char*)child->content);
        else if (named(child, "br"))
            text_append(out, "\n", 1);
        else if (child->type == XML_ELEMENT_NODE)
            gather(child, out);
    }
}

/* text with every run of blanks, tabs and line ends made one blank, trimmed. */
static void squeeze(const char* text, size_t size, struct text* out) {
    int blank = 0;
    for (size_t i = 0; i < size; ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = out->size > 0;
            continue;
        }
        if (blank)
            text_append(out, " ", 1);
        blank = 0;
        text_append(out, &c, 1);
    }
}

/* The programmes of a cell: its lines, squeezed, the empty ones left out, joined by "／". */
static void programmes(xmlNodePtr cell, struct text* out) {
    struct text raw = {0};
    gather(cell, &raw);
    const char* at = raw.data ? raw.data : "";
    const char* end = at + raw.size;
    while (at <= end) {
        const char* line_end = memchr(at, '\n', (size_t)(end - at));
        if (line_end == NULL)
            line_end = end;
        struct text line = {0};
        squeeze(at, (size_t)(line_end - at), &line);
        if (line.size > 0) {
            if (out->size > 0)
                text_append_string(out, "／");
            text_append(out, line.data, line.size);
        }
        if (line.failed)
            out->failed = 1;
        text_free(&line);
        at = line_end + 1;
    }
    if (raw.failed)
        out->failed = 1;
    text_free(&raw);
}

/* One output line for a row with two cells or more; 0 for any other row. */
static int day_line(xmlNodePtr row, struct text* out) {
    xmlNodePtr cells[2] = {NULL, NULL};
    int count = 0;
    for (xmlNodePtr child = row->children; child != NULL && count < 2; child = child->next)
        if (named(child, "td"))
            cells[count++] = child;
    if (count < 2)
        return 0;
    struct text shows = {0};
    programmes(cells[1], &shows);
    if (SCHEDULE_CELL == 0) {
        if (shows.size == 0) {
            text_append_string(out, no_programme);
        } else {
            struct text day = {0};
            struct text raw = {0};
            gather(cells[0], &raw);
            squeeze(raw.data ? raw.data : "", raw.size, &day);
            text_append_string(out, "■ ");
            text_append(out, day.data, day.size);
            text_append(out, " ", 1);
            if (day.failed || raw.failed)
                out->failed = 1;
            text_free(&day);
            text_free(&raw);
        }
    } else if (shows.size > 0) {
        text_append_string(out, "　");
        text_append(out, shows.data, shows.size);
    }
    if (shows.failed)
        out->failed = 1;
    text_free(&shows);
    return 1;
}

/* The rows of the table (inside its sections too, never inside a table within it). */
static void add_rows(xmlNodePtr node, struct text* out, int* lines) {
    for (; node != NULL; node = node->next) {
        if (named(node, "tr")) {
            struct text line = {0};
            if (day_line(node, &line)) {
                if ((*lines)++ > 0)
                    text_append(out, "\n", 1);
                text_append(out, line.data, line.size);
            }
            if (line.failed)
                out->failed = 1;
            text_free(&line);
        } else if (node->type == XML_ELEMENT_NODE && !named(node, "table")) {
            add_rows(node->children, out, lines);
        }
    }
}

HGLOBAL execute(HGLOBAL name, int32_t* length) {
    struct text page = {0};
    if (!read_input_utf8(name, markup_html, &page)) {
        text_free(&page);
        return NULL;
    }
    const int options = HTML_PARSE_NONET | HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                        HTML_PARSE_IGNORE_ENC;
    htmlDocPtr doc =
        htmlReadMemory(page.data ? page.data : "", (int)page.size, "schedule.html", "UTF-8", options);
    text_free(&page);
    if (doc == NULL)
        return NULL;
    xmlNodePtr root = xmlDocGetRootElement(doc);
    xmlNodePtr table = root != NULL ? find_table(root, 1) : NULL;
    if (table == NULL && root != NULL)
        table = find_table(root, 0);
    HGLOBAL result = NULL;
    if (table != NULL) {
        struct text lines = {0};
        int count = 0;
        add_rows(table->children, &lines, &count);
        result = result_block(&lines, length);
        text_free(&lines);
    }
    xmlFreeDoc(doc);
    return result;
}

void load(void) {}

void unload(void) {}

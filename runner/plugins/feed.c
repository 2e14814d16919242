/* The feed plug-in: the item titles of one news feed, one per line, in feed order.
 *
 * Reads RSS 0.9x to 2.0 (with or without a namespace on its root), RSS 0.90 and 1.0 (RDF), Atom 1.0
 * and Atom 0.3, in any encoding plugin_text.h reads. A title is the text a reader sees:
 * - the XML parser substitutes the entities the document declares in itself, and knows the HTML
 *   ones (&eacute;, &nbsp;) without a declaration, as a feed served with the RSS 0.91 DOCTYPE
 *   expects; a reference to any other undeclared entity stays as it is written;
 * - an RSS title, and an Atom title of type html, is HTML: its markup is removed and its references
 *   decoded, except "&amp;" and "&nbsp;", which the engine's clean step undoes; so a title written
 *   "a&amp;nbsp;b" comes out as "a&nbsp;b", and "&amp;#38;" as "&";
 * - an Atom title in base64 is decoded.
 * An RSS item without a title gives its dc:title. Line breaks and tabs inside a title become blanks,
 * blanks at its ends go, and an item without title text gives no line. Lines end in LF, the last one
 * without; the result is UTF-8.
 *
 * Nothing outside the file is ever read: no network, no DTD, no external entity, and a document
 * whose entities would grow beyond the parser's bounds is refused. A file that is not a well-formed
 * feed of these kinds gives no handle; a feed without items gives an empty text.
 *
 * Built once per interface version (HEADLINE_VERSION_TEXT). */
#include "plugin_text.h"

#include <libxml/HTMLparser.h>
#include <libxml/SAX2.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <stdio.h>
#include <string.h>

#ifndef HEADLINE_VERSION_TEXT
#define HEADLINE_VERSION_TEXT "HEADLINE/1.1"
#endif

static const char rdf_ns[] = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
static const char dc_ns[] = "http://purl.org/dc/elements/1.1/";
static const char atom_ns[] = "http://www.w3.org/2005/Atom";
static const char atom03_ns[] = "http://purl.org/atom/ns#";

HGLOBAL getversion(int32_t* length) {
    return version_block(HEADLINE_VERSION_TEXT, length);
}

/* No outside resource is ever loaded, whatever a document asks for. */
static xmlParserInputPtr refuse_entity(const char* url, const char* id, xmlParserCtxtPtr context) {
    (void)url, (void)id, (void)context;
    return NULL;
}

/* An entity the document does not declare: an HTML one as its character, any other as the text of
 * its reference. Declared once in the document, so that it is freed with it. */
static xmlEntityPtr get_entity(void* user, const xmlChar* name) {
    xmlParserCtxtPtr context = user;
    xmlEntityPtr declared = xmlSAX2GetEntity(user, name);
    if (declared != NULL || context->myDoc == NULL || context->inSubset != 0)
        return declared;
    const htmlEntityDesc* html = htmlEntityLookup(name);
    char content[128];
    if (html != NULL)
        snprintf(content, sizeof content, "&#%u;", html->value);
    else if (strlen((const char*)name) < sizeof content - 6)
        snprintf(content, sizeof content, "&amp;%s;", (const char*)name);
    else
        return NULL;
    if (context->myDoc->intSubset == NULL) {
        xmlNodePtr root = xmlDocGetRootElement(context->myDoc);
        if (xmlCreateIntSubset(context->myDoc, root != NULL ? root->name : NULL, NULL, NULL) == NULL)
            return NULL;
    }
    return xmlAddDocEntity(context->myDoc, name, XML_INTERNAL_GENERAL_ENTITY, NULL, NULL,
                           (const xmlChar*)content);
}

static const char* ns_of(xmlNodePtr node) {
    return node->ns != NULL ? (const char*)node->ns->href : NULL;
}

static int same_ns(const char* a, const char* b) {
    if (a == NULL || b == NULL)
        return a == b;
    return strcmp(a, b) == 0;
}

static int is_element(xmlNodePtr node, const char* name, const char* ns) {
    return node->type == XML_ELEMENT_NODE && strcmp((const char*)node->name, name) == 0 &&
           same_ns(ns_of(node), ns);
}

/* The text and CDATA below node, in order. */
static void gather(xmlNodePtr node, struct text* out) {
    for (xmlNodePtr child = node->children; child != NULL; child = child->next) {
        if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) && child->content != NULL)
            text_append_string(out, (const char*)child->content);
        else if (child->type == XML_ELEMENT_NODE)
            gather(child, out);
    }
}

enum form { form_text = 0, form_html = 1, form_base64 = 2 };

static int attribute_is(xmlNodePtr node, const char* name, const char* const* values) {
    xmlChar* value = xmlGetNoNsProp(node, (const xmlChar*)name);
    int found = 0;
    for (; value != NULL && *values != NULL && !found; ++values)
        found = strcmp((const char*)value, *values) == 0;
    xmlFree(value);
    return found;
}

/* How an Atom title is written: its type (1.0: text, html, xhtml; 0.3: a media type) and, in 0.3,
 * its mode (xml, escaped, base64). */
static int atom_form(xmlNodePtr title) {
    static const char* const html[] = {"html", "text/html", NULL};
    static const char* const base64[] = {"base64", NULL};
    int form = form_text;
    if (attribute_is(title, "type", html))
        form |= form_html;
    if (attribute_is(title, "type", base64) || attribute_is(title, "mode", base64))
        form |= form_base64;
    return form;
}

static int base64_value(unsigned char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+' || c == '-')
        return 62;
    if (c == '/' || c == '_')
        return 63;
    return -1;
}

/* The bytes the base64 text stands for, read as a page's text is (plugin_text.h); blanks and
 * anything else that is no base64 digit are passed over. */
static void decode_base64(const struct text* in, struct text* out) {
    struct text bytes = {0};
    unsigned bits = 0;
    int count = 0;
    for (size_t i = 0; i < in->size; ++i) {
        const int value = base64_value((unsigned char)in->data[i]);
        if (in->data[i] == '=')
            break;
        if (value < 0)
            continue;
        bits = (bits << 6) | (unsigned)value;
        count += 6;
        if (count >= 8) {
            count -= 8;
            const char byte = (char)((bits >> count) & 0xff);
            if (byte != '\0')
                text_append(&bytes, &byte, 1);
        }
    }
    if (bytes.failed)
        out->failed = 1;
    else if (!text_append_guessed(bytes.data ? bytes.data : "", bytes.size, out))
        out->failed = 1;
    text_free(&bytes);
}

static void append_utf8(struct text* out, unsigned code) {
    char bytes[4];
    size_t n;
    if (code < 0x80) {
        bytes[0] = (char)code, n = 1;
    } else if (code < 0x800) {
        bytes[0] = (char)(0xc0 | (code >> 6)), bytes[1] = (char)(0x80 | (code & 0x3f)), n = 2;
    } else if (code < 0x10000) {
        bytes[0] = (char)(0xe0 | (code >> 12)), bytes[1] = (char)(0x80 | ((code >> 6) & 0x3f));
        bytes[2] = (char)(0x80 | (code & 0x3f)), n = 3;
    } else {
        bytes[0] = (char)(0xf0 | (code >> 18)), bytes[1] = (char)(0x80 | ((code >> 12) & 0x3f));
        bytes[2] = (char)(0x80 | ((code >> 6) & 0x3f)), bytes[3] = (char)(0x80 | (code & 0x3f)), n = 4;
    }
    text_append(out, bytes, n);
}

static int is_alpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

static int is_alnum(char c) {
    return is_alpha(c) || (c >= '0' && c <= '9');
}

/* The character a reference at s (after its '&', n bytes left) stands for, its length (with the
 * ';') in *length; 0 for no reference that is decoded here. */
static unsigned reference(const char* s, size_t n, size_t* length) {
    size_t k = 0;
    unsigned code = 0;
    if (n > 0 && s[0] == '#') {
        const int hex = n > 1 && (s[1] == 'x' || s[1] == 'X');
        k = hex ? 2 : 1;
        const size_t digits = k;
        for (; k < n && k < digits + 8; ++k) {
            const char c = s[k];
            if (c >= '0' && c <= '9')
                code = code * (hex ? 16 : 10) + (unsigned)(c - '0');
            else if (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
                code = code * 16 + (unsigned)((c | 0x20) - 'a' + 10);
            else
                break;
        }
        if (k == digits || k >= n || s[k] != ';' || code == 0 || code > 0x10ffff ||
            (code >= 0xd800 && code <= 0xdfff))
            return 0;
    } else {
        char name[16];
        while (k < n && k + 1 < sizeof name && is_alnum(s[k]))
            name[k] = s[k], ++k;
        name[k] = '\0';
        if (k == 0 || k >= n || s[k] != ';' || strcmp(name, "amp") == 0 || strcmp(name, "nbsp") == 0)
            return 0;
        const htmlEntityDesc* html = htmlEntityLookup((const xmlChar*)name);
        if (html != NULL)
            code = html->value;
        else if (strcmp(name, "apos") == 0)
            code = '\'';
        else
            return 0;
    }
    *length = k + 1;
    return code;
}

/* The HTML text as a reader sees it: tags and comments gone, references decoded (see above). A '<'
 * that opens no tag, and a tag never closed, stay as text. */
static void html_to_text(const struct text* in, struct text* out) {
    const char* s = in->data ? in->data : "";
    const size_t n = in->size;
    size_t i = 0;
    while (i < n) {
        if (s[i] == '<' && i + 3 < n && memcmp(s + i, "<!--", 4) == 0) {
            const char* end = strstr(s + i + 4, "-->");
            if (end != NULL) {
                i = (size_t)(end - s) + 3;
                continue;
            }
        } else if (s[i] == '<' && i + 1 < n &&
                   (is_alpha(s[i + 1]) || s[i + 1] == '!' || s[i + 1] == '?' ||
                    (s[i + 1] == '/' && i + 2 < n && is_alpha(s[i + 2])))) {
            const char* end = memchr(s + i, '>', n - i);
            if (end != NULL) {
                i = (size_t)(end - s) + 1;
                continue;
            }
        } else if (s[i] == '&') {
            size_t length = 0;
            const unsigned code = reference(s + i + 1, n - i - 1, &length);
            if (code != 0) {
                append_utf8(out, code);
                i += 1 + length;
                continue;
            }
        }
        text_append(out, s + i, 1);
        ++i;
    }
}

/* Adds the title as a line of out, in its form. */
static void add_title(xmlNodePtr title, int form, struct text* out, int* lines) {
    struct text raw = {0};
    gather(title, &raw);
    if (form & form_base64) {
        struct text decoded = {0};
        decode_base64(&raw, &decoded);
        text_free(&raw);
        raw = decoded;
    }
    struct text shown = {0};
    if (form & form_html) {
        html_to_text(&raw, &shown);
        if (raw.failed)
            shown.failed = 1;
        text_free(&raw);
    } else {
        shown = raw;
    }
    text_flatten(&shown);
    if (shown.failed)
        out->failed = 1;
    if (shown.size > 0) {
        if ((*lines)++ > 0)
            text_append(out, "\n", 1);
        text_append(out, shown.data, shown.size);
    }
    text_free(&shown);
}

/* The first child of item named title in ns; NULL if none. */
static xmlNodePtr title_of(xmlNodePtr item, const char* ns) {
    for (xmlNodePtr child = item->children; child != NULL; child = child->next)
        if (is_element(child, "title", ns))
            return child;
    return NULL;
}

/* An RSS item's title (its title in its own namespace, else its dc:title), as HTML. */
static void add_rss_item(xmlNodePtr item, struct text* out, int* lines) {
    xmlNodePtr title = title_of(item, ns_of(item));
    if (title == NULL)
        title = title_of(item, dc_ns);
    if (title != NULL)
        add_title(title, form_html, out, lines);
}

/* 1 when root is a feed of a known kind, its titles then in out. */
static int read_feed(xmlNodePtr root, struct text* out) {
    int lines = 0;
    const char* ns = ns_of(root);
    if (is_element(root, "rss", ns)) {
        /* RSS 0.91 to 2.0: items inside the channel (a few 0.9x feeds put them beside it), in the
         * root's namespace when a site gives it one. */
        for (xmlNodePtr child = root->children; child != NULL; child = child->next) {
            if (is_element(child, "channel", ns)) {
                for (xmlNodePtr item = child->children; item != NULL; item = item->next)
                    if (is_element(item, "item", ns))
                        add_rss_item(item, out, &lines);
            } else if (is_element(child, "item", ns)) {
                add_rss_item(child, out, &lines);
            }
        }
        return 1;
    }
    if (is_element(root, "RDF", rdf_ns)) {
        /* RSS 0.90 and 1.0: the items beside the channel, in whichever namespace the version uses. */
        for (xmlNodePtr child = root->children; child != NULL; child = child->next)
            if (child->type == XML_ELEMENT_NODE && strcmp((const char*)child->name, "item") == 0 &&
                !same_ns(ns_of(child), rdf_ns))
                add_rss_item(child, out, &lines);
        return 1;
    }
    if (is_element(root, "feed", atom_ns) || is_element(root, "feed", atom03_ns)) {
        for (xmlNodePtr entry = root->children; entry != NULL; entry = entry->next) {
            if (!is_element(entry, "entry", ns))
                continue;
            xmlNodePtr title = title_of(entry, ns);
            if (title != NULL)
                add_title(title, atom_form(title), out, &lines);
        }
        return 1;
    }
    return 0;
}

HGLOBAL execute(HGLOBAL name, int32_t* length) {
    struct text page = {0};
    if (!read_input_utf8(name, markup_xml, &page)) {
        text_free(&page);
        return NULL;
    }
    xmlSetExternalEntityLoader(refuse_entity);
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (context == NULL) {
        text_free(&page);
        return NULL;
    }
    context->sax->getEntity = get_entity;
    /* The page is UTF-8 now, whatever its declaration says. Entities are substituted: the loader
     * refuses every outside one, and the parser's own bounds refuse entities that multiply. */
    const int options = XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_IGNORE_ENC |
                        XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    xmlDocPtr doc =
        xmlCtxtReadMemory(context, page.data ? page.data : "", (int)page.size, "feed.xml", "UTF-8", options);
    xmlFreeParserCtxt(context);
    text_free(&page);
    if (doc == NULL)
        return NULL;
    struct text titles = {0};
    xmlNodePtr root = xmlDocGetRootElement(doc);
    const int feed = root != NULL && read_feed(root, &titles);
    xmlFreeDoc(doc);
    HGLOBAL result = feed ? result_block(&titles, length) : NULL;
    text_free(&titles);
    return result;
}

void load(void) {}

void unload(void) {}

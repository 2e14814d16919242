/* The feed plug-in: the item titles of one news feed, one per line, in feed order.
 *
 * Reads RSS 2.0 (and 0.9x), RSS 1.0 (RDF) and Atom, in any encoding plugin_text.h reads. Each title
 * is its text as the XML parser decodes it: one level of entities, so a title written
 * "a&amp;nbsp;b" comes out as "a&nbsp;b", for the engine's clean step to act on. Line breaks and
 * tabs inside a title become blanks, blanks at its ends go, and an item without title text gives no
 * line. Lines end in LF, the last one without; the result is UTF-8.
 *
 * Nothing outside the file is ever read: no network, no DTD, no external entity. A file that is not
 * a well-formed feed of these kinds gives no handle; a feed without items gives an empty text.
 *
 * Built once per interface version (HEADLINE_VERSION_TEXT). */
#include "plugin_text.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <string.h>

#ifndef HEADLINE_VERSION_TEXT
#define HEADLINE_VERSION_TEXT "HEADLINE/1.1"
#endif

static const char rdf_ns[] = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
static const char rss1_ns[] = "http://purl.org/rss/1.0/";
static const char rss090_ns[] = "http://my.netscape.com/rdf/simple/0.9/";
static const char atom_ns[] = "http://www.w3.org/2005/Atom";

HGLOBAL getversion(int32_t* length) {
    return version_block(HEADLINE_VERSION_TEXT, length);
}

/* No outside resource is ever loaded, whatever a document asks for. */
static xmlParserInputPtr refuse_entity(const char* url, const char* id, xmlParserCtxtPtr context) {
    (void)url, (void)id, (void)context;
    return NULL;
}

static int in_namespace(xmlNodePtr node, const char* ns) {
    if (ns == NULL)
        return node->ns == NULL || node->ns->href == NULL;
    return node->ns != NULL && node->ns->href != NULL && strcmp((const char*)node->ns->href, ns) == 0;
}

static int is_element(xmlNodePtr node, const char* name, const char* ns) {
    return node->type == XML_ELEMENT_NODE && strcmp((const char*)node->name, name) == 0 &&
           in_namespace(node, ns);
}

/* The text and CDATA below node, in order; entity references of a DTD are not followed. */
static void gather(xmlNodePtr node, struct text* out) {
    for (xmlNodePtr child = node->children; child != NULL; child = child->next) {
        if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) && child->content != NULL)
            text_append_string(out, (const char*)child->content);
        else if (child->type == XML_ELEMENT_NODE)
            gather(child, out);
    }
}

/* Adds the title of one item (its first title element in ns) as a line of out. */
static void add_title(xmlNodePtr item, const char* ns, struct text* out, int* lines) {
    for (xmlNodePtr child = item->children; child != NULL; child = child->next) {
        if (!is_element(child, "title", ns))
            continue;
        struct text title = {0};
        gather(child, &title);
        text_flatten(&title);
        if (title.failed)
            out->failed = 1;
        if (title.size > 0) {
            if ((*lines)++ > 0)
                text_append(out, "\n", 1);
            text_append(out, title.data, title.size);
        }
        text_free(&title);
        return;
    }
}

/* The items named item (in ns) among the children of parent. */
static void add_items(xmlNodePtr parent, const char* item, const char* ns, struct text* out, int* lines) {
    for (xmlNodePtr child = parent->children; child != NULL; child = child->next)
        if (is_element(child, item, ns))
            add_title(child, ns, out, lines);
}

/* 1 when root is a feed of a known kind, its titles then in out. */
static int read_feed(xmlNodePtr root, struct text* out) {
    int lines = 0;
    if (is_element(root, "rss", NULL)) {
        /* RSS 0.91 to 2.0: items inside the channel (a few 0.9x feeds put them beside it). */
        for (xmlNodePtr child = root->children; child != NULL; child = child->next) {
            if (is_element(child, "channel", NULL))
                add_items(child, "item", NULL, out, &lines);
            else if (is_element(child, "item", NULL))
                add_title(child, NULL, out, &lines);
        }
        return 1;
    }
    if (is_element(root, "RDF", rdf_ns)) {
        add_items(root, "item", rss1_ns, out, &lines);
        add_items(root, "item", rss090_ns, out, &lines);
        return 1;
    }
    if (is_element(root, "feed", atom_ns)) {
        add_items(root, "entry", atom_ns, out, &lines);
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
    /* The page is UTF-8 now, whatever its declaration says. No entity is substituted and no DTD
     * loaded: the titles keep what one level of decoding gives. */
    const int options =
        XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_IGNORE_ENC | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    xmlDocPtr doc = xmlReadMemory(page.data ? page.data : "", (int)page.size, "feed.xml", "UTF-8", options);
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

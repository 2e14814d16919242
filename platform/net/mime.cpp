#include "mime.h"

#include "net_libraries.h"
#include "platform/codec.h"

#include <QDateTime>
#include <QRegularExpression>
#include <algorithm>
#include <gmime/gmime.h>
#include <memory>
#include <mutex>

namespace platform::mime {
namespace {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T> using GPtr = std::unique_ptr<T, GObjectUnref>;

struct GFree {
    void operator()(gpointer p) const { g_free(p); }
};
using GString = std::unique_ptr<char, GFree>;

struct OptionsFree {
    void operator()(GMimeParserOptions* options) const { g_mime_parser_options_free(options); }
};

void initGMime() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

QString blankControls(QString text) {
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return text;
}

QByteArray unfold(QByteArray raw) {
    raw.replace("\r\n", "\n");
    QByteArray out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\n' && (i + 1 == raw.size() || raw[i + 1] == ' ' || raw[i + 1] == '\t'))
            continue;
        out.append(raw[i]);
    }
    return out;
}

QByteArray decodeQ(const QByteArray& text) {
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '_') {
            out.append(' ');
        } else if (c == '=' && i + 2 < text.size()) {
            bool ok = false;
            const int value = text.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(value));
                i += 2;
            } else {
                out.append(c);
            }
        } else {
            out.append(c);
        }
    }
    return out;
}

// One piece of a header value: raw text, or the decoded bytes of encoded words in one charset.
struct Piece {
    bool encoded = false;
    QByteArray charset;
    QByteArray bytes;
};

std::vector<Piece> pieces(const QByteArray& raw) {
    static const QRegularExpression word(QStringLiteral("=\\?([^?\\s]+)\\?([bBqQ])\\?([^?\\s]*)\\?="));
    // Latin-1 keeps every byte as one character, so offsets match the bytes.
    const QString text = QString::fromLatin1(raw);
    std::vector<Piece> out;
    qsizetype at = 0;
    auto it = word.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QByteArray between = raw.mid(at, m.capturedStart() - at);
        const bool onlyBlanks = between.trimmed().isEmpty();
        if (!(onlyBlanks && !out.empty() && out.back().encoded) && !between.isEmpty())
            out.push_back({false, {}, between});
        QByteArray charset = m.captured(1).toLatin1();
        if (const qsizetype star = charset.indexOf('*'); star >= 0)
            charset.truncate(star); // RFC 2231 language
        const QByteArray payload = m.captured(3).toLatin1();
        const QByteArray bytes = m.captured(2).compare(QStringLiteral("b"), Qt::CaseInsensitive) == 0
                                     ? QByteArray::fromBase64(payload)
                                     : decodeQ(payload);
        if (!out.empty() && out.back().encoded &&
            out.back().charset.compare(charset, Qt::CaseInsensitive) == 0)
            out.back().bytes.append(bytes);
        else
            out.push_back({true, charset, bytes});
        at = m.capturedEnd();
    }
    if (at < raw.size())
        out.push_back({false, {}, raw.mid(at)});
    return out;
}

QString decodePiece(const Piece& piece) {
    return piece.encoded ? codec::decodeMail(piece.bytes, piece.charset) : codec::guessMail(piece.bytes);
}

// The value with every encoded word and 8-bit run as UTF-8, for GMime's address parser: its own
// decoding would go through glibc's tables.
QByteArray asUtf8Header(const QByteArray& raw) {
    QByteArray out;
    for (const Piece& piece : pieces(unfold(raw))) {
        const QString text = blankControls(decodePiece(piece));
        if (piece.encoded)
            out += "=?UTF-8?B?" + text.toUtf8().toBase64() + "?=";
        else
            out += text.toUtf8();
    }
    return out;
}

QByteArray rawHeader(GMimeObject* object, const char* name) {
    GMimeHeaderList* list = g_mime_object_get_header_list(object);
    if (!list)
        return {};
    GMimeHeader* header = g_mime_header_list_get_header(list, name);
    if (!header)
        return {};
    const char* raw = g_mime_header_get_raw_value(header);
    return raw ? QByteArray(raw) : QByteArray();
}

// What an address text leaves open at its end, read as GMime's address parser reads it:
// parentheses outside quoted text, quotes outside comments, a backslash escaping the next character
// inside either; a domain literal after an '@' ("[192.0.2.1]") holds none of them, up to its ']'.
struct Open {
    int comments = 0;
    bool quoted = false;
    bool escaped = false; // a backslash waits for its character
    bool any() const { return comments > 0 || quoted || escaped; }
};

Open openAt(const QByteArray& text) {
    Open open;
    bool afterAt = false; // an '@' and blanks only since, outside quotes and comments
    bool literal = false;
    for (const char c : text) {
        if (literal) {
            literal = c != ']';
            continue;
        }
        const bool plain = !open.escaped && !open.quoted && open.comments == 0;
        if (plain && c == '[' && afterAt) {
            literal = true;
            afterAt = false;
            continue;
        }
        if (plain && c != ' ' && c != '\t')
            afterAt = c == '@';
        if (open.escaped)
            open.escaped = false;
        else if (c == '\\')
            open.escaped = open.quoted || open.comments > 0;
        else if (c == '"' && open.comments == 0)
            open.quoted = !open.quoted;
        else if (!open.quoted && c == '(')
            ++open.comments;
        else if (!open.quoted && c == ')' && open.comments > 0)
            --open.comments;
    }
    return open;
}

// What closes all of it: a blank for a waiting backslash (a closing mark right after it would be
// taken as escaped), the quote, then the comments.
QByteArray closing(const Open& open) {
    QByteArray out;
    if (open.escaped)
        out += ' ';
    if (open.quoted)
        out += '"';
    out += QByteArray(open.comments, ')');
    return out;
}

// The name of the address header a line begins, lower-cased; empty for any other line.
QByteArray addressHeaderName(const QByteArray& line) {
    static const QList<QByteArray> kNames{"from",      "sender",    "reply-to",    "to",
                                          "cc",        "bcc",       "resent-from", "resent-sender",
                                          "resent-to", "resent-cc", "resent-bcc",  "resent-reply-to"};
    // GMime takes the name with blanks before its colon too.
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
        return {};
    const QByteArray name = line.left(colon).trimmed().toLower();
    return kNames.contains(name) ? name : QByteArray();
}

// The line without its CR.
QByteArray bare(const QByteArray& line) {
    return line.endsWith('\r') ? line.chopped(1) : line;
}

// The boundary a Content-Type value declares; empty for none.
QByteArray boundaryOf(const QByteArray& contentType) {
    const qsizetype at = contentType.toLower().indexOf("boundary=");
    if (at < 0)
        return {};
    QByteArray value = contentType.mid(at + 9).trimmed();
    if (value.startsWith('"')) {
        const qsizetype end = value.indexOf('"', 1);
        return end < 0 ? value.mid(1) : value.mid(1, end - 1);
    }
    for (qsizetype k = 0; k < value.size(); ++k) {
        if (value[k] == ';' || value[k] == ' ' || value[k] == '\t')
            return value.left(k);
    }
    return value;
}

// The message with every comment and quoted text of its address headers closed at the header's
// end. GMime parses those headers itself while it takes the message apart and loses memory on an
// address followed by a comment that is never closed; such a header is broken either way. Only the
// header blocks are touched, the body's lines never: the message's own, each part's after a
// boundary line its multipart declared, and a nested message's after its part's header.
QByteArray closeAddressComments(const QByteArray& raw) {
    if (!raw.contains('(') && !raw.contains('"'))
        return raw;
    static const QList<QByteArray> kMessages{"message/rfc822", "message/news", "message/global"};
    QList<QByteArray> lines = raw.split('\n');
    QList<QByteArray> boundaries;
    bool header = true;
    QByteArray contentType; // of the header block being read
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = bare(lines[i]);
        if (!header) {
            if (!line.startsWith("--"))
                continue;
            QByteArray mark = line.mid(2);
            while (mark.endsWith(' ') || mark.endsWith('\t'))
                mark.chop(1);
            if (boundaries.contains(mark)) {
                header = true;
                contentType.clear();
            }
            continue;
        }
        if (line.isEmpty()) {
            const QByteArray type = contentType.trimmed().toLower();
            header = std::any_of(kMessages.begin(), kMessages.end(),
                                 [&](const QByteArray& m) { return type.startsWith(m); });
            if (const QByteArray boundary = boundaryOf(contentType); !boundary.isEmpty())
                boundaries.append(boundary);
            contentType.clear();
            continue;
        }
        qsizetype last = i;
        while (last + 1 < lines.size() &&
               (lines[last + 1].startsWith(' ') || lines[last + 1].startsWith('\t')))
            ++last;
        QByteArray field;
        for (qsizetype k = i; k <= last; ++k)
            field += bare(lines[k]);
        const qsizetype colon = field.indexOf(':');
        if (colon > 0 && field.left(colon).trimmed().toLower() == "content-type")
            contentType = field.mid(colon + 1);
        else if (!addressHeaderName(lines[i]).isEmpty()) {
            if (const Open open = openAt(field.mid(colon + 1)); open.any()) {
                QByteArray& end = lines[last];
                end.insert(end.endsWith('\r') ? end.size() - 1 : end.size(), closing(open));
            }
        }
        i = last;
    }
    return lines.join('\n');
}

QString formatFrom(const QByteArray& raw) {
    if (raw.trimmed().isEmpty())
        return {};
    const QByteArray utf8 = asUtf8Header(raw);
    if (!commentsClosed(utf8))
        return decodeHeader(raw);
    std::unique_ptr<GMimeParserOptions, OptionsFree> options(g_mime_parser_options_new());
    g_mime_parser_options_set_rfc2047_compliance_mode(options.get(), GMIME_RFC_COMPLIANCE_LOOSE);
    g_mime_parser_options_set_address_compliance_mode(options.get(), GMIME_RFC_COMPLIANCE_LOOSE);
    GPtr<InternetAddressList> list(internet_address_list_parse(options.get(), utf8.constData()));
    InternetAddress* first = nullptr;
    if (list && internet_address_list_length(list.get()) > 0) {
        first = internet_address_list_get_address(list.get(), 0);
        if (INTERNET_ADDRESS_IS_GROUP(first)) {
            InternetAddressList* members = internet_address_group_get_members(INTERNET_ADDRESS_GROUP(first));
            first = members && internet_address_list_length(members) > 0
                        ? internet_address_list_get_address(members, 0)
                        : nullptr;
        }
    }
    if (!first || !INTERNET_ADDRESS_IS_MAILBOX(first))
        return decodeHeader(raw);
    const char* name = internet_address_get_name(first);
    if (name) {
        const QString clean = blankControls(QString::fromUtf8(name)).simplified();
        internet_address_set_name(first, clean.isEmpty() ? nullptr : clean.toUtf8().constData());
    }
    const GString text(internet_address_to_string(first, nullptr, FALSE));
    return blankControls(QString::fromUtf8(text.get())).trimmed();
}

QString formatDate(GMimeMessage* message) {
    const QByteArray raw = rawHeader(GMIME_OBJECT(message), "Date");
    if (GDateTime* date = g_mime_message_get_date(message)) {
        const QDateTime when = QDateTime::fromSecsSinceEpoch(g_date_time_to_unix(date));
        return when.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm"));
    }
    return decodeHeader(raw);
}

QByteArray content(GMimePart* part) {
    GMimeDataWrapper* wrapper = g_mime_part_get_content(part);
    if (!wrapper)
        return {};
    GPtr<GMimeStream> stream(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(wrapper, stream.get());
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream.get()));
    return QByteArray(reinterpret_cast<const char*>(bytes->data), qsizetype(bytes->len));
}

QString partText(GMimePart* part) {
    const char* charset = g_mime_object_get_content_type_parameter(GMIME_OBJECT(part), "charset");
    return codec::decodeMail(content(part), charset ? QByteArray(charset) : QByteArray());
}

QString bodyLines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control && c != QLatin1Char('\n') && c != QLatin1Char('\t'))
            c = QLatin1Char(' ');
    }
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

// A Content-Type GMime could not parse (no subtype, empty) comes out as application/octet-stream;
// RFC 2045 reads such a part as plain text.
bool unparsedType(GMimeObject* object, GMimeContentType* type) {
    if (!g_mime_content_type_is_type(type, "application", "octet-stream"))
        return false;
    const QByteArray raw = rawHeader(object, "Content-Type");
    if (raw.isNull())
        return false;
    // The type as written, up to its parameters or a comment.
    qsizetype end = 0;
    while (end < raw.size() && raw[end] != ';' && raw[end] != '(')
        ++end;
    return raw.left(end).simplified().toLower().replace(" ", "") != "application/octet-stream";
}

struct NamedText {
    QString name;
    QString text;
    bool html = false;
};

struct Walk {
    QString plain;
    QString html;
    bool hasPlain = false;
    bool hasHtml = false;
    std::vector<NamedText> named;        // inline text parts with a file name, in order
    std::vector<GMimeMessage*> forwards; // attached messages, in order
    QStringList attachments;
};

void walk(GMimeObject* object, Walk& walk_) {
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* multipart = GMIME_MULTIPART(object);
        const int count = g_mime_multipart_get_count(multipart);
        for (int i = 0; i < count; ++i)
            walk(g_mime_multipart_get_part(multipart, i), walk_);
        return;
    }
    if (GMIME_IS_MESSAGE_PART(object)) {
        if (GMimeMessage* message = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object)))
            walk_.forwards.push_back(message);
        return;
    }
    if (!GMIME_IS_PART(object))
        return;
    GMimePart* part = GMIME_PART(object);
    GMimeContentType* type = g_mime_object_get_content_type(object);
    const char* filename = g_mime_part_get_filename(part);
    const QString name = filename ? blankControls(QString::fromUtf8(filename)).trimmed() : QString();
    const bool plain =
        !type || g_mime_content_type_is_type(type, "text", "plain") || unparsedType(object, type);
    const bool html = !plain && g_mime_content_type_is_type(type, "text", "html");
    if (g_mime_part_is_attachment(part) || !(plain || html)) {
        if (filename)
            walk_.attachments << name;
        return;
    }
    // A named text part is the body only when the message has no other text.
    if (filename) {
        walk_.named.push_back({name, partText(part), html});
        return;
    }
    if (plain && !walk_.hasPlain) {
        walk_.plain = partText(part);
        walk_.hasPlain = true;
    } else if (html && !walk_.hasHtml) {
        walk_.html = partText(part);
        walk_.hasHtml = true;
    }
}

// Forwards inside forwards are shown this deep; deeper ones are left out.
constexpr int kForwardDepth = 8;

struct Read {
    QString subject;
    QString from;
    QString date;
    QString text; // LF or CRLF lines
};

Read readMessage(GMimeMessage* message, QStringList& attachments, int depth) {
    GMimeObject* object = GMIME_OBJECT(message);
    Read out;
    out.subject = decodeHeader(rawHeader(object, "Subject"));
    out.from = formatFrom(rawHeader(object, "From"));
    out.date = formatDate(message);
    Walk found;
    if (GMimeObject* body = g_mime_message_get_mime_part(message))
        walk(body, found);
    if (found.hasPlain) {
        out.text = found.plain;
    } else if (found.hasHtml) {
        out.text = htmlToText(found.html);
    } else if (!found.named.empty()) {
        const NamedText& first = found.named.front();
        out.text = first.html ? htmlToText(first.text) : first.text;
        found.named.erase(found.named.begin());
    }
    for (const NamedText& named : found.named)
        found.attachments << named.name;
    attachments << found.attachments;
    if (depth >= kForwardDepth)
        return out;
    for (GMimeMessage* forward : found.forwards) {
        const Read inner = readMessage(forward, attachments, depth + 1);
        if (!out.text.isEmpty() && !out.text.endsWith(QLatin1Char('\n')))
            out.text += QLatin1Char('\n');
        if (!out.text.isEmpty())
            out.text += QLatin1Char('\n');
        out.text += QStringLiteral("-------- 転送されたメッセージ --------\n");
        if (!inner.from.isEmpty())
            out.text += QStringLiteral("差出人: ") + inner.from + QLatin1Char('\n');
        if (!inner.date.isEmpty())
            out.text += QStringLiteral("日付: ") + inner.date + QLatin1Char('\n');
        if (!inner.subject.isEmpty())
            out.text += QStringLiteral("件名: ") + inner.subject + QLatin1Char('\n');
        out.text += QLatin1Char('\n') + inner.text;
    }
    return out;
}

// Whether the line can stand in a header block: a field, or the "From " line of a mailbox file
// when it is the first.
bool headerLine(const QByteArray& line, bool first) {
    if (first && line.startsWith("From "))
        return true;
    qsizetype at = 0;
    while (at < line.size() && uchar(line[at]) > ' ' && uchar(line[at]) < 0x7f && line[at] != ':')
        ++at;
    if (at == 0)
        return false;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
        ++at;
    return at < line.size() && line[at] == ':';
}

// Whether the field is one mailers write in a header block; a line of text ("Note: ...") seldom
// names one.
bool mailField(const QByteArray& line) {
    static const QList<QByteArray> kNames{
        "from",     "sender",      "reply-to",     "to",          "cc",           "bcc",
        "subject",  "date",        "message-id",   "in-reply-to", "references",   "mime-version",
        "received", "return-path", "delivered-to", "user-agent",  "organization", "importance",
        "priority", "precedence",  "comments",     "keywords",    "thread-topic", "thread-index"};
    static const QList<QByteArray> kKinds{"content-", "x-",   "resent-",        "list-",
                                          "dkim-",    "arc-", "authentication-"};
    const QByteArray name = line.left(line.indexOf(':')).trimmed().toLower();
    if (kNames.contains(name))
        return true;
    return std::any_of(kKinds.begin(), kKinds.end(),
                       [&](const QByteArray& kind) { return name.startsWith(kind); });
}

// The message with a blank line where its header block ends without one: at the first line of text
// after the last field mailers write, or at the very start when the first line is no field. GMime
// would pass over those lines, or the whole text. A stray line followed by such fields (an address
// line broken without a fold) is left among them, as GMime reads it: the fields after it still count.
QByteArray endHeaders(const QByteArray& raw) {
    qsizetype at = 0;
    qsizetype cut = -1; // the first line of text since the last mail field
    while (at < raw.size()) {
        qsizetype end = raw.indexOf('\n', at);
        if (end < 0)
            end = raw.size();
        const QByteArray line = bare(raw.mid(at, end - at));
        if (line.isEmpty())
            break;
        const bool folded = at > 0 && (line.startsWith(' ') || line.startsWith('\t'));
        if (!folded && !headerLine(line, at == 0)) {
            if (at == 0) {
                cut = 0;
                break;
            }
            if (cut < 0)
                cut = at;
        } else if (!folded && mailField(line)) {
            cut = -1;
        }
        at = end + 1;
    }
    if (cut < 0)
        return raw;
    return raw.left(cut) + (raw.contains("\r\n") ? "\r\n" : "\n") + raw.mid(cut);
}

} // namespace

QString decodeHeader(const QByteArray& raw) {
    QString out;
    for (const Piece& piece : pieces(unfold(raw)))
        out += decodePiece(piece);
    return blankControls(out).trimmed();
}

QString htmlToText(const QString& html) {
    QString text = html;
    static const QRegularExpression hidden(QStringLiteral("<(script|style|head)\\b.*?</\\1\\s*>"),
                                           QRegularExpression::CaseInsensitiveOption |
                                               QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression comment(QStringLiteral("<!--.*?-->"),
                                            QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression space(QStringLiteral("[ \\t\\r\\n]+"));
    static const QRegularExpression lineBreak(
        QStringLiteral("<(br|/p|/div|/tr|/li|/h[1-6]|/blockquote|/pre|/table)\\b[^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    static const QRegularExpression entity(QStringLiteral("&(#[0-9]+|#[xX][0-9a-fA-F]+|[a-zA-Z]+);"));
    text.remove(hidden);
    text.remove(comment);
    text.replace(space, QStringLiteral(" "));
    text.replace(lineBreak, QStringLiteral("\n"));
    text.remove(tag);
    QString out;
    qsizetype at = 0;
    auto it = entity.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).mid(at, m.capturedStart() - at);
        const QString name = m.captured(1);
        QString replacement = m.captured(0);
        if (name.startsWith(QLatin1Char('#'))) {
            bool ok = false;
            const uint code = name.startsWith(QStringLiteral("#x"), Qt::CaseInsensitive)
                                  ? name.mid(2).toUInt(&ok, 16)
                                  : name.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF) {
                const char32_t c = code;
                replacement = QString::fromUcs4(&c, 1);
            }
        } else if (name == QStringLiteral("amp")) {
            replacement = QStringLiteral("&");
        } else if (name == QStringLiteral("lt")) {
            replacement = QStringLiteral("<");
        } else if (name == QStringLiteral("gt")) {
            replacement = QStringLiteral(">");
        } else if (name == QStringLiteral("quot")) {
            replacement = QStringLiteral("\"");
        } else if (name == QStringLiteral("apos")) {
            replacement = QStringLiteral("'");
        } else if (name == QStringLiteral("nbsp")) {
            replacement = QStringLiteral(" ");
        }
        out += replacement;
        at = m.capturedEnd();
    }
    out += QStringView(text).mid(at);
    QStringList lines = out.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = line.trimmed();
    return lines.join(QLatin1Char('\n')).trimmed();
}

Message read(const QByteArray& bytes) {
    if (!mail_transfer::internal::gmime().available())
        return {};
    initGMime();
    // GMime keeps header values as C strings, cut at a NUL; a NUL is a blank in every text here,
    // and attachments are never saved, so a blank for it loses nothing.
    QByteArray raw = bytes;
    raw.replace('\0', ' ');
    raw = closeAddressComments(endHeaders(raw));
    GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(raw.constData(), size_t(raw.size())));
    GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    std::unique_ptr<GMimeParserOptions, OptionsFree> options(g_mime_parser_options_new());
    g_mime_parser_options_set_rfc2047_compliance_mode(options.get(), GMIME_RFC_COMPLIANCE_LOOSE);
    g_mime_parser_options_set_parameter_compliance_mode(options.get(), GMIME_RFC_COMPLIANCE_LOOSE);
    GPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), options.get()));
    Message out;
    if (!message)
        return out;
    const Read read = readMessage(message.get(), out.attachments, 0);
    out.subject = read.subject;
    out.from = read.from;
    out.date = read.date;
    out.body = bodyLines(read.text);
    return out;
}

bool commentsClosed(const QByteArray& text) {
    return !openAt(text).any();
}

} // namespace platform::mime

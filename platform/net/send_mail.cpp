// SMTP sending over libcurl; the message is put together with GMime, but for the Subject and To
// headers, whose encoded words are made here: each ISO-2022-JP word ends in ASCII before its "?=",
// a name goes in the message's own charset when it holds it (as Japanese mailers write it), and
// no line that holds an encoded word passes 76 characters.
#include "mail_transfer.h"

#include "cancel.h"
#include "mime.h"
#include "net_libraries.h"
#include "platform/clock.h"
#include "smtp_message.h"

#include <QDateTime>
#include <QTimeZone>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <curl/curl.h>
#include <gmime/gmime.h>
#include <iconv.h>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace mail_transfer {
namespace {

std::atomic<int> gSendConnectMs{SendLimits{}.connectMs};
std::atomic<int> gSendIdleMs{SendLimits{}.idleMs};
std::atomic<int> gSendQuitMs{SendLimits{}.quitMs};

const QString kLine = QStringLiteral("\r\n");

struct GObjectFree {
    void operator()(gpointer object) const {
        if (object)
            g_object_unref(object);
    }
};
template <typename T> using GPtr = std::unique_ptr<T, GObjectFree>;

void initLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        g_mime_init();
    });
}

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x2028 || c == 0x2029;
}

bool hasControl(const QString& text) {
    for (const char32_t c : text.toUcs4())
        if (isControl(c))
            return true;
    return false;
}

// The text in ISO-2022-JP as glibc writes it (ending in ASCII), or nothing when a character is
// outside ASCII and JIS X 0208.
std::optional<QByteArray> toJis(const QString& text) {
    iconv_t cd = iconv_open("ISO-2022-JP", "UTF-8");
    if (cd == iconv_t(-1))
        return std::nullopt;
    QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 4 + 16, '\0');
    char* inPtr = in.data();
    size_t inLeft = size_t(in.size());
    char* outPtr = out.data();
    size_t outLeft = size_t(out.size());
    const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1) &&
                    iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != size_t(-1);
    iconv_close(cd);
    if (!ok)
        return std::nullopt;
    out.truncate(out.size() - int(outLeft));
    return out;
}

bool linesFit(const QByteArray& bytes) {
    for (const QByteArray& line : bytes.split('\n'))
        if (line.size() > 998)
            return false;
    return true;
}

// A header field folded before blanks, ending in CR LF. A token goes on the current line when
// the line stays within 76 characters, else on a line of its own (a longer token, an address, only
// ever holds a line alone, so a line with an encoded word never passes 76).
class HeaderLine {
public:
    static constexpr int kWidth = 76;
    explicit HeaderLine(const QByteArray& name) : out_(name + ':'), column_(int(out_.size())) {}

    // The longest token that still fits on the current line after its blank: an encoded word is at
    // most 75 characters.
    int room() const { return std::min(75, kWidth - column_ - 1); }
    // Whether the current line holds no token yet (the first one holds only the field's name).
    bool lineEmpty() const { return empty_; }
    void fold() {
        if (lineEmpty())
            return;
        out_ += "\r\n";
        column_ = 0;
        empty_ = true;
    }
    void add(const QByteArray& token) {
        if (int(token.size()) > room())
            fold();
        out_ += ' ' + token;
        column_ += 1 + int(token.size());
        empty_ = false;
    }
    QByteArray done() const { return out_ + "\r\n"; }

private:
    QByteArray out_;
    int column_;
    bool empty_ = true;
};

// The text as encoded words in ISO-2022-JP (jis) or UTF-8, each as long as its line allows.
void addEncoded(HeaderLine& line, const QString& text, bool jis) {
    const QByteArray head = jis ? QByteArrayLiteral("=?ISO-2022-JP?B?") : QByteArrayLiteral("=?UTF-8?B?");
    const auto word = [&](const QString& chunk) {
        const QByteArray bytes = jis ? toJis(chunk).value_or(QByteArray()) : chunk.toUtf8();
        return head + bytes.toBase64() + "?=";
    };
    const QList<uint> codes = text.toUcs4();
    const auto character = [&codes](qsizetype at) {
        return QString::fromUcs4(reinterpret_cast<const char32_t*>(&codes[at]), 1);
    };
    qsizetype at = 0;
    while (at < codes.size()) {
        // Each word holds at least one character: on a line of its own when the current one is full.
        QString chunk = character(at++);
        if (word(chunk).size() > line.room())
            line.fold();
        const int room = line.room();
        while (at < codes.size()) {
            const QString next = chunk + character(at);
            if (word(next).size() > room)
                break;
            chunk = next;
            ++at;
        }
        line.add(word(chunk));
    }
}

bool printableAscii(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() >= 0x7f)
            return false;
    return true;
}

// The Subject header line, folded, ending in CR LF.
QByteArray subjectLine(const QString& subject, bool jis) {
    const bool plain = printableAscii(subject) && !subject.contains(QStringLiteral("=?"));
    if (plain) {
        // Plain ASCII, folded before blanks; a word too long for a line is encoded instead.
        QByteArray out = QByteArrayLiteral("Subject:");
        int column = int(out.size());
        bool fits = true;
        const QStringList words = subject.split(QLatin1Char(' '));
        for (int i = 0; i < words.size(); ++i) {
            const QByteArray word = words[i].toLatin1();
            if (word.size() > 900)
                fits = false;
            if (column + 1 + word.size() > 76 && column > 9 && !word.isEmpty()) {
                out += "\r\n";
                column = 0;
            }
            out += ' ' + word;
            column += 1 + int(word.size());
        }
        if (fits)
            return out + "\r\n";
    }
    HeaderLine line("Subject");
    addEncoded(line, subject, jis);
    return line.done();
}

// A name that may stand as it is: ASCII atoms and blanks, nothing a reader would decode.
bool atomName(const QString& name) {
    static const QByteArray kSpecials = QByteArrayLiteral("!#$%&'*+-/=?^_`{|}~ ");
    if (!printableAscii(name) || name.contains(QStringLiteral("=?")) || name.trimmed() != name)
        return false;
    for (const QChar c : name)
        if (!c.isLetterOrNumber() && !kSpecials.contains(char(c.unicode())))
            return false;
    return true;
}

using smtp::Address;

// The To header: each address with its name as typed, in the message's charset when it holds the
// name, else in UTF-8; an ASCII name as it is, or quoted when it holds specials.
QByteArray toLine(const std::vector<Address>& to, bool jis) {
    HeaderLine line("To");
    for (std::size_t i = 0; i < to.size(); ++i) {
        const Address& address = to[i];
        const QByteArray comma = i + 1 < to.size() ? QByteArrayLiteral(",") : QByteArray();
        if (address.name.isEmpty()) {
            line.add(address.addr + comma);
            continue;
        }
        if (atomName(address.name)) {
            for (const QString& word : address.name.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                line.add(word.toLatin1());
        } else if (printableAscii(address.name) && !address.name.contains(QStringLiteral("=?"))) {
            QByteArray quoted = address.name.toLatin1();
            quoted.replace('\\', "\\\\").replace('"', "\\\"");
            line.add('"' + quoted + '"');
        } else {
            addEncoded(line, address.name, jis && toJis(address.name));
        }
        line.add('<' + address.addr + '>' + comma);
    }
    return line.done();
}

bool plainAddress(const QByteArray& addr) {
    const qsizetype at = addr.indexOf('@');
    if (at <= 0 || at != addr.lastIndexOf('@') || at == addr.size() - 1)
        return false;
    for (const char c : addr)
        if (uchar(c) <= 0x20 || uchar(c) >= 0x7f || c == '<' || c == '>' || c == '(' || c == ')' ||
            c == ',' || c == ';' || c == ':' || c == '"' || c == '\\' || c == '[' || c == ']')
            return false;
    return true;
}

// The "@" and "," outside quoted names and comments: one "@" per address and a comma between two,
// or the parser has mended the list ("a@b c@d" and "a@b@c" are not lists of addresses).
struct Marks {
    int ats = 0, commas = 0;
};
Marks unquotedMarks(const QString& text) {
    int ats = 0, commas = 0, depth = 0;
    bool quoted = false, escaped = false;
    for (const QChar c : text) {
        if (escaped) {
            escaped = false;
        } else if (c == u'\\') {
            escaped = quoted || depth > 0;
        } else if (c == u'"' && depth == 0) {
            quoted = !quoted;
        } else if (!quoted && c == u'(') {
            ++depth;
        } else if (!quoted && c == u')' && depth > 0) {
            --depth;
        } else if (!quoted && depth == 0 && c == u'@') {
            ++ats;
        } else if (!quoted && depth == 0 && c == u',') {
            ++commas;
        }
    }
    return {ats, commas};
}

// The address list as typed, or why not.
std::optional<std::vector<Address>> parseAddresses(const QString& text, QString& why) {
    why = QStringLiteral("宛先が正しくありません");
    if (hasControl(text) || !platform::mime::commentsClosed(text.toUtf8()))
        return std::nullopt;
    GMimeParserOptions* options = g_mime_parser_options_new();
    // Loose: GMime's strict mode loses memory on a list it refuses (an address followed by
    // anything but a comma), as both do on an open comment (refused above); what the loose one
    // mends, the counts below refuse.
    g_mime_parser_options_set_address_compliance_mode(options, GMIME_RFC_COMPLIANCE_LOOSE);
    const QByteArray utf8 = text.toUtf8();
    GPtr<InternetAddressList> list(internet_address_list_parse(options, utf8.constData()));
    g_mime_parser_options_free(options);
    if (!list)
        return std::nullopt;
    std::vector<Address> out;
    const int n = internet_address_list_length(list.get());
    for (int i = 0; i < n; ++i) {
        InternetAddress* address = internet_address_list_get_address(list.get(), i);
        if (!INTERNET_ADDRESS_IS_MAILBOX(address))
            return std::nullopt; // a group hides whom it names
        const QByteArray addr(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address)));
        if (!plainAddress(addr))
            return std::nullopt;
        const char* name = internet_address_get_name(address);
        out.push_back({name ? QString::fromUtf8(name) : QString(), addr});
    }
    const Marks marks = unquotedMarks(text);
    if (out.empty() || int(out.size()) != marks.ats || int(out.size()) != marks.commas + 1)
        return std::nullopt;
    return out;
}

struct Server {
    QByteArray host;
    int port = 25;
};

std::optional<Server> parseServer(const QString& text) {
    Server server;
    QString host = text;
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        const QString port = text.mid(colon + 1);
        host = text.left(colon);
        if (port.isEmpty() || port.size() > 5 ||
            !std::all_of(port.begin(), port.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            return std::nullopt;
        server.port = port.toInt();
        if (server.port < 1 || server.port > 65535)
            return std::nullopt;
    }
    if (host.isEmpty() || hasControl(host) || host.contains(QLatin1Char(' ')) ||
        host.contains(QLatin1Char('/')))
        return std::nullopt;
    server.host = host.toUtf8();
    return server;
}

} // namespace

QByteArray smtp::compose(const std::vector<Address>& to, const QByteArray& from, const QString& subject,
                         const QString& body) {
    initLibraries();
    QString text = body;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QString cleanSubject;
    for (const char32_t c : subject.toUcs4())
        cleanSubject += isControl(c) ? QString(QLatin1Char(' ')) : QString::fromUcs4(&c, 1);

    const std::optional<QByteArray> jisBody = toJis(text);
    const bool jis = jisBody && linesFit(*jisBody) && toJis(cleanSubject);
    const QByteArray content = jis ? *jisBody : text.toUtf8();

    GPtr<GMimeMessage> message(g_mime_message_new(FALSE));
    g_mime_message_add_mailbox(message.get(), GMIME_ADDRESS_TYPE_FROM, nullptr, from.constData());
    const QDateTime now = platform::clock::now();
    GTimeZone* zone = g_time_zone_new_offset(now.offsetFromUtc());
    GDateTime* date = g_date_time_new(zone, now.date().year(), now.date().month(), now.date().day(),
                                      now.time().hour(), now.time().minute(), now.time().second());
    g_mime_message_set_date(message.get(), date);
    g_date_time_unref(date);
    g_time_zone_unref(zone);
    const QByteArray domain = from.mid(from.indexOf('@') + 1);
    char* id = g_mime_utils_generate_message_id(domain.constData());
    g_mime_message_set_message_id(message.get(), id);
    g_free(id);
    g_mime_object_set_header(GMIME_OBJECT(message.get()), "MIME-Version", "1.0", nullptr);

    GPtr<GMimeTextPart> part(g_mime_text_part_new_with_subtype("plain"));
    GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(content.constData(), size_t(content.size())));
    GPtr<GMimeDataWrapper> wrapper(
        g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(GMIME_PART(part.get()), wrapper.get());
    g_mime_text_part_set_charset(part.get(), jis ? "ISO-2022-JP" : "UTF-8");
    g_mime_part_set_content_encoding(GMIME_PART(part.get()),
                                     jis ? GMIME_CONTENT_ENCODING_7BIT : GMIME_CONTENT_ENCODING_BASE64);
    g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(part.get()));

    GMimeFormatOptions* format = g_mime_format_options_new();
    g_mime_format_options_set_newline_format(format, GMIME_NEWLINE_FORMAT_DOS);
    GPtr<GMimeStream> out(g_mime_stream_mem_new());
    g_mime_object_write_to_stream(GMIME_OBJECT(message.get()), format, out.get());
    g_mime_format_options_free(format);
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get()));
    const QByteArray written(reinterpret_cast<const char*>(bytes->data), int(bytes->len));
    return subjectLine(cleanSubject, jis) + toLine(to, jis) + written;
}

void smtp::ReplyLines::take(const char* text, size_t size) {
    partial_.append(text, qsizetype(size));
    qsizetype end;
    while ((end = partial_.indexOf('\n')) >= 0) {
        const QByteArray line = partial_.left(end).trimmed();
        partial_.remove(0, end + 1);
        if (line.isEmpty())
            continue;
        last_ = line;
        if (refusal_.isEmpty() && (line.startsWith('4') || line.startsWith('5')))
            refusal_ = line;
    }
}

QByteArray smtp::ReplyLines::telling() const {
    if (!refusal_.isEmpty())
        return refusal_;
    const bool positive = last_.size() >= 3 && (last_[0] == '1' || last_[0] == '2' || last_[0] == '3') &&
                          std::isdigit(static_cast<unsigned char>(last_[1])) &&
                          std::isdigit(static_cast<unsigned char>(last_[2]));
    return positive ? QByteArray() : last_;
}

std::optional<smtp::Addresses> smtp::readAddresses(const QString& recipient, const QString& sender,
                                                   QString& why) {
    initLibraries();
    const std::optional<std::vector<Address>> own = parseAddresses(sender, why);
    if (!own || own->size() != 1 || !own->front().name.isEmpty()) {
        why = kLine + QStringLiteral("自分のメールアドレスが正しくありません");
        return std::nullopt;
    }

    // Only the two forms: addresses, or addresses TAB "bcc" TAB the own address.
    QStringList parts = recipient.split(QLatin1Char('\t'));
    bool blindCopy = false;
    if (parts.size() == 3 && parts[1] == QStringLiteral("bcc") && parts[2] == sender) {
        blindCopy = true;
        parts.resize(1);
    }
    if (parts.size() != 1) {
        why = kLine + QStringLiteral("宛先が正しくありません");
        return std::nullopt;
    }
    std::optional<std::vector<Address>> to = parseAddresses(parts[0], why);
    if (!to) {
        why = kLine + why;
        return std::nullopt;
    }

    Addresses out{std::move(*to), own->front().addr, {}};
    for (const Address& address : out.to)
        if (std::find(out.envelope.begin(), out.envelope.end(), address.addr) == out.envelope.end())
            out.envelope.push_back(address.addr);
    if (blindCopy && std::find(out.envelope.begin(), out.envelope.end(), out.own) == out.envelope.end())
        out.envelope.push_back(out.own);
    return out;
}

namespace {

// One SMTP session's state for libcurl's callbacks.
struct Transfer {
    explicit Transfer(CancelMark mark) : watch(mark.generation) {}

    internal::Watch watch;
    int idleMs = 0, quitMs = 0;
    QByteArray message;
    qsizetype sent = 0;
    smtp::ReplyLines replies;

    // Called about once a second at the least, also while libcurl awaits a reply.
    static int onProgress(void* data, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        return static_cast<Transfer*>(data)->watch.overdue() ? 1 : 0;
    }

    static size_t onRead(char* buffer, size_t size, size_t count, void* data) {
        auto* self = static_cast<Transfer*>(data);
        const qsizetype n = std::min<qsizetype>(qsizetype(size * count), self->message.size() - self->sent);
        memcpy(buffer, self->message.constData() + self->sent, size_t(n));
        self->sent += n;
        return size_t(n);
    }
    // A reply must come within the limit from its command, or from the last piece of the data
    // that went out (the data's end follows it at once); the data, while it goes out.
    static int onDebug(CURL*, curl_infotype type, char* text, size_t size, void* data) {
        auto* self = static_cast<Transfer*>(data);
        if (type == CURLINFO_HEADER_IN) {
            self->replies.take(text, size);
        } else if (type == CURLINFO_HEADER_OUT &&
                   QByteArray::fromRawData(text, qsizetype(size)).left(4).toUpper() == "QUIT") {
            self->watch.quitAfterStep(self->quitMs);
        } else if (type == CURLINFO_HEADER_OUT || type == CURLINFO_DATA_OUT) {
            self->watch.within(self->idleMs);
        }
        return 0;
    }
};

struct CurlFree {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

QString reasonOf(const internal::Watch& watch, CURLcode code, long response) {
    // The watch ends a session by shutting its connection down: libcurl then reports a broken one.
    if (watch.cancelled())
        return QStringLiteral("送信を中断しました");
    if (response >= 400)
        return QStringLiteral("サーバがメールを受け付けませんでした");
    if (watch.timedOut())
        return QStringLiteral("SMTPサーバが応答しません");
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("SMTPサーバが見つかりません");
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("SMTPサーバに接続できません");
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("SMTPサーバが応答しません");
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("SMTPサーバと安全に接続できません");
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
        return QStringLiteral("SMTPサーバとの接続が途中で切れました");
    default:
        return QStringLiteral("メールを送れませんでした");
    }
}

} // namespace

void setSendLimits(const SendLimits& limits) {
    gSendConnectMs = limits.connectMs;
    gSendIdleMs = limits.idleMs;
    gSendQuitMs = limits.quitMs;
}

QString SendMailEx(const QString& folder, const QString& server, const QString& recipient,
                   const QString& sender, const QString& subject, const QString& body,
                   const QString& seventh) {
    return SendMailExMarked(cancelMark(), folder, server, recipient, sender, subject, body, seventh);
}

QString SendMailExMarked(CancelMark mark, const QString& folder, const QString& server,
                         const QString& recipient, const QString& sender, const QString& subject,
                         const QString& body, const QString& seventh) {
    (void)folder, (void)seventh;
    if (const QString missing = internal::missingLibraries(true, true); !missing.isEmpty())
        return kLine + missing;
    initLibraries();
    const std::optional<Server> host = parseServer(server);
    if (!host)
        return kLine + QStringLiteral("SMTPサーバの指定が正しくありません");
    QString why;
    const std::optional<smtp::Addresses> addresses = smtp::readAddresses(recipient, sender, why);
    if (!addresses)
        return why;

    Transfer transfer(mark);
    transfer.message = smtp::compose(addresses->to, addresses->own, subject, body);

    std::unique_ptr<CURL, CurlFree> handle(curl_easy_init());
    if (!handle)
        return kLine + QStringLiteral("メールを送れませんでした");
    CURL* h = handle.get();
    const bool implicitTls = host->port == 465;
    const QByteArray url = (implicitTls ? QByteArrayLiteral("smtps://") : QByteArrayLiteral("smtp://")) +
                           (host->host.contains(':') ? '[' + host->host + ']' : host->host) + ':' +
                           QByteArray::number(host->port);
    const QByteArray from = '<' + addresses->own + '>';
    std::unique_ptr<curl_slist, CurlFree> rcpt;
    for (const QByteArray& addr : addresses->envelope) {
        const QByteArray item = '<' + addr + '>';
        curl_slist* next = curl_slist_append(rcpt.get(), item.constData());
        if (!next)
            return kLine + QStringLiteral("メールを送れませんでした");
        (void)rcpt.release();
        rcpt.reset(next);
    }
    const int connectMs = gSendConnectMs.load();
    transfer.idleMs = gSendIdleMs.load();
    transfer.quitMs = gSendQuitMs.load();
    // libcurl's own limits only back the watch's up, a second later: were they to end a step
    // first, libcurl would wait for QUIT's reply under them once more.
    const long backupSeconds = long((transfer.idleMs + 999) / 1000) + 1;
    curl_easy_setopt(h, CURLOPT_URL, url.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(h, CURLOPT_USE_SSL, long(implicitTls ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(connectMs));
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, backupSeconds);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, backupSeconds);
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, rcpt.get());
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, curl_off_t(transfer.message.size()));
    curl_easy_setopt(h, CURLOPT_READFUNCTION, &Transfer::onRead);
    curl_easy_setopt(h, CURLOPT_READDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &Transfer::onProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, &Transfer::onDebug);
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, &internal::Watch::openSocket);
    curl_easy_setopt(h, CURLOPT_OPENSOCKETDATA, &transfer.watch);
    curl_easy_setopt(h, CURLOPT_CLOSESOCKETFUNCTION, &internal::Watch::closeSocket);
    curl_easy_setopt(h, CURLOPT_CLOSESOCKETDATA, &transfer.watch);
    if (transfer.watch.cancelled())
        return kLine + QStringLiteral("送信を中断しました"); // nothing went out
    // To connect and be greeted; from then on each command sets its reply's limit.
    transfer.watch.begin(connectMs);
    transfer.watch.start();
    const CURLcode code = curl_easy_perform(h);
    long response = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &response);
    QString result;
    if (code != CURLE_OK) {
        result = kLine + reasonOf(transfer.watch, code, response);
        const QByteArray reply = transfer.replies.telling();
        if (!reply.isEmpty())
            result += kLine + QString::fromUtf8(reply);
    }
    // The mail was taken or refused: libcurl says QUIT as the handle is cleaned up, where no
    // callback of ours sees it go out, and QUIT's reply changes nothing.
    transfer.watch.quitting(transfer.quitMs);
    handle.reset();
    transfer.watch.stop();
    return result;
}

} // namespace mail_transfer

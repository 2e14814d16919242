#include "SstpSocket.h"

#include <cctype>
#include <charconv>
#include <sys/socket.h>

namespace {

constexpr char kCrLf[] = "\r\n";
// What every SEND request appends to its script: the script's own end-of-script command.
constexpr char kScriptEnd[] = "\\e";
// Separates the items of an entry: the four characters backslash, r, backslash, n.
constexpr char kEntrySeparator[] = "\\r\\n";

// A copy that shares no buffer with the original. The texts below cross between the worker and
// the host's thread; with copies of their own the threads never meet in a shared reference count,
// whose ordering ThreadSanitizer cannot follow into Qt's uninstrumented code.
QByteArray ownCopy(const QByteArray& bytes) {
    return QByteArray(bytes.constData(), bytes.size());
}

// The value as a C string holds it: up to its first NUL byte.
QByteArray cString(const QByteArray& value) {
    const qsizetype nul = value.indexOf('\0');
    return nul < 0 ? value : value.left(nul);
}

bool isSingleLine(const QByteArray& value) {
    return !value.contains('\r') && !value.contains('\n');
}

// A CP932 lead byte: it and the byte after it are one character.
bool isLeadByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Where the entry separator starts at or after from, on a character boundary (so a backslash that
// is the second byte of a double-byte character never matches); -1 when nowhere.
qsizetype findSeparator(const QByteArray& text, qsizetype from) {
    const qsizetype length = sizeof kEntrySeparator - 1;
    for (qsizetype i = from; i < text.size();) {
        if (text.mid(i, length) == kEntrySeparator)
            return i;
        i += isLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
    }
    return -1;
}

QByteArray headerLine(const char* name, const QByteArray& value) {
    return name + value + kCrLf;
}

QByteArray entryLines(const QByteArray& entry) {
    QByteArray lines;
    qsizetype at = 0;
    while (at < entry.size()) {
        const qsizetype separator = findSeparator(entry, at);
        if (separator < 0)
            break;
        lines += headerLine("Entry: ", entry.mid(at, separator - at));
        at = separator + qsizetype(sizeof kEntrySeparator - 1);
    }
    return lines + headerLine("Entry: ", entry.mid(at));
}

// One %d of scanf: blanks, an optional sign, digits. Advances at; nothing when no number is there
// or it does not fit 32 bits.
std::optional<int32_t> scanNumber(const QByteArray& text, qsizetype& at) {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    qsizetype start = at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        ++at;
    const qsizetype digits = at;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])))
        ++at;
    if (at == digits)
        return std::nullopt;
    if (text[start] == '+')
        ++start;
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.constData() + start, text.constData() + at, value);
    if (error != std::errc())
        return std::nullopt;
    return value;
}

// The status code of a reply that begins "SSTP/<major>.<minor> <code>", whatever follows.
std::optional<int32_t> statusOf(const QByteArray& reply) {
    if (!reply.startsWith("SSTP/"))
        return std::nullopt;
    qsizetype at = 5;
    if (!scanNumber(reply, at) || at >= reply.size() || reply[at] != '.')
        return std::nullopt;
    ++at;
    if (!scanNumber(reply, at))
        return std::nullopt;
    return scanNumber(reply, at);
}

// A request whose only header after the sender is one value.
std::optional<QByteArray> oneValueRequest(const char* requestLine, const char* header,
                                          const QByteArray& value, const QByteArray& sender) {
    if (!isSingleLine(value))
        return std::nullopt;
    return requestLine + QByteArray(kCrLf) + headerLine("Sender: ", sender) + headerLine(header, value) +
           kCrLf;
}

} // namespace

int32_t CSstpSocket::Send(const QByteArray& scriptValue, int32_t option) {
    const QByteArray script = cString(scriptValue);
    return Request([&](const QByteArray& sender) -> std::optional<QByteArray> {
        if (!isSingleLine(script))
            return std::nullopt;
        QByteArray text = "SEND SSTP/1.1\r\n" + headerLine("Sender: ", sender) +
                          headerLine("Script: ", script + kScriptEnd);
        if (option == 1)
            text += "Option: nodescript\r\n";
        else if (option == 2)
            text += "Option: notranslate\r\n";
        return text + kCrLf;
    });
}

int32_t CSstpSocket::Send2(const QByteArray& scriptValue, const QByteArray& entryValue) {
    const QByteArray script = cString(scriptValue);
    const QByteArray entry = cString(entryValue);
    return Request([&](const QByteArray& sender) -> std::optional<QByteArray> {
        if (!isSingleLine(script) || !isSingleLine(entry))
            return std::nullopt;
        return "SEND SSTP/1.2\r\n" + headerLine("Sender: ", sender) +
               headerLine("Script: ", script + kScriptEnd) + entryLines(entry) + kCrLf;
    });
}

int32_t CSstpSocket::SendEx(const QByteArray& scriptValue, const QByteArray& entryValue, int32_t hwnd) {
    const QByteArray script = cString(scriptValue);
    const QByteArray entry = cString(entryValue);
    return Request([&](const QByteArray& sender) -> std::optional<QByteArray> {
        if (!isSingleLine(script) || !isSingleLine(entry))
            return std::nullopt;
        return "SEND SSTP/1.3\r\n" + headerLine("Sender: ", sender) +
               headerLine("HWnd: ", QByteArray::number(hwnd)) + headerLine("Script: ", script + kScriptEnd) +
               entryLines(entry) + kCrLf;
    });
}

int32_t CSstpSocket::Execute(const QByteArray& command) {
    return Request([&](const QByteArray& sender) {
        return oneValueRequest("EXECUTE SSTP/1.0", "Command: ", cString(command), sender);
    });
}

int32_t CSstpSocket::GiveDocument(const QByteArray& document) {
    return Request([&](const QByteArray& sender) {
        return oneValueRequest("GIVE SSTP/1.1", "Document: ", cString(document), sender);
    });
}

int32_t CSstpSocket::GiveSongname(const QByteArray& songname) {
    return Request([&](const QByteArray& sender) {
        return oneValueRequest("GIVE SSTP/1.1", "Songname: ", cString(songname), sender);
    });
}

int32_t CSstpSocket::Communicate(const QByteArray& sentence) {
    return Request([&](const QByteArray& sender) {
        return oneValueRequest("COMMUNICATE SSTP/1.1", "Sentence: ", cString(sentence), sender);
    });
}

int32_t CSstpSocket::Request(const Builder& build) {
    namespace net = brindok::net;
    const net::Deadline deadline = net::Clock::now() + timeout();
    QByteArray server;
    QByteArray sender;
    net::Lookup lookup;
    int sendBufferSize = 0;
    {
        const std::lock_guard lock(mutex_);
        server = ownCopy(server_);
        sender = ownCopy(sender_);
        lookup = lookup_;
        sendBufferSize = sendBufferSize_;
    }
    const std::optional<QByteArray> text = isSingleLine(sender) ? build(sender) : std::nullopt;
    if (!text)
        return kSendFailed;
    const net::Fd socket = net::tcpSocket();
    if (!socket)
        return kCreateFailed;
    if (sendBufferSize > 0)
        ::setsockopt(socket.get(), SOL_SOCKET, SO_SNDBUF, &sendBufferSize, sizeof sendBufferSize);
    const auto address = net::resolve(server, kPort, deadline, lookup);
    if (!address || !net::connectBy(socket, *address, deadline))
        return kConnectFailed;
    {
        const std::lock_guard lock(mutex_);
        request_ = *text;
    }
    if (!net::sendAllBy(socket, *text, deadline))
        return kSendFailed;
    ReceiveReply(socket, deadline);
    return kOk;
}

void CSstpSocket::ReceiveReply(const brindok::net::Fd& socket, brindok::net::Deadline deadline) {
    char buffer[kReplyMax];
    ssize_t received = 0;
    if (brindok::net::readableBy(socket, deadline))
        received = ::recv(socket.get(), buffer, sizeof buffer, 0);
    Reply reply = ReadReply(received > 0 ? QByteArray(buffer, received) : QByteArray());
    const std::lock_guard lock(mutex_);
    reply_ = std::move(reply.text);
    if (reply.status)
        status_ = *reply.status;
}

CSstpSocket::Reply CSstpSocket::ReadReply(const QByteArray& received) {
    Reply reply{received, std::nullopt};
    if (const qsizetype nul = reply.text.indexOf('\0'); nul >= 0)
        reply.text.truncate(nul);
    reply.status = statusOf(reply.text);
    return reply;
}

QByteArray CSstpSocket::SendString() const {
    const std::lock_guard lock(mutex_);
    return ownCopy(request_);
}

QByteArray CSstpSocket::Response() const {
    const std::lock_guard lock(mutex_);
    return ownCopy(reply_);
}

int32_t CSstpSocket::StatusCode() const {
    const std::lock_guard lock(mutex_);
    return status_;
}

QByteArray CSstpSocket::ServerAddress() const {
    const std::lock_guard lock(mutex_);
    return ownCopy(server_);
}

void CSstpSocket::SetServerAddress(const QByteArray& address) {
    const std::lock_guard lock(mutex_);
    server_ = ownCopy(cString(address));
}

QByteArray CSstpSocket::SenderName() const {
    const std::lock_guard lock(mutex_);
    return ownCopy(sender_);
}

void CSstpSocket::SetSenderName(const QByteArray& sender) {
    const std::lock_guard lock(mutex_);
    sender_ = ownCopy(cString(sender));
}

std::chrono::milliseconds CSstpSocket::timeout() const {
    const std::lock_guard lock(mutex_);
    return timeout_;
}

void CSstpSocket::setTimeout(std::chrono::milliseconds timeout) {
    const std::lock_guard lock(mutex_);
    timeout_ = timeout;
}

void CSstpSocket::setLookup(brindok::net::Lookup lookup) {
    const std::lock_guard lock(mutex_);
    lookup_ = std::move(lookup);
}

void CSstpSocket::setSendBufferSize(int bytes) {
    const std::lock_guard lock(mutex_);
    sendBufferSize_ = bytes;
}

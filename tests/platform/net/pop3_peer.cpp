#include "pop3_peer.h"

#include "loopback.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Only a guard against a test that hangs; a silent peer outlasts every client limit the tests set.
constexpr int kSafetyMs = 10000;

bool sendAll(int fd, const QByteArray& bytes) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

// Dot-stuffed, CRLF lines, ending in ".".
QByteArray multiLine(const QByteArray& text) {
    QByteArray out;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith('.'))
            line.prepend('.');
        out += line + "\r\n";
    }
    if (text.endsWith('\n'))
        out.chop(2);
    return out + ".\r\n";
}

} // namespace

QByteArray Pop3Peer::message(const QByteArray& subject, int bodyLines) {
    QByteArray m =
        "From: peer@example.com\r\nSubject: " + subject + "\r\nDate: Tue, 01 Dec 2026 09:30:00 +0900\r\n\r\n";
    for (int i = 0; i < bodyLines; ++i)
        m += "line " + QByteArray::number(i) + "\r\n";
    m += ".starts with a dot\r\n";
    return m;
}

Pop3Peer::Pop3Peer(std::vector<QByteArray> messages, Fault fault, int port)
    : messages_(std::move(messages)), fault_(fault) {
    const int listener = listenOnLoopback(port);
    if (listener < 0)
        return;
    port_ = port;
    Serve(listener);
}

Pop3Peer::~Pop3Peer() {
    Stop();
    for (std::thread& client : clients_)
        client.join();
}

QByteArray Pop3Peer::silentlyReceived() {
    const std::lock_guard lock(mutex_);
    return silentlyReceived_;
}

QByteArrayList Pop3Peer::commands() {
    const std::lock_guard lock(mutex_);
    return commands_;
}

void Pop3Peer::Accepted(int client) {
    clients_.emplace_back(&Pop3Peer::Handle, this, client);
}

void Pop3Peer::Handle(int client) {
    // Waits for the client to give up (or the test to end), reading and dropping what it sends.
    auto holdSilent = [&] {
        char buffer[512];
        for (int waited = 0; waited < kSafetyMs && !stopping(); waited += 50) {
            pollfd p{client, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            const std::lock_guard lock(mutex_);
            silentlyReceived_.append(buffer, n);
        }
    };
    auto finish = [&] { ::close(client); };
    // Sends bytes in pieces of size, ms apart, until all is sent, the client goes or the test ends.
    auto sendSlowly = [&](const QByteArray& bytes, qsizetype size, int ms) {
        for (qsizetype at = 0; at < bytes.size(); at += size) {
            for (int waited = 0; at > 0 && waited < ms; waited += 10) {
                if (stopping())
                    return false;
                ::usleep(10000);
            }
            if (!sendAll(client, bytes.mid(at, size)))
                return false;
        }
        return true;
    };
    // The reply to a command, a byte at a time when the fault trickles it.
    auto reply = [&](const QByteArray& bytes, Fault trickled) {
        return fault_ == trickled ? sendSlowly(bytes, 1, kTrickleMs) : sendAll(client, bytes);
    };
    if (fault_ == SilentBeforeGreeting) {
        holdSilent();
        return finish();
    }
    if (fault_ == Garbage) {
        sendAll(client, "\x01\x02 HTTP/1.1 400 what?\r\n");
        holdSilent();
        return finish();
    }
    sendAll(client, "+OK scripted peer ready\r\n");
    QByteArray pending;
    char buffer[4096];
    for (;;) {
        const qsizetype end = pending.indexOf("\r\n");
        if (end < 0) {
            pollfd p{client, POLLIN, 0};
            if (stopping() || ::poll(&p, 1, kSafetyMs) <= 0)
                return finish();
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                return finish();
            pending.append(buffer, n);
            continue;
        }
        const QByteArray line = pending.left(end);
        pending.remove(0, end + 2);
        const QByteArrayList words = line.split(' ');
        const QByteArray verb = words.value(0).toUpper();
        {
            const std::lock_guard lock(mutex_);
            commands_ << (verb == "PASS" ? QByteArray("PASS") : line);
        }
        const int number = words.value(1).toInt();
        const bool known = number >= 1 && size_t(number) <= messages_.size();
        if (verb == "CAPA") {
            sendAll(client, fault_ == NoUidl       ? "+OK\r\nUSER\r\nTOP\r\n.\r\n"
                            : fault_ == OffersStls ? "+OK\r\nUSER\r\nTOP\r\nUIDL\r\nSTLS\r\n.\r\n"
                                                   : "+OK\r\nUSER\r\nTOP\r\nUIDL\r\n.\r\n");
        } else if (verb == "STLS" && fault_ == OffersStls) {
            sendAll(client, "+OK begin TLS\r\n");
            holdSilent();
            return finish();
        } else if (verb == "USER" || verb == "PASS" || verb == "NOOP") {
            sendAll(client, "+OK\r\n");
        } else if (verb == "STAT") {
            if (fault_ == ErrOnStat) {
                sendAll(client, "-ERR not now\r\n");
                continue;
            }
            if (fault_ == BareStat) {
                sendAll(client, "+OK\r\n");
                continue;
            }
            if (fault_ == SilentAfterStat) {
                holdSilent();
                return finish();
            }
            qsizetype size = 0;
            for (const QByteArray& m : messages_)
                size += m.size();
            reply("+OK " + QByteArray::number(qsizetype(messages_.size())) + " " + QByteArray::number(size) +
                      "\r\n",
                  TrickleStat);
        } else if (verb == "UIDL" && fault_ != NoUidl && words.size() == 1) {
            QByteArray list = "+OK\r\n";
            for (size_t i = 0; i < messages_.size(); ++i)
                list += QByteArray::number(qsizetype(i + 1)) + " uid-" +
                        QByteArray::number(qsizetype(i + 1)) + "\r\n";
            reply(list + ".\r\n", TrickleUidl);
        } else if (verb == "TOP" && known) {
            const QByteArray& m = messages_[size_t(number - 1)];
            reply("+OK\r\n" + multiLine(m.left(m.indexOf("\r\n\r\n") + 4)), TrickleTop);
        } else if (verb == "RETR" && known) {
            const QByteArray whole = "+OK\r\n" + multiLine(messages_[size_t(number - 1)]);
            const bool last = size_t(number) == messages_.size();
            if (((fault_ == CloseMidRetr || fault_ == SilentMidRetr) && last) ||
                (fault_ == CloseMidFirstRetr && number == 1)) {
                sendAll(client, whole.left(whole.size() / 2));
                if (fault_ == SilentMidRetr)
                    holdSilent();
                return finish();
            }
            if (fault_ == SlowRetr)
                sendSlowly(whole, 512, 50);
            else
                reply(whole, TrickleRetr);
        } else if (verb == "QUIT" && fault_ == SilentQuit) {
            holdSilent();
            return finish();
        } else if (verb == "QUIT") {
            sendAll(client, "+OK bye\r\n");
            return finish();
        } else {
            sendAll(client, "-ERR unknown command\r\n");
        }
    }
}

#include "net.h"

#include <arpa/inet.h>
#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>

namespace brindok::net {
namespace {

// Waits for events on socket until deadline; the events that came, or 0 on timeout or error.
short waitFor(const Fd& socket, short events, Deadline deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<Timeout>(deadline - Clock::now());
        if (left.count() < 0)
            return 0;
        pollfd p{socket.get(), events, 0};
        const int n = ::poll(&p, 1, int(left.count()));
        if (n > 0)
            return p.revents;
        if (n == 0)
            return 0;
        if (errno != EINTR)
            return 0;
    }
}

// What a lookup on the helper thread and its waiter share; the thread keeps it alive for as long
// as it runs, also after the waiter has given up.
struct PendingLookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::optional<in_addr> answer;
};

std::optional<in_addr> lookUpBy(const QByteArray& host, Deadline deadline, const Lookup& lookup) {
    auto pending = std::make_shared<PendingLookup>();
    try {
        // The thread gets copies of its own: the caller's texts and lookup may be gone before it ends.
        std::thread([pending, host = QByteArray(host.constData(), host.size()), lookup] {
            const std::optional<in_addr> answer = lookup(host);
            const std::lock_guard lock(pending->mutex);
            pending->answer = answer;
            pending->finished = true;
            pending->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return std::nullopt; // no thread to be had: as good as unknown
    }
    std::unique_lock lock(pending->mutex);
    if (!pending->done.wait_until(lock, deadline, [&] { return pending->finished; }))
        return std::nullopt;
    return pending->answer;
}

} // namespace

Fd tcpSocket() {
    return Fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
}

std::optional<in_addr> systemLookup(const QByteArray& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.constData(), nullptr, &hints, &found) != 0 || !found)
        return std::nullopt;
    const in_addr address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    return address;
}

std::optional<sockaddr_in> resolve(const QByteArray& host, uint16_t port, Deadline deadline,
                                   const Lookup& lookup) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (host.contains('\0'))
        return std::nullopt;
    if (::inet_pton(AF_INET, host.constData(), &address.sin_addr) == 1)
        return address;
    const std::optional<in_addr> found = lookUpBy(host, deadline, lookup);
    if (!found)
        return std::nullopt;
    address.sin_addr = *found;
    return address;
}

bool connectBy(const Fd& socket, const sockaddr_in& address, Deadline deadline) {
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return true;
    if (errno != EINPROGRESS && errno != EINTR)
        return false;
    if (!(waitFor(socket, POLLOUT, deadline) & (POLLOUT | POLLERR | POLLHUP)))
        return false;
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

bool sendAllBy(const Fd& socket, const QByteArray& data, Deadline deadline) {
    qsizetype sent = 0;
    while (sent < data.size()) {
        const ssize_t n =
            ::send(socket.get(), data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        if (!(waitFor(socket, POLLOUT, deadline) & POLLOUT))
            return false;
    }
    return true;
}

bool readableBy(const Fd& socket, Deadline deadline) {
    return waitFor(socket, POLLIN, deadline) != 0;
}

} // namespace brindok::net

#include "net.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

namespace brindok::net {
namespace {

using Clock = std::chrono::steady_clock;

// Waits for events on socket until deadline; the events that came, or 0 on timeout or error.
short waitFor(const Fd& socket, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<Timeout>(deadline - Clock::now());
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

} // namespace

Fd tcpSocket() {
    return Fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
}

std::optional<sockaddr_in> resolve(const QByteArray& host, uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (host.contains('\0'))
        return std::nullopt;
    if (::inet_pton(AF_INET, host.constData(), &address.sin_addr) == 1)
        return address;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.constData(), nullptr, &hints, &found) != 0 || !found)
        return std::nullopt;
    address.sin_addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    return address;
}

bool connectWithin(const Fd& socket, const sockaddr_in& address, Timeout timeout) {
    const auto deadline = Clock::now() + timeout;
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

bool sendAllWithin(const Fd& socket, const QByteArray& data, Timeout timeout) {
    const auto deadline = Clock::now() + timeout;
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

bool readableWithin(const Fd& socket, Timeout timeout) {
    return waitFor(socket, POLLIN, Clock::now() + timeout) != 0;
}

} // namespace brindok::net

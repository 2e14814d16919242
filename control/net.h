#pragma once
// The few socket steps the control takes, over non-blocking POSIX sockets. Each step ends by a
// deadline, so one time limit can hold for a whole request, name lookup included.
#include <QByteArray>
#include <chrono>
#include <functional>
#include <netinet/in.h>
#include <optional>
#include <unistd.h>

namespace brindok::net {

using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;
using Timeout = std::chrono::milliseconds;

// Owns one file descriptor.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// A new non-blocking TCP socket; empty when none can be made.
Fd tcpSocket();

// Finds the IPv4 address of a host name, taking as long as it takes; nothing when unknown.
using Lookup = std::function<std::optional<in_addr>(const QByteArray& host)>;
// The C library's lookup (getaddrinfo: hosts file, DNS, as the system is set up).
std::optional<in_addr> systemLookup(const QByteArray& host);

// The IPv4 address of host with port: a dotted address at once; a name through lookup, which runs
// on a helper thread and is given up at the deadline (it then ends on its own, unheard). Nothing
// when the host is unknown, holds a NUL, or the deadline passes first.
std::optional<sockaddr_in> resolve(const QByteArray& host, uint16_t port, Deadline deadline,
                                   const Lookup& lookup = systemLookup);

// Connects by deadline; false when refused, unreachable or too slow.
bool connectBy(const Fd& socket, const sockaddr_in& address, Deadline deadline);

// Sends all of data by deadline; false on error or when the peer does not take it in time.
bool sendAllBy(const Fd& socket, const QByteArray& data, Deadline deadline);

// Waits until socket has something to read (data, end of stream or an error); false at the
// deadline.
bool readableBy(const Fd& socket, Deadline deadline);

} // namespace brindok::net

#pragma once
// The few socket steps the control takes, each bounded in time, over non-blocking POSIX sockets.
#include <QByteArray>
#include <chrono>
#include <netinet/in.h>
#include <optional>
#include <unistd.h>

namespace brindok::net {

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

// The IPv4 address of host (dotted or a name the resolver knows) with port; nothing when unknown.
std::optional<sockaddr_in> resolve(const QByteArray& host, uint16_t port);

// Connects within timeout; false when refused, unreachable or too slow.
bool connectWithin(const Fd& socket, const sockaddr_in& address, Timeout timeout);

// Sends all of data within timeout; false on error or when the peer does not take it in time.
bool sendAllWithin(const Fd& socket, const QByteArray& data, Timeout timeout);

// Waits until socket has something to read (data, end of stream or an error); false on timeout.
bool readableWithin(const Fd& socket, Timeout timeout);

} // namespace brindok::net

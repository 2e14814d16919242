#include "sstp_server.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr uint16_t kPort = 11000;
// Only a guard against a test that hangs; nothing waits this long when the test passes.
constexpr int kSafetyMs = 10000;

sockaddr_in loopback(const QByteArray& address) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(kPort);
    ::inet_pton(AF_INET, address.constData(), &a.sin_addr);
    return a;
}

// A TCP socket bound to port 11000 of address, or of the first free 127.0.0.x (x from 2 up) when
// address is empty. A listening socket or one bound without SO_REUSEADDR keeps every other test
// off its address. Returns the socket and fills address.
int bindPort(QByteArray& address, bool reuse) {
    const int first = address.isEmpty() ? 2 : 0;
    const int last = address.isEmpty() ? 254 : 0;
    for (int x = first; x <= last; ++x) {
        const QByteArray candidate = address.isEmpty() ? "127.0.0." + QByteArray::number(x) : address;
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        if (reuse)
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        const sockaddr_in a = loopback(candidate);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) {
            address = candidate;
            return fd;
        }
        ::close(fd);
    }
    return -1;
}

bool waitFor(int fd, short events, int ms) {
    pollfd p{fd, events, 0};
    return ::poll(&p, 1, ms) > 0;
}

} // namespace

SstpServer::SstpServer(const QByteArray& address, int receiveBuffer) : address_(address) {
    for (;;) {
        const int listener = bindPort(address_, true);
        if (listener < 0)
            return;
        // Set before listening, so that every connection starts with it (and its window).
        if (receiveBuffer > 0)
            ::setsockopt(listener, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        if (::listen(listener, 8) == 0) {
            Serve(listener);
            return;
        }
        // Another test bound the same address in between; take the next one.
        ::close(listener);
        if (!address.isEmpty())
            return;
        address_.clear();
    }
}

SstpServer::~SstpServer() {
    Stop();
    for (int fd : held_)
        ::close(fd);
}

void SstpServer::script(std::vector<Step> steps) {
    const std::lock_guard lock(mutex_);
    steps_.assign(steps.begin(), steps.end());
}

std::vector<QByteArray> SstpServer::waitForRequests(size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(kSafetyMs), [&] { return requests_.size() >= count; });
    return requests_;
}

std::vector<QByteArray> SstpServer::requests() {
    const std::lock_guard lock(mutex_);
    return requests_;
}

void SstpServer::Accepted(int client) {
    Step step;
    {
        const std::lock_guard lock(mutex_);
        step = steps_.front();
        if (steps_.size() > 1)
            steps_.pop_front();
    }
    Handle(client, step);
}

void SstpServer::Handle(int client, const Step& step) {
    if (step.kind == Step::HoldWithoutReading) {
        const std::lock_guard lock(mutex_);
        held_.push_back(client);
        return;
    }
    QByteArray request;
    char buffer[4096];
    while (!request.contains("\r\n\r\n") && waitFor(client, POLLIN, kSafetyMs)) {
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        request.append(buffer, n);
    }
    if (!request.isEmpty()) {
        const std::lock_guard lock(mutex_);
        requests_.push_back(request);
        changed_.notify_all();
    }
    if (step.kind == Step::Answer)
        ::send(client, step.reply.constData(), size_t(step.reply.size()), MSG_NOSIGNAL);
    if (step.kind == Step::AnswerAfterHangup) {
        while (waitFor(client, POLLIN, kSafetyMs) && ::recv(client, buffer, sizeof buffer, 0) > 0) {
        }
        ::send(client, step.reply.constData(), size_t(step.reply.size()), MSG_NOSIGNAL);
    }
    ::close(client);
}

RefusingAddress::RefusingAddress() {
    fd_ = bindPort(address_, false);
}

RefusingAddress::~RefusingAddress() {
    if (fd_ >= 0)
        ::close(fd_);
}

StalledAddress::StalledAddress() {
    for (;;) {
        listener_ = bindPort(address_, true);
        if (listener_ < 0 || ::listen(listener_, 0) == 0)
            break;
        ::close(listener_);
        address_.clear();
    }
    // A backlog of 0 holds one connection that is never accepted; the kernel drops the handshake of
    // every further one, so their connect() waits.
    const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const sockaddr_in a = loopback(address_);
    ::connect(filler, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    waitFor(filler, POLLOUT, kSafetyMs);
    fillers_.push_back(filler);
}

StalledAddress::~StalledAddress() {
    for (int fd : fillers_)
        ::close(fd);
    if (listener_ >= 0)
        ::close(listener_);
}

#include "scripted_peer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

int ScriptedPeer::connections() const {
    const std::lock_guard lock(mutex_);
    return connections_;
}

ScriptedPeer::~ScriptedPeer() {
    Stop();
    for (int fd : {listener_, wake_[0], wake_[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
}

void ScriptedPeer::Serve(int listener) {
    if (::pipe2(wake_, O_CLOEXEC) != 0) {
        ::close(listener);
        return;
    }
    listener_ = listener;
    thread_ = std::thread(&ScriptedPeer::Loop, this);
}

void ScriptedPeer::Stop() {
    stopping_ = true;
    if (!thread_.joinable())
        return;
    const char stop = 1;
    (void)::write(wake_[1], &stop, 1);
    thread_.join();
}

void ScriptedPeer::Loop() {
    for (;;) {
        pollfd p[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(p, 2, -1) < 0 && errno != EINTR)
            return;
        if (p[1].revents)
            return;
        if (!(p[0].revents & POLLIN))
            continue;
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        {
            const std::lock_guard lock(mutex_);
            ++connections_;
        }
        Accepted(client);
    }
}

int listenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(a.sin_port);
    return fd;
}

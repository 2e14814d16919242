#include "scripted_peer.h"

#include <cerrno>
#include <fcntl.h>
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

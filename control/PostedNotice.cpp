#include "PostedNotice.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

PostedNotice::PostedNotice(std::function<void()> handler) : handler_(std::move(handler)) {
    // Semaphore mode: each read takes one notice, so each is handled on its own.
    fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK | EFD_SEMAPHORE);
    if (fd_ < 0)
        return;
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &PostedNotice::Activated);
}

PostedNotice::~PostedNotice() {
    delete notifier_;
    if (fd_ >= 0)
        ::close(fd_);
}

void PostedNotice::post() {
    if (fd_ < 0)
        return;
    const uint64_t one = 1;
    while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void PostedNotice::Activated() {
    uint64_t count = 0;
    if (::read(fd_, &count, sizeof count) != sizeof count)
        return;
    if (!detached_)
        handler_();
}

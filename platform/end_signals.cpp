#include "end_signals.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

// The write end of the pipe of the object that has the handlers, or -1.
std::atomic<int> writeEnd{-1};

void onSignal(int signal) {
    const int saved = errno;
    const int fd = writeEnd.load();
    if (fd >= 0) {
        const unsigned char number = static_cast<unsigned char>(signal);
        // A full pipe already holds signals enough to end her; this one may be lost.
        [[maybe_unused]] const ssize_t written = ::write(fd, &number, 1);
    }
    errno = saved;
}

} // namespace

EndSignals::EndSignals(QObject* parent) : QObject(parent) {
    if (writeEnd.load() >= 0 || ::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    writeEnd.store(pipe_[1]);
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &EndSignals::drain);
    for (Previous& p : previous_) {
        if (::sigaction(p.signal, nullptr, &p.action) != 0 || p.action.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        p.replaced = ::sigaction(p.signal, &action, nullptr) == 0;
    }
}

EndSignals::~EndSignals() {
    for (Previous& p : previous_) {
        if (p.replaced)
            ::sigaction(p.signal, &p.action, nullptr);
    }
    if (notifier_)
        writeEnd.store(-1);
    for (int fd : pipe_) {
        if (fd >= 0)
            ::close(fd);
    }
}

void EndSignals::drain() {
    unsigned char numbers[16];
    ssize_t got = 0;
    while ((got = ::read(pipe_[0], numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < got; ++i)
            emit received(numbers[i]);
    }
}

} // namespace platform

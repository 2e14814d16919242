#pragma once
// Inside the mail transfer library: what ends a session before its server does. cancel() raises a
// generation that every session compares with the one of its mark; a Watch ends the connection of
// a session that was cancelled or is past its deadline.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <curl/curl.h>
#include <mutex>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace mail_transfer::internal {

unsigned cancelGeneration();

inline long long nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// libcurl looks at its own limits only now and then and in whole seconds, bounds a multi-line reply
// only by its speed (a byte now and then keeps it going), and waits for QUIT's reply under the full
// reply limit without asking the progress callback; so a thread of the session keeps the deadlines and the cancel to a twentieth
// of a second by shutting the connection down, which every wait of libcurl notices at once. The
// session opens its sockets through openSocket/closeSocket (with the Watch as their data) so that
// the thread knows the one to shut.
class Watch {
public:
    explicit Watch(unsigned generation) : generation_(generation) {}
    ~Watch() { stop(); }
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

    void start() { thread_ = std::thread(&Watch::run, this); }
    void stop() {
        {
            const std::lock_guard lock(wakeMutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    // A new step of the work, to be over within ms; it ends a wait for QUIT's reply, not a timeout.
    void begin(int ms) {
        const std::lock_guard lock(stateMutex_);
        quitting_ = false;
        quitOver_ = false;
        set(ms);
    }
    // What is under way now (a command sent, a piece of data gone out) must be over within ms.
    void within(int ms) {
        const std::lock_guard lock(stateMutex_);
        set(ms);
    }
    // A download that may take longer than idleMs as long as it keeps coming (mail_transfer.h):
    // never idleMs without a byte, nor behind idleMs plus a second per kibibyte received.
    void download(int idleMs) {
        const std::lock_guard lock(stateMutex_);
        idleMs_ = idleMs;
        started_ = nowMs();
        lastByte_ = started_.load();
        received_ = 0;
        downloading_ = true;
    }
    void received(size_t bytes) {
        const std::lock_guard lock(stateMutex_);
        lastByte_ = nowMs();
        received_ += (long long)bytes;
    }
    // The work is over: QUIT's reply gets ms. Its silence ends the session, but is no failure.
    void quitting(int ms) {
        const std::lock_guard lock(stateMutex_);
        set(ms);
        quitting_ = true;
    }

    // libcurl says QUIT in the midst of a transfer after a refusal or a failure, at once, also
    // after its own reply limit has passed: a step already past its deadline gets no wait at all.
    void quitAfterStep(int ms) {
        const std::lock_guard lock(stateMutex_);
        if (!quitting_ && nowMs() > deadline())
            timedOut_ = true;
        set(ms);
        quitting_ = true;
    }

    bool cancelled() const { return generation_ != cancelGeneration(); }
    // Whether a deadline of the work has passed (for good: the session is over).
    bool timedOut() const {
        const std::lock_guard lock(stateMutex_);
        return timedOut_;
    }
    // Whether the session must end now; the progress callback asks it too.
    bool overdue() {
        if (cancelled())
            return true;
        const std::lock_guard lock(stateMutex_);
        if (!timedOut_ && !quitOver_ && nowMs() > deadline())
            (quitting_ ? quitOver_ : timedOut_) = true;
        return timedOut_ || quitOver_;
    }

    static curl_socket_t openSocket(void* self, curlsocktype, curl_sockaddr* address) {
        auto* w = static_cast<Watch*>(self);
        const std::lock_guard lock(w->socketMutex_);
        w->socket_ = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
        return w->socket_ < 0 ? CURL_SOCKET_BAD : w->socket_;
    }
    static int closeSocket(void* self, curl_socket_t socket) {
        auto* w = static_cast<Watch*>(self);
        const std::lock_guard lock(w->socketMutex_);
        if (socket == w->socket_)
            w->socket_ = CURL_SOCKET_BAD;
        return ::close(socket);
    }

private:
    void set(int ms) {
        deadline_ = nowMs() + ms;
        downloading_ = false;
    }
    long long deadline() const {
        if (!downloading_)
            return deadline_;
        return std::min(lastByte_ + idleMs_, started_ + idleMs_ + received_ * 1000 / 1024);
    }

    void run() {
        std::unique_lock lock(wakeMutex_);
        while (!stopping_) {
            wake_.wait_for(lock, std::chrono::milliseconds(50));
            if (stopping_ || !overdue())
                continue;
            const std::lock_guard socketLock(socketMutex_);
            if (socket_ != CURL_SOCKET_BAD)
                ::shutdown(socket_, SHUT_RDWR);
        }
    }

    const unsigned generation_;
    // The mutex keeps the deadline and what it was measured for together; each is atomic as well,
    // since ThreadSanitizer cannot follow the clock wait of run() (GCC's pthread_cond_clockwait)
    // and would take the watch's reads for races.
    mutable std::mutex stateMutex_;
    std::atomic<long long> deadline_{0};
    std::atomic<bool> downloading_{false};
    std::atomic<long long> idleMs_{0}, started_{0}, lastByte_{0}, received_{0};
    std::atomic<bool> quitting_{false}, quitOver_{false}, timedOut_{false};
    std::mutex socketMutex_;
    curl_socket_t socket_ = CURL_SOCKET_BAD;
    std::mutex wakeMutex_;
    std::condition_variable wake_;
    std::atomic<bool> stopping_{false}; // atomic too: ThreadSanitizer cannot see the clock wait's lock
    std::thread thread_;
};

} // namespace mail_transfer::internal

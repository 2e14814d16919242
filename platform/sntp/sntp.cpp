#include "platform/sntp/sntp.h"

#include <QEventLoop>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <optional>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace platform::sntp {
namespace {

constexpr int kPacketSize = 48;
constexpr qint64 kSecondsFrom1900To1970 = 2208988800LL;
constexpr qint64 kEra = 1LL << 32;
// The cancel flag is looked at this often.
constexpr int kCancelPollMs = 50;

quint64 timestampAt(const QByteArray& packet, int offset) {
    return qFromBigEndian<quint64>(packet.constData() + offset);
}

// What is wrong with a reply to our question, or nothing.
std::optional<QString> refusal(const QByteArray& reply) {
    const auto first = quint8(reply[0]);
    const int leap = first >> 6, version = (first >> 3) & 7, mode = first & 7;
    const int stratum = quint8(reply[1]);
    if (mode != 4)
        return QStringLiteral("サーバの応答ではありません（モード %1）").arg(mode);
    if (version < 3 || version > 4)
        return QStringLiteral("応答の版が違います（%1）").arg(version);
    if (leap == 3)
        return QStringLiteral("サーバの時計が合っていません");
    if (stratum == 0 || stratum > 15)
        return QStringLiteral("サーバが時刻を出せません（階層 %1）").arg(stratum);
    if (timestampAt(reply, 40) == 0)
        return QStringLiteral("応答に時刻がありません");
    return std::nullopt;
}

// The question: our random number as the transmit timestamp, every other field zero.
QByteArray request(quint64 mark) {
    QByteArray packet(kPacketSize, '\0');
    packet[0] = char((0 << 6) | (4 << 3) | 3); // no leap warning, version 4, client
    qToBigEndian<quint64>(mark, packet.data() + 40);
    return packet;
}

// An address to send to, as getaddrinfo gives it.
struct Address {
    sockaddr_storage storage{};
    socklen_t length = 0;
    int family = AF_UNSPEC;
};

// IPv4 first: the server's v6 route may be missing where its v4 one is not.
std::vector<Address> addressesOf(const addrinfo* found) {
    std::vector<Address> v4, other;
    for (const addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        Address address;
        std::memcpy(&address.storage, a->ai_addr, a->ai_addrlen);
        address.length = a->ai_addrlen;
        address.family = a->ai_family;
        (a->ai_family == AF_INET ? v4 : other).push_back(address);
    }
    v4.insert(v4.end(), other.begin(), other.end());
    return v4;
}

std::vector<Address> resolve(const QByteArray& name, int flags) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = flags;
    addrinfo* found = nullptr;
    if (name.isEmpty() || ::getaddrinfo(name.constData(), nullptr, &hints, &found) != 0)
        return {};
    std::vector<Address> addresses = addressesOf(found);
    ::freeaddrinfo(found);
    return addresses;
}

// A name looked up on a thread of its own, which tells the question through a pipe when it is done.
// getaddrinfo cannot be stopped: a question that ends first leaves the lookup to finish alone, and
// whichever lets go of it last frees it.
struct Lookup {
    int pipe[2] = {-1, -1};
    std::mutex lock;
    std::vector<Address> addresses;
    ~Lookup() {
        for (int fd : pipe)
            if (fd >= 0)
                ::close(fd);
    }
};

class Question {
public:
    Question(quint16 port, int limitMs, const std::atomic_bool* cancel) : port_(port), cancel_(cancel) {
        limit_.setSingleShot(true);
        limit_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&limit_, &QTimer::timeout, &loop_, [this] {
            if (resolving_)
                end(Failure::Resolve, QStringLiteral("サーバの名前を時間内に引けません"));
            else
                end(Failure::NoReply, QStringLiteral("時間内に応答がありません"));
        });
        limit_.start(limitMs);
        if (cancel_) {
            QObject::connect(&poll_, &QTimer::timeout, &loop_, [this] {
                if (cancel_->load())
                    end(Failure::Cancelled, QStringLiteral("中止しました"));
            });
            poll_.start(kCancelPollMs);
        }
    }
    ~Question() {
        socketNotifier_.reset();
        if (socket_ >= 0)
            ::close(socket_);
    }

    Result run(const QString& host) {
        const QByteArray name = QUrl::toAce(host);
        if (const std::vector<Address> literal = resolve(host.toLatin1(), AI_NUMERICHOST); !literal.empty())
            connectTo(literal.front());
        else
            lookUp(name.isEmpty() ? host.toUtf8() : name);
        if (!done_)
            loop_.exec(QEventLoop::ExcludeUserInputEvents);
        return std::move(result_);
    }

private:
    void lookUp(const QByteArray& name) {
        auto lookup = std::make_shared<Lookup>();
        if (name.isEmpty() || ::pipe2(lookup->pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            end(Failure::Resolve, QStringLiteral("サーバが見つかりません"));
            return;
        }
        resolving_ = true;
        lookupNotifier_ = std::make_unique<QSocketNotifier>(lookup->pipe[0], QSocketNotifier::Read);
        QObject::connect(lookupNotifier_.get(), &QSocketNotifier::activated, &loop_, [this, lookup] {
            lookupNotifier_->setEnabled(false);
            std::vector<Address> addresses;
            {
                const std::lock_guard guard(lookup->lock);
                addresses = lookup->addresses;
            }
            resolved(addresses);
        });
        std::thread([lookup, name] {
            std::vector<Address> addresses = resolve(name, 0);
            {
                const std::lock_guard guard(lookup->lock);
                lookup->addresses = std::move(addresses);
            }
            const char done = 1;
            if (::write(lookup->pipe[1], &done, 1) != 1) {
                // The question is waiting on its limit then: it fails as unresolved.
            }
        }).detach();
    }

    void resolved(const std::vector<Address>& addresses) {
        resolving_ = false;
        if (addresses.empty()) {
            end(Failure::Resolve, QStringLiteral("サーバが見つかりません"));
            return;
        }
        connectTo(addresses.front());
    }

    void connectTo(Address address) {
        if (done_)
            return;
        if (address.family == AF_INET)
            reinterpret_cast<sockaddr_in*>(&address.storage)->sin_port = htons(port_);
        else if (address.family == AF_INET6)
            reinterpret_cast<sockaddr_in6*>(&address.storage)->sin6_port = htons(port_);
        // Connected: only the server's datagrams reach us, and a closed port says so.
        socket_ = ::socket(address.family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (socket_ < 0 ||
            ::connect(socket_, reinterpret_cast<const sockaddr*>(&address.storage), address.length) != 0) {
            end(Failure::Unreachable, QStringLiteral("サーバに接続できません"));
            return;
        }
        socketNotifier_ = std::make_unique<QSocketNotifier>(socket_, QSocketNotifier::Read);
        QObject::connect(socketNotifier_.get(), &QSocketNotifier::activated, &loop_, [this] { read(); });
        ask();
    }

    void ask() {
        if (done_ || mark_ != 0)
            return;
        do
            mark_ = QRandomGenerator::system()->generate64();
        while (mark_ == 0);
        roundTrip_.start();
        const QByteArray packet = request(mark_);
        if (::send(socket_, packet.constData(), std::size_t(packet.size()), 0) != kPacketSize)
            end(Failure::Unreachable, QStringLiteral("サーバに送れません"));
    }

    void read() {
        char buffer[1024];
        while (!done_) {
            const ssize_t got = ::recv(socket_, buffer, sizeof buffer, 0);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                // The server's port refused the question (an ICMP "port unreachable").
                if (errno == ECONNREFUSED)
                    end(Failure::Unreachable, QStringLiteral("サーバに接続できません"));
                return;
            }
            const std::optional<Answer> answer = answerTo(QByteArray(buffer, qsizetype(got)), mark_);
            // Not a reply to this question: wait on.
            if (!answer)
                continue;
            if (answer->refusal) {
                end(Failure::BadReply, *answer->refusal);
                return;
            }
            result_.received.start();
            result_.utcUsec = arrivalUsec(*answer, roundTrip_.nsecsElapsed() / 1000);
            end(Failure::None, {});
        }
    }

    void end(Failure failure, const QString& reason) {
        if (done_)
            return;
        done_ = true;
        result_.failure = failure;
        result_.reason = reason;
        loop_.quit();
    }

    quint16 port_;
    const std::atomic_bool* cancel_;
    QEventLoop loop_;
    QTimer limit_, poll_;
    int socket_ = -1;
    std::unique_ptr<QSocketNotifier> socketNotifier_, lookupNotifier_;
    QElapsedTimer roundTrip_;
    quint64 mark_ = 0;
    bool resolving_ = false;
    bool done_ = false;
    Result result_;
};

} // namespace

qint64 unixUsecOf(quint64 ntpTimestamp) {
    qint64 seconds = qint64(ntpTimestamp >> 32);
    // Era 1 begins on 7 February 2036, when the seconds wrap: a clear top bit means after it.
    if ((seconds & 0x80000000LL) == 0)
        seconds += kEra;
    const qint64 fraction = qint64(ntpTimestamp & 0xffffffffULL);
    return (seconds - kSecondsFrom1900To1970) * 1000000 + (fraction * 1000000 >> 32);
}

std::optional<Answer> answerTo(const QByteArray& datagram, quint64 mark) {
    if (datagram.size() < kPacketSize || timestampAt(datagram, 24) != mark)
        return std::nullopt;
    return Answer{refusal(datagram), timestampAt(datagram, 40), timestampAt(datagram, 32)};
}

qint64 arrivalUsec(const Answer& answer, qint64 tripUsec) {
    const qint64 sent = unixUsecOf(answer.transmit);
    // The time the server spent between our question and its answer is not on the way back.
    qint64 spent = 0;
    if (answer.received != 0) {
        const qint64 got = unixUsecOf(answer.received);
        if (got <= sent && sent - got < tripUsec)
            spent = sent - got;
    }
    return sent + (tripUsec - spent) / 2;
}

Result query(const QString& host, quint16 port, int limitMs, const std::atomic_bool* cancel) {
    if (cancel && cancel->load()) {
        Result cancelled;
        cancelled.failure = Failure::Cancelled;
        cancelled.reason = QStringLiteral("中止しました");
        return cancelled;
    }
    Question question(port, limitMs, cancel);
    return question.run(host.trimmed());
}

} // namespace platform::sntp

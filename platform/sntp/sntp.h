#pragma once
// One SNTP question (RFC 4330) to one server, for setting the clock: a client request (mode 3,
// version 4) whose transmit timestamp is a random number rather than our clock, sent on a UDP
// socket connected to the server, so only its replies reach us. A reply counts only when it is at
// least 48 bytes and carries our number as its originate timestamp; anything else is dropped and
// the wait goes on. A counted reply is refused (and the question fails) unless it is a server's
// (mode 4) of version 3 or 4, of a synchronised clock (leap indicator not 3) at stratum 1 to 15,
// with a transmit time. Everything, resolving the name included, happens within the limit. A port
// where nobody listens fails the question at once when the server's machine says so (Unreachable:
// its "port unreachable" reaches the connected socket); a server that says nothing uses up the limit.
//
// The server's transmit timestamp is read with the era rule: with its top bit clear it lies after
// 7 February 2036. The time of the reply is the server's transmit time plus half the round trip
// that the server did not spend (measured on the monotonic clock): our own clock is never read.
//
// Blocking: it runs an event loop of its own for its socket, so call it off the window thread
// (pace::await) or where nothing else waits on this thread.
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QtGlobal>
#include <atomic>
#include <optional>

namespace platform::sntp {

inline constexpr quint16 kPort = 123;
inline constexpr int kDefaultLimitMs = 5000;

enum class Failure {
    None,
    Resolve,     // the name is unknown (or could not be resolved in time)
    Unreachable, // the server's port refused the datagram
    NoReply,     // no reply that counts within the limit
    BadReply,    // a reply of ours, but not one to set a clock by
    Cancelled,   // the caller's cancel flag was raised
};

struct Result {
    Failure failure = Failure::NoReply;
    QString reason;         // why it failed, in Japanese; empty when ok()
    qint64 utcUsec = 0;     // the server's time when the reply arrived, in µs since 1970-01-01 UTC
    QElapsedTimer received; // started when the reply arrived: add its time to utcUsec for "now"
    bool ok() const { return failure == Failure::None; }
    // The server's time now, in µs since 1970-01-01 UTC.
    qint64 nowUsec() const { return utcUsec + received.nsecsElapsed() / 1000; }
};

// Asks host (a name or an address) at port, waiting at most limitMs in all. cancel, when given, is
// read while it waits; raising it ends the question as Cancelled within a tenth of a second.
Result query(const QString& host, quint16 port = kPort, int limitMs = kDefaultLimitMs,
             const std::atomic_bool* cancel = nullptr);

// An NTP timestamp (seconds since 1900 in the high 32 bits, the fraction in the low 32) in µs since
// 1970-01-01 UTC, by the era rule above.
qint64 unixUsecOf(quint64 ntpTimestamp);

// A datagram read as the answer to the question whose transmit timestamp was mark, as query()
// reads each one: nothing when it is no answer to it (shorter than 48 bytes, or another originate
// timestamp); else why it cannot set a clock, or the server's times.
struct Answer {
    std::optional<QString> refusal; // in Japanese; nothing when the answer can set a clock
    quint64 transmit = 0;           // the server's transmit and receive timestamps (0: not given)
    quint64 received = 0;
};
std::optional<Answer> answerTo(const QByteArray& datagram, quint64 mark);

// The server's time when an answer that can set a clock arrived, after a round trip of tripUsec:
// its transmit time plus half of the trip it did not spend itself.
qint64 arrivalUsec(const Answer& answer, qint64 tripUsec);

} // namespace platform::sntp

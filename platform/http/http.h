#pragma once
// One GET of one page over http or https. Blocking: call it off the window thread. Redirects are
// followed (within http and https), certificates are verified, and only a 2xx status counts as a
// page. Every limit is the caller's: the clock asks for a small page quickly, the headlines for
// larger feeds. libcurl is opened at the first fetch (platform/curl): where it cannot be, every
// fetch fails as Other, its reason naming the library.
#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>

namespace platform::http {

struct Limits {
    std::chrono::milliseconds connect{10000}; // resolving and connecting
    std::chrono::milliseconds total{30000};   // the whole transfer, redirects included
    qint64 maxBytes = 8 * 1024 * 1024;        // body bytes kept; more ends the fetch as TooLarge
};

enum class Failure {
    None,
    BadAddress, // not http:// or https:// with a host
    Resolve,    // unknown host
    Connect,    // refused or unreachable
    Timeout,    // a limit of time ran out
    TooLarge,   // the body passed maxBytes
    Status,     // the server answered, but not 2xx
    Tls,        // the certificate or the TLS handshake failed
    Cancelled,  // the caller's cancel flag was raised
    Other,
};

struct Response {
    Failure failure = Failure::Other;
    long status = 0;  // the last HTTP status seen, 0 when none came
    QByteArray body;  // the page's bytes, unchanged; empty unless ok()
    QString reason;   // why it failed, in Japanese, for a status line; empty when ok()
    QString finalUrl; // where the redirects ended
    bool ok() const { return failure == Failure::None; }
};

// Fetches url within limits. cancel, when given, is read while the transfer runs; raising it ends
// the fetch as Cancelled within a fraction of a second.
Response get(const QString& url, const Limits& limits = {}, const std::atomic_bool* cancel = nullptr);

// The reason text for a failure (status is used for Status).
QString describe(Failure failure, long status = 0);

} // namespace platform::http

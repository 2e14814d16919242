#pragma once
// Inside the mail transfer library: what SendMailEx makes of its texts before it connects (the
// address lists read, the message put together) and how it reads its server's reply lines, apart
// from the connection.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <optional>
#include <vector>

namespace mail_transfer::smtp {

struct Address {
    QString name;
    QByteArray addr; // plain ASCII "local@domain"
};

struct Addresses {
    std::vector<Address> to;          // as typed, for the To header
    QByteArray own;                   // the sender's address
    std::vector<QByteArray> envelope; // every recipient once, the blind copy's too
};
// SendMailEx's recipient and sender (see mail_transfer.h for their forms), or nothing and in why
// the text SendMailEx then gives.
std::optional<Addresses> readAddresses(const QString& recipient, const QString& sender, QString& why);

// The message as it goes out: headers, then the body; CR LF line ends.
QByteArray compose(const std::vector<Address>& to, const QByteArray& from, const QString& subject,
                   const QString& body);

// The server's reply lines as libcurl passes them on, in pieces of any size.
class ReplyLines {
public:
    void take(const char* text, size_t size);
    // The line a failure shows: the first one of a 4xx or 5xx code, else the last line unless it is
    // a positive reply; empty when none came or none tells. A 2xx or 3xx reply (the 354 that asks for the data)
    // invited the step that then failed: it tells nothing of why.
    QByteArray telling() const;

private:
    QByteArray partial_;
    QByteArray last_;
    QByteArray refusal_;
};

} // namespace mail_transfer::smtp

#pragma once
// The control's request socket: each call sends one SSTP request to a server on TCP port 11000 of
// the server address, over a connection of its own: connect, one send of the whole request, one
// reply of at most 128 bytes read, closed again. Every text is CP932 bytes, as it goes on the wire.
//
// Result codes: 0 the request was sent (a reply was read, or none came in time: the server has the
// request either way), 101 no socket could be made, 102 the connection failed or timed out,
// 104 sending failed or timed out, or the request was refused before connecting because a value
// holds a CR or LF (it would end its header line and smuggle in lines of its own).
//
// Every value (the script, entry, command, document, song name, sentence, the sender name and the
// server address) ends at its first NUL byte, as a C string does: what follows never goes out.
//
// A request as a whole, name lookup included, takes at most timeout() (3 s unless set): a name
// server that never answers, a server that accepts and never reads or never answers, cannot hold
// the caller for ever. What is left of the time after connecting and sending is what the reply
// may take.
//
// The last request text (SendString), the last reply text (Response) and the last status code stay
// readable between requests. A failed connection leaves them as they were; a failed send has the
// new request text and the previous reply; a reply that does not begin with an SSTP status line,
// or no reply at all, leaves the status code as it was (0 before the first). A reply that came is
// kept up to its first NUL byte; no reply at all leaves Response empty.
//
// Thread safety: one thread makes requests at a time; any thread may read the texts and set the
// server address and the sender while a request runs (the request uses the values it started with).
#include "control/net.h"

#include <QByteArray>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

class CSstpSocket {
public:
    static constexpr uint16_t kPort = 11000;
    static constexpr int kReplyMax = 128;
    enum Result : int32_t { kOk = 0, kCreateFailed = 101, kConnectFailed = 102, kSendFailed = 104 };

    // SEND SSTP/1.1; option 1 adds "Option: nodescript", 2 "Option: notranslate", others nothing.
    int32_t Send(const QByteArray& script, int32_t option);
    // SEND SSTP/1.2; entry holds items separated by the four characters \r\n (backslash, r,
    // backslash, n), one "Entry: " line each.
    int32_t Send2(const QByteArray& script, const QByteArray& entry);
    // SEND SSTP/1.3: as SEND SSTP/1.2 with an "HWnd: " line.
    int32_t SendEx(const QByteArray& script, const QByteArray& entry, int32_t hwnd);
    int32_t Execute(const QByteArray& command);
    int32_t GiveDocument(const QByteArray& document);
    int32_t GiveSongname(const QByteArray& songname);
    int32_t Communicate(const QByteArray& sentence);

    // What one reply says: received is what the one read of it gave (at most kReplyMax bytes). Its
    // text is kept up to the first NUL byte; the status code is that of a reply beginning
    // "SSTP/<major>.<minor> <code>", nothing for any other.
    struct Reply {
        QByteArray text;
        std::optional<int32_t> status;
    };
    static Reply ReadReply(const QByteArray& received);

    QByteArray SendString() const;
    QByteArray Response() const;
    int32_t StatusCode() const;

    QByteArray ServerAddress() const;
    void SetServerAddress(const QByteArray& address);
    QByteArray SenderName() const;
    void SetSenderName(const QByteArray& sender);

    std::chrono::milliseconds timeout() const;
    void setTimeout(std::chrono::milliseconds timeout);

    // How a server name is looked up (the C library's lookup unless set).
    void setLookup(brindok::net::Lookup lookup);
    // The kernel's send buffer for each request's connection, in bytes (the system's choice while
    // 0, the default): a small one makes a server that reads nothing show after a few bytes.
    void setSendBufferSize(int bytes);

private:
    // Builds the request for the given sender name; nothing when a value would break it apart.
    using Builder = std::function<std::optional<QByteArray>(const QByteArray& sender)>;
    int32_t Request(const Builder& build);
    void ReceiveReply(const brindok::net::Fd& socket, brindok::net::Deadline deadline);

    mutable std::mutex mutex_; // guards every field below
    int32_t status_ = 0;
    QByteArray request_;
    QByteArray reply_;
    QByteArray server_ = "127.0.0.1";
    QByteArray sender_ = "localhost";
    std::chrono::milliseconds timeout_{3000};
    brindok::net::Lookup lookup_ = brindok::net::systemLookup;
    int sendBufferSize_ = 0;
};

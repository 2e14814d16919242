#pragma once
// A scripted SSTP server on a real loopback socket, port 11000. Unless given an address it takes
// the first 127.0.0.x (x from 2 up) that no other test holds, so tests run in parallel. For each
// connection it reads the request up to its blank line (or until the client hangs up), records
// its bytes and then acts out the next step of its script (the last step repeats).
#include "scripted_peer.h"

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <deque>
#include <vector>

class SstpServer : public ScriptedPeer {
public:
    struct Step {
        enum Kind {
            Answer,             // send reply at once, then close
            AnswerAfterHangup,  // wait until the client has given up and closed, then try to answer
            CloseSilently,      // close without a byte
            HoldWithoutReading, // never read the request nor answer (for send time limits)
        } kind = Answer;
        QByteArray reply = "SSTP/1.4 200 OK\r\n\r\n";
    };

    // receiveBuffer: the kernel's receive buffer of each connection in bytes (the system's choice
    // while 0); a small one fills after a few bytes when the server reads nothing.
    explicit SstpServer(const QByteArray& address = {}, int receiveBuffer = 0);
    ~SstpServer();

    QByteArray address() const { return address_; }
    QString host() const { return QString::fromLatin1(address_); }

    void script(std::vector<Step> steps);
    // Waits (10 s at most) until count requests have been recorded; the recorded requests.
    std::vector<QByteArray> waitForRequests(size_t count);
    std::vector<QByteArray> requests();

private:
    void Accepted(int client) override;
    void Handle(int client, const Step& step);

    QByteArray address_;
    std::condition_variable changed_;
    std::deque<Step> steps_{Step{}};
    std::vector<QByteArray> requests_;
    std::vector<int> held_;
};

// A loopback address on which nobody listens at port 11000: connections are refused.
class RefusingAddress {
public:
    RefusingAddress();
    ~RefusingAddress();
    RefusingAddress(const RefusingAddress&) = delete;
    RefusingAddress& operator=(const RefusingAddress&) = delete;
    QString host() const { return QString::fromLatin1(address_); }

private:
    int fd_ = -1;
    QByteArray address_;
};

// A loopback address whose port 11000 takes no more connections: connecting to it hangs until the
// client's time limit.
class StalledAddress {
public:
    StalledAddress();
    ~StalledAddress();
    StalledAddress(const StalledAddress&) = delete;
    StalledAddress& operator=(const StalledAddress&) = delete;
    QString host() const { return QString::fromLatin1(address_); }

private:
    int listener_ = -1;
    std::vector<int> fillers_;
    QByteArray address_;
};

#pragma once
// A scripted POP3 server on a real loopback socket. It serves each connection as a small honest
// server would (greeting, CAPA, USER/PASS, STAT, UIDL, TOP, RETR, NOOP, QUIT) over the messages it
// is given, except for the one fault it is told to act out. Every command line is recorded.
#include "scripted_peer.h"

#include <QByteArray>
#include <QByteArrayList>
#include <thread>
#include <vector>

class Pop3Peer : public ScriptedPeer {
public:
    enum Fault {
        None,
        SilentBeforeGreeting, // accepts and never says a word
        SilentAfterStat,      // answers up to STAT, then reads on and says nothing
        Garbage,              // greets with bytes that are no POP3
        CloseMidRetr,         // sends half of the last message asked for, then closes
        CloseMidFirstRetr,    // the same with the first message, of several
        SilentMidRetr,        // sends half of the last message asked for, then stalls
        ErrOnStat,            // -ERR to STAT, all else as usual
        BareStat,             // "+OK" to STAT, without the count
        NoUidl,               // -ERR to UIDL, and no UIDL in CAPA
        OffersStls,           // STLS in CAPA; after "+OK" to STLS, silent (no TLS here)
        TrickleStat,          // the reply to STAT a byte at a time (kTrickleMs apart), for as long
        TrickleUidl,          //   as it is read: to UIDL,
        TrickleTop,           //   to TOP,
        TrickleRetr,          //   to RETR
        SlowRetr,             // each message in pieces of 512 bytes, 50 ms apart: slow, but alive
        SilentQuit,           // a good server that never answers QUIT
    };
    static constexpr int kTrickleMs = 200;

    // port 0: any free port of 127.0.0.1.
    explicit Pop3Peer(std::vector<QByteArray> messages, Fault fault = None, int port = 0);
    ~Pop3Peer();

    int port() const { return port_; }
    QByteArrayList commands();     // "USER me", "STAT", "TOP 1 0", ... ("PASS" without the password)
    QByteArray silentlyReceived(); // what a peer that said nothing was sent

    // A message with this subject and a short body.
    static QByteArray message(const QByteArray& subject, int bodyLines = 3);

private:
    void Accepted(int client) override;
    void Handle(int client);

    std::vector<QByteArray> messages_;
    Fault fault_;
    int port_ = 0;
    QByteArrayList commands_;
    QByteArray silentlyReceived_;
    std::vector<std::thread> clients_;
};

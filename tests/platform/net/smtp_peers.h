#pragma once
// SMTP peers of the sending tests, on free ports of 127.0.0.1 that the test chooses:
//   AioSmtpd: the real aiosmtpd (Debian's python3-aiosmtpd) storing what it takes in a maildir,
//     optionally with the refusing handler of tests/mail/smtp_handlers.py; messages() reads them
//     back with Python's own email parser (tests/mail/read_maildir.py).
//   ScriptedSmtp: a peer of ours on a real socket that misbehaves on purpose, counting the
//     connections it accepts and recording the command lines it reads.
#include "scripted_peer.h"

#include <QByteArrayList>
#include <QJsonArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class AioSmtpd {
public:
    // tls: offers STARTTLS with a certificate of its own that nobody signed.
    explicit AioSmtpd(bool refusing = false, bool tls = false);
    ~AioSmtpd();
    bool ok() const { return ok_; }
    QString server() const; // "127.0.0.1:port"
    QJsonArray messages() const;

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
    bool ok_ = false;
};

class ScriptedSmtp : public ScriptedPeer {
public:
    enum class Script {
        silentGreeting,  // accepts and never speaks
        silentAfterData, // a good server until the end of the data, then silent, also to QUIT
        closeInData,     // closes the connection in the data's midst
        silentQuit,      // takes the mail ("250" to its end), then never answers QUIT
    };
    explicit ScriptedSmtp(Script script);
    ~ScriptedSmtp();
    QString server() const;
    QByteArrayList commands() const; // "EHLO ...", "MAIL FROM:<...>", ..., "QUIT" (not the data)

private:
    void Accepted(int fd) override;
    Script script_;
    int port_ = 0;
    QByteArrayList commands_;
};

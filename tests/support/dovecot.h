#pragma once
// A real POP3 server for the tests: Dovecot run as the test's child (never the system's service),
// listening on a free port of 127.0.0.1, with everything it writes in a folder of its own. Its
// users log in with plain passwords; their mail is a Maildir that the test fills.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <vector>

class Dovecot {
public:
    static bool installed();

    // users: name and password each. tls: offers STLS with a certificate that nobody signed.
    explicit Dovecot(const std::vector<std::pair<QString, QString>>& users, bool tls = false);
    ~Dovecot();
    Dovecot(const Dovecot&) = delete;
    Dovecot& operator=(const Dovecot&) = delete;

    bool running() const { return port_ > 0; }
    QString error() const { return error_; }
    int port() const { return port_; }
    QString server() const { return QStringLiteral("127.0.0.1\t%1").arg(port_); }

    // Puts the messages into the user's Maildir as new mail.
    void deliver(const QString& user, const std::vector<QByteArray>& messages);
    // How many messages the user's Maildir holds, new or seen.
    int stored(const QString& user) const;
    // Dovecot's log so far.
    QByteArray log() const;

private:
    QString mailbox(const QString& user) const;

    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
    uint uid_ = 0;
    uint gid_ = 0;
    QString error_;
};

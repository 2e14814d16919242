#pragma once
// A dovecot POP3 server of the test's own: /usr/sbin/dovecot -F as a child with its whole state in
// a temporary folder, on 127.0.0.1 at a port no one holds, plain login, mailboxes as Maildirs owned
// by nobody (the server reads no mail as root). Stopped when the object goes.
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

class Dovecot {
public:
    static constexpr uid_t kNobody = 65534;

    // users: name and password.
    explicit Dovecot(const QMap<QString, QString>& users) {
        ::chmod(QFile::encodeName(dir_.path()).constData(), 0755);
        for (const char* sub : {"run", "state", "mail"})
            QDir(dir_.path()).mkpath(QLatin1String(sub));
        QFile passwd(dir_.filePath(QStringLiteral("passwd")));
        if (!passwd.open(QIODevice::WriteOnly))
            return;
        for (auto it = users.begin(); it != users.end(); ++it) {
            passwd.write((it.key() + QStringLiteral(":{PLAIN}") + it.value() + QLatin1Char('\n')).toUtf8());
            for (const char* sub : {"new", "cur", "tmp"})
                QDir(maildir(it.key())).mkpath(QLatin1String(sub));
            chownTree(maildir(it.key()));
        }
        passwd.close();
        port_ = freePort();
        const QString d = dir_.path();
        QFile conf(dir_.filePath(QStringLiteral("dovecot.conf")));
        if (!conf.open(QIODevice::WriteOnly))
            return;
        conf.write(QStringLiteral(
                       "base_dir = %1/run\nstate_dir = %1/state\nlog_path = %1/log\ninfo_log_path = %1/log\n"
                       "protocols = pop3\nlisten = 127.0.0.1\nssl = no\ndisable_plaintext_auth = no\n"
                       "auth_failure_delay = 0\nfirst_valid_uid = 1\ndefault_internal_user = nobody\n"
                       "default_login_user = nobody\nmail_location = maildir:%1/mail/%u\n"
                       "service pop3-login {\n  chroot =\n  inet_listener pop3 {\n    address = 127.0.0.1\n"
                       "    port = %2\n  }\n}\nservice anvil {\n  chroot =\n}\n"
                       "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN %1/passwd\n}\n"
                       "userdb {\n  driver = static\n  args = uid=%3 gid=%3 home=%1/mail/%u\n}\n")
                       .arg(d)
                       .arg(port_)
                       .arg(kNobody)
                       .toUtf8());
        conf.close();
        server_.start(QStringLiteral("/usr/sbin/dovecot"),
                      {QStringLiteral("-F"), QStringLiteral("-c"), conf.fileName()});
        if (!server_.waitForStarted(5000))
            return;
        for (int i = 0; i < 500 && !up_; ++i) {
            up_ = connects(port_);
            if (!up_)
                QThread::msleep(10);
        }
    }
    ~Dovecot() {
        server_.terminate();
        server_.waitForFinished(5000);
    }

    bool up() const { return up_; }
    quint16 port() const { return port_; }
    QString maildir(const QString& user) const { return dir_.filePath(QStringLiteral("mail/") + user); }
    QString log() const {
        QFile f(dir_.filePath(QStringLiteral("log")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    // Delivers a message into the user's new/ as the server's own user.
    void deliver(const QString& user, const QByteArray& message) {
        const QString path = maildir(user) + QStringLiteral("/new/%1.test").arg(++delivered_);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(message);
        f.close();
        [[maybe_unused]] const int rc = ::chown(QFile::encodeName(path).constData(), kNobody, kNobody);
    }
    // Messages in the user's Maildir, read or not.
    int messages(const QString& user) const {
        return int(QDir(maildir(user) + QStringLiteral("/new")).entryList(QDir::Files).size() +
                   QDir(maildir(user) + QStringLiteral("/cur")).entryList(QDir::Files).size());
    }

private:
    static sockaddr_in loopback(quint16 port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }
    // A port the kernel hands out for loopback, free at this moment.
    static quint16 freePort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = loopback(0);
        socklen_t length = sizeof address;
        quint16 port = 0;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port = ntohs(address.sin_port);
        ::close(fd);
        return port;
    }
    static bool connects(quint16 port) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_in address = loopback(port);
        const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        return ok;
    }
    static void chownTree(const QString& path) {
        [[maybe_unused]] int rc = ::chown(QFile::encodeName(path).constData(), kNobody, kNobody);
        for (const QString& sub : QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            chownTree(path + QLatin1Char('/') + sub);
    }

    QTemporaryDir dir_;
    QProcess server_;
    quint16 port_ = 0;
    bool up_ = false;
    int delivered_ = 0;
};

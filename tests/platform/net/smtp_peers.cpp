#include "smtp_peers.h"

#include "loopback.h"
#include "self_signed.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QThread>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

void say(int fd, const char* line) {
    (void)!::send(fd, line, strlen(line), MSG_NOSIGNAL);
}

} // namespace

AioSmtpd::AioSmtpd(bool refusing, bool tls) {
    const QString box = dir_.filePath(QStringLiteral("box")); // aiosmtpd makes it: it must not exist
    QStringList tlsArguments;
    if (tls) {
        const QString cert = dir_.filePath(QStringLiteral("cert.pem")),
                      key = dir_.filePath(QStringLiteral("key.pem"));
        if (!makeSelfSignedCertificate(cert, key))
            return;
        tlsArguments = {QStringLiteral("--tlscert"), cert, QStringLiteral("--tlskey"), key};
    }
    for (int attempt = 0; attempt < 3 && !ok_; ++attempt) {
        port_ = freeLoopbackPort();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PYTHONPATH"), QStringLiteral(MORVIK_SMTP_HANDLERS));
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList arguments{QStringLiteral("-m"), QStringLiteral("aiosmtpd"), QStringLiteral("-n"),
                              QStringLiteral("-l"), QStringLiteral("127.0.0.1:%1").arg(port_)};
        arguments << tlsArguments << QStringLiteral("-c")
                  << (refusing ? QStringLiteral("smtp_handlers.Refusing")
                               : QStringLiteral("aiosmtpd.handlers.Mailbox"))
                  << box;
        process_.start(QStringLiteral("/usr/bin/python3"), arguments);
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000 && process_.state() != QProcess::NotRunning) {
            // aiosmtpd's own greeting: another test's peer may have bound the port first.
            if (const QByteArray greeting = loopbackGreeting(port_);
                greeting.startsWith("220 ") && greeting.contains("Python SMTP")) {
                ok_ = true;
                break;
            }
            QThread::msleep(20);
        }
        if (!ok_) {
            process_.kill();
            process_.waitForFinished();
        }
    }
}

AioSmtpd::~AioSmtpd() {
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished();
    }
}

QString AioSmtpd::server() const {
    return QStringLiteral("127.0.0.1:%1").arg(port_);
}

QJsonArray AioSmtpd::messages() const {
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(MORVIK_SMTP_HANDLERS "/read_maildir.py"),
                                                      dir_.filePath(QStringLiteral("box"))});
    reader.waitForFinished(10000);
    return QJsonDocument::fromJson(reader.readAllStandardOutput()).array();
}

ScriptedSmtp::ScriptedSmtp(Script script) : script_(script) {
    const int listener = listenOnLoopback(port_);
    if (listener >= 0)
        Serve(listener);
}

ScriptedSmtp::~ScriptedSmtp() {
    Stop();
}

QString ScriptedSmtp::server() const {
    return QStringLiteral("127.0.0.1:%1").arg(port_);
}

QByteArrayList ScriptedSmtp::commands() const {
    const std::lock_guard lock(mutex_);
    return commands_;
}

void ScriptedSmtp::Accepted(int fd) {
    if (script_ != Script::silentGreeting)
        say(fd, "220 peer ESMTP\r\n");
    QByteArray input;
    bool inData = false;
    bool silent = script_ == Script::silentGreeting; // it reads on and says nothing, until the client goes
    bool open = true;
    while (!stopping() && open) {
        pollfd readable{fd, POLLIN, 0};
        if (poll(&readable, 1, 50) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        input.append(buffer, n);
        if (inData) {
            if (script_ == Script::closeInData) {
                open = false;
                break;
            }
            const qsizetype end = input.indexOf("\r\n.\r\n");
            if (end < 0)
                continue;
            input.remove(0, end + 5);
            inData = false;
            if (script_ == Script::silentAfterData)
                silent = true;
            else
                say(fd, "250 OK queued\r\n");
        }
        qsizetype end;
        while (!inData && (end = input.indexOf("\r\n")) >= 0) {
            const QByteArray line = input.left(end);
            input.remove(0, end + 2);
            {
                const std::lock_guard lock(mutex_);
                commands_ << line;
            }
            const QByteArray verb = line.toUpper();
            if (silent)
                continue;
            if (verb.startsWith("EHLO"))
                say(fd, "250-peer\r\n250 8BITMIME\r\n");
            else if (verb.startsWith("HELO") || verb.startsWith("MAIL") || verb.startsWith("RCPT") ||
                     verb.startsWith("RSET"))
                say(fd, "250 OK\r\n");
            else if (verb.startsWith("DATA")) {
                say(fd, "354 go ahead\r\n");
                inData = true;
            } else if (verb.startsWith("QUIT") && script_ == Script::silentQuit) {
                silent = true;
            } else if (verb.startsWith("QUIT")) {
                say(fd, "221 bye\r\n");
                open = false;
                break;
            } else
                say(fd, "502 no\r\n");
        }
    }
    close(fd);
}

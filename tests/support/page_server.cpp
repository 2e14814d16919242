#include "page_server.h"

PageServer::PageServer(const QString& folder, bool tls) : tls_(tls) {
    QStringList arguments{QStringLiteral(MORVIK_SUPPORT_DIR "/page_server.py"), QStringLiteral("--dir"), folder};
    if (tls) {
        const QString cert = keys_.filePath(QStringLiteral("cert.pem")),
                      key = keys_.filePath(QStringLiteral("key.pem"));
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                       QStringLiteral("1"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                       QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert});
        if (!openssl.waitForFinished(20000) || openssl.exitCode() != 0)
            return;
        arguments << QStringLiteral("--tls") << cert << key;
    }
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral("/usr/bin/python3"), arguments);
    if (!process_.waitForStarted(10000))
        return;
    while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
    }
    bool number = false;
    const int port = process_.readLine().trimmed().toInt(&number);
    if (number)
        port_ = port;
}

PageServer::~PageServer() {
    process_.kill();
    process_.waitForFinished(3000);
}

QString PageServer::url(const QString& path) const {
    return QStringLiteral("%1://127.0.0.1:%2%3")
        .arg(tls_ ? QStringLiteral("https") : QStringLiteral("http"))
        .arg(port_)
        .arg(path);
}

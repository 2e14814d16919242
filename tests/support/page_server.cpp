#include "page_server.h"

#include "self_signed.h"

PageServer::PageServer(const QString& folder, bool tls) : tls_(tls) {
    QStringList arguments{QStringLiteral(MORVIK_SUPPORT_DIR "/page_server.py"), QStringLiteral("--dir"), folder};
    if (tls) {
        const QString cert = keys_.filePath(QStringLiteral("cert.pem")),
                      key = keys_.filePath(QStringLiteral("key.pem"));
        if (!makeSelfSignedCertificate(cert, key))
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

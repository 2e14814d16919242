#include "self_signed.h"

#include <QProcess>

bool makeSelfSignedCertificate(const QString& cert, const QString& key) {
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert});
    return openssl.waitForFinished(20000) && openssl.exitStatus() == QProcess::NormalExit &&
           openssl.exitCode() == 0;
}

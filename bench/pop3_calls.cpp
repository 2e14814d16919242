// pop3_calls check|download SERVER USER PASSWORD [FOLDER]: the mail library calls of one account's
// automatic check (STAT, LIST) or of its download (STAT, SAVEALL, ReadMail of every file), as
// bench/pop3.sh times them. Prints the element count; fails as the calls fail.
#include "platform/net/mail_transfer.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5)
        return 2;
    const QString& server = args[2];
    const QString& user = args[3];
    const QString& password = args[4];
    const QString folder = args.value(5);
    if (!mail_transfer::RcvMail(server, user, password, QStringLiteral("STAT"), folder))
        return 1;
    if (args[1] == QStringLiteral("check")) {
        const auto list = mail_transfer::RcvMail(server, user, password, QStringLiteral("LIST"), folder);
        std::printf("%lld\n", list ? static_cast<long long>(list->size()) : -1LL);
        return list ? 0 : 1;
    }
    const auto files = mail_transfer::RcvMail(server, user, password, QStringLiteral("SAVEALL"), folder);
    if (!files)
        return 1;
    for (const QString& file : *files) {
        if (!mail_transfer::ReadMail(file, QStringLiteral("subject:from:date:nofile:"), folder))
            return 1;
    }
    std::printf("%lld\n", static_cast<long long>(files->size()));
    return 0;
}

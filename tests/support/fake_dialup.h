#pragma once
// A remote-access backend of the test's own: the entries, the active connections and the dial's
// outcome are what the test puts in, and every call is recorded ("Dial isp me secret",
// "HangUp 7"). Install it with dialup::install() before making the dial-up objects.
#include "app/dialup/ras_backend.h"

#include <QStringList>

struct FakeRas : dialup::Backend {
    QStringList entries;
    QList<dialup::Connection> connections;
    qint32 listResult = 0;
    Dialled dialled{0, 7};
    QStringList calls;

    Entries EnumEntries(const QString& phoneBook) override {
        calls << QStringLiteral("EnumEntries ") + phoneBook;
        return {listResult, entries};
    }
    Dialled Dial(const QString&, const dialup::DialParams& p) override {
        calls << QStringLiteral("Dial %1 %2 %3 %4").arg(p.entry, p.user, p.password, p.domain).trimmed();
        return dialled;
    }
    qint32 HangUp(quint32 handle) override {
        calls << QStringLiteral("HangUp %1").arg(handle);
        return 0;
    }
    QString ErrorString(qint32 code) override { return QStringLiteral("error %1").arg(code); }
    Connections EnumConnections() override { return {listResult, connections}; }
};

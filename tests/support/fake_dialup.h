#pragma once
// A remote-access backend of the test's own: the entries, the connections that are up and the
// dial's outcome are what the test puts in, and every call is recorded ("Dial isp", "HangUp 7").
// Install it with dialup::install() before making the dial-up objects. onDial, when set, runs inside
// the dial (as the wait for its outcome would let timers run).
#include "app/dialup/ras_backend.h"
#include "platform/quiet.h"

#include <QStringList>
#include <functional>

struct FakeRas : dialup::Backend {
    QStringList entries;
    QList<dialup::Connection> connections;
    qint32 listResult = 0;
    Dialled dialled{0, 7};
    qint32 hangUpResult = 0;
    std::function<void()> onDial;
    QStringList calls;

    Entries EnumEntries() override {
        calls << QStringLiteral("EnumEntries");
        return {listResult, entries};
    }
    Dialled Dial(const QString& entry) override {
        calls << QStringLiteral("Dial ") + entry;
        if (onDial)
            onDial();
        return dialled;
    }
    qint32 HangUp(quint32 handle) override {
        calls << QStringLiteral("HangUp %1").arg(handle);
        return hangUpResult;
    }
    // What the test puts in changes without a word, unlike NetworkManager's signals: whoever
    // looks must look again.
    Connections EnumConnections() override {
        platform::quiet::unannounced();
        return {listResult, connections};
    }
};

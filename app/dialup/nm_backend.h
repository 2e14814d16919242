#pragma once
// NetworkManager as the remote-access service (platform/network_manager): its connection
// profiles are the phone book, listed by their ids (connection.id) in its own order; a dial
// activates the first profile of the entry's name and waits for the outcome; a hang-up deactivates
// the connection a handle names; the connections that are up are those in state 2 of the cache
// that NetworkManager's signals keep, so asking them makes no bus call.
//
// Handles are numbers of our own, each given once: one per active connection as the cache first
// sees it, and a new one per dial. A handle remembers its active connection's object path and its
// profile's uuid; a hang-up ends that path only while it still carries that uuid (NetworkManager
// hands the path of an ended connection to a later one). Codes are ras_backend.h's. GUI thread only.
#include "ras_backend.h"

#include <QHash>

namespace dialup {

class NmBackend : public Backend {
public:
    // How long a dial waits for its outcome, by default 120 s (tests shorten it).
    static constexpr int kDefaultDialLimitMs = 120000;
    inline static int DialLimitMs = kDefaultDialLimitMs;

    Entries EnumEntries() override;
    Dialled Dial(const QString& entry) override;
    qint32 HangUp(quint32 handle) override;
    Connections EnumConnections() override;

private:
    struct Kept {
        QString path, uuid;
    };
    QHash<quint32, Kept> handles_;
};

} // namespace dialup

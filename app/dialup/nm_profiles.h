#pragma once
// NetworkManager's connection profiles as the dial-up object's phone book: EnumEntries lists each
// profile's id (connection.id) in the order of Settings.ListConnections, asked on the system bus.
// The rest of the remote-access service is not built on NetworkManager yet: a dial fails as on a
// desktop without dial-up (kNoEntry), a hang-up does nothing and no connection counts as active.
// NetworkManager not running, or no system bus at all, gives an empty list and no error (result 0).
// Each listing asks afresh on a connection of its own, waiting at most kReplyLimitMs per reply.
// GUI thread only.
#include "ras_backend.h"

namespace dialup {

class NmProfiles : public NoDialUp {
public:
    static constexpr int kReplyLimitMs = 2000;

    Entries EnumEntries(const QString& phoneBook) override;
};

} // namespace dialup

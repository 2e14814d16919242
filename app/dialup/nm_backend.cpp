#include "nm_backend.h"

#include "platform/network_manager/network_manager.h"

namespace dialup {
namespace nm = platform::network_manager;
namespace {

qint32 codeOf(nm::Failure failure) {
    switch (failure) {
    case nm::Failure::None:
        return 0;
    case nm::Failure::NoService:
        return kNoNetworkManager;
    case nm::Failure::NotAuthorised:
        return kNotAuthorised;
    case nm::Failure::NoDevice:
        return kNoDevice;
    case nm::Failure::NoProfile:
        return kNoProfile;
    case nm::Failure::TimeLimit:
        return kTimeLimit;
    case nm::Failure::Ended:
        return kReasonBase;
    case nm::Failure::Other:
        break;
    }
    return kFailed;
}

// NetworkManager's reasons 0 to 14 have their texts; a later one reads as "unknown" (0).
constexpr quint32 kLastReason = 14;

} // namespace

Backend::Entries NmBackend::EnumEntries() {
    const nm::Profiles profiles = nm::profiles();
    Entries entries;
    entries.result = codeOf(profiles.failure);
    for (const nm::Profile& profile : profiles.list)
        entries.names << profile.id;
    return entries;
}

Backend::Dialled NmBackend::Dial(const QString& entry) {
    const nm::Profiles profiles = nm::profiles();
    if (profiles.failure != nm::Failure::None)
        return {codeOf(profiles.failure), 0};
    const auto profile = std::find_if(profiles.list.cbegin(), profiles.list.cend(),
                                      [&](const nm::Profile& p) { return p.id == entry; });
    if (profile == profiles.list.cend())
        return {kNoProfile, 0};
    const nm::Activation activation = nm::activate(profile->path, DialLimitMs);
    Dialled dialled;
    if (!activation.path.isEmpty()) {
        dialled.handle = nm::newSerial();
        handles_.insert(dialled.handle, {activation.path, profile->uuid});
    }
    dialled.result = codeOf(activation.failure);
    if (activation.failure == nm::Failure::Ended)
        dialled.result += qint32(activation.reason <= kLastReason ? activation.reason : 0);
    return dialled;
}

qint32 NmBackend::HangUp(quint32 handle) {
    const auto kept = handles_.constFind(handle);
    if (kept == handles_.constEnd())
        return kNoConnection;
    // The path may have passed to another connection since: only the one of that profile is ended.
    const std::optional<QString> uuid = nm::activeUuid(kept->path);
    if (!uuid || *uuid != kept->uuid)
        return kNoConnection;
    return codeOf(nm::deactivate(kept->path).failure);
}

Backend::Connections NmBackend::EnumConnections() {
    Connections up;
    for (const nm::ActiveConnection& active : nm::activeConnections()) {
        if (active.state != nm::Activated)
            continue;
        handles_.insert(active.serial, {active.path, active.uuid});
        up.list << Connection{active.serial, active.id};
    }
    return up;
}

} // namespace dialup

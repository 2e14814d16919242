#pragma once
// NetworkManager on the system bus (org.freedesktop.NetworkManager), as far as the dial-up object
// needs it: the connection profiles by their ids, activating one and waiting for its outcome,
// deactivating an active connection, and the active connections as NetworkManager last told us.
//
// One connection of ours to the system bus ($DBUS_SYSTEM_BUS_ADDRESS, else the standard socket)
// carries it all. It is made on first use, and made anew when that address changes or the
// connection is lost (at most every kReconnectMs). The active connections are kept in a cache that
// NetworkManager's own signals feed (PropertiesChanged of its ActiveConnections, and of each active
// connection's State, and StateChanged); the cache is read whole when the connection is made and
// whenever NetworkManager appears on the bus, and emptied when it leaves. Asking the cache makes no
// bus call.
//
// No call starts NetworkManager through the bus: where it does not run, every call fails with
// NoService. Waits (an activation's outcome) run in a pace::Wait: she keeps drawing and D-Bus signals arrive,
// but no user command nests in the caller. Each other call waits for its reply at most
// kReplyLimitMs. GUI thread only.
#include <QList>
#include <QObject>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace platform::network_manager {

inline constexpr int kReplyLimitMs = 2000;
inline constexpr int kReconnectMs = 5000;

// An active connection's state (NMActiveConnectionState).
enum State : quint32 { Unknown = 0, Activating = 1, Activated = 2, Deactivating = 3, Deactivated = 4 };

// Why a call or an activation did not succeed.
enum class Failure {
    None,
    NoService,     // no system bus, or NetworkManager is not on it (or left it meanwhile)
    NotAuthorised, // refused: the user may not do this (polkit, or NetworkManager itself)
    NoDevice,      // no device can carry the profile
    NoProfile,     // the profile does not exist (any more)
    TimeLimit,     // the caller's limit passed
    Ended,         // the activation ended (state 4, or the active connection vanished): see reason
    Other,         // any other error NetworkManager gave
};

// A connection profile: its object path, connection.id and connection.uuid.
struct Profile {
    QString path, id, uuid;
};

struct Profiles {
    Failure failure = Failure::None;
    QList<Profile> list; // in the order of Settings.ListConnections
};
// Asks NetworkManager for its profiles (a profile that vanishes meanwhile, or has no id, is left
// out).
Profiles profiles();

// An active connection as the cache holds it. serial is ours: a number given when the cache first
// sees this path with this profile uuid, never given again in this process.
struct ActiveConnection {
    quint32 serial = 0;
    QString path, id, uuid;
    quint32 state = Unknown;
};
// The active connections, in NetworkManager's order. No bus call, except to (re)connect.
QList<ActiveConnection> activeConnections();
// A number that no active connection and no earlier call has had (for handles of one's own).
quint32 newSerial();

// The object whose changed() is emitted after every change of the cache.
class Cache : public QObject {
    Q_OBJECT
signals:
    void changed();
};
Cache& cache();

// What an activation came to.
struct Activation {
    Failure failure = Failure::None;
    QString path;       // the active connection it made; empty when none was made
    quint32 reason = 0; // with Ended: NetworkManager's state reason (0 when it gave none)
    QString error;      // the D-Bus error, when there was one
};
// Activates the profile on a device NetworkManager chooses (ActivateConnection(profile, "/", "/"),
// interactive authorisation allowed) and waits until the active connection is activated (state 2:
// success) or deactivated or gone (Ended), or limitMs have passed (TimeLimit). After the reply it
// subscribes to the active connection's signals and then reads its state once, so an end that came
// before the subscription is not missed. It leaves a failed activation as it is: deactivate() it.
Activation activate(const QString& profilePath, int limitMs);

// Deactivates an active connection (interactive authorisation allowed). Failure::None when done.
struct Outcome {
    Failure failure = Failure::None;
    QString error;
};
Outcome deactivate(const QString& activePath);

// The uuid of the profile an active connection was made from, read from NetworkManager now;
// nothing when there is no such active connection.
std::optional<QString> activeUuid(const QString& activePath);

// How a D-Bus error name reads as a Failure.
Failure failureOf(const QString& errorName);

// Drops the connection and the cache (tests, whose buses come and go).
void reset();

} // namespace platform::network_manager

#pragma once
// The remote-access service behind the dial-up object (VBRas32.h): the operations it needs of the
// platform, in texts and handles rather than the service's records. The program installs the
// backend of its desktop at start-up (NetworkManager's, nm_backend.h); until then, and wherever
// there is no dial-up, the default backend stands in: no phone-book entry, no connection, and a
// dial that fails with kNoEntry. Tests install their own through install().
//
// Only the entry's name is ever handed to a backend: a NetworkManager profile holds its own user
// name, password and secrets, so the object's UserID, password, Domain and PhoneBook go nowhere.
// GUI thread only.
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <memory>

namespace dialup {

// One active connection: its handle and the name of its phone-book entry.
struct Connection {
    quint32 handle = 0;
    QString entry;
};

// The result codes of the dial-up object: 0 is success, and every other code is ours, each with
// its text (errorText).
// The activation ended on NetworkManager's state reason r (0 to 14): kReasonBase + r.
inline constexpr qint32 kReasonBase = 1000;
inline constexpr qint32 kNoProfile = 1100;        // no profile has the entry's name
inline constexpr qint32 kNoNetworkManager = 1101; // no system bus, or no NetworkManager on it
inline constexpr qint32 kNotAuthorised = 1102;    // the system refused: this user may not
inline constexpr qint32 kNoDevice = 1103;         // no device can carry the profile
inline constexpr qint32 kTimeLimit = 1104;        // no outcome within the dial's limit
inline constexpr qint32 kDialling = 1105;         // this object is dialling already
inline constexpr qint32 kNoConnection = 1106;     // nothing to hang up (none kept, or no longer there)
inline constexpr qint32 kFailed = 1107;           // NetworkManager gave another error
// The dial of the default backend: the entry cannot be found.
inline constexpr qint32 kNoEntry = kNoProfile;

// The Japanese text of one of our codes; the empty text for 0 and for any code not ours.
QString errorText(qint32 code);

class Backend {
public:
    virtual ~Backend() = default;

    // The entries of the phone book, in the service's order, and the result code (0: listed).
    struct Entries {
        qint32 result = 0;
        QStringList names;
    };
    virtual Entries EnumEntries() = 0;

    // Dials the entry and returns when the connection is up (result 0) or the dial has failed (its
    // code); handle is the connection the dial started, also when it failed (0: none). Every dial
    // gives a handle never given before.
    struct Dialled {
        qint32 result = 0;
        quint32 handle = 0;
    };
    virtual Dialled Dial(const QString& entry) = 0;

    // Ends a connection that a handle of this backend names, if it is still the one the handle was
    // given for; 0, or a code (kNoConnection when there is nothing to end).
    virtual qint32 HangUp(quint32 handle) = 0;

    // The connections that are up, and the result code (0: listed).
    struct Connections {
        qint32 result = 0;
        QList<Connection> list;
    };
    virtual Connections EnumConnections() = 0;
};

// The default backend: a desktop without dial-up. Nothing to list, nothing connected, a dial that
// fails with kNoEntry and a hang-up that finds nothing. Backends that know only part of the
// service build on it.
class NoDialUp : public Backend {
public:
    Entries EnumEntries() override;
    Dialled Dial(const QString& entry) override;
    qint32 HangUp(quint32 handle) override;
    Connections EnumConnections() override;
};

// The installed backend (the default one until another is installed).
std::shared_ptr<Backend> backend();
// Installs a backend for the dial-up objects made from now on; null puts the default one back.
void install(std::shared_ptr<Backend> implementation);

} // namespace dialup

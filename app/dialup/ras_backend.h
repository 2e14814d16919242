#pragma once
// The remote-access service behind the dial-up object (VBRas32.h): the operations it needs of the
// platform, in texts and handles rather than the service's records. The program installs the
// backend of its desktop at start-up; until then, and wherever there is no dial-up, the default
// backend stands in: no phone-book entry, no connection, and a dial that fails with kNoEntry. A
// later backend (NetworkManager's) slots in through install(), as tests do with their own.
// GUI thread only.
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <memory>

namespace dialup {

// What a dial sends: the entry to dial, and the user name, password and domain of the logon.
struct DialParams {
    QString entry, user, password, domain;
};

// One active connection: its handle and the name of its phone-book entry.
struct Connection {
    quint32 handle = 0;
    QString entry;
};

// The dial of the default backend fails with this code: the phone-book entry cannot be found.
inline constexpr qint32 kNoEntry = 623;

class Backend {
public:
    virtual ~Backend() = default;

    // The entries of the phone book (empty: the default one), in the service's order, and its
    // result code (0: listed).
    struct Entries {
        qint32 result = 0;
        QStringList names;
    };
    virtual Entries EnumEntries(const QString& phoneBook) = 0;

    // Dials and returns when the connection is up (result 0) or the dial has failed (its error
    // code); handle is the connection the dial started, also when it failed (0: none).
    struct Dialled {
        qint32 result = 0;
        quint32 handle = 0;
    };
    virtual Dialled Dial(const QString& phoneBook, const DialParams& params) = 0;

    // Ends a connection; 0 or an error code.
    virtual qint32 HangUp(quint32 handle) = 0;

    // The service's text for an error code; empty when it has none.
    virtual QString ErrorString(qint32 code) = 0;

    // The active connections and the result code (0: listed).
    struct Connections {
        qint32 result = 0;
        QList<Connection> list;
    };
    virtual Connections EnumConnections() = 0;
};

// The default backend: a desktop without dial-up. Nothing to list, nothing connected, and a dial
// that fails with kNoEntry. Backends that know only part of the service build on it.
class NoDialUp : public Backend {
public:
    Entries EnumEntries(const QString& phoneBook) override;
    Dialled Dial(const QString& phoneBook, const DialParams& params) override;
    qint32 HangUp(quint32 handle) override;
    QString ErrorString(qint32 code) override;
    Connections EnumConnections() override;
};

// The installed backend (the default one until another is installed).
std::shared_ptr<Backend> backend();
// Installs a backend for the dial-up objects made from now on; null puts the default one back.
void install(std::shared_ptr<Backend> implementation);

} // namespace dialup

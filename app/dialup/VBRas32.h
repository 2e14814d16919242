#pragma once
// The dial-up object: one phone-book entry of the remote-access service (ras_backend.h), on this
// desktop a NetworkManager profile. The character window keeps one as RasSample; the settings
// dialog and the palk window make their own.
//
// Creating one clears its texts, sets ShowMoniter and lists the phone-book entries once
// (RefreshEntries); nothing is dialled. Entry is what Dialup() dials. UserID, password, Domain and
// PhoneBook are kept for their holders but sent nowhere: a profile holds its own secrets.
//
// Dialup() dials and waits for the outcome, which it raises before it returns: ConnectComplete,
// or, after ending what the failed dial left and waiting 3 s, ConnectError(code). The code is
// passed by reference: Dialup() returns what the handlers leave in it (0: connected). The object is
// no longer dialling when either is raised, so a ConnectError handler may dial again; a Dialup()
// while this object dials returns kDialling at once and raises nothing. The wait lets timers,
// painting and D-Bus run but no user input (pace::Wait), so she keeps drawing and no command nests.
//
// SeekEnumConns() tells whether a connection that is up has the entry's name, comparing every one
// of them, and with keep takes it over for HangUp(). HangUp() ends the kept connection when it is
// still there and still the same, then always waits 3 s, forgets the handle and returns a code
// (kNoConnection with nothing to end). Codes are ours, with ErrMsg() giving their text; the only
// call that throws is EnumEntries() outside its slots (std::out_of_range), which no caller asks.
// The waits of 3 s are animation pauses (platform/pace.h). GUI thread only.
#include "ras_backend.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class VBRas32 : public QObject {
    Q_OBJECT
public:
    // Uses the backend installed at this moment (dialup::install).
    explicit VBRas32(QObject* parent = nullptr);

    // The platform the object works for: 2, the line whose records it would use.
    static constexpr int kPlatformId = 2;
    int PlatformId() const { return kPlatformId; }

    // The connection that Dialup() made or SeekEnumConns() kept; 0 for none.
    quint32 Connection() const { return connection_; }
    // The phone book; empty for the service's default one. Kept, not used.
    QString PhoneBook() const { return phoneBook_; }
    void setPhoneBook(const QString& path) { phoneBook_ = path; }
    // The number of entries the last listing found.
    qint32 EntryCount() const { return qint32(entries_.size()) - 1; }
    // The name in slot index of the last listing: 0 to EntryCount() - 1 are the entries, slot
    // EntryCount() is empty; any other index throws std::out_of_range.
    QString EnumEntries(int index) const;
    QString Entry() const { return entry_; }
    void setEntry(const QString& name) { entry_ = name; }
    QString UserID() const { return userId_; }
    void setUserID(const QString& name) { userId_ = name; }
    QString password() const { return password_; }
    void setPassword(const QString& text) { password_ = text; }
    QString Domain() const { return domain_; }
    void setDomain(const QString& name) { domain_ = name; }
    // Kept for its holders; nothing here consults it.
    bool ShowMoniter() const { return showMoniter_; }
    void setShowMoniter(bool on) { showMoniter_ = on; }
    // Whether a Dialup() of this object is waiting for its outcome.
    bool Dialling() const { return dialling_; }

    // Lists the phone-book entries anew; the service's result code (kNoNetworkManager when it
    // cannot be asked).
    qint32 RefreshEntries();
    qint32 Dialup();
    qint32 HangUp();
    // The text of a code (ras_backend.h); empty for one that is not ours.
    QString ErrMsg(qint32 code);
    bool SeekEnumConns(const QString& name, bool keep);

    // The wait after a hang-up, in milliseconds.
    static constexpr int kHangUpWaitMs = 3000;

signals:
    void ConnectComplete();
    void ConnectError(qint32& code);

private:
    std::shared_ptr<dialup::Backend> backend_;
    quint32 connection_ = 0;
    QStringList entries_{QString()}; // the last listing and one empty slot
    QString phoneBook_, entry_, userId_, password_, domain_;
    bool showMoniter_ = true;
    bool dialling_ = false;
};

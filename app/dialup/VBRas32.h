#pragma once
// The dial-up object: one phone-book entry of the remote-access service (ras_backend.h). The
// character window keeps one as RasSample; the settings dialog and the palk window make their own.
//
// Creating one clears its texts, sets ShowMoniter and lists the phone-book entries once
// (RefreshEntries); nothing is dialled. Entry, UserID, password and Domain are what Dialup() sends.
// Dialup() dials and waits for the outcome, which it raises before it returns: ConnectComplete, or,
// after hanging up what the failed dial left and waiting 3 s, ConnectError(code); it returns the
// code (0: connected). A ConnectError handler may dial again. SeekEnumConns() tells whether an
// entry is connected now and, with keep, takes that connection over for HangUp(), which ends it and
// waits 3 s. The service's failures come back as its codes (ErrMsg() gives their text); the only
// call that throws is EnumEntries() outside its slots (std::out_of_range), which no caller asks.
// The waits are animation pauses (platform/pace.h): the window's events keep running. GUI thread
// only.
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

    // The connection that Dialup() made or SeekEnumConns() kept; 0 for none.
    quint32 Connection() const { return connection_; }
    // The phone book; empty for the service's default one.
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

    // Lists the phone-book entries anew; the service's result code.
    qint32 RefreshEntries();
    qint32 Dialup();
    qint32 HangUp();
    QString ErrMsg(qint32 code);
    bool SeekEnumConns(const QString& name, bool keep);

    // The wait after a hang-up, in milliseconds.
    static constexpr int kHangUpWaitMs = 3000;
    // The active connections a lookup has room for: with more, SeekEnumConns() finds none.
    static constexpr int kConnectionSlots = 2;

signals:
    void ConnectComplete();
    void ConnectError(qint32 code);

private:
    std::shared_ptr<dialup::Backend> backend_;
    quint32 connection_ = 0;
    QStringList entries_{QString()}; // the last listing and one empty slot
    QString phoneBook_, entry_, userId_, password_, domain_;
    bool showMoniter_ = true;
};

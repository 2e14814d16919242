#include "VBRas32.h"

#include "platform/pace.h"

#include <stdexcept>

VBRas32::VBRas32(QObject* parent) : QObject(parent), backend_(dialup::backend()) {
    RefreshEntries();
}

QString VBRas32::EnumEntries(int index) const {
    if (index < 0 || index >= entries_.size())
        throw std::out_of_range("VBRas32::EnumEntries: no entry slot " + std::to_string(index));
    return entries_[index];
}

qint32 VBRas32::RefreshEntries() {
    const dialup::Backend::Entries listed = backend_->EnumEntries(phoneBook_);
    entries_ = listed.names;
    entries_.append(QString());
    return listed.result;
}

qint32 VBRas32::Dialup() {
    const dialup::Backend::Dialled dialled =
        backend_->Dial(phoneBook_, {entry_, userId_, password_, domain_});
    connection_ = dialled.handle;
    if (dialled.result != 0) {
        // A failed dial may leave a half-open connection behind.
        backend_->HangUp(dialled.handle);
        platform::pace::sleep(kHangUpWaitMs);
        connection_ = 0;
        emit ConnectError(dialled.result);
        return dialled.result;
    }
    emit ConnectComplete();
    return 0;
}

qint32 VBRas32::HangUp() {
    const qint32 result = backend_->HangUp(connection_);
    platform::pace::sleep(kHangUpWaitMs);
    connection_ = 0;
    return result;
}

QString VBRas32::ErrMsg(qint32 code) {
    return backend_->ErrorString(code);
}

bool VBRas32::SeekEnumConns(const QString& name, bool keep) {
    const dialup::Backend::Connections active = backend_->EnumConnections();
    if (active.result != 0 || active.list.size() > kConnectionSlots)
        return false;
    for (const dialup::Connection& connection : active.list) {
        if (connection.entry != name)
            continue;
        if (keep) {
            entry_ = connection.entry;
            connection_ = connection.handle;
        }
        return true;
    }
    return false;
}

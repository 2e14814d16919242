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
    const dialup::Backend::Entries listed = backend_->EnumEntries();
    entries_ = listed.names;
    entries_.append(QString());
    return listed.result;
}

qint32 VBRas32::Dialup() {
    if (dialling_)
        return dialup::kDialling;
    dialling_ = true;
    // A dial starts from no handle: the one kept before belongs to another connection.
    connection_ = 0;
    const dialup::Backend::Dialled dialled = backend_->Dial(entry_);
    if (dialled.result != 0) {
        // A failed dial may leave a half-made connection behind.
        if (dialled.handle != 0)
            backend_->HangUp(dialled.handle);
        platform::pace::sleep(kHangUpWaitMs);
        connection_ = 0;
        dialling_ = false;
        qint32 code = dialled.result;
        emit ConnectError(code);
        return code;
    }
    connection_ = dialled.handle;
    dialling_ = false;
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
    return dialup::errorText(code);
}

bool VBRas32::SeekEnumConns(const QString& name, bool keep) {
    const dialup::Backend::Connections up = backend_->EnumConnections();
    if (up.result != 0)
        return false;
    for (const dialup::Connection& connection : up.list) {
        if (connection.entry != name)
            continue;
        // While a dial waits, the handle stays the dial's to set.
        if (keep && !dialling_) {
            entry_ = connection.entry;
            connection_ = connection.handle;
        }
        return true;
    }
    return false;
}

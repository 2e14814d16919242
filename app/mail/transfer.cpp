#include "transfer.h"

#ifdef MORVIK_HAVE_MAIL_TRANSFER
#include "platform/net/mail_transfer.h"
#endif

namespace mail {
namespace {

Transfer defaultTransfer() {
#ifdef MORVIK_HAVE_MAIL_TRANSFER
    return {[](unsigned mark, const QString& server, const QString& user, const QString& password,
               const QString& command, const QString& folder) {
                return mail_transfer::RcvMailMarked({mark}, server, user, password, command, folder);
            },
            &mail_transfer::ReadMail, &mail_transfer::cancel,
            [] { return mail_transfer::cancelMark().generation; }, &mail_transfer::lastError};
#else
    return {[](unsigned, const QString&, const QString&, const QString&, const QString&,
               const QString&) -> std::optional<QStringList> { return std::nullopt; },
            [](const QString&, const QString&, const QString&) -> std::optional<QStringList> {
                return std::nullopt;
            },
            [] {}, [] { return 0u; },
            [] { return QStringLiteral("このプログラムはメールを受け取れません"); }};
#endif
}

Transfer& installed() {
    static Transfer table = defaultTransfer();
    return table;
}

} // namespace

Transfer& transfer() {
    return installed();
}

void setTransfer(Transfer table) {
    installed() = table.RcvMail ? std::move(table) : defaultTransfer();
}

} // namespace mail

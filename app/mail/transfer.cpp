#include "transfer.h"

#ifdef MORVIK_HAVE_MAIL_TRANSFER
#include "platform/net/mail_transfer.h"
#endif

namespace mail {
namespace {

Transfer defaultTransfer() {
#ifdef MORVIK_HAVE_MAIL_TRANSFER
    return {&mail_transfer::RcvMail, &mail_transfer::ReadMail, &mail_transfer::cancel};
#else
    return {[](const QString&, const QString&, const QString&, const QString&,
               const QString&) -> std::optional<QStringList> { return std::nullopt; },
            [](const QString&, const QString&, const QString&) -> std::optional<QStringList> {
                return std::nullopt;
            },
            [] {}};
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

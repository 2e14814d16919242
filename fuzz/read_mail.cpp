// A received message as the mail list reads it: any bytes as a file RETR stored, read by
// mail_transfer::ReadMail (headers, RFC 2047 words, multipart, charsets, transfer encodings). A
// header text must never hold a control character: it is used again in a reply's headers.
#include "platform/net/mail_transfer.h"
#include "support.h"

#include <cstdio>
#include <cstdlib>

namespace {

bool hasControl(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path =
        fuzz::writeFile(fuzz::scratch() + QStringLiteral("/mail.tmp"), fuzz::bytes(data, size));
    const std::optional<QStringList> fields = mail_transfer::ReadMail(path, QString(), QString());
    if (!fields || fields->size() != 5) {
        std::fprintf(stderr, "read_mail: no five fields for a file that is there\n");
        std::abort();
    }
    for (int i = 0; i < 3; ++i) {
        if (hasControl((*fields)[i])) {
            std::fprintf(stderr, "read_mail: a control character in %s\n", qPrintable((*fields)[i].left(8)));
            std::abort();
        }
    }
    return 0;
}

// The SMTP reply reader: any bytes as the reply lines a server sends during one sending, handed
// over in pieces of the sizes libcurl might use (the first byte picks them), then the line a failure
// shows as SendMailEx puts it into its result.
#include "platform/net/smtp_message.h"
#include "support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const size_t piece = size_t(data[0]) + 1;
    mail_transfer::smtp::ReplyLines lines;
    for (size_t at = 1; at < size; at += piece)
        lines.take(reinterpret_cast<const char*>(data) + at, std::min(piece, size - at));
    const QString shown = QStringLiteral("\r\n") + QString::fromUtf8(lines.telling());
    (void)shown.size();
    return 0;
}

// The compose window's recipient list: any text as the typed (or replied-to) recipients, cut at a
// line "--" from the subject, read as SendMailEx reads them (also in the blind-copy form), and the
// message it would send put together. Nothing taken from them may start a header of its own or
// name an envelope recipient that is no plain address.
#include "platform/net/smtp_message.h"
#include "support.h"

#include <QList>
#include <cstdio>
#include <cstdlib>

using namespace mail_transfer;

namespace {

const QString kOwn = QStringLiteral("me@example.jp");

[[noreturn]] void fault(const char* what, const QByteArray& detail) {
    std::fprintf(stderr, "recipients: %s: %s\n", what, detail.left(200).constData());
    std::abort();
}

void checkHeaders(const QByteArray& message) {
    static const QList<QByteArray> kNames{
        "subject",    "from",         "to",           "date",
        "message-id", "mime-version", "content-type", "content-transfer-encoding"};
    const qsizetype end = message.indexOf("\r\n\r\n");
    if (end < 0)
        fault("no end of the headers", message);
    for (const QByteArray& line : message.left(end).split('\n')) {
        const QByteArray l = line.endsWith('\r') ? line.chopped(1) : line;
        if (l.contains('\r'))
            fault("a lone CR in the headers", l);
        if (l.startsWith(' ') || l.startsWith('\t'))
            continue;
        const QByteArray name = l.left(l.indexOf(':')).toLower();
        if (!kNames.contains(name))
            fault("a header of its own", l);
    }
}

void checkEnvelope(const smtp::Addresses& addresses) {
    for (const QByteArray& addr : addresses.envelope) {
        for (const char c : addr) {
            if (uchar(c) <= 0x20 || uchar(c) >= 0x7F || c == '<' || c == '>')
                fault("an envelope recipient that is no plain address", addr);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> parts = fuzz::parts(fuzz::bytes(data, size), 2);
    const QString typed = QString::fromUtf8(parts[0]);
    const QString subject = QStringLiteral("Re:") + QString::fromUtf8(parts.value(1));
    for (const QString& recipient : {typed, typed + QStringLiteral("\tbcc\t") + kOwn}) {
        QString why;
        const std::optional<smtp::Addresses> addresses = smtp::readAddresses(recipient, kOwn, why);
        if (!addresses)
            continue;
        checkEnvelope(*addresses);
        checkHeaders(smtp::compose(addresses->to, addresses->own, subject, QStringLiteral("本文です\r\n")));
    }
    return 0;
}

// POP3 replies as the mail library reads them: the input is a mailbox's answers, cut at lines
// "--": the status lines of STAT, the UIDL listing, then the headers that "TOP n 0" gives for the
// listed messages in turn. (What RETR gives is stored whole and read later as ReadMail reads it:
// the read_mail harness.)
#include "platform/net/pop3_replies.h"
#include "support.h"

using namespace mail_transfer;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> parts = fuzz::parts(fuzz::bytes(data, size), 8);
    const QByteArray stat = pop3::okText(parts[0]);
    if (pop3::messageCount(stat))
        (void)QString::fromLatin1(stat).size();
    const QList<pop3::Uid> uids = pop3::uidList(parts.value(1));
    // The library asks for the header of each listed message it has not seen: at most one TOP
    // reply each here, the replies given in turn.
    for (qsizetype i = 0; i < uids.size() && i + 2 < parts.size(); ++i) {
        const QString key =
            QStringLiteral("pop3://mail.example:110\nalice\n") + QString::fromLatin1(uids[i].id);
        (void)key.size();
        (void)pop3::subjectOf(parts[i + 2]).size();
    }
    return 0;
}

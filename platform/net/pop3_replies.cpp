#include "pop3_replies.h"

#include "mime.h"

namespace mail_transfer::pop3 {

QByteArray okText(const QByteArray& statusLines) {
    QByteArray last;
    for (const QByteArray& line : statusLines.split('\n')) {
        if (line.startsWith("+OK"))
            last = line;
    }
    return last.mid(3).trimmed();
}

std::optional<int> messageCount(const QByteArray& statText) {
    const QByteArray number = statText.split(' ').value(0);
    bool ok = false;
    const int count = number.toInt(&ok);
    if (!ok || count < 0)
        return std::nullopt;
    return count;
}

QList<Uid> uidList(const QByteArray& listing) {
    QList<Uid> out;
    for (const QByteArray& line : listing.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(' ');
        bool ok = false;
        const int number = fields.value(0).toInt(&ok);
        if (!ok || fields.size() < 2)
            continue;
        out << Uid{number, fields[1]};
    }
    return out;
}

QString subjectOf(const QByteArray& top) {
    return platform::mime::read(top).subject;
}

} // namespace mail_transfer::pop3

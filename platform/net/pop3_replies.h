#pragma once
// Inside the mail transfer library: how a POP3 session reads what its server says, apart from the
// connection (libcurl hands over each command's status lines and its multi-line body).
#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace mail_transfer::pop3 {

// The text after "+OK" of the last "+OK" line among a command's status lines, trimmed.
QByteArray okText(const QByteArray& statusLines);

// The message count of a STAT reply's text ("12 3456"); nothing when it does not begin with one.
std::optional<int> messageCount(const QByteArray& statText);

// A UIDL listing's lines that name a message: its number and its unique id. Other lines are skipped.
struct Uid {
    int number = 0;
    QByteArray id;
};
QList<Uid> uidList(const QByteArray& listing);

// The subject of the header a "TOP n 0" gave.
QString subjectOf(const QByteArray& top);

} // namespace mail_transfer::pop3

#pragma once
// Reading received mail: GMime takes the message apart (structure, transfer encodings, addresses,
// RFC 2231 parameters); the texts are decoded here, with platform/codec, so that Japanese mail
// written by any mailer reads right. A header text never holds a control character (CR, LF, TAB
// become blanks), so a received text cannot add a header or a recipient where it is used again.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform::mime {

struct Message {
    QString subject;
    QString from;            // "Name <addr>", the name quoted as a phrase when it needs to be; or just "addr"
    QString date;            // local "yyyy/MM/dd HH:mm", or the header's text when it is no date
    QStringList attachments; // their file names
    // The text: the first text/plain without a file name that is no attachment, else the HTML as
    // text, else a text part with a file name; then each forwarded message under its own From, Date
    // and Subject, eight deep; CRLF lines.
    QString body;
};

// Any bytes give a message; what is missing in them is empty (all of it without GMime).
Message read(const QByteArray& raw);

// A raw header value: unfolded, RFC 2047 words decoded (words of one charset in a row joined
// before decoding, so a character split between them comes back whole), 8-bit text guessed,
// controls as blanks, trimmed.
QString decodeHeader(const QByteArray& raw);

// HTML as the text a reader sees: tags dropped, lines at block ends, entities decoded.
QString htmlToText(const QString& html);

// Whether every comment and quoted text of an address text is closed, read as GMime's address
// parser reads it: parentheses outside quoted text, quotes outside comments, a backslash escaping
// the next character inside either, none of them inside a domain literal. GMime loses memory on some texts with a comment left open (an
// address with a domain literal before it, or an unclosed quote before that), and such a text is
// no address list: neither a From that is read nor a recipient list that is sent goes to it then.
bool commentsClosed(const QByteArray& text);

} // namespace platform::mime

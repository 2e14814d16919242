#pragma once
// The mail transfer library: POP3 receiving and SMTP sending over libcurl, messages read with GMime.
//
// Each call is one whole session ending in QUIT, made on the calling thread; it blocks until the
// session ends, fails or is cancelled, and never waits past its limits. Nothing is ever deleted on a
// server. Texts are Unicode; the server text is "host" or "host" TAB "port" (no or empty port: 110
// for POP3; a port that is not 1-65535 in digits fails the call). Port 995 speaks TLS from the
// start; on any other port the session switches to TLS when the server offers STLS, and the
// server's certificate is always verified: a password goes in clear only to a server that offers
// no TLS at all.
//
// An array result (a list, maybe empty) means success; nothing means failure, and lastError() on
// the same thread says why.
#include <QString>
#include <QStringList>
#include <optional>

namespace mail_transfer {

struct Limits {
    int connectMs = 10000; // to connect, greet and log in
    int idleMs = 30000;    // without a byte at any later step
};
void setLimits(const Limits& limits); // for every later call, on any thread
Limits limits();

// command "STAT": element 0 is the reply after "+OK " ("123 4567").
// command "LIST": an element per message, "Subject:" & its subject. The subjects of messages seen
// before in this run (same server, user and UIDL) are not asked for again.
// command "SAVEALL": RETR of every message into a file *.tmp each in folder; an element per file
// (its path). Any error deletes the files this call wrote and fails.
std::optional<QStringList> RcvMail(const QString& server, const QString& user, const QString& password,
                                   const QString& command, const QString& folder);

// Five elements: "Subject:" & subject, "From:" & "Name <addr>", "Date:" & local "yyyy/MM/dd HH:mm"
// (else the header's text), the attachments' names, "Body:" & the text. fields and folder are kept
// for the callers' sake and not read.
std::optional<QStringList> ReadMail(const QString& file, const QString& fields, const QString& folder);

// Ends every session in progress (on any thread) within a few tenths of a second, as a failure; the
// exit uses it before joining the worker. It resets itself: a call that starts after cancel()
// returned runs normally.
void cancel();

// Why the last call on this thread failed, in Japanese, for the user.
QString lastError();

} // namespace mail_transfer

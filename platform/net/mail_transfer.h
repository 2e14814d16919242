#pragma once
// The mail transfer library: POP3 receiving and SMTP sending over libcurl, messages read and put
// together with GMime.
//
// Each call is one whole session ending in QUIT, made on the calling thread; it blocks until the
// session ends, fails or is cancelled, and never waits past its limits. QUIT's reply gets a short
// limit of its own: the outcome is known by then, and a server that never answers it changes
// nothing (after a timeout none is waited for at all). Nothing is ever deleted on a server.
// Texts are Unicode; the server text is "host" or "host" TAB "port" (no or empty port: 110
// for POP3; a port that is not 1-65535 in digits fails the call). Port 995 speaks TLS from the
// start; on any other port the session switches to TLS when the server offers STLS, and the
// server's certificate is always verified: a password goes in clear only to a server that offers
// no TLS at all.
//
// An array result (a list, maybe empty) means success; nothing means failure, and lastError() on
// the same thread says why.
//
// libcurl and GMime are opened at the first call that needs them (net_libraries.h); where one
// cannot be, every call that needs it fails at once, saying which library is missing.
#include <QString>
#include <QStringList>
#include <optional>

namespace mail_transfer {

struct Limits {
    int connectMs = 10000; // to connect, greet and log in
    int idleMs = 30000;    // for each command's whole reply, from when the command went out
    int quitMs = 2000;     // for QUIT's reply
};
// A message's download (RETR) may outlast idleMs while it keeps coming: it ends when no byte came
// for idleMs, or when it falls behind idleMs plus a second per kibibyte received (a line slower
// than that on average is not worth waiting on; a large message over a slow line still gets in).
void setLimits(const Limits& limits); // for every later call, on any thread
Limits limits();

// Ends every session in progress (on any thread) within a few tenths of a second, as a failure,
// whatever its server does; the exit uses it before joining the worker. It resets itself: a call
// that starts after cancel() returned runs normally.
void cancel();

// A call counts every cancel() asked after its mark was taken. RcvMail and SendMailEx take theirs as
// they start; a caller that hands the call to a worker takes the mark on its own thread before the
// worker starts and makes the call with it (RcvMailMarked, SendMailExMarked), so that a cancel()
// asked meanwhile is not lost. A call cancelled before it connects fails without connecting.
struct CancelMark {
    unsigned generation = 0;
};
CancelMark cancelMark();

// command "STAT": element 0 is the reply after "+OK " ("123 4567").
// command "LIST": an element per message, "Subject:" & its subject. The subjects of messages seen
// before in this run (same server, user and UIDL) are not asked for again.
// command "SAVEALL": RETR of every message into a file *.tmp each in folder; an element per file
// (its path). Any error deletes the files this call wrote and fails.
std::optional<QStringList> RcvMail(const QString& server, const QString& user, const QString& password,
                                   const QString& command, const QString& folder);
std::optional<QStringList> RcvMailMarked(CancelMark mark, const QString& server, const QString& user,
                                         const QString& password, const QString& command,
                                         const QString& folder);

// Five elements: "Subject:" & subject, "From:" & "Name <addr>", "Date:" & local "yyyy/MM/dd HH:mm"
// (else the header's text), the attachments' names, "Body:" & the text. fields and folder are kept
// for the callers' sake and not read.
std::optional<QStringList> ReadMail(const QString& file, const QString& fields, const QString& folder);

// Why the last call on this thread failed, in Japanese, for the user.
QString lastError();

// Sending: limits of their own, since the server's reply to the end of a message can be slow.
struct SendLimits {
    int connectMs = 10000; // to connect and be greeted (and to switch to TLS)
    int idleMs = 60000;    // for each reply, from when its command (or the data's last byte) went out;
                           // the data itself, while it keeps going out
    int quitMs = 2000;     // for QUIT's reply: the mail was taken or refused by then
};
void setSendLimits(const SendLimits& limits); // for every later call, on any thread

// Sends one message over SMTP and gives "" when the server took it, else why not: a Japanese
// reason, on a line of its own, with the server's last reply line when there was one.
//   server: "host" or "host:port" (25). Port 465 speaks TLS from the start; on any other port the
//     session switches to TLS when the server offers STARTTLS. Certificates are always verified.
//     The settings hold no login: no AUTH is made.
//   recipient: an address list ("Name <a@b>, c@d"), or that list, TAB, "bcc", TAB and sender (a blind
//     copy to the sender's own address: an envelope recipient only, never a header). Any other
//     form, an empty list, an address that is not plain ASCII "local@domain", a group, or any
//     control character fails before a connection is made.
//   sender: the own address: envelope sender, From, and the domain of the Message-ID.
//   subject: its control characters become blanks; it goes out as RFC 2047 words where needed.
//   body: plain text.
// The message is ISO-2022-JP in 7 bits when subject and body fit in it (ASCII and JIS X 0208 only)
// and no line passes 998 bytes, else UTF-8 in base64. The names in To go in the message's charset
// when it holds them, else in UTF-8, and no header line that holds an encoded word passes 76
// characters. cancel() ends a sending too, within about a second, whatever the server does. folder
// and seventh are kept for the callers' sake and not read.
QString SendMailEx(const QString& folder, const QString& server, const QString& recipient,
                   const QString& sender, const QString& subject, const QString& body,
                   const QString& seventh);
QString SendMailExMarked(CancelMark mark, const QString& folder, const QString& server,
                         const QString& recipient, const QString& sender, const QString& subject,
                         const QString& body, const QString& seventh);

} // namespace mail_transfer

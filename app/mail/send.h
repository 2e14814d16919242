#pragma once
// Sending the compose window's reply: the SMTP server and the own address from the settings
// database (sendml row 1), the blind-copy switch bccM from the settings file, and the mail transfer
// library's SendMailEx behind a replaceable function, called on a worker while the GUI thread waits
// without user input (pace::await) and flag.MailBusy keeps the mail checks off. GUI thread only.
#include <QString>
#include <functional>
#include <optional>

namespace mail {

struct SendSettings {
    QString server; // smtpSV: "host" or "host:port"
    QString own;    // smtpML: the sender, and the blind copy's recipient
};
// Row 1 of sendml; nothing when either column is Null or the row cannot be read.
std::optional<SendSettings> sendSettings();

// The balloon for a sending that is not set up.
void sayNotSetUp();

// What SendMailEx gets as its recipient: the typed text (its TABs as blanks), or with the blind
// copy that text, TAB, "bcc", TAB and the own address.
QString recipientText(const QString& typed, const QString& own, bool blindCopy);

// Sends the compose window's three texts. On a failure it says why itself (balloon or message box,
// none once the exit has begun) and gives false; true when the server took the mail.
bool SendMail();

// (mark, folder, server, recipient, sender, subject, body, seventh) → "" when the server took the
// mail, else why not. Called on a worker thread; mark is the library's cancel mark
// (mail_transfer::cancelMark), taken on the GUI thread before the worker started, so that the
// exit's cancel holds from the moment it is asked.
using SendFunction = std::function<QString(unsigned, const QString&, const QString&, const QString&,
                                           const QString&, const QString&, const QString&, const QString&)>;
SendFunction sender();
// Installs a sender (tests); an empty function puts the mail transfer library's back.
void setSender(SendFunction function);

} // namespace mail

#pragma once
// The mail transfer library's calls as the check and the download make them, through a table that
// tests replace with their own stand-in servers. The calls run on a worker thread (pace::await), so
// whatever is installed must be safe to call from one; mark() and cancel() are called from the GUI
// thread.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace mail {

struct Transfer {
    // (mark, server "host" TAB "port", user, password, command, folder): STAT, LIST or SAVEALL.
    std::function<std::optional<QStringList>(unsigned, const QString&, const QString&, const QString&,
                                             const QString&, const QString&)>
        RcvMail;
    // (file, fields, folder): subject, from, date, attachments, body.
    std::function<std::optional<QStringList>(const QString&, const QString&, const QString&)> ReadMail;
    // Ends the session in progress soon, as a failure.
    std::function<void()> cancel;
    // The cancel mark, taken on the GUI thread before the worker starts, for RcvMail: a cancel()
    // asked after it ends that call, even one the worker has not begun yet. Empty: 0.
    std::function<unsigned()> mark;
    // Why the last RcvMail or ReadMail on this thread failed, for the user; called on the worker
    // right after the call. Empty: no reason is known.
    std::function<QString()> lastError;
};

// The installed table: the mail transfer library when the program was built with it, else one
// whose every call fails.
Transfer& transfer();
// Installs a table (tests); an empty table puts the default back.
void setTransfer(Transfer table);

} // namespace mail

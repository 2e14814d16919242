#pragma once
// The mail of the character: the check of up to three POP3 accounts (start-up, every minute, the
// menu's "メールを確認する"), its summary on her (the sign with the count, the tray tip, the
// tooltip) and the download of every waiting message into the mail cache (mail_cache.h). Nothing
// is ever deleted on a server. An account whose server fails is said in her balloon; why it
// failed (the transfer's reason) stands in the tray tip for that account until it answers again,
// and goes to standard error when it is news.
//
// Every transfer runs on a worker while the GUI thread waits without taking user input
// (pace::await): she keeps drawing and her timers tick, but no command nests in a check or a
// download, which flag.MailBusy marks from start to end. Everything else runs on the GUI thread.
// Once the exit has begun nothing here speaks or draws.
#include "app/window/services.h"
#include "clock_setting.h"

#include <QString>
#include <optional>

namespace mail {

// The count at the start of a STAT reply ("123 4567"), clamped to 32767; nothing when the reply
// does not start with a digit.
std::optional<qint16> countOf(const QString& statReply);

// Where SAVEALL leaves the message files (*.tmp) until the next download, the list's close, the
// start-up or the exit: a folder of their own, so that a balloon's clean-up never takes them.
QString messageFolder();
// Deletes the message files; the folder and anything else in it stay.
void deleteMessageFiles();

void CheckMail();
void ShowCheckSummary();
void DownloadAllMail();
// Ends a transfer in progress soon (the exit); the check or download then ends without a word.
void Cancel();

} // namespace mail

class MailService : public services::Mail {
public:
    void CheckMail() override { mail::CheckMail(); }
    void ShowCheckSummary() override { mail::ShowCheckSummary(); }
    void DownloadAllMail() override { mail::DownloadAllMail(); }
    void ShowMailList() override;
    void SetSntpConnect() override { clock_setting::SetSntpConnect(); }
    void Cancel() override {
        mail::Cancel();
        clock_setting::cancel();
    }
};

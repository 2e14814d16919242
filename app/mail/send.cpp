#include "send.h"

#include "app/settings/IniManage.h"
#include "app/settings/settings_db.h"
#include "app/state/flag.h"
#include "app/state/speak.h"
#include "app/window/morvik.h"
#include "app/window/services.h"
#include "platform/pace.h"
#include "platform/program_folder.h"
#include "sendF.h"

#include <QLineEdit>
#include <QPlainTextEdit>

#ifdef MORVIK_HAVE_MAIL_TRANSFER
#include "platform/net/mail_transfer.h"
#endif

namespace mail {
namespace {

SendFunction defaultSender() {
#ifdef MORVIK_HAVE_MAIL_TRANSFER
    return [](unsigned mark, const QString& folder, const QString& server, const QString& recipient,
              const QString& sender, const QString& subject, const QString& body, const QString& seventh) {
        return mail_transfer::SendMailExMarked({mark}, folder, server, recipient, sender, subject, body,
                                               seventh);
    };
#else
    return
        [](unsigned, const QString&, const QString&, const QString&, const QString&, const QString&,
           const QString&, const QString&) { return QStringLiteral("このプログラムはメールを送れません"); };
#endif
}

unsigned cancelMark() {
#ifdef MORVIK_HAVE_MAIL_TRANSFER
    return mail_transfer::cancelMark().generation;
#else
    return 0;
#endif
}

SendFunction& installed() {
    static SendFunction function = defaultSender();
    return function;
}

} // namespace

SendFunction sender() {
    return installed();
}

void setSender(SendFunction function) {
    installed() = function ? std::move(function) : defaultSender();
}

std::optional<SendSettings> sendSettings() {
    const auto row = settings_db::readRow(QStringLiteral("sendml"), 1,
                                          {QStringLiteral("smtpSV"), QStringLiteral("smtpML")});
    if (!row || row->size() < 2 || !(*row)[0] || !(*row)[1])
        return std::nullopt;
    return SendSettings{*(*row)[0], *(*row)[1]};
}

void sayNotSetUp() {
    speak::state.TalkText = QStringLiteral("メール送信設定を行ってください");
    flag::state.VoicePath.clear(); // this line has no voice: never replay an older clip
    services::talk().ShowFuki();
}

QString recipientText(const QString& typed, const QString& own, bool blindCopy) {
    // The library reads TAB "bcc" TAB as the blind copy: from the user's text (a pasted line of
    // addresses) a TAB is a blank, so that only the switch makes one.
    QString list = typed;
    list.replace(QLatin1Char('\t'), QLatin1Char(' '));
    if (!blindCopy)
        return list;
    return list + QStringLiteral("\tbcc\t") + own;
}

bool SendMail() {
    const std::optional<SendSettings> settings = sendSettings();
    if (!settings) {
        sayNotSetUp();
        return false;
    }
    sendF* window = sendF::Instance();
    if (!window)
        return false;
    IniManage::BeginBatch();
    const bool blindCopy = IniManage::GetIni(QStringLiteral("bccM")) == QStringLiteral("1");
    const QString recipient = recipientText(window->sendaddress->text(), settings->own, blindCopy);
    const QString subject = window->sendtitle->text();
    const QString body = window->sendbody->toPlainText();
    const QString folder = platform::programFolder();
    const SendFunction send = sender();
    // Taken here, not on the worker: the exit's cancel asked while the worker starts still holds.
    const unsigned mark = cancelMark();
    QString result;
    // The timers tick while the server is asked: no mail check may start inside the sending.
    const qint16 busy = flag::state.MailBusy;
    flag::state.MailBusy = 1;
    platform::pace::await([&] {
        result = send(mark, folder, settings->server, recipient, settings->own, subject, body, QString());
    });
    flag::state.MailBusy = busy;
    if (result.isEmpty())
        return true;
    // A send the exit cancelled is no error of the user's, and the exit opens no more windows.
    if (morvik::MessageBox && !flag::state.Exiting)
        morvik::MessageBox(QStringLiteral("パラメータエラーです") + result);
    return false;
}

} // namespace mail

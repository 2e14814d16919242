// パルク's chores: the connection check, the dial and its redials, the headlines, the clock and the
// mail, each step told in his balloon fuki3.
#include "palk.h"

#include "app/settings/IniManage.h"
#include "app/settings/settings_db.h"
#include "app/state/flag.h"
#include "app/talk/fuki3.h"
#include "app/window/services.h"
#include "palk_peers.h"
#include "platform/pace.h"

#include <cstdio>
#include <exception>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString offline() {
    return kCrLf + QStringLiteral("ネットワークに接続") + kCrLf + QStringLiteral("していないですね");
}
QString updating(const QString& what) {
    return kCrLf + what + kCrLf + QStringLiteral("更新中");
}

} // namespace

void palk::pass(const char* name, const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "morvik: palk: %s failed: %s\n", name, e.what());
    } catch (...) {
        std::fprintf(stderr, "morvik: palk: %s failed\n", name);
    }
}

void palk::chksys() {
    if (RasSample)
        RasSample->deleteLater();
    RasSample = new VBRas32(this);
    connect(RasSample, &VBRas32::ConnectComplete, this, [this] { RasSample_ConnectComplete(); });
    connect(RasSample, &VBRas32::ConnectError, this, [this](qint32 code) { RasSample_ConnectError(code); });

    ConnectionEntry.clear();
    ConnectionUser.clear();
    ConnectionPassword.clear();
    pass("the dial-up entry", [this] {
        const auto row = settings_db::readRow(
            QStringLiteral("net_entry"), 1,
            {QStringLiteral("net_ent"), QStringLiteral("net_user"), QStringLiteral("net_pass")});
        if (row && (*row)[0] && (*row)[1] && (*row)[2]) {
            ConnectionEntry = *(*row)[0];
            ConnectionUser = *(*row)[1];
            ConnectionPassword = *(*row)[2];
        }
    });
    bool online = proxy == QStringLiteral("1");
    pass("the connection check",
         [&] { online = RasSample->SeekEnumConns(ConnectionEntry, false) || online; });

    if (online) {
        if (HedAutoRev == QStringLiteral("1") && !flag::state.Exiting)
            pass("the headlines", [this] { HeadlineChore(); });
        if (TimeUpdate == QStringLiteral("1") && !flag::state.Exiting)
            pass("the clock", [this] { SetSntpConnect(); });
        if (MailAutoRev == QStringLiteral("1") && !flag::state.Exiting)
            pass("the mail", [this] { get_mail(); });
        if (fuki3* shown = fuki3::Instance(); shown && shown->isVisible())
            fuki3::Unload();
    } else if (NetAutoConnect == QStringLiteral("1")) {
        pass("the dial-up", [this] { net_connect(); });
    } else {
        say(offline());
    }
}

void palk::net_connect() {
    // The redials are a loop here, not dials nested in the failure's handler: each dial has ended
    // (and said its word) before the next one starts. The pause between them holds the user's
    // clicks back, as the dial does.
    for (;;) {
        RasSample->setEntry(ConnectionEntry);
        RasSample->setUserID(ConnectionUser);
        RasSample->setPassword(ConnectionPassword);
        say(QStringLiteral("ネットワーク接続中"));
        dialFailure_.reset();
        RasSample->Dialup();
        if (!dialFailure_)
            return;
        if (RedialCount >= kDialTries || flag::state.Exiting) {
            say(RasSample->ErrMsg(*dialFailure_));
            return;
        }
        platform::pace::hold(kRedialPauseMs);
        if (flag::state.Exiting)
            return;
    }
}

void palk::RasSample_ConnectComplete() {
    HeadlineChore();
}

void palk::RasSample_ConnectError(qint32 code) {
    ++RedialCount;
    dialFailure_ = code;
}

void palk::HeadlineChore() {
    say(updating(QStringLiteral("ヘッドライン")));
    palk_peers::Headlines& headlines = palk_peers::headlines();
    const auto run = headlines.UpdateAll([this](palk_peers::Headlines::Pass step, const QString& name) {
        if (step == palk_peers::Headlines::Pass::site) {
            SiteName = name;
            say(updating(name));
        } else {
            say(kCrLf + QStringLiteral("トワナ帳更新中 "));
        }
    });
    // Why it did not run is said as the chore ends (ChoreScope): the chore closes its balloon
    // after its last step, which would take the words away at once.
    if (run == palk_peers::Headlines::Run::busy) {
        // The headline window's update runs: its hand-off files are its own.
        refusal_ = kCrLf + QStringLiteral("ほかのヘッドラインを") + kCrLf + QStringLiteral("更新しています");
    } else if (run == palk_peers::Headlines::Run::failed) {
        refusal_ = kCrLf + QStringLiteral("ヘッドラインの更新を") + kCrLf + QStringLiteral("始められません");
    }
    if (!refusal_.isEmpty()) {
        if (chores_ == 0) // run outside any chore: nothing closes the balloon after it
            sayRefusal();
        return;
    }
    write(QString());
    headlines.DeleteHandOffFiles();
}

void palk::SetSntpConnect() {
    say(kCrLf + QStringLiteral("時間を設定中"));
    IniManage::BeginBatch();
    if (IniManage::GetIni(QStringLiteral("HttpTime")) == QStringLiteral("1")) {
        HttpTimeGet();
        return;
    }
    sayClock(palk_peers::clock().Set());
}

void palk::HttpTimeGet() {
    sayClock(palk_peers::clock().Set());
}

void palk::sayClock(bool set) {
    // Each way says its failure: the balloon never keeps "時間を設定中".
    say(kCrLf + (set ? QStringLiteral("時間調整完了") : QStringLiteral("時間調整失敗")));
}

void palk::get_mail() {
    if (flag::state.MailBusy == 1)
        return;
    say(kCrLf + QStringLiteral("メールを取り込み中"));
    if (settings_db::rowComplete(
            QStringLiteral("mail"), 1,
            {QStringLiteral("Server"), QStringLiteral("User"), QStringLiteral("pass")})) {
        flag::state.ManualCheck = 0;
        services::mail().CheckMail();
    }
    write(QString());
}

// The character window's popup menu and mouse handling.
#include "morvik.h"

#include "Trei.h"
#include "app/settings/IniManage.h"
#include "app/settings/settings_db.h"
#include "app/shapes/RgnCall.h"
#include "app/state/flag.h"
#include "app/state/speak.h"
#include "platform/pace.h"
#include "platform/program_folder.h"
#include "services.h"

#include <QCursor>
#include <QFile>
#include <QMouseEvent>
#include <QPointer>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QUrl>
#include <cstdio>

namespace {
QString mailCache() { return platform::tempFolder() + QStringLiteral("/temp.mdb"); }

// Hidden, she comes back only through the tray icon's menu.
bool trayIconShown() {
    const QSystemTrayIcon* tray = Trei::Tray();
    return tray && tray->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}
} // namespace

void morvik::give(std::function<bool()> allowed, std::function<void()> command, Words words) {
    if (!allowed())
        return;
    const unsigned said = services::talk().FukiSaid();
    platform::pace::whenFree([self = QPointer<morvik>(this), allowed = std::move(allowed),
                              command = std::move(command), words, said] {
        if (!self || flag::state.Exiting || !allowed())
            return;
        services::Talk& talk = services::talk();
        if (words == Words::kept || talk.FukiSaid() == said || !talk.FukiOpen()) {
            command();
            return;
        }
        if (words == Words::waitedFor)
            talk.WhenFukiClosed(self.data(),
                                [self, allowed, command] { self->give(allowed, command, Words::waitedFor); });
    });
}

void morvik::buildMenu() {
    settei = new QMenu(QStringLiteral("設定"), this);
    settei->setObjectName(QStringLiteral("settei"));
    using Guard = bool (morvik::*)() const;
    auto item = [this](const char* name, const QString& caption, bool shown,
                       void (morvik::*handler)() = nullptr, Words words = Words::kept,
                       Guard guard = nullptr) {
        QAction* action = caption == QStringLiteral("-") ? settei->addSeparator() : settei->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setVisible(shown);
        if (handler)
            // Chosen while a pause of hers runs (a blink, a dance's frame), the command runs after
            // it, not inside it.
            connect(action, &QAction::triggered, this, [this, handler, words, guard] {
                give([this, guard] { return !guard || (this->*guard)(); },
                     [this, handler] { (this->*handler)(); }, words);
            });
        return action;
    };
    const Words says = Words::replaced;
    getto = item("getto", QStringLiteral("メールを確認する"), true, &morvik::getto_Click, says,
                 &morvik::mailFree);
    again = item("again", QStringLiteral("確認したメールを見る"), false, &morvik::again_Click, says,
                 &morvik::mailFree);
    mail_look = item("mail_look", QStringLiteral("内容を確認する"), false, &morvik::mail_look_Click, says,
                     &morvik::mailFree);
    mail_sub_cut = item("mail_sub_cut", QStringLiteral("自動ﾒｰﾙﾁｪｯｸ停止"), true);
    mail_sub_cut->setCheckable(true);
    TimeSet =
        item("TimeSet", QStringLiteral("時刻あわせ"), true, &morvik::TimeSet_Click, says, &morvik::mailFree);
    line3 = item("line3", QStringLiteral("-"), false);
    open_palk = item("open_palk", QStringLiteral("パルクの起動"), false, &morvik::open_palk_Click);
    open_vens = item("open_vens", QStringLiteral("ヴェンスの起動"), false, &morvik::open_vens_Click);
    open_dwim = item("open_dwim", QStringLiteral("ドゥイムの起動"), false);
    line2 = item("line2", QStringLiteral("-"), true);
    temae = item("temae", QStringLiteral("常に手前に表示"), true, &morvik::temae_Click);
    net_connect = item("net_connect", QStringLiteral("ネットワークに接続する"), false,
                       &morvik::net_connect_Click, says, &morvik::dialUpFree);
    net_cut =
        item("net_cut", QStringLiteral("切断する"), false, &morvik::net_cut_Click, says, &morvik::dialUpFree);
    headls = item("headls", QStringLiteral("ヘッドライン"), true, &morvik::headls_Click);
    mailset = item("mailset", QStringLiteral("設定"), true, &morvik::mailset_Click);
    help = item("help", QStringLiteral("ヘルプ"), true, &morvik::help_Click);
    dokoitu = item("dokoitu", QStringLiteral("dokoituの編集"), true, &morvik::dokoitu_Click);
    vis = item("vis", QStringLiteral("表示"), false, &morvik::vis_Click);
    not_vis = item("not_vis", QStringLiteral("非表示"), true, &morvik::not_vis_Click);
    line = item("line", QStringLiteral("-"), true);
    // Her farewell would replace her words too: it comes once they have closed.
    const Words last = Words::waitedFor;
    shutdown = item("shutdown", QStringLiteral("シャットダウン"), true, &morvik::shutdown_Click, last);
    end = item("end", QStringLiteral("終了"), true, &morvik::end_Click, last);

    Trei::TrayCallback = [this](int message) { Picture1_MouseMove(message); };
}

void morvik::popup(QPoint globalPos) {
    // Without a tray icon, hiding her is not offered: nothing could show her again.
    if (!vis->isVisible())
        not_vis->setVisible(trayIconShown());
    platform::pace::mark(QStringLiteral("menu settei"));
    settei->popup(globalPos);
}

bool morvik::newMailSignShown() const {
    return Image2->isVisible() && stores::Shows(Image2, gra3::ImageList2(13));
}

void morvik::mousePressEvent(QMouseEvent* event) {
    const int button = PressDrag::Button(event);
    const QPoint at = event->position().toPoint();
    const QPoint global = event->globalPosition().toPoint();
    // Image1 covers the window; the gauge and the label lie on it and forward to the form.
    const bool onOverlay = (Image2->isVisible() && Image2->geometry().contains(at)) ||
                           (Label1->isVisible() && Label1->geometry().contains(at));
    if (onOverlay)
        Form_MouseDown(button, global);
    else
        Image1_MouseDown(button, global);
}

void morvik::mouseMoveEvent(QMouseEvent* event) { drag_.Move(event); }

void morvik::mouseReleaseEvent(QMouseEvent* event) {
    drag_.Release(event);
    QWidget::mouseReleaseEvent(event);
}

void morvik::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    flag::state.IdleCount = 0;
    give([this] { return talkAllowed(); }, [this] { Form_DblClick(); }, Words::replaced);
}

void morvik::Image1_MouseDown(int button, QPoint globalPos) {
    flag::state.IdleCount = 0;
    Form_MouseDown(button, globalPos);
}

void morvik::Form_MouseDown(int button, QPoint globalPos) {
    if (flag::state.StartupDone != 1 || flag::state.Exiting)
        return;
    flag::state.IdleCount = 0;
    services::Talk& talk = services::talk();
    if (button & 1) {
        if (talk.Fuki2Open())
            talk.CloseFuki2();
        if (flag::state.FukiShown != 1) {
            drag_.Press(globalPos);
        } else if (!talk.FukiOpen() || !talk.FukiAsks()) {
            if (talk.FukiOpen())
                talk.CloseFuki();
            flag::state.FukiShown = 0;
            if (!Timer8.Enabled())
                Timer1.setEnabled(true);
        }
    }
    if (button == 2) {
        if (newMailSignShown() && flag::state.MailAbort != 1)
            mail_look->setVisible(true);
        if (flag::state.FukiShown == 1) {
            talk.CloseFuki();
            flag::state.FukiShown = 0;
            if (!Timer8.Enabled())
                Timer1.setEnabled(true);
        }
        popup(globalPos);
    }
}

bool morvik::talkAllowed() const {
    return flag::state.StartupDone == 1 && flag::state.MailBusy != 1 && !flag::state.Exiting;
}

bool morvik::mailFree() const {
    return flag::state.MailBusy != 1;
}

void morvik::Form_DblClick() {
    flag::state.IdleCount = 0;
    if (talkAllowed())
        services::talk().RandomTalk();
}

void morvik::Picture1_MouseMove(int message) {
    // Once the exit has begun her menu stays shut, from the tray too.
    if (message != 516 || flag::state.Exiting)
        return;
    // The tray's click comes over D-Bus, not as input the gate of a wait drops: dropped here.
    if (platform::pace::waiting())
        return;
    platform::pace::yieldEvents();
    popup(QCursor::pos());
}

void morvik::getto_Click() {
    // A check or download already runs: no second one nests in it.
    if (flag::state.MailBusy == 1)
        return;
    stores::Load(QStringLiteral("gra2"));
    if (!settings_db::rowComplete(QStringLiteral("mail"), 1,
                                  {QStringLiteral("Server"), QStringLiteral("User"), QStringLiteral("pass")})) {
        say(QStringLiteral("9"), QStringLiteral("メールの設定が行われていません"));
        return;
    }
    if (Timer3.Enabled()) {
        say(QStringLiteral("10"), QStringLiteral("バッテリーがありません。"));
        return;
    }
    TakeStage(Watches(Battery) | Blink | MailArming | SignSwap, Overlays(SignBoard) | BatteryPercent);
    frame(RgnCall::ShapePose07, gra2::Image1(0));
    platform::pace::yieldEvents();
    platform::pace::sleep(200);
    flag::state.ManualCheck = 1;
    services::mail().CheckMail();
}

void morvik::again_Click() {
    if (flag::state.MailBusy == 1)
        return;
    if (QFile::exists(mailCache())) {
        services::mail().ShowMailList();
        return;
    }
    speak::state.TalkText = QStringLiteral("チェック履歴はありません");
    flag::state.VoicePath.clear(); // this line has no voice: never replay an older clip
    services::talk().ShowFuki();
    again->setVisible(false);
}

void morvik::mail_look_Click() {
    if (flag::state.MailBusy == 1)
        return;
    TakeStage(kIdle | Battery | MailArming, Overlays(SignBoard) | MailCount);
    services::mail().DownloadAllMail();
    if (flag::state.NewMail != 0) {
        services::mail().ShowMailList();
        again->setVisible(true);
    } else if (flag::state.MailAbort != 1 && !flag::state.Exiting) {
        // An aborted download has said so itself: it is no proof that no mail waits.
        say(QStringLiteral("11"), QStringLiteral("メールはありません"));
    }
    if (!QFile::exists(mailCache()))
        again->setVisible(false);
    flag::state.MailAbort = 0;
}

void morvik::mail_sub_cut_Click() {
    // From the menu the checkable item flips its own mark; this is the same for a call from code.
    mail_sub_cut->setChecked(!mail_sub_cut->isChecked());
}

void morvik::TimeSet_Click() {
    if (flag::state.MailBusy == 1)
        return;
    reset_timer();
    Timer8.setEnabled(true);
    services::mail().SetSntpConnect();
    Timer8.setEnabled(false);
}

void morvik::temae_Click() {
    if (flag::state.TopMost == QStringLiteral("0"))
        applyTopMost(QStringLiteral("1"));
    else if (flag::state.TopMost == QStringLiteral("1"))
        applyTopMost(QStringLiteral("0"));
}

void morvik::open_palk_Click() {
    services::windows().ShowPalk();
    if (IniManage::GetIni(QStringLiteral("AutoEnd")) != QStringLiteral("1"))
        return;
    // His refusal is what the user must read: he closes once it has been shown.
    if (services::windows().UnloadPalkAfterRefusal())
        return;
    services::talk().CloseFuki3();
    services::windows().UnloadPalk();
}

void morvik::open_vens_Click() { services::windows().ShowLauncher(); }

void morvik::headls_Click() {
    services::windows().ShowHeadlines();
}

void morvik::mailset_Click() {
    services::windows().ShowSettings();
}

void morvik::dokoitu_Click() {
    services::talk().ShowEditor();
}

void morvik::help_Click() {
    const QString help = platform::dataFolder() + QStringLiteral("/help/morvik.html");
    // Said once per reason: a second click finds the same.
    const auto tell = [help](const QString& why) {
        static QString told;
        if (told == why)
            return;
        told = why;
        std::fprintf(stderr, "morvik: cannot open the help %s: %s\n", qPrintable(help), qPrintable(why));
    };
    // xdg-open run by us rather than through QDesktopServices, and kept until it ends: a program
    // that starts but has nothing to open the page with says so only by its exit status. It lives
    // with her window, not with this call, so she never waits for it.
    auto* opener = new QProcess(this);
    opener->setProgram(QStringLiteral("xdg-open"));
    opener->setArguments({QString::fromUtf8(QUrl::fromLocalFile(help).toEncoded())});
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setProcessChannelMode(QProcess::ForwardedChannels);
    connect(opener, &QProcess::finished, opener, [opener, tell](int code, QProcess::ExitStatus status) {
        opener->deleteLater();
        if (status == QProcess::CrashExit)
            tell(QStringLiteral("xdg-open ended abnormally"));
        else if (code != 0)
            tell(QStringLiteral("xdg-open exited with status %1").arg(code));
    });
    opener->start();
    // Returns once the program runs or could not be started: no longer than its start takes.
    if (opener->waitForStarted())
        return;
    tell(QStringLiteral("no program opens it (xdg-open: %1)").arg(opener->errorString()));
    opener->deleteLater();
}

void morvik::not_vis_Click() {
    hide();
    not_vis->setVisible(false);
    vis->setVisible(true);
}

void morvik::vis_Click() {
    show();
    not_vis->setVisible(true);
    vis->setVisible(false);
}

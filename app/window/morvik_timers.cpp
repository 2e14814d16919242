// The character window's timers: the program's scheduler.
#include "morvik.h"

#include "Trei.h"
#include "app/settings/IniManage.h"
#include "app/settings/settings_keys.h"
#include "app/shapes/RgnCall.h"
#include "app/shapes/RgnCall2.h"
#include "app/state/flag.h"
#include "app/state/speak.h"
#include "platform/clock.h"
#include "platform/pace.h"
#include "platform/power.h"
#include "platform/program_folder.h"
#include "platform/random.h"
#include "services.h"

#include <limits>

using platform::pace::sleep;
using platform::pace::yieldEvents;

void morvik::Timer1_Timer() {
    IniManage::BeginBatch();
    // Each tick that finds things as they were changes nothing: it rests until something happens
    // (a change of the supplies or of the settings file wakes it). On battery it keeps ticking: the
    // gauge follows the charge, which is not announced.
    if (!settings_keys::batteryWatched()) {
        flag::state.PowerState = QStringLiteral("1");
        Timer1.rest();
        return;
    }
    const platform::power::Status power = platform::power::GetSystemPowerStatus();
    if (power.ACLineStatus == 0) {
        if (flag::state.PowerState != QStringLiteral("2")) {
            TakeStage(kIdle | MailArming, {});
            flag::state.IdleCount = 0;
            frame(RgnCall::ShapePose04, gra3::Image1(5), 400);
            frame(RgnCall::ShapePose03, gra3::Image1(4), 400);
            flag::state.PowerState = QStringLiteral("2");
            voice(QStringLiteral("13"));
        }
        const int p = power.BatteryLifePercent;
        if (p < 20)
            frame(RgnCall::ShapePose06, gra3::Image1(8));
        else
            frame(RgnCall::ShapePose05, gra::Image1(6));
        kanban(p);
        // Her low-battery pose holds the board lower: the gauge and the figures go down with it.
        const int board = p < 20 ? 30 : 15;
        Image2->move(10, board);
        Label1->move(10, board + 29);
        Image2->show();
        Label1->setText(QString::number(p) + QLatin1Char('%'));
        Label1->show();
        Timer2.setEnabled(p >= 20);
        Timer3.setEnabled(p < 20);
        return;
    }
    if (power.ACLineStatus != 1 || flag::state.PowerState == QStringLiteral("1")) {
        Timer1.rest();
        return;
    }
    Timer3.setEnabled(false);
    Timer2.setEnabled(false);
    Image2->hide();
    Label1->hide();
    frame(RgnCall::ShapePose03, gra3::Image1(4), 400);
    frame(RgnCall::ShapePose04, gra3::Image1(5), 400);
    frame(RgnCall::ShapeStandard, gra::Image1(0));
    flag::state.PowerState = QStringLiteral("1");
    Timer2.setEnabled(true);
    Timer5.setEnabled(true);
    voice(QStringLiteral("13"));
}

int morvik::GaugeItem(int percent) {
    const int level = percent / 10;
    if (level <= 8)
        return 10 - level;
    if (level <= 10)
        return 1;
    return 0;
}

void morvik::kanban() { kanban(platform::power::GetSystemPowerStatus().BatteryLifePercent); }

void morvik::kanban(int percent) {
    const int item = GaugeItem(percent);
    if (item == 0)
        return; // the charge cannot be told: the gauge stays as it is
    stores::Show(Image2, gra3::ImageList2(item), stores::Note::Quiet);
}

void morvik::Timer2_Timer() {
    if (flag::state.IdleCount > 500)
        return;
    if (flag::state.PowerState == QStringLiteral("1")) {
        Image2->hide();
        Image3->hide();
        Image4->hide();
        frame(RgnCall::ShapeStandard, gra::Image1(1), 100);
        ShowPicture(gra::Image1(0));
    } else if (flag::state.PowerState == QStringLiteral("2")) {
        frame(RgnCall::ShapePose05, gra::Image1(7), 100);
        ShowPicture(gra::Image1(6));
    }
}

void morvik::Timer3_Timer() {
    ShowPicture(gra3::Image1(9));
    yieldEvents();
    sleep(100);
    ShowPicture(gra3::Image1(8));
}

void morvik::Timer5_Timer() {
    if (Shown() == gra::Image1(16) && flag::state.IdleCount == 0) {
        flag::state.IdleCount = 500; // woken by a touch: she stays drowsy a while
        voice(QStringLiteral("4"));
    } else if (flag::state.IdleCount == 0) {
        frame(RgnCall::ShapeStandard, gra::Image1(0));
        Timer2.setEnabled(true);
    }
    // The count saturates: after days without a touch she simply stays asleep.
    if (flag::state.IdleCount < std::numeric_limits<qint16>::max())
        ++flag::state.IdleCount;
    const int n = flag::state.IdleCount;
    if (n <= 500)
        return;
    auto quiet = [this] {
        if (flag::state.BalloonOpen == 1)
            services::talk().CloseFuki();
        if (Timer2.Enabled())
            Timer2.setEnabled(false);
    };
    if (n <= 699) {
        quiet();
        frame(RgnCall::ShapePose10, gra::Image1(14), 100);
        ShowPicture(gra::Image1(13));
        yieldEvents();
        sleep(400);
        return;
    }
    if (n <= 999) {
        quiet();
        frame(RgnCall::ShapePose10, gra::Image1(14), 400);
        ShowPicture(gra::Image1(13));
        return;
    }
    quiet();
    IniManage::BeginBatch();
    if (!settings_keys::flag(QStringLiteral("sleepflag"))) {
        voice(QStringLiteral("6"));
        frame(RgnCall::ShapePose11, gra::Image1(16), 600);
        frame(RgnCall::ShapePose12, std::nullopt, 600);
        return;
    }
    frame(RgnCall::ShapePose10, gra::Image1(14), 600);
    if (int(platform::random::next() * 10) == 5) {
        frame(RgnCall2::ShapePose13, gra::Image1(10), 200);
        for (auto [index, pause] : {std::pair{11, 200}, {10, 200}, {11, 600}}) {
            ShowPicture(gra::Image1(index));
            yieldEvents();
            sleep(pause);
        }
    }
    frame(RgnCall::ShapePose10, gra::Image1(13), 1200);
}

void morvik::Timer6_Timer() {
    if (services::talk().MciStatusMode(QStringLiteral("ATYPE")).trimmed() != QStringLiteral("stopped"))
        return;
    services::talk().CloseFuki();
    idleAfterBalloon();
    Timer6.setEnabled(false);
}

void morvik::Timer7_Timer() {
    services::Talk& talk = services::talk();
    if (talk.vbmp3_getState() != 0)
        return;
    switch (flag::state.PlayMode) {
    case 1:
        Timer7.setEnabled(false);
        for (platform::Timer* dance : {&dance_check, &Dance_check2, &Dance_check3, &Dance_check4})
            dance->setEnabled(false);
        talk.CloseFuki();
        idleAfterBalloon();
        break;
    case 2:
        flag::state.VoicePath.clear();
        flag::state.PlayMode = 0;
        talk.vbmp3_close();
        Timer7.setEnabled(false);
        break;
    case 3:
        finishExit();
        break;
    default:
        break;
    }
}

void morvik::Timer8_Timer() {
    frame(RgnCall2::ShapePose15, gra2::Image1(5), 1200);
    frame(RgnCall2::ShapePose16, gra2::Image1(5), 500);
}

void morvik::Timer9_Timer() {
    // Assigning an interval the mail check already has changes nothing: until the menu, the
    // settings file or the connections change, the next ticks would do what this one did.
    Timer9.rest();
    if (mail_sub_cut->isChecked()) {
        Timer10.setInterval(0);
        return;
    }
    IniManage::BeginBatch();
    if (!settings_keys::flag(QStringLiteral("proxy")) && !dialUpConnected()) {
        Timer10.setInterval(0);
        return;
    }
    Timer10.setInterval(settings_keys::mailCheckSwitch() != 0 ? 60000 : 0);
}

void morvik::Timer10_Timer() {
    // A check or download runs (its waits let timers tick): neither a check nor the summary now.
    if (flag::state.Exiting || flag::state.MailBusy == 1)
        return;
    if (settings_keys::mailCheckSwitch() == 0)
        return;
    const QTime now = platform::clock::now().time();
    if (settings_keys::flatRateSwitch() != 1 ||
        settings_keys::flatRateWindow().contains(now.hour(), now.minute()))
        services::mail().CheckMail();
    if (flag::state.NewMail != 0 && !flag::state.Exiting)
        services::mail().ShowCheckSummary();
}

void morvik::Timer11_Timer() {
    if (!(Shown() == gra::Image1(7) || Shown() == gra::Image1(6)))
        return;
    ShowPicture(gra::Image1(7));
    yieldEvents();
    sleep(100);
    ShowPicture(gra::Image1(6));
}

void morvik::Timer12_Timer() {
    flag::state.HoldBalloon = 1;
    const QDateTime now = platform::clock::now();
    const int hour = now.time().hour(), minute = now.time().minute();
    // The hour is remembered, so a chime missed at minute 0 (a busy or sleeping machine) is not
    // carried into the next hour, and an hour never chimes twice.
    const qint64 hourKey = now.date().toJulianDay() * 24 + hour;
    if (minute != 0)
        return;
    if (lastChimedHour_ == hourKey)
        return;
    IniManage::BeginBatch();
    if (!settings_keys::flag(QStringLiteral("jiho")) || flag::state.Exiting)
        return;
    lastChimedHour_ = hourKey;
    chime(hour);
}

void morvik::chime(int hour) {
    platform::deleteTempFiles(QStringLiteral("*.mp3"));
    const services::Talk::Chime chime = services::talk().LoadChime(hour);
    flag::state.VoicePath = chime.clip;
    speak::state.TalkText = chime.text;
    services::talk().ShowFuki();
}

void morvik::Timer13_Timer() {
    // The temporary folder is watched: the file's coming wakes it.
    Timer13.rest();
    if (platform::tempFileExists("temp.mdb"))
        again->setVisible(true);
}

void morvik::reset_timer() {
    for (platform::Timer* t : {&Timer3, &Timer6, &Timer7, &Timer8})
        t->setEnabled(false);
    Timer9.setEnabled(true);
    Timer10.setEnabled(true);
    for (platform::Timer* dance : {&dance_check, &Dance_check2, &Dance_check3, &Dance_check4})
        dance->setEnabled(false);
    if (!Timer11.Enabled()) {
        Timer1.setEnabled(true);
        Timer2.setEnabled(true);
        Timer5.setEnabled(true);
        Image2->hide();
        Image3->hide();
        Image4->hide();
        frame(RgnCall::ShapeStandard, gra::Image1(0));
    }
    Label1->hide();
}

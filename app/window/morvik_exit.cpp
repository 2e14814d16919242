// Ending the character: the exit with its farewell, and powering the computer off.
#include "morvik.h"

#include "Trei.h"
#include "app/shapes/RgnCall.h"
#include "app/state/Module1.h"
#include "app/state/flag.h"
#include "app/state/speak.h"
#include "os_version.h"
#include "platform/dbus/logind.h"
#include "platform/pace.h"
#include "platform/program_folder.h"
#include "platform/single_instance.h"
#include "services.h"

#include <QFile>
#include <QTimer>

void morvik::end_Click() {
    flag::state.Exiting = 1;
    services::mail().Cancel();
    // パルク goes with her; a chore of his that runs is asked to end soon.
    services::windows().UnloadPalk();
    if (clsSubclass) {
        basSubclass::Unsubclass(*clsSubclass);
        clsSubclass.reset();
    }
    if (Trei::TipExists())
        Trei::DestroyTip();
    TakeStage(kIdle | Battery | LowBatteryBlink, Overlays(SignBoard) | BatteryPercent);
    frame(RgnCall::ShapePose01, gra::Image1(2), 100);
    frame(RgnCall::ShapePose02, gra::Image1(3), 600);
    frame(RgnCall::ShapePose01, gra::Image1(2), 100);
    frame(RgnCall::ShapeStandard, gra::Image1(0), 100);
    services::talk().FarewellTalk();
    platform::pace::yieldEvents();
    platform::pace::sleep(600);
    Trei::TrayIcon(QIcon(), QString(), 2);
    if (services::sstp().Sakura() != 0) {
        speak::state.SstpScript =
            QStringLiteral("\\h\\s0ふっ、勝った") + QStringLiteral("\\w5\\u\\s0なんのはなしや？\\e");
        services::sstp().Send(speak::state.SstpScript, speak::state.SstpOption);
    }
    SavePosition();
    deleteOwnTemporaryFiles();
    flag::state.PlayMode = 3;
    Timer7.setEnabled(true);
    // Whatever happens to the farewell clip, the program ends.
    QTimer::singleShot(FarewellLimitMs, this, [this] { finishExit(); });
}

void morvik::deleteOwnTemporaryFiles() {
    // Only what the program itself left in its private temporary folder.
    const QString temp = platform::tempFolder();
    Module1::state.CleanPath2 = temp + QStringLiteral("/temp.mdb");
    platform::deleteTempFiles(QStringLiteral("*.tmp"));
    platform::deleteTempFiles(QStringLiteral("*.tmp"), QStringLiteral("mail")); // fetched messages
    QFile::remove(Module1::state.CleanPath2);
    platform::deleteTempFiles(QStringLiteral("*.mp3"));
}

void morvik::CleanUpAtEnd() {
    // Closed by the window system or ended by the session, she did not go through 終了: its
    // clean-up is done now, once every wait has returned. Only by the instance that owns the
    // folder: a second one must not take the first one's files.
    if (instance_ && instance_->outcome() != platform::SingleInstance::Outcome::HeldByAnother)
        deleteOwnTemporaryFiles();
}

void morvik::finishExit() {
    if (exitFinished_)
        return;
    exitFinished_ = true;
    services::Talk& talk = services::talk();
    if (!flag::state.VoicePath.isEmpty() && QFile::exists(flag::state.VoicePath)) {
        talk.vbmp3_close();
        talk.vbmp3_free();
    }
    endAfterPalk();
}

void morvik::endAfterPalk() {
    services::windows().UnloadPalk();
    if (services::windows().PalkBusy()) {
        QTimer::singleShot(PalkWaitMs, this, [this] { endAfterPalk(); });
        return;
    }
    EndProgram();
}

void morvik::shutdown_Click() {
    TakeStage(kBusy, Overlays(SignBoard) | MailCount);
    frame(RgnCall::ShapePose04, gra3::Image1(5), 400);
    voice(QStringLiteral("12"));
    frame(RgnCall::ShapePose03, gra3::Image1(4), 400);
    SavePosition();
    const QString refused = QStringLiteral("SE_SHUTDOWN_NAME特権が設定できません");
    if (ExitWindow::OsInfo.dwPlatformId == 2 && !ExitWindow::EnablePrivilege(QStringLiteral("SeShutdownPrivilege"))) {
        MessageBox(refused);
        return;
    }
    // logind may wait long while the user authorises: she keeps living meanwhile, and a refused
    // power-off is said as refused once the answer comes, never taken for done (unless her exit
    // has begun by then: it opens no more windows).
    platform::logind::PowerOff(this, [refused](bool ok, const QString&) {
        if (!ok && !flag::state.Exiting)
            MessageBox(refused);
    });
}

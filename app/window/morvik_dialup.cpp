// The character window's dial-up: the connect and disconnect items of her menu, the watch that
// keeps the menu in step with the connection, and her answers to the dial-up object's two events.
#include "morvik.h"

#include "app/settings/IniManage.h"
#include "app/settings/settings_db.h"
#include "app/settings/settings_keys.h"
#include "app/shapes/RgnCall2.h"
#include "app/state/flag.h"
#include "app/state/speak.h"
#include "platform/look_batch.h"
#include "platform/pace.h"
#include "platform/quiet.h"
#include "services.h"

#include <array>
#include <utility>

namespace {

// The dial-up poses: gra6's pictures 0 to 7, each with its outline.
const std::array<std::pair<Stage::Shape, int>, 8> kPoses{{{RgnCall2::ShapePose18, 0},
                                                          {RgnCall2::ShapePose19, 1},
                                                          {RgnCall2::ShapePose20, 2},
                                                          {RgnCall2::ShapePose21, 3},
                                                          {RgnCall2::ShapePose22, 4},
                                                          {RgnCall2::ShapePose23, 5},
                                                          {RgnCall2::ShapePose24, 6},
                                                          {RgnCall2::ShapePose25, 7}}};

// What a dial-up command stops and hides while she acts it.
constexpr Stage::Watches kDialUpStops = Stage::Watches(Stage::Battery) | Stage::Blink | Stage::Idle |
                                        Stage::MailArming | Stage::MailCheck | Stage::SignSwap;
constexpr Stage::Overlays kDialUpHides = Stage::Overlays(Stage::SignBoard) | Stage::MailCount;

} // namespace

morvik::DialUpEntry morvik::dialUpEntry() {
    static const QStringList columns{QStringLiteral("net_ent"), QStringLiteral("net_user"),
                                     QStringLiteral("net_pass")};
    DialUpEntry entry;
    // A store that cannot be read, or a row with a Null column, is no entry: she shows herself offline.
    const auto row = settings_db::readRow(QStringLiteral("net_entry"), 1, columns);
    if (!row || !(*row)[0] || !(*row)[1] || !(*row)[2])
        return entry;
    entry.name = *(*row)[0];
    entry.user = *(*row)[1];
    entry.password = *(*row)[2];
    return entry;
}

bool morvik::dialUpConnected() {
    // Her mail arming and her dial-up watch both ask at every beat. Within one moment of the beat
    // (platform/look_batch.h) nothing the answer rests on can change: the entry's row comes from
    // what the settings database kept, and NetworkManager's connections change only by a signal,
    // which the event loop delivers. The second asks the first's answer.
    // An answer whose look nothing will announce is given as such again, so that whichever asks
    // second does not rest on it either.
    const quint64 moment = platform::LookBatch::moment();
    if (moment != 0 && moment == connectedAskedIn_) {
        if (connectedUnannounced_)
            platform::quiet::unannounced();
        return connectedAnswer_;
    }
    const quint64 looks = platform::quiet::unannouncedLooks();
    connectedAnswer_ = dialUp().SeekEnumConns(dialUpEntry().name, true);
    connectedUnannounced_ = platform::quiet::unannouncedLooks() != looks;
    connectedAskedIn_ = moment;
    return connectedAnswer_;
}

void morvik::dialPose(int pose, int pauseMs) {
    const auto [shape, index] = kPoses[std::size_t(pose)];
    frame(shape, gra6::Image1(index), pauseMs);
}

void morvik::tell(const QString& text) {
    if (flag::state.Exiting)
        return;
    speak::state.TalkText = text;
    flag::state.VoicePath.clear(); // this line has no voice: never replay an older clip
    services::talk().ShowFuki();
}

void morvik::net_check_Timer() {
    // Until the settings file or the connections change, the next ticks would show the same items.
    net_check.rest();
    IniManage::BeginBatch();
    if (settings_keys::flag(QStringLiteral("proxy"))) {
        net_cut->setVisible(false);
        net_connect->setVisible(false);
        getto->setVisible(true);
        TimeSet->setVisible(true);
        return;
    }
    const bool connected = dialUpConnected();
    net_cut->setVisible(connected);
    net_connect->setVisible(!connected);
    getto->setVisible(connected);
    TimeSet->setVisible(connected);
    if (!connected)
        mail_look->setVisible(false);
}

bool morvik::dialUpFree() const {
    return !dialUpBusy_ && !(RasSample && RasSample->Dialling());
}

void morvik::net_connect_Click() {
    // A dial or a hang-up of hers runs (its pauses let the menu open): none nests in it.
    if (dialUpBusy_ || dialUp().Dialling())
        return;
    const DialUpEntry entry = dialUpEntry();
    if (entry.name.isEmpty() || entry.user.isEmpty() || entry.password.isEmpty()) {
        tell(QStringLiteral("ダイアルアップの設定がありません"));
        return;
    }
    dialUpBusy_ = true;
    TakeStage(kDialUpStops, kDialUpHides);
    dialPose(0, 100);
    dialPose(1, 100);
    dialPose(2, 250);
    voice(QStringLiteral("20"));
    dialPose(3, 100);
    dialUp().setEntry(entry.name);
    dialUp().setUserID(entry.user);
    dialUp().setPassword(entry.password);
    // Her answer comes from the events, raised before Dialup returns; the stage comes back when
    // the balloon they open closes.
    dialUp().Dialup();
    dialUpBusy_ = false;
}

void morvik::RasSample_ConnectComplete() {
    // Picture first, then the outline: the one pose she takes the other way round.
    ShowPicture(gra6::Image1(4));
    RgnCall2::ShapePose22(this);
    say(QStringLiteral("14"), QStringLiteral("ＳＳと通信中です"));
}

void morvik::RasSample_ConnectError(qint32& code) {
    dialPose(2, 100);
    dialPose(1, 100);
    dialPose(0, 250);
    tell(QStringLiteral("ダイヤルアップ接続エラー：\r\n") + dialUp().ErrMsg(code));
}

void morvik::net_cut_Click() {
    if (dialUpBusy_ || dialUp().Dialling())
        return;
    if (!dialUp().SeekEnumConns(dialUpEntry().name, true))
        return;
    dialUpBusy_ = true;
    TakeStage(kDialUpStops, kDialUpHides);
    dialPose(5, 100);
    voice(QStringLiteral("19"));
    dialPose(6, 400);
    dialPose(7, 100);
    say(QStringLiteral("5"), QStringLiteral("ＳＳとの通信を切断しました。"));
    platform::pace::yieldEvents();
    platform::pace::sleep(150);
    dialUp().HangUp();
    dialUpBusy_ = false;
}

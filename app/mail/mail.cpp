#include "mail.h"

#include "accounts.h"
#include "app/settings/IniManage.h"
#include "app/shapes/RgnCall.h"
#include "app/shapes/RgnCall2.h"
#include "app/state/flag.h"
#include "app/state/speak.h"
#include "app/window/Trei.h"
#include "app/window/services.h"
#include "app/window/stage.h"
#include "balloon.h"
#include "mail_cache.h"
#include "mail_state.h"
#include "platform/pace.h"
#include "platform/program_folder.h"
#include "transfer.h"

#include <QDir>
#include <QFile>
#include <limits>
#include <vector>

namespace mail {
namespace {

namespace pace = platform::pace;

// The download has given out the last 16-bit row id: later messages of it are not stored.
bool idsUsedUp = false;

const QString kCrLf = QStringLiteral("\r\n");

bool exiting() {
    return flag::state.Exiting != 0;
}

// A pose: the outline, then the picture; a no-op without her.
void pose(Stage::Shape shape, const stores::Picture& picture) {
    if (Stage* stage = Stage::Current())
        stage->ShowPose(shape, picture);
}

// Says a line with a `common` clip in the main balloon, unless she is leaving.
void say(const QString& voiceId, const QString& text) {
    if (!exiting())
        sayInBalloon(voiceId, text);
}

// One library call of the current account, on a worker.
std::optional<QStringList> receive(const Account& account, const QString& command, const QString& folder) {
    std::optional<QStringList> result;
    const Transfer table = transfer();
    // Taken here, not on the worker: a cancel asked while the worker starts still holds.
    const unsigned mark = table.mark ? table.mark() : 0;
    pace::await([&] {
        result = table.RcvMail(mark, account.server(), account.user, account.password, command, folder);
    });
    return result;
}

qint16 clamped(qint64 value) {
    return qint16(std::min<qint64>(value, std::numeric_limits<qint16>::max()));
}

bool cacheExists() {
    return QFile::exists(cache::path());
}

} // namespace

std::optional<qint16> countOf(const QString& statReply) {
    qint64 value = 0;
    int digits = 0;
    for (const QChar c : statReply) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = std::min<qint64>(value * 10 + (c.unicode() - u'0'), std::numeric_limits<qint16>::max());
        ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    return clamped(value);
}

QString messageFolder() {
    return platform::tempFolder() + QStringLiteral("/mail");
}

void deleteMessageFiles() {
    QDir folder(messageFolder());
    for (const QString& name : folder.entryList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden))
        folder.remove(name);
}

void Cancel() {
    if (const auto& cancel = transfer().cancel)
        cancel();
}

void CheckMail() {
    if (exiting())
        return;
    Stage* stage = Stage::Current();
    state.Summary.clear();
    const bool quietFailure = IniManage::GetIni(QStringLiteral("MHfuki")) == QStringLiteral("1");
    const bool manual = flag::state.ManualCheck == 1;
    // Every check, also a timed one, holds off the commands that would start another.
    flag::state.MailBusy = 1;
    // Her checking poses stay until the check's own end: a balloon that ends meanwhile (the
    // failure of one account while the next is asked) does not put her to rest.
    Stage::Hold hold(manual ? stage : nullptr);
    if (manual) {
        if (stage)
            stage->Stop(Stage::Watches(Stage::Battery) | Stage::Blink | Stage::Idle);
        pose(RgnCall::ShapePose07, gra2::Image1(0));
        pace::yieldEvents();
        pace::sleep(200);
        pose(RgnCall::ShapePose08, gra2::Image1(1));
        pace::yieldEvents();
        pace::sleep(500);
        pose(RgnCall::ShapePose09, gra2::Image1(2));
    }
    qint16* counts[] = {&state.Count1, &state.Count2, &state.Count3};
    for (qint16* count : counts)
        *count = 0;

    bool failed = false, failureSaid = false;
    const Accounts accounts = readAccounts();
    for (int i = 0; i < 3 && !exiting(); ++i) {
        const Account& account = accounts[std::size_t(i)];
        if (i > 0 && !account.used)
            continue;
        const std::optional<QStringList> stat = receive(account, QStringLiteral("STAT"), QString());
        if (exiting())
            break;
        const std::optional<qint16> count = stat && !stat->isEmpty() ? countOf(stat->at(0)) : std::nullopt;
        if (!count) {
            failed = true;
            if (!quietFailure && !failureSaid) {
                say(QStringLiteral("16"), QStringLiteral("サーバの接続に失敗しました"));
                failureSaid = true;
            }
            continue;
        }
        *counts[i] = *count;
        if (*count > 0)
            state.Summary += QStringLiteral("■アカウント%1■■■■■").arg(QChar(u'１' + i)) + kCrLf;
        const std::optional<QStringList> list = receive(account, QStringLiteral("LIST"), QString());
        if (exiting())
            break;
        for (int m = 0; m < *count && list && m < list->size(); ++m) {
            const QString field0 = list->at(m).section(QLatin1Char('\t'), 0, 0);
            state.Summary += field0.mid(8, 40) + kCrLf;
        }
    }
    const qint16 total = clamped(qint64(state.Count1) + state.Count2 + state.Count3);
    state.MailCount = total;
    flag::state.NewMail = total;
    if (exiting()) {
        flag::state.ManualCheck = 0;
        flag::state.MailBusy = 0;
        return;
    }

    // The new-mail sign comes down when no mail waits; a failed account leaves it as it stands,
    // and then no blinking is started over it either.
    const bool signUp = stage && stage->Shown() == gra::Image1(6);
    const bool signKept = failed && stage && (signUp || stage->Shown() == gra::Image1(7));
    if (stage && !signKept) {
        if (signUp && total == 0) {
            stage->Stop(Stage::SignSwap);
            // The check's own return to rest, which the hold does not keep back.
            hold.release();
            stage->GiveBackStage();
            hold.take();
            stage->ShowItem(Stage::Item::mail_look, false);
            stage->SetTrayTip(Trei::kStartTip);
        } else {
            stage->Start(Stage::Watches(Stage::Blink) | Stage::Idle);
        }
    }

    if (manual) {
        pose(RgnCall::ShapePose08, gra2::Image1(1));
        pace::yieldEvents();
        pace::sleep(300);
        pose(RgnCall::ShapePose07, gra2::Image1(0));
        pace::yieldEvents();
        pace::sleep(200);
        if (total == 0) {
            // A failure is never said as "no mail": the check ends on it, said once.
            if (failed) {
                // Said again when its balloon has closed while the other accounts were asked.
                if (!failureSaid || !services::talk().FukiOpen())
                    say(QStringLiteral("16"), QStringLiteral("サーバの接続に失敗しました"));
            } else {
                say(QStringLiteral("11"), QStringLiteral("メールはありません"));
            }
            if (stage)
                stage->ShowItem(Stage::Item::mail_look, false);
        } else {
            say(QStringLiteral("17"), QString::number(total) + QStringLiteral("通のメールが来ています") +
                                          kCrLf + QStringLiteral("内容を確認しますか？"));
            if (!exiting())
                services::talk().AskFuki();
        }
    }
    if (stage && !cacheExists())
        stage->ShowItem(Stage::Item::again, false);
    flag::state.ManualCheck = 0;
    flag::state.MailBusy = 0;
}

void ShowCheckSummary() {
    Stage* stage = Stage::Current();
    if (!stage || exiting() || stage->ItemChecked(Stage::Item::mail_sub_cut))
        return;
    // Two places: more than 99 shows as 99.
    const int shown = std::min<int>(flag::state.NewMail, 99);
    const int tens = shown / 10, ones = shown % 10;
    const stores::Picture tensPicture = gra3::ImageList1(tens == 0 ? 11 : tens);
    const stores::Picture onesPicture = gra3::ImageList1(ones == 0 ? 10 : ones);
    stage->Stop(Stage::Watches(Stage::Battery) | Stage::Blink | Stage::Idle);
    stage->Start(Stage::SignSwap);
    if (stage->Sign().name.isEmpty()) {
        speak::state.VoiceId = QStringLiteral("18");
        services::talk().PlayCommonVoice();
        flag::state.VoicePath = services::commonVoicePath(speak::state.VoiceId);
        services::talk().PlayVoice();
    }
    stage->ShowPose(RgnCall::ShapePose05, gra::Image1(7));
    stage->ShowSign(gra3::ImageList2(13));
    pace::yieldEvents();
    pace::sleep(100);
    stage = Stage::Current();
    if (!stage || exiting())
        return;
    stage->ShowPicture(gra::Image1(6));
    stage->ShowMailCount(tensPicture, onesPicture);
    stage->SetTrayTip(QStringLiteral("アカウント１：%1\r\nアカウント２：%2\r\nアカウント３：%3")
                          .arg(state.Count1)
                          .arg(state.Count2)
                          .arg(state.Count3));
    stage->SetToolTip(state.Summary);
}

namespace {

// One account's download: its SAVEALL, the files read on the same worker, then its rows in one
// transaction. Any failure is the account's: its rows roll back, earlier accounts' stay.
void DownloadAccount(const Account& account) {
    const std::optional<QStringList> stat = receive(account, QStringLiteral("STAT"), messageFolder());
    if (exiting())
        return;
    if (stat && !stat->isEmpty()) {
        const std::optional<qint16> count = countOf(stat->at(0));
        if (count == 0)
            return;
        if (count)
            flag::state.NewMail = 1;
    }
    QDir().mkpath(messageFolder());
    const QString folder = messageFolder();
    std::optional<std::vector<QStringList>> messages;
    const Transfer table = transfer();
    const unsigned mark = table.mark ? table.mark() : 0; // before the worker, as in receive()
    pace::await([&] {
        const std::optional<QStringList> files = table.RcvMail(
            mark, account.server(), account.user, account.password, QStringLiteral("SAVEALL"), folder);
        if (!files)
            return;
        std::vector<QStringList> read;
        for (const QString& file : *files) {
            std::optional<QStringList> parts =
                table.ReadMail(file, QStringLiteral("subject:from:date:nofile:"), folder);
            if (!parts || parts->size() < 5)
                return;
            read.push_back(std::move(*parts));
        }
        messages = std::move(read);
    });
    if (exiting())
        return;
    std::vector<cache::Row> rows;
    bool stored = false;
    if (messages) {
        qint64 id = state.MailCount;
        for (const QStringList& parts : *messages) {
            // The ids are 16-bit: a download keeps at most 32767 rows.
            if (idsUsedUp || id > std::numeric_limits<qint16>::max())
                break;
            rows.push_back({id++, parts[0], parts[1], parts[2], parts[4], account.user});
        }
        stored = cache::append(rows);
    }
    if (!stored) {
        flag::state.MailAbort = 1;
        sayInBalloon(QString(), QStringLiteral("アカウント") + account.user + kCrLf +
                                    QStringLiteral("のメールサーバーへのアクセスに失敗しました") + kCrLf +
                                    QStringLiteral("処理を中断します"));
        return;
    }
    // The counter stops at its last id: the rows past 32767 in one download are dropped, never
    // numbered anew from the negative end.
    state.MailCount = qint16(std::min<qint64>(qint64(state.MailCount) + qint64(rows.size()),
                                              std::numeric_limits<qint16>::max()));
    if (!rows.empty() && rows.back().id == std::numeric_limits<qint16>::max())
        idsUsedUp = true;
    if (!rows.empty())
        flag::state.NewMail = 1;
}

} // namespace

void DownloadAllMail() {
    if (exiting())
        return;
    Stage* stage = Stage::Current();
    if (stage) {
        stage->Hide(Stage::SignBoard);
        stage->Stop(Stage::Watches(Stage::Battery) | Stage::Blink | Stage::Idle | Stage::MailArming |
                    Stage::MailCheck);
    }
    flag::state.MailBusy = 1;
    pose(RgnCall2::ShapePose14, gra2::Image1(5));
    if (stage)
        stage->Start(Stage::BusyAnimation);
    flag::state.NewMail = 0;
    state.MailCount = 1;
    idsUsedUp = false;
    deleteMessageFiles();
    cache::create();

    const Accounts accounts = readAccounts();
    for (int i = 0; i < 3 && !exiting(); ++i) {
        const Account& account = accounts[std::size_t(i)];
        if (i > 0 && (!account.used || flag::state.MailAbort == 1))
            continue;
        DownloadAccount(account);
    }
    if (exiting()) {
        flag::state.MailBusy = 0;
        return;
    }
    pace::yieldEvents();
    pace::sleep(400);
    stage = Stage::Current();
    if (stage) {
        stage->Start(Stage::Watches(Stage::Battery) | Stage::Blink);
        stage->Stop(Stage::BusyAnimation);
        stage->Start(Stage::Idle);
    }
    pose(RgnCall2::ShapePose14, gra2::Image1(5));
    pace::yieldEvents();
    pace::sleep(400);
    pose(RgnCall::ShapeStandard, gra::Image1(0));
    if (Stage* now = Stage::Current())
        now->ShowItem(Stage::Item::mail_look, false);
    flag::state.MailBusy = 0;
}

} // namespace mail

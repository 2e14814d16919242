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
#include <cstdio>
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

// Why a call failed when the library does not say.
QString reasonOf(const Transfer& table) {
    const QString why = table.lastError ? table.lastError() : QString();
    return why.isEmpty() ? QStringLiteral("サーバの接続に失敗しました") : why;
}

// One library call of the current account, on a worker; a failure leaves its reason in why.
std::optional<QStringList> receive(const Account& account, const QString& command, const QString& folder,
                                   QString& why) {
    std::optional<QStringList> result;
    const Transfer table = transfer();
    // Taken here, not on the worker: a cancel asked while the worker starts still holds.
    const unsigned mark = table.mark ? table.mark() : 0;
    pace::await([&] {
        result = table.RcvMail(mark, account.server(), account.user, account.password, command, folder);
        // The reason is the worker thread's own: read it there.
        if (!result)
            why = reasonOf(table);
    });
    return result;
}

QString accountLabel(int index) {
    return QStringLiteral("アカウント%1：").arg(QChar(u'１' + index));
}

// Why account index failed, kept for the tray tip: said on standard error when it is news, not
// once a minute while a server stays down.
void noteFailure(std::array<QString, 3>& found, int index, const Account& account, const QString& why) {
    if (state.Failures[std::size_t(index)] != why)
        std::fprintf(stderr, "morvik: mail: account %d (%s at %s): %s\n", index + 1, qPrintable(account.user),
                     qPrintable(account.host), qPrintable(why));
    found[std::size_t(index)] = why;
}

// The tray tip: the summary's counts, or the start-up tip, with why each failing account failed
// (in place of its count).
QString trayTip() {
    QStringList lines;
    if (!state.TipCounts)
        lines << Trei::kStartTip;
    for (int i = 0; i < 3; ++i) {
        const QString& why = state.Failures[std::size_t(i)];
        if (state.TipCounts)
            lines << accountLabel(i) +
                         (why.isEmpty() ? QString::number((*state.TipCounts)[std::size_t(i)]) : why);
        else if (!why.isEmpty())
            lines << accountLabel(i) + why;
    }
    return lines.join(kCrLf);
}

void showTrayTip(Stage* stage) {
    if (!stage)
        return;
    stage->SetTrayTip(trayTip());
    state.TipFailures = state.Failures;
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
    std::array<QString, 3> found;
    const Accounts accounts = readAccounts();
    for (int i = 0; i < 3 && !exiting(); ++i) {
        const Account& account = accounts[std::size_t(i)];
        if (i > 0 && !account.used)
            continue;
        QString why;
        const std::optional<QStringList> stat = receive(account, QStringLiteral("STAT"), QString(), why);
        if (exiting())
            break;
        const std::optional<qint16> count = stat && !stat->isEmpty() ? countOf(stat->at(0)) : std::nullopt;
        if (!count) {
            failed = true;
            noteFailure(found, i, account, stat ? QStringLiteral("サーバの応答が読めません") : why);
            if (!quietFailure && !failureSaid) {
                say(QStringLiteral("16"), QStringLiteral("サーバの接続に失敗しました"));
                failureSaid = true;
            }
            continue;
        }
        *counts[i] = *count;
        if (*count > 0)
            state.Summary += QStringLiteral("■アカウント%1■■■■■").arg(QChar(u'１' + i)) + kCrLf;
        const std::optional<QStringList> list = receive(account, QStringLiteral("LIST"), QString(), why);
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
    state.Failures = found;

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
            state.TipCounts.reset();
            showTrayTip(stage);
        } else {
            stage->Start(Stage::Watches(Stage::Blink) | Stage::Idle);
        }
    }
    // The tray tells why an account failed, and stops telling it once the account answers.
    if (state.Failures != state.TipFailures)
        showTrayTip(stage);

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
    state.TipCounts = std::array<qint16, 3>{state.Count1, state.Count2, state.Count3};
    showTrayTip(stage);
    stage->SetToolTip(state.Summary);
}

namespace {

// One account's download: its SAVEALL, the files read on the same worker, then its rows in one
// transaction. Any failure is the account's: its rows roll back, earlier accounts' stay. Gives why
// it failed, or "".
QString DownloadAccount(const Account& account) {
    QString why;
    const std::optional<QStringList> stat = receive(account, QStringLiteral("STAT"), messageFolder(), why);
    if (exiting())
        return QString();
    if (stat && !stat->isEmpty()) {
        const std::optional<qint16> count = countOf(stat->at(0));
        if (count == 0)
            return QString();
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
        if (!files) {
            why = reasonOf(table);
            return;
        }
        std::vector<QStringList> read;
        for (const QString& file : *files) {
            std::optional<QStringList> parts =
                table.ReadMail(file, QStringLiteral("subject:from:date:nofile:"), folder);
            if (!parts || parts->size() < 5) {
                why = reasonOf(table);
                return;
            }
            read.push_back(std::move(*parts));
        }
        messages = std::move(read);
    });
    if (exiting())
        return QString();
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
        if (!stored)
            why = QStringLiteral("受信したメールを保存できません");
    }
    if (!stored) {
        flag::state.MailAbort = 1;
        sayInBalloon(QString(), QStringLiteral("アカウント") + account.user + kCrLf +
                                    QStringLiteral("のメールサーバーへのアクセスに失敗しました") + kCrLf +
                                    QStringLiteral("処理を中断します"));
        return why;
    }
    // The counter stops at its last id: the rows past 32767 in one download are dropped, never
    // numbered anew from the negative end.
    state.MailCount = qint16(std::min<qint64>(qint64(state.MailCount) + qint64(rows.size()),
                                              std::numeric_limits<qint16>::max()));
    if (!rows.empty() && rows.back().id == std::numeric_limits<qint16>::max())
        idsUsedUp = true;
    if (!rows.empty())
        flag::state.NewMail = 1;
    return QString();
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

    // An account left out after an earlier one failed keeps what was known of it.
    std::array<QString, 3> found = state.Failures;
    const Accounts accounts = readAccounts();
    for (int i = 0; i < 3 && !exiting(); ++i) {
        const Account& account = accounts[std::size_t(i)];
        if (i > 0 && !account.used) {
            found[std::size_t(i)].clear();
            continue;
        }
        if (i > 0 && flag::state.MailAbort == 1)
            continue;
        const QString why = DownloadAccount(account);
        if (exiting())
            break;
        if (why.isEmpty())
            found[std::size_t(i)].clear();
        else
            noteFailure(found, i, account, why);
    }
    if (exiting()) {
        flag::state.MailBusy = 0;
        return;
    }
    state.Failures = found;
    if (state.Failures != state.TipFailures)
        showTrayTip(Stage::Current());
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

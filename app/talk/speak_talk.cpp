// The double-click talk and the farewell.
#include "speak_talk.h"

#include "app/settings/IniManage.h"
#include "app/settings/settings_keys.h"
#include "app/shapes/RgnCall2.h"
#include "app/state/flag.h"
#include "app/state/speak.h"
#include "app/window/services.h"
#include "app/window/stage.h"
#include "balloon_layout.h"
#include "clip_export.h"
#include "fuki.h"
#include "heart_db.h"
#include "platform/clock.h"
#include "platform/program_folder.h"
#include "platform/random.h"
#include "voice_clips.h"

#include <cmath>

namespace speak {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A random line is drawn again when its row is empty; bounded, so that a database whose every
// table is empty leaves her silent instead of holding the character.
constexpr int kMaxDraws = 200;

void resetChunkCounters() {
    state.ChunkOffset = 0;
    state.BlobSize = 0;
    state.ChunkCount = 0;
    state.ChunkRest = 0;
}

// 1 to n from one random number.
int oneTo(int n) {
    const int drawn = int(std::floor(platform::random::next() * n + 1));
    return qBound(1, drawn, qMax(n, 1));
}

QString lines(const heart::Words& words, int count) {
    QString text = words.word1.value_or(QString());
    if (count >= 2)
        text += kCrLf + words.word2.value_or(QString());
    if (count >= 3)
        text += kCrLf + words.word3.value_or(QString());
    return text;
}

// Says text in the main balloon. TalkText is left as the caller had it: the line goes to the label.
void say(const QString& text) {
    fuki::Open()->Label1->setText(text);
}

// The name-calling line: its own clip, held open while it plays, and the pose of being called.
void callMaster(heart::Connection& db, int n, const heart::Words& words) {
    flag::state.HoldBalloon = 1;
    platform::deleteTempFiles(QStringLiteral("*.mp3"));
    const clip::ExportResult clip =
        clip::exportClip(db, heart::Table::master_name, QString::number(n), QStringLiteral("temp"));
    if (Stage* stage = Stage::Current();
        stage && !(stage->Shown() == gra::Image1(7) || stage->Shown() == gra::Image1(6))) {
        stage->TakeStage(Stage::kBusy, Stage::Overlays(Stage::SignBoard) | Stage::BatteryPercent);
        stage->ShowPose(RgnCall2::ShapePose17, gra::Image1(12));
    }
    flag::state.VoicePath = clip.ok ? clip.path : QString();
    say(lines(words, 2));
}

} // namespace

void RandomTalk() {
    resetChunkCounters();
    if (state.Greeted != 1) {
        state.Greeted = 1;
        if (services::sstp().Sakura() != 0) {
            state.TalkText =
                QStringLiteral("こんにちはさくらさん") + kCrLf + QStringLiteral("よろしくお願いします");
            flag::state.VoicePath.clear(); // a line without voice never replays an older clip
            fuki::Open();
            state.SstpScript = QStringLiteral("\\h\\s0………（無視）") +
                               QStringLiteral("\\w5\\u\\s0よろしゅうな～（さくら！、返事せんかい！）\\e");
            services::sstp().Send(state.SstpScript, state.SstpOption);
            return;
        }
    }

    heart::OpenResult opened = heart::openOrSay();
    if (!opened.db)
        return;
    heart::Connection& db = *opened.db;
    const QDateTime now = platform::clock::now();
    const int month = now.date().month(), day = now.date().day(), second = now.time().second();

    for (int draw = 0; draw < kMaxDraws; ++draw) {
        const int r = oneTo(10);
        if (r == 1 && flag::state.FlowerShown == 1)
            continue;
        heart::Table table = heart::Table::otaku;
        int id = second;
        if (r == 1) {
            table = heart::Table::flower;
            id = month * 100 + day;
        } else if (r > 4) {
            table = r == 10  ? heart::Table::master_name
                    : r == 7 ? heart::Table::User_Table
                             : heart::Table::otaku2;
            const int n = oneTo(heart::countRows(db, table).value_or(0));
            id = table == heart::Table::User_Table ? n - 1 : n;
        }
        // A row that cannot be read is drawn again, whatever its table: saying an older line
        // again, or taking the pose of being called with nothing to say, would be wrong.
        const std::optional<heart::Words> words = heart::readWords(db, table, id);
        if (!words)
            continue;
        const bool nullTested = table == heart::Table::flower || table == heart::Table::otaku2 ||
                                table == heart::Table::User_Table;
        if (nullTested && words->allNull())
            continue;
        if (table == heart::Table::master_name) {
            callMaster(db, id, *words);
            return;
        }
        flag::state.VoicePath.clear();
        if (table == heart::Table::flower) {
            say(QStringLiteral("今日の花は") + kCrLf + words->word1.value_or(QString()) + kCrLf +
                QStringLiteral("花言葉は") + kCrLf + words->word2.value_or(QString()) + kCrLf +
                words->word3.value_or(QString()));
            flag::state.FlowerShown = 1;
            return;
        }
        say(lines(*words, 3));
        return;
    }
}

void FarewellTalk() {
    resetChunkCounters();
    IniManage::BeginBatch();
    const QString syuryo = IniManage::GetIni(QStringLiteral("syuryo"));
    const QString name = settings_keys::masterCall(IniManage::GetIni(QStringLiteral("MasterName")));
    const bool seeOff = syuryo == QStringLiteral("1");
    const clip::ExportResult clip =
        mp3::WriteClip(heart::Table::common, seeOff ? QStringLiteral("3") : QStringLiteral("2"),
                       QStringLiteral("temp"), true);
    flag::state.VoicePath = clip.ok ? clip.path : QString();
    say(seeOff ? QStringLiteral("いってらっしゃい") + name + kCrLf + QStringLiteral("またおあいしましょう")
               : QStringLiteral("それでは、失礼します") + kCrLf + QStringLiteral("お元気で") + name);
}

QString TrimAtNul(const QString& s) {
    const qsizetype nul = s.indexOf(QChar(u'\0'));
    return nul < 0 ? s : s.left(nul);
}

} // namespace speak

#include "talk_service.h"

#include "app/state/flag.h"
#include "dokoitu_01.h"
#include "fuki.h"
#include "fuki2.h"
#include "fuki3.h"
#include "heart_db.h"
#include "platform/audio/mci.h"
#include "platform/audio/vbmp3.h"
#include "platform/program_folder.h"
#include "speak_talk.h"
#include "voice_clips.h"

#include <QTimer>

namespace {
QString orEmpty(const std::optional<QString>& text) {
    return text.value_or(QString());
}
} // namespace

services::Talk::Greeting TalkService::LoadGreeting(bool firstRun, int row) {
    Greeting greeting;
    heart::OpenResult opened = heart::openOrSay();
    if (!opened.db)
        return greeting;
    if (firstRun) {
        platform::deleteTempFiles(QStringLiteral("*.tmp"));
        const clip::ExportResult clip =
            clip::exportClip(*opened.db, heart::Table::common, QStringLiteral("1"), QStringLiteral("temp"));
        greeting.clip = clip.ok ? clip.path : QString();
        return greeting;
    }
    if (const auto words = heart::readWords(*opened.db, heart::Table::aisatu, row)) {
        greeting.line1 = orEmpty(words->word1);
        greeting.line2 = orEmpty(words->word2);
    }
    const clip::ExportResult clip =
        clip::exportClip(*opened.db, heart::Table::aisatu, QString::number(row), QStringLiteral("aisatu"));
    greeting.clip = clip.ok ? clip.path : QString();
    return greeting;
}

services::Talk::Chime TalkService::LoadChime(int hour) {
    Chime chime;
    heart::OpenResult opened = heart::openOrSay();
    if (!opened.db)
        return chime;
    if (const auto words = heart::readWords(*opened.db, heart::Table::jiho, hour))
        chime.text = orEmpty(words->word1) + QStringLiteral("\r\n") + orEmpty(words->word2);
    const clip::ExportResult clip =
        clip::exportClip(*opened.db, heart::Table::jiho, QString::number(hour), QStringLiteral("jiho"));
    chime.clip = clip.ok ? clip.path : QString();
    return chime;
}

void TalkService::ShowFuki() {
    fuki::Open();
}
void TalkService::CloseFuki() {
    fuki::Unload();
}
bool TalkService::FukiOpen() const {
    return fuki::Instance() != nullptr;
}
unsigned TalkService::FukiSaid() const {
    return fuki::Said();
}
void TalkService::WhenFukiClosed(QObject* context, std::function<void()> then) {
    fuki* open = fuki::Instance();
    if (!open) {
        QTimer::singleShot(0, context, std::move(then));
        return;
    }
    // From the loop, not from inside the balloon's deletion.
    QObject::connect(open, &QObject::destroyed, context,
                     [context, then = std::move(then)] { QTimer::singleShot(0, context, then); });
}
bool TalkService::FukiAsks() const {
    return fuki::Instance() && !fuki::Instance()->Command1->isHidden();
}
void TalkService::SetFukiText(const QString& text) {
    if (fuki* balloon = fuki::Instance())
        balloon->Label1->setText(text);
}
void TalkService::AskFuki() {
    if (fuki* balloon = fuki::Instance()) {
        balloon->Command1->show();
        balloon->Command2->show();
    }
}
bool TalkService::Fuki2Open() const {
    return fuki2::Instance() && fuki2::Instance()->isVisible();
}
void TalkService::CloseFuki2() {
    fuki2::Unload();
}
void TalkService::CloseFuki3() {
    fuki3::Unload();
}
void TalkService::PlayCommonVoice() {
    mp3::PlayCommonVoice();
}
void TalkService::PlayVoice() {
    mp3::PlayVoice();
}
void TalkService::RandomTalk() {
    speak::RandomTalk();
}
void TalkService::FarewellTalk() {
    speak::FarewellTalk();
}
void TalkService::ShowEditor() {
    dokoitu_01::Show();
}
void TalkService::vbmp3_init() {
    ::vbmp3_init();
}
int TalkService::vbmp3_getState() {
    return ::vbmp3_getState();
}
void TalkService::vbmp3_close() {
    ::vbmp3_close();
}
void TalkService::vbmp3_free() {
    ::vbmp3_free();
}

QString TalkService::MciStatusMode(const QString& alias) {
    QString mode;
    const int error =
        platform::audio::mciSendString(QStringLiteral("status ") + alias + QStringLiteral(" mode"), &mode);
    return error == 0 ? mode : QStringLiteral("Error:%1").arg(error);
}

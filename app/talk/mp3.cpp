#include "mp3.h"

#include "app/window/flag.h"
#include "app/window/morvik.h"
#include "balloon_layout.h"
#include "platform/audio/vbmp3.h"
#include "platform/program_folder.h"
#include "speak.h"

namespace mp3 {
namespace {

void deleteOldClips() {
    Module1::CleanPath1 = platform::tempFolder() + QStringLiteral("/*.mp3");
    platform::deleteTempFiles(QStringLiteral("*.mp3"));
}

void watchTheEnd() {
    if (morvik* character = balloon::Character())
        character->Timer7.setEnabled(true);
}

} // namespace

clip::ExportResult WriteClip(heart::Table table, const QString& key, const QString& prefix, bool deleteOld) {
    if (deleteOld)
        deleteOldClips();
    heart::OpenResult opened = heart::open();
    if (!opened.db) {
        clip::ExportResult failed;
        failed.error = opened.error;
        return failed;
    }
    return clip::exportClip(*opened.db, table, key, prefix);
}

void PlayCommonVoice() {
    speak::ChunkOffset = 0;
    speak::BlobSize = 0;
    speak::ChunkRest = 0;
    WriteClip(heart::Table::common, speak::VoiceId, QStringLiteral("temp"), true);
}

void PlayVoice() {
    vbmp3_open(flag::VoicePath);
    vbmp3_play();
    flag::PlayMode = kVoice;
    watchTheEnd();
}

void PlayBalloonVoice() {
    vbmp3_init();
    vbmp3_open(flag::VoicePath);
    vbmp3_play();
    flag::PlayMode = kBalloon;
    watchTheEnd();
}

void DeleteOwnFiles() {
    const QString temp = platform::tempFolder();
    Module1::CleanPath1 = temp + QStringLiteral("/*.mp3");
    Module1::CleanPath2 = temp + QStringLiteral("/*.tmp");
    Module1::CleanPath3 = temp + QStringLiteral("/*.txt");
    for (const char* pattern : {"*.mp3", "*.tmp", "*.txt"})
        platform::deleteTempFiles(QLatin1String(pattern));
}

} // namespace mp3

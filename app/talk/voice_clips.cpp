#include "voice_clips.h"

#include "app/state/Module1.h"
#include "app/state/flag.h"
#include "app/state/speak.h"
#include "app/window/stage.h"
#include "platform/audio/vbmp3.h"
#include "platform/program_folder.h"

namespace mp3 {
namespace {

void deleteOldClips() {
    platform::deleteTempFiles(QStringLiteral("*.mp3"));
}

void watchTheEnd() {
    if (Stage* stage = Stage::Current())
        stage->Start(Stage::Mp3End);
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
    speak::state.ChunkOffset = 0;
    speak::state.BlobSize = 0;
    speak::state.ChunkRest = 0;
    WriteClip(heart::Table::common, speak::state.VoiceId, QStringLiteral("temp"), true);
}

void PlayVoice() {
    vbmp3_open(flag::state.VoicePath);
    vbmp3_play();
    flag::state.PlayMode = kVoice;
    watchTheEnd();
}

void PlayBalloonVoice() {
    vbmp3_init();
    vbmp3_open(flag::state.VoicePath);
    vbmp3_play();
    flag::state.PlayMode = kBalloon;
    watchTheEnd();
}

void DeleteOwnFiles() {
    const QString temp = platform::tempFolder();
    Module1::state.CleanPath2 = temp + QStringLiteral("/*.tmp");
    for (const char* pattern : {"*.mp3", "*.tmp", "*.txt"})
        platform::deleteTempFiles(QLatin1String(pattern));
}

} // namespace mp3

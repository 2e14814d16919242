#pragma once
// Voice clips: writing them out of the dialogue database and playing them, as the design's module
// mp3 (hence the namespace). The MP3 player itself is platform/audio/vbmp3.h.
//
// A clip is written into the program's private temporary folder (clip_export.h) and played from
// there; the MP3 layer reads it into memory when it opens it, so the clip files can be replaced or
// deleted while a clip still sounds. Every writer but the start-up's first deletes the older clips
// (the "*.mp3" files of that folder: ours alone, never anything elsewhere).
//
// The play mode (flag.PlayMode) tells the stage's MP3-end watch (stage.h), every 500 ms, who
// started the clip now playing and so what to do when it has ended:
//   kBalloon  the main balloon's opening: the watcher closes the balloon;
//   kVoice    PlayVoice, a clip without words: the watcher forgets the clip;
//   kExiting  the farewell of the exit: the watcher ends the program.
// Nothing here reports a failure: a missing database, row or file only leaves the character silent.
// GUI thread only.
#include "app/talk/clip_export.h"

#include <QString>

namespace mp3 {

enum PlayMode : qint16 { kNothing = 0, kBalloon = 1, kVoice = 2, kExiting = 3 };

// Deletes the older clips, then writes the `common` clip of speak.VoiceId to
// services::commonVoicePath(speak.VoiceId) (also left in Module1.VoiceFile). Plays nothing.
void PlayCommonVoice();

// Plays flag.VoicePath without a balloon: play mode kVoice and the MP3-end watch on, even
// when there is nothing to play (the watcher then clears the mode at its next tick).
void PlayVoice();

// Plays flag.VoicePath as the main balloon's clip: play mode kBalloon and the MP3-end watch on.
void PlayBalloonVoice();

// Writes the clip of one row (clip::exportClip on a connection of its own); with deleteOld, the
// older clips go first.
clip::ExportResult WriteClip(heart::Table table, const QString& key, const QString& prefix, bool deleteOld);

// Deletes the clips and the temporary files ("*.mp3", "*.tmp", "*.txt") of the program's private
// temporary folder, as the main balloon's close does.
void DeleteOwnFiles();

} // namespace mp3

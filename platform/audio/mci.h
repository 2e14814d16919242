#pragma once
// A small command-string interface for playing MIDI songs, in the manner of the Windows multimedia
// command strings, over SDL2_mixer's MIDI playback (FluidSynth with a General MIDI SoundFont).
//
// Commands (words and aliases are case-insensitive; a path with blanks goes in double quotes):
//   open <file> [type sequencer] [alias <name>] [notify|wait|shareable]
//       Reads the whole file into memory (a Standard MIDI File, also wrapped in RIFF "RMID"), so the
//       file may be deleted once it is open. Without a type the extension must be .mid, .midi, .rmi
//       or .smf. Without an alias the song is named by <file> as written.
//   play <name> [from 0] [to <ms>] [notify]   starts the song, or resumes it after stop; "to" stops
//       it after that many milliseconds from its start. Only one song sounds at a time: playing one
//       stops another that plays. "wait" is refused, since it would hold the caller.
//   stop <name>          stops; a later play without "from" goes on where it stopped.
//   close <name>|all     stops and forgets.
//   status <name> mode   "playing", or "stopped" after open, stop, the end, or another song starting.
// mciSendString() returns 0 and the command's answer in returnText (empty for all but status), or
// one of the error codes below with an empty returnText. mciGetErrorString() gives the Japanese text
// of a code (0 included) and fails for a number that is not one of them.
//
// Without a sound device songs play silently in their real time, so "status … mode" turns to
// "stopped" when a song would have ended (FluidSynth adds about two seconds for the last notes to
// fade). MP3 clips (vbmp3.h) sound at the same time as a song. GUI thread only.
#include <QString>

namespace platform::audio {

enum MciError : int {
    kMciUnknownCommand = 301,
    kMciMissingParameter,
    kMciBadParameter,
    kMciBadInteger,
    kMciMissingQuote,
    kMciDeviceNotOpen,
    kMciAliasInUse,
    kMciFileNotFound,
    kMciNoDeviceForExtension,
    kMciUnsupportedDevice,
    kMciCannotLoad,
    kMciCannotSeek,
    kMciUnsupportedItem,
    kMciNoSoundDevice,
    kMciCannotPlay,
};

int mciSendString(const QString& command, QString* returnText);
bool mciGetErrorString(int code, QString* text);

} // namespace platform::audio

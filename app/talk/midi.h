#pragma once
// The module midi: the title of a Standard MIDI File, and the command strings that play one.
//
// ReadMidiInfo(path) reads the file once into memory and looks for the first track-name or text
// event among the first 5000 bytes of the first track. It never fails towards the caller: when the
// file cannot be read, Title holds the reason instead, one of
//   "ファイルが見つかりません", "ファイルが異常です", "MIDファイルではありません",
//   "トラックが存在しません", "トラックが見つかりません", "トラックのデータが異常です",
//   "タイトルが見つかりません", "文字列長のデータが異常です",
// or a fault number and its text ("75 …" the file could not be read, "7 …" it is too large to read).
// The first track's data may be declared up to two bytes longer than the file holds; those bytes
// read as 0. The title's bytes are Shift-JIS (CP932). Fields the reading did not reach stay 0.
//
// The Mci* calls send one command each to the MIDI sequencer of platform/audio/mci.h. They never
// fail towards the caller: they return 0, -1 for an empty command, or the sequencer's error code,
// and leave the command's answer or the error's text in MciResult. MciStatusMode gives the mode text
// ("playing", "stopped") or "Error:" and the code. GUI thread only.
#include <QString>

namespace midi {

struct MidiInfo {
    qint32 Format = 0;
    qint32 Tracks = 0;
    qint32 Division = 0; // as stored, 0 to 65535 (the top bit marks SMPTE timing)
    QString Title;
};

MidiInfo ReadMidiInfo(const QString& path);

inline QString MciResult; // the answer or error text of the last command sent by the wrappers

qint32 MciSend(const QString& command, QString& text);
QString MciSendForString(const QString& command);

qint32 MciOpen(const QString& path, const QString& alias);
qint32 MciPlay(const QString& alias, const QString& from, const QString& to);
qint32 MciStop(const QString& alias);
qint32 MciClose(const QString& alias);
QString MciStatusMode(const QString& alias);

} // namespace midi

#pragma once
// What MP3 and RMP files say about themselves (internal to morvik_audio): the ID3 tags of an MP3
// stream, the RIFF INFO list and the MP3 data of an RMP file, and the stream facts of the first MPEG
// frame. Every read is bounds-checked: a truncated or lying length yields the fields read so far and
// never reads outside the bytes given.
#include <QByteArray>
#include <QHash>
#include <QString>

namespace platform::audio::tags {

struct Id3 {
    QString title, artist, album, year, comment;
    int genre = -1; // ID3v1 genre number; -1 when none
};

// ID3v2.2, 2.3 or 2.4 at the start of the stream, then ID3v1 at its end for what v2 left empty.
Id3 readId3(const QByteArray& stream);

struct Riff {
    bool isRiff = false;
    QByteArray form;                 // "RMP3", "WAVE", …
    QByteArray data;                 // the body of the "data" chunk
    QHash<QByteArray, QString> info; // the LIST INFO texts by chunk id ("INAM", "IART", …)
};
Riff readRiff(const QByteArray& file);

struct Frame {
    int frequency = 0; // Hz
    int channels = 0;
    int bitrate = 0; // kbit/s of the first frame
};
// The first MPEG audio frame after an ID3v2 tag; all 0 when none is found near the start.
Frame readFirstFrame(const QByteArray& stream);

// A text in the one-byte encodings that tags use in practice: UTF-8 when it is valid UTF-8, else
// CP932 (Japanese tag writers put it where the formats say Latin-1), else Latin-1.
QString decodeLegacy(const QByteArray& bytes);

} // namespace platform::audio::tags

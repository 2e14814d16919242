#pragma once
// The MP3 clip player: one clip at a time, played asynchronously, with its tags.
//
// vbmp3_open(path) reads the whole file into memory and decodes it there, so the file may be deleted
// (or overwritten by the next clip) at once, even while it plays. It takes MP3 streams, with ID3v2
// and ID3v1 tags, and RMP files (RIFF "RMP3": the MP3 stream in the "data" chunk, texts in the LIST
// INFO chunk). It fails, opening nothing, for a missing or unreadable file, a stream that is no MP3,
// a file over 128 MiB or a clip longer than 20 minutes. Opening a clip closes the one before.
// vbmp3_play() starts the open clip from its beginning and returns at once; vbmp3_getState() is
// then 1 until the clip has ended, or until vbmp3_stop()/vbmp3_close() ended it at once, and 0
// after (and whenever nothing plays). vbmp3_close() forgets the clip; vbmp3_free() also lets the
// sound device go (it is opened again by the next call that needs it). vbmp3_init() opens the device
// early; every other call opens it when needed too. Opening the device leaves the handling of
// SIGTERM and SIGINT as the program set it.
//
// Without a sound device everything works the same, silently: clips take their real time to "play"
// and the state says so, so a caller that waits for the end of a clip is never kept waiting longer.
//
// The tags are those of the open clip: vbmp3_getTagInfo() gives the ID3 texts (ID3v2 where present,
// else ID3v1; one-byte texts taken as UTF-8, else CP932, else Latin-1), vbmp3_getListInfo() the RIFF
// INFO texts of an RMP file. Both fail only when no clip is open; a clip without such tags gives
// empty texts. GUI thread only.
#include <QString>

struct Vbmp3InputInfo {
    int lengthMs = 0;  // the clip's length
    int frequency = 0; // sampling rate of the stream, Hz
    int channels = 0;  // 1 or 2
    int bitrate = 0;   // kbit/s of the first frame
};

struct Vbmp3TagInfo {
    QString title;
    QString artist;
    QString album;
    QString year;
    QString comment;
    int genre = -1; // ID3v1 genre number; -1 when the clip names none
};

// The texts of the LIST INFO chunk, by the chunk that holds each.
struct Vbmp3ListInfo {
    QString name;       // INAM, the title
    QString artist;     // IART
    QString product;    // IPRD, the album
    QString created;    // ICRD
    QString genre;      // IGNR
    QString comment;    // ICMT
    QString copyright;  // ICOP
    QString engineer;   // IENG
    QString software;   // ISFT
    QString source;     // ISRC
    QString keywords;   // IKEY
    QString technician; // ITCH
    QString subject;    // ISBJ
    QString medium;     // IMED
};

bool vbmp3_init();
bool vbmp3_open(const QString& path, Vbmp3InputInfo* info = nullptr);
bool vbmp3_play();
// 1 while the open clip plays, else 0; seconds, when given, gets how long it has played.
int vbmp3_getState(int* seconds = nullptr);
bool vbmp3_stop();
bool vbmp3_close();
bool vbmp3_free();
bool vbmp3_getTagInfo(Vbmp3TagInfo* tag);
bool vbmp3_getListInfo(Vbmp3ListInfo* list);

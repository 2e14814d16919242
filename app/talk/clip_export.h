#pragma once
// Copying a voice clip out of the dialogue database into a file that the MP3 layer can play.
//
// A clip is read with SQLite's incremental blob reader in pieces: first the remainder (size mod
// 16384 bytes, empty when the size is a multiple of 16384) from offset 0, then pieces of exactly
// 16384 bytes, so no clip needs more than one 16384-byte buffer. The file holds the column's bytes
// and nothing else.
//
// Clip files go into platform::tempFolder() only, named prefix & key & ".mp3" with the key as the
// row gives it back ("temp5.mp3", "aisatu7.mp3", "jiho13.mp3", "templun01.mp3"). A key or prefix
// that is not made of letters, digits, '_' and '-' is refused, so no name can reach outside that
// folder. Deleting old clips is the callers' business (platform::deleteTempFiles).
//
// The export's counters and buffer are speak::state's (ChunkOffset, BlobSize, ChunkCount, ChunkRest,
// ChunkBuffer), reset by every export; the last export leaves them set. Its target file is
// Module1.VoiceFile.
#include "heart_db.h"

#include <QString>
#include <optional>

namespace clip {

inline constexpr int kChunkSize = 16384;

struct ExportResult {
    bool ok = false;
    QString path; // the clip file written (also in Module1.VoiceFile)
    qint64 size = 0;
    QString error; // why ok is false
};

// Writes the clip of the row of table whose key is key (the text id of common and
// lunch_voice_master, the number of the others) to tempFolder()/prefix<key>.mp3. A row whose clip
// column is Null gives an empty file. When the row is missing, the table has no clips or the
// export fails, no clip of that name is left behind (an older file of that name is removed).
ExportResult exportClip(heart::Connection& db, heart::Table table, const QString& key, const QString& prefix);

// The file name that exportClip gives the clip of that key, or nothing when the key or prefix
// cannot be part of a file name.
std::optional<QString> clipFileName(const QString& prefix, const QString& key);

} // namespace clip

#pragma once
// The module speak's state: what the character says next, the SSTP script, and the counters of the
// voice-clip export. Filled by whoever wants her to speak, then the main balloon is shown (its
// procedures: app/talk/speak_talk.h). Only the GUI thread touches it. Tests start from
// speak::state.reset().
#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace speak {

struct State {
    QString TalkText;   // text of the next balloon
    QString VoiceId;    // id of the `common` row whose clip is written next
    QString SstpScript; // the script handed to the SSTP control
    qint16 SstpOption = 0;
    qint16 Greeted = 0; // 1 once the first double-click of the run has tried the SSTP greeting

    // Counters and buffer of the clip export, reset by every export; the last export leaves them set.
    qint32 ChunkOffset = 0; // running read offset; the clip's size once the export is done
    qint32 BlobSize = 0;    // size of the clip in bytes
    qint16 ChunkCount = 0;  // full 16384-byte pieces read after the remainder
    qint32 ChunkRest = 0;   // size mod 16384: the length of the first piece
    QByteArray ChunkBuffer; // the piece just read

    void reset() { *this = State{}; }
};

inline State state;

} // namespace speak

#pragma once
// The talk request: what the character says next. Filled by whoever wants her to speak, then the
// main balloon is shown. Only the GUI thread touches it.
//
// RandomTalk() is the double-click talk: the first one of a run greets an SSTP server when one
// runs; otherwise she says a random line of the talk tables: the flower of the day (once a run),
// the remark of the clock's second, a line of otaku2 or of the user's own table, or she calls her
// master by name with a voice and a pose of her own. FarewellTalk() says goodbye at exit with its
// voice (`syuryo` chooses which). Both read the dialogue database and say nothing when it cannot be
// read.
#include "app/window/flag.h"

#include <QString>
#include <QtGlobal>

namespace speak {

inline QString TalkText;   // text of the next balloon
inline QString VoiceId;    // id of the `common` row whose clip is written next
inline QString SstpScript; // the script handed to the SSTP control
inline qint16 SstpOption = 0;
inline qint16 Greeted = 0; // 1 once the first double-click of the run has tried the SSTP greeting

void RandomTalk();
void FarewellTalk();

// The characters of s before its first NUL, or s itself when it holds none.
QString TrimAtNul(const QString& s);

} // namespace speak


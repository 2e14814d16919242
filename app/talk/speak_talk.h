#pragma once
// The module speak's procedures: the double-click talk and the farewell (its state, what she says
// next: app/state/speak.h). GUI thread only.
//
// RandomTalk() is the double-click talk: the first one of a run greets an SSTP server when one
// runs; otherwise she says a random line of the talk tables: the flower of the day (once a run),
// the remark of the clock's second, a line of otaku2 or of the user's own table, or she calls her
// master by name with a voice and a pose of her own. FarewellTalk() says goodbye at exit with its
// voice (`syuryo` chooses which). Both read the dialogue database and say nothing when it cannot be
// read.
#include <QString>

namespace speak {

void RandomTalk();
void FarewellTalk();

// The characters of s before its first NUL, or s itself when it holds none.
QString TrimAtNul(const QString& s);

} // namespace speak

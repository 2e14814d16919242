#pragma once
// Her lines about mail and the clock, in the main balloon. GUI thread only.
#include <QString>

namespace mail {

// Says text in the main balloon with the `common` clip voiceId, or with no voice when voiceId is
// empty (then no older clip replays). An open balloon only takes the new text; a closed one opens
// and plays the clip.
void sayInBalloon(const QString& voiceId, const QString& text);

} // namespace mail

#pragma once
// ヴェンス, the butler who starts your programs: a tall thin robot in a tailcoat whose head is a
// bowler hat with a monocle sensor on it. He holds his arms out at his shoulders: a card with a
// program window by his left hand, his right hand raised and pointing the way; his left shoe turned
// far out. Drawn for the launcher window, 72 x 100 on pure blue, which the window cuts away; the
// window's outline is laid out line by line and the drawing fitted to it.
//
// Every part is given by its outer edge, and its dark line is laid inside that edge; so the
// silhouette is exactly the union of the parts and the window's outline can be planned from their
// coordinates. The monocle's blink changes only what lies inside the head.
#include "render.h"

#include <QPainter>
#include <QSize>

namespace art {

inline constexpr QSize kButlerSize{72, 100};

enum class Monocle { Open, Closed };

void drawButler(QPainter& painter, Monocle monocle);

// His picture for the launcher window: the drawing fitted to the window's outline, which is laid
// out line by line in butler.cpp; outside it, pure blue.
Rendered butlerPicture(Monocle monocle);

} // namespace art

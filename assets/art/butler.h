#pragma once
// ヴェンス, the butler who starts your programs: a tall thin robot in a tailcoat whose head is a
// bowler hat with a monocle sensor on it. He holds a tray with a program window up on his left and
// shows the way with his right hand, heels together. Drawn for the launcher window, 72 x 100 on
// pure blue, which the window cuts away.
//
// Every part is given by its outer edge, and its dark line is laid inside that edge; so the
// silhouette is exactly the union of the parts and the window's outline can be planned from their
// coordinates. The monocle's blink changes only what lies inside the head.
#include <QPainter>
#include <QSize>

namespace art {

inline constexpr QSize kButlerSize{72, 100};

enum class Monocle { Open, Closed };

void drawButler(QPainter& painter, Monocle monocle);

} // namespace art

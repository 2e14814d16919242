#pragma once
// パルク, her companion: a small round drone that floats beside her. A white ball of a body with a
// dark face screen and cyan screen eyes, a fin on each side held by a hinge, a long antenna and a
// short one, a glass lamp on top and, below, the flame of light it hovers on, trailing to the right
// as it drifts. Drawn for the palk window, 75 x 100 on pure blue, which the window cuts away.
//
// Parts are given by their outer edges (parts.h), so the window's outline follows from their
// coordinates: the long antenna's bulb and the lamp's flat top are the outline's top line, the
// flame's tip its bottom line, and the left fin's hinge shows the desktop through its slits. The
// blink changes only what lies on the screen.
#include "render.h"

#include <QPainter>
#include <QSize>

namespace art {

inline constexpr QSize kPalkSize{75, 100};

enum class ScreenEyes { Open, Closed };

void drawPalk(QPainter& painter, ScreenEyes eyes);

// The drone as its window shows it: the drawing on blue, fitted to the drone's outline, which is
// laid out line by line (the fins sweep into the body under the antennae, the hinge's slits stay
// open). What the outline holds and the drawing leaves bare takes the colour of the drawing beside
// it, its contour where it borders the desktop; what the drawing puts outside the outline is blue.
Rendered palkPicture(ScreenEyes eyes);

} // namespace art

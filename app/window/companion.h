#pragma once
// What her companions' windows (ヴェンス, パルク) share: a borderless window of a fixed size that
// shows one picture box over its whole face, floats up and down by a fixed pattern, and blinks now
// and then. Each window keeps its own timers and handlers, named as its design names them, and
// calls these. GUI thread only.
#include "app/window/picture_stores.h"
#include "platform/timer.h"

#include <QPoint>

class QLabel;
class QWidget;

namespace companion {

// Makes the window a fixed width x height that shows without taking the focus, and covers it with
// the picture box "Image1" showing the picture (not a step of any animation). The box's presses
// are the window's own.
QLabel* Dress(QWidget* window, int width, int height, const stores::Picture& picture);

// Moves the window to (x, y) at its size, noting the move for animation recordings.
void MoveTo(QWidget* window, int x, int y);

// The float: each tick moves the window's top 1, 1, 1, 0, -1, -1, -1 pixels in turn, so seven
// ticks bring it back. A tick goes from where the window stands then, so a drag is followed.
class Float {
public:
    void Tick(QWidget* window);
    // The phase, 0 to 6: the step the next tick takes.
    int Phase() const { return phase_; }

private:
    int phase_ = 0;
};

// One blink: the closed picture for 200 ms (events go on meanwhile, inside the pause, so a command
// given then runs after the blink), then the open one, and the timer's next interval, 3 s plus
// 100 ms a second of the clock's minute. Nothing more when the box's window has gone during the
// pause.
void Blink(QLabel* box, const stores::Picture& closed, const stores::Picture& open, platform::Timer& timer);

} // namespace companion

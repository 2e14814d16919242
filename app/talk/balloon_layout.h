#pragma once
// What the three balloon windows share: where a balloon goes beside the window it belongs to, its
// outline and picture, and the close time the user chose; the text label is in balloon_label.h.
//
// A balloon is 195 x 190 pixels; its 200 x 160 picture sits at the window's corner (0, 0), where
// the outline tables expect it, so picture and outline agree. Placement follows the character's
// screen position: the tail points at her from above-right, below-left, below-right or above-left.
#include "balloon_label.h"

#include <QLabel>
#include <QPoint>
#include <QString>
#include <optional>

class QWidget;

namespace balloon {

inline constexpr int kWidth = 195;
inline constexpr int kHeight = 190;
inline constexpr int kYesLeft = 30, kNoLeft = 110, kButtonWidth = 61, kButtonHeight = 19;

// Where a balloon goes for a window whose top-left corner is at character: its top-left corner, its
// outline (1 to 4: RgnCall::ShapeBalloonN with gra2::fukiN), and the tops of its text and buttons.
struct Placement {
    QPoint position;
    int outline = 1;
    int labelTop = 16;
    int buttonsTop = 100;
    friend bool operator==(const Placement&, const Placement&) = default;
};

// The main balloon and fuki2, beside the character window.
Placement PlaceFor(QPoint character);
// The palk window's balloon, above and to the left of that window.
Placement PlaceForPalk(QPoint palk);

// Gives the window outline n and shows picture n in image, at the window's corner.
void ApplyOutline(QWidget* window, QLabel* image, int outline);

// The close time `fukiClose` asks for: 1, 2 and 3 are 5, 10 and 15 seconds, 0 (also an empty value
// or one that is not a number) keeps the balloon until it is clicked or closed, and any other
// number gives an interval of 0, which never fires.
struct CloseTimer {
    bool enabled = false;
    int interval = 0;
    friend bool operator==(const CloseTimer&, const CloseTimer&) = default;
};
CloseTimer MainCloseTimer(const QString& fukiClose, bool mediaPlaying);
// fuki2 knows only 1, 2 and 3; anything else keeps it open.
CloseTimer SecondCloseTimer(const QString& fukiClose);
// The settings key, read afresh.
QString FukiCloseSetting();

// Names the balloon's window class on X (WM_CLASS name and class), so that window managers and
// tools tell the balloons from the character window; does nothing on other platforms.
void NameWindowClass(QWidget* window, const char* name);

// The character window's screen corner (Stage::Corner()); (0, 0) without a character window.
QPoint CharacterCorner();

} // namespace balloon

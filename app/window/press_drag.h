#pragma once
// The press rule of the program's borderless character windows: a left press that may move the
// window becomes a drag only once the mouse has travelled the platform's drag distance with the
// button held, so a click or a double-click on a character stays a click (and its double-click
// arrives). The window manager moves the window when it can; otherwise the window follows the
// mouse itself until the button is released.
//
// The window calls Press() from its press handler when the press may drag, and passes its move
// and release events on. GUI thread only.
#include <QPoint>
#include <functional>
#include <optional>

class QMouseEvent;
class QWidget;

class PressDrag {
public:
    explicit PressDrag(QWidget* window) : window_(window) {}

    // The button of a press as the windows' press handlers take it: 1 left, 2 right, 0 another.
    static int Button(const QMouseEvent* event);

    // A left press at the global position that becomes a drag once the mouse moves.
    void Press(QPoint globalPos) { from_ = globalPos; }
    // A move of the mouse: starts or goes on with the drag.
    void Move(const QMouseEvent* event);
    // A release: a left release ends the drag, or forgets a press that never moved.
    void Release(const QMouseEvent* event);
    // Runs handler whenever a left press ends: at its release, or as the window manager takes the
    // drag over (the release is then its own, and may never reach the window).
    void OnPressEnd(std::function<void()> handler) { ended_ = std::move(handler); }

private:
    QWidget* window_;
    std::optional<QPoint> from_;   // where a press that may become a drag began
    std::optional<QPoint> offset_; // the mouse's offset while the window follows it itself
    std::function<void()> ended_;
};

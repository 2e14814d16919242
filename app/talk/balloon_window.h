#pragma once
// What the three balloon windows share as windows: a frameless top-level window of the balloon's
// size that shows without taking the focus, its picture Image1 and text Label1, and the default
// instance that Open() loads and Unload() closes. GUI thread only.
#include "balloon_layout.h"

#include <QPointer>
#include <QWidget>

namespace balloon {

class WindowBase : public QWidget {
public:
    QLabel* Image1;
    balloon::Label* Label1;

protected:
    // name: the object name and the X window class; extraFlags: what the balloon adds to the
    // frameless, focus-less tool window (the main balloons stay on top, the palk one does not).
    WindowBase(const char* name, Qt::WindowFlags extraFlags);
};

// Self is the balloon's own class; each has its own default instance.
template <class Self>
class Window : public WindowBase {
public:
    // The open balloon, or null.
    static Self* Instance() { return open_; }
    // Closes the balloon when it is open.
    static void Unload() {
        Self* balloon = open_;
        if (!balloon)
            return;
        // Forgotten before its Form_Unload, so that nothing it calls finds it still open.
        open_ = nullptr;
        balloon->Form_Unload();
        balloon->hide();
        balloon->deleteLater();
    }

protected:
    using WindowBase::WindowBase;

    // The default instance, created on first use, loaded with args (an open one is loaded anew).
    template <class... Args>
    static Self* Load(Args... args) {
        if (!open_)
            open_ = new Self();
        open_->Form_Load(args...);
        return open_;
    }
    // Whether this window is the default instance (one being closed no longer is).
    bool IsOpen() const { return open_.data() == this; }

private:
    inline static QPointer<Self> open_;
};

} // namespace balloon

#pragma once
// The second balloon: words without voice and without buttons, placed like the main balloon. It
// closes on the close time that `fukiClose` asks for (1, 2 or 3; anything else keeps it open) and
// on any press. Closing it stops nothing and deletes nothing, and leaves play mode 3 (the program
// exiting) to the farewell. GUI thread only.
#include "balloon_window.h"
#include "platform/timer.h"

// Image1, Label1, Instance() and Unload() come with balloon::Window.
class fuki2 : public balloon::Window<fuki2> {
    Q_OBJECT
public:
    // Opens the balloon with speak.TalkText (an open one shows the new text, placed anew).
    static fuki2* Open();

    platform::Timer Timer1{this, 15000};

    int Outline() const { return outline_; }

    void Form_Load();
    void Form_Unload();
    void Timer1_Timer();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    friend class balloon::Window<fuki2>;
    fuki2();

    int outline_ = 1;
};

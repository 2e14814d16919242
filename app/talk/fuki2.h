#pragma once
// The second balloon: words without voice and without buttons, placed like the main balloon. It
// closes on the close time that `fukiClose` asks for (1, 2 or 3; anything else keeps it open) and
// on any press. Closing it stops nothing and deletes nothing. GUI thread only.
#include "balloon_layout.h"
#include "platform/timer.h"

#include <QPointer>
#include <QWidget>

class fuki2 : public QWidget {
    Q_OBJECT
public:
    static fuki2* Instance();
    // Opens the balloon with speak::TalkText (an open one shows the new text, placed anew).
    static fuki2* Open();
    static void Unload();

    balloon::Label* Label1;
    QLabel* Image1;
    platform::Timer Timer1{this, 15000};

    int Outline() const { return outline_; }

    void Form_Load();
    void Form_Unload();
    void Timer1_Timer();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    fuki2();

    int outline_ = 1;
    inline static QPointer<fuki2> open_;
};

#pragma once
// The main balloon: everything the character says in words appears here.
//
// The caller puts the text into speak.TalkText, and a clip into flag.VoicePath when there is
// one (empty for a line without voice), then opens the balloon. Opening places it by the character
// (balloon_layout.h), shows the text, plays the clip (play mode 1, the stage's MP3-end watch on)
// and starts the close timer that `fukiClose` asks for; no close timer runs while a clip or a MIDI
// song was already playing. It closes on its timer (unless flag.HoldBalloon keeps it while its clip
// plays), when its clip ends (the stage's MP3-end watch), on a left click unless it asks a
// question, and when another part closes it.
//
// A question: open the balloon, then show Command1 ("はい") and Command2 ("いいえ"). はい fetches
// the mail and shows the mail list; いいえ puts the character back in her base pose. Every opening,
// also of an open balloon, starts with the buttons hidden.
//
// Closing stops the clip and the MIDI song, gives the stage back (Stage::GiveBackStage)
// and deletes the clips and temporary files the program wrote in its private temporary folder;
// nothing elsewhere is touched. While the program exits (play mode 3) closing ends the program.
//
// One balloon at a time: Open() on an open balloon says the new line in it (placed, timed and
// voiced anew). Without a character window it stands as if she were at (0, 0) and calls nothing on
// her. GUI thread only.
#include "balloon_window.h"
#include "platform/timer.h"

#include <QPushButton>

// Image1, Label1, Instance() and Unload() come with balloon::Window.
class fuki : public balloon::Window<fuki> {
    Q_OBJECT
public:
    // Opens the balloon with speak.TalkText and flag.VoicePath, or says them in the open one.
    static fuki* Open();
    // How many lines it has said (openings, also in the open balloon) since the program began.
    static unsigned Said() { return said_; }

    QPushButton* Command1; // はい
    QPushButton* Command2; // いいえ
    platform::Timer Timer1{this, 15000};

    // The outline and picture now used (1 to 4).
    int Outline() const { return outline_; }

    void Form_Load();
    void Form_Unload();
    void Timer1_Timer();
    // A press with the button bits (1 left, 2 right).
    void Form_MouseDown(int button);
    void Command1_Click();
    void Command2_Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    friend class balloon::Window<fuki>;
    fuki();
    void layOut(int labelTop, int buttonsTop);

    int outline_ = 1;
    inline static unsigned said_ = 0;
};

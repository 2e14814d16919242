#pragma once
// The module flag: the flags and counters that the character window, the talk and (later) mail
// share. Only the GUI thread touches them. Tests start from flag::state.reset().
#include <QString>
#include <QtGlobal>

namespace flag {

struct State {
    QString VoicePath;      // the clip the main balloon plays when it opens, or mp3.PlayVoice plays
    qint16 PlayMode = 0;    // who started the clip now playing: 0 none, 1 balloon, 2 voice, 3 exiting
    qint16 StartupDone = 0; // 1 once the greeting is up and the battery watch runs
    qint16 BalloonOpen = 0; // 1 while a balloon window is open
    qint32 FukiShown = 0;   // 1 once the main balloon was shown; cleared by the press handler
    qint16 HoldBalloon = 0; // 1 = the main balloon stays open while its clip plays
    qint16 IdleCount = 0;   // +1 every 3 s, 0 after user activity
    QString PowerState;     // "1" on mains power, "2" on battery
    QString TopMost;        // "1" always on top, "0" not; saved as `temae`
    qint16 MailBusy = 0;    // a mail check or download runs
    qint16 ManualCheck = 0; // the check was started from the menu
    qint16 NewMail = 0;     // number of waiting messages
    qint16 MailAbort = 0;   // an account's download failed
    qint16 Exiting = 0;     // 1 from the first step of the exit on
    qint16 DanceHalf = 0;   // which half of their cycle the dances play next
    qint16 FlowerShown = 0; // 1 once the flower of the day was shown in this run
    QString MidiPath;       // the dropped MIDI song the device "ATYPE" plays
    QString DbPath;         // the dialogue database file being opened (the program folder's copy)

    // Back to a program's first moment.
    void reset() { *this = State{}; }
};

inline State state;

} // namespace flag

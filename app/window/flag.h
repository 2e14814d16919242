#pragma once
// Module-level state that the subsystems of the program share. Only the GUI thread touches it.
#include <QString>
#include <QtGlobal>

namespace flag {

inline QString VoicePath;      // the clip the main balloon plays when it opens, or mp3.PlayVoice plays
inline qint16 PlayMode = 0;    // who started the clip now playing: 0 none, 1 balloon, 2 voice, 3 exiting
inline qint16 StartupDone = 0; // 1 once the greeting is up and the battery watch runs
inline qint16 BalloonOpen = 0; // 1 while a balloon window is open
inline qint32 FukiShown = 0;   // 1 once the main balloon was shown; cleared by the press handler
inline qint16 HoldBalloon = 0; // 1 = the main balloon stays open while its clip plays
inline qint16 IdleCount = 0;   // +1 every 3 s, 0 after user activity
inline QString PowerState;     // "1" on mains power, "2" on battery
inline QString TopMost;        // "1" always on top, "0" not; saved as `temae`
inline qint16 MailBusy = 0;    // a mail check or download runs
inline qint16 ManualCheck = 0; // the check was started from the menu
inline qint16 NewMail = 0;     // number of waiting messages
inline qint16 MailAbort = 0;   // an account's download failed
inline qint16 MusicPlaying = 0;
inline qint16 Exiting = 0;     // 1 from the first step of the exit on
inline qint16 DanceHalf = 0;   // which half of their cycle the dances play next
inline qint16 FlowerShown = 0; // 1 once the flower of the day was shown in this run
inline QString DbPath;         // the dialogue database file being opened (the program folder's copy)

} // namespace flag

namespace Module1 {
// File patterns being deleted, always inside the program's private temporary folder.
inline QString CleanPath1, CleanPath2, CleanPath3;
} // namespace Module1

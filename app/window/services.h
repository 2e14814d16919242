#pragma once
// What the character window asks of the other subsystems: talk and voice, mail, the SSTP control
// and the other windows (the dial-up connection is her own RasSample, VBRas32.h). Each interface's
// own implementation does nothing (as on a PC without that part); the subsystems install theirs at
// start-up through services::install(). Every call is made on the GUI thread.
#include <QString>
#include <functional>
#include <memory>

class QMimeData;
class QObject;
class QWidget;

namespace services {

// Talk, balloons and voice.
class Talk {
public:
    virtual ~Talk() = default;
    // The greeting of start-up: copies its clip to the temporary folder and gives its two lines
    // (first run: the welcome clip only). The clip's path goes to Module1.VoiceFile.
    struct Greeting {
        QString line1, line2, clip;
    };
    virtual Greeting LoadGreeting(bool firstRun, int row) { (void)firstRun, (void)row; return {}; }
    // The hourly chime's row: copies its clip, gives its text (WORD1 CR LF WORD2) and clip path.
    struct Chime {
        QString text, clip;
    };
    virtual Chime LoadChime(int hour) { (void)hour; return {}; }
    virtual void ShowFuki() {}   // shows speak.TalkText, plays flag.VoicePath (play mode 1)
    virtual void CloseFuki() {}
    virtual bool FukiOpen() const { return false; }
    virtual bool FukiAsks() const { return false; } // its yes button is visible
    // Counts the lines the main balloon has said: a change tells that she spoke meanwhile.
    virtual unsigned FukiSaid() const { return 0; }
    // Runs then from the event loop once the main balloon open now has closed (at once from the
    // loop when none is open), unless context is gone by then.
    virtual void WhenFukiClosed(QObject* context, std::function<void()> then) { (void)context, (void)then; }
    // Replaces the text of the open main balloon, without placing or voicing it anew.
    virtual void SetFukiText(const QString& text) { (void)text; }
    // Makes the open main balloon ask: "はい" and "いいえ" shown.
    virtual void AskFuki() {}
    virtual bool Fuki2Open() const { return false; }
    virtual void CloseFuki2() {}
    virtual void CloseFuki3() {}
    // Writes the `common` clip of speak.VoiceId to commonVoicePath(speak.VoiceId).
    virtual void PlayCommonVoice() {}
    virtual void PlayVoice() {}       // plays flag.VoicePath without a balloon (play mode 2)
    virtual void RandomTalk() {}
    virtual void FarewellTalk() {}
    virtual void ShowEditor() {}      // the talk-table editor
    // The MP3 library.
    virtual void vbmp3_init() {}
    virtual int vbmp3_getState() { return 0; } // 0 stopped, otherwise playing or paused
    virtual void vbmp3_close() {}
    virtual void vbmp3_free() {}
    // The MIDI device's mode ("stopped", "playing", …) by its alias.
    virtual QString MciStatusMode(const QString& alias) { (void)alias; return {}; }
};

// Mail and connection.
class Mail {
public:
    virtual ~Mail() = default;
    virtual void CheckMail() {}
    virtual void ShowCheckSummary() {}
    virtual void DownloadAllMail() {}
    virtual void ShowMailList() {}   // maillook
    virtual void SetSntpConnect() {} // sets the clock once, says the outcome
    virtual void Cancel() {}         // the exit: ends a transfer in progress soon
};

// The SSTP control `nh`: no server until the control is installed.
class Sstp {
public:
    virtual ~Sstp() = default;
    virtual int Sakura() { return 0; }
    virtual int Send(const QString& script, int option) { (void)script, (void)option; return 0; }
};

// The other windows of the program.
class Windows {
public:
    virtual ~Windows() = default;
    // パルク: shown (loaded first, his chores run before it returns); closed with his balloon, at
    // once or once his running chore has returned.
    virtual void ShowPalk() {}
    virtual void UnloadPalk() {}
    // When his balloon stands with a refusal of his (why his chore did not run): closes him with
    // his balloon once it has been shown its time or pressed away, and says true; else false.
    virtual bool UnloadPalkAfterRefusal() { return false; }
    // Whether a chore of his runs: the program's end waits for it.
    virtual bool PalkBusy() const { return false; }
    virtual void ShowLauncher() {}
    virtual void ShowHeadlines() {}
    virtual void ShowSettings() {}
};

// What is dropped on her (files from the file manager, or anything else): the drop handler.
class Drops {
public:
    virtual ~Drops() = default;
    virtual void Dropped(const QMimeData& data) { (void)data; }
    // Whether a drop is being handled (she melts): another one now is refused.
    virtual bool Busy() const { return false; }
};

// Where PlayCommonVoice writes the clip of a `common` id: the temporary folder's temp<id>.mp3.
QString commonVoicePath(const QString& id);

Talk& talk();
Mail& mail();
Sstp& sstp();
Windows& windows();
Drops& drops();

void install(std::unique_ptr<Talk> implementation);
void install(std::unique_ptr<Mail> implementation);
void install(std::unique_ptr<Sstp> implementation);
void install(std::unique_ptr<Windows> implementation);
void install(std::unique_ptr<Drops> implementation);
// Puts every service back to its do-nothing implementation (for tests).
void reset();

} // namespace services

#pragma once
// The stage: what the other parts of the program may do to the character window, and no more. The
// balloons, the talk and the media code reach her through it, and so will mail, palk, the launcher,
// the drop handler and the settings dialog; her controls (Timer1 to Timer13, Image1 to Image4,
// Label1, the menu) stay the window's own.
//
// Taking the stage: a handler that animates or talks first stops the watches that would draw over
// it or start a mail check (always the idle blinking and the idle watch, often the battery watch
// and the mail arming) and hides the overlays of her sign board, then shows its poses, and leaves
// the return to rest to GiveBackStage(), most often called when the main balloon closes. Giving the
// stage back stops the media watches, the low-battery blinking and the clock animation, starts the
// mail arming and check, hides the percentage and, unless the new-mail sign is swapping, starts the
// battery, blinking and idle watches, takes the board down and puts her in her base pose.
//
// A pose is an outline builder and a store picture: the window takes the outline first, then the
// picture.
//
// The program's one character window is installed at start-up (Install); without one (a program
// or a test without her) Current() is null and callers go on as if she were not there. GUI thread
// only.
#include "picture_stores.h"

#include <QFlags>
#include <QPoint>

class QWidget;

class Stage {
public:
    // The watches (the window's timers) that other parts may start or stop.
    enum Watch : unsigned {
        Battery = 1u << 0,         // the battery watch, every 100 ms
        Blink = 1u << 1,           // idle blinking, every 3.5 s
        LowBatteryBlink = 1u << 2, // the low-battery blinking, every 3.5 s
        Idle = 1u << 3,            // idle and sleep, every 3 s
        MidiEnd = 1u << 4,         // watches a MIDI song to its end, every 200 ms
        Mp3End = 1u << 5,          // watches an MP3 clip to its end and acts on the play mode, every 500 ms
        MailArming = 1u << 6,      // arms the periodic mail check, every 100 ms
        MailCheck = 1u << 7,       // the periodic mail check, every minute while armed
        SignSwap = 1u << 8,        // swaps her two pictures while the new-mail sign is up, every 5 s
        BusyAnimation = 1u << 9,   // her busy animation while mail is fetched or the clock set, 60 ms
        // The four dances, every 100 ms: each tick plays half a cycle of the dance's frames while
        // the song's end watch (Mp3End) runs, and puts her in her base pose once it has stopped.
        // A song starts one of them once it plays: Start(Stage::Dance(n)), n = 1 to 4. Giving the
        // stage back and the end of the song stop all four.
        Dance1 = 1u << 10,
        Dance2 = 1u << 11,
        Dance3 = 1u << 12,
        Dance4 = 1u << 13,
    };
    Q_DECLARE_FLAGS(Watches, Watch)
    // The idle watches, which every handler that takes the stage stops.
    static constexpr Watches kIdle = Watches(Blink) | Idle;
    // Everything that draws on her or checks mail while she is busy with a longer act.
    static constexpr Watches kBusy = kIdle | Battery | MailArming | MailCheck | SignSwap;

    // The watch of dance 1 to 4.
    static constexpr Watch Dance(int which) { return Watch(Dance1 << (which - 1)); }
    static constexpr Watches kDances = Watches(Dance1) | Dance2 | Dance3 | Dance4;

    // The overlays of her sign board.
    enum Overlay : unsigned {
        SignBoard = 1u << 0,      // the board's picture: battery gauge, start-up board, new-mail sign
        MailCount = 1u << 1,      // the two digits of the mail count
        BatteryPercent = 1u << 2, // the battery percentage
    };
    Q_DECLARE_FLAGS(Overlays, Overlay)

    // The menu items that other parts show or hide, by their menu names.
    enum class Item { again, mail_look, shutdown, getto, mail_sub_cut };

    using Shape = void (*)(QWidget*);

    virtual ~Stage() = default;

    virtual void TakeStage(Watches stop, Overlays hide) = 0;
    virtual void GiveBackStage() = 0;
    // While held (a manual mail check, from its first pose to its last words), giving the stage
    // back waits for the holder's end, and the end of a balloon's clip starts no idle blinking:
    // a balloon that closes meanwhile does not put her to rest under the holder's poses. Holds
    // count; the last release gives the stage back if that was asked, unless a balloon is open
    // (its own close gives it back then).
    virtual void HoldStage(bool hold) { (void)hold; }
    // Holds the stage for a scope; release() and take() let the holder give it back itself.
    class Hold {
    public:
        explicit Hold(Stage* stage) : stage_(stage) { take(); }
        ~Hold() { release(); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        void take() {
            if (stage_ && !held_)
                stage_->HoldStage(held_ = true);
        }
        void release() {
            if (stage_ && held_)
                stage_->HoldStage(held_ = false);
        }

    private:
        Stage* stage_;
        bool held_ = false;
    };

    virtual void Start(Watches watches) = 0;
    virtual void Stop(Watches watches) = 0;
    virtual bool Running(Watch watch) const = 0;
    // Runs the MP3-end watch's check at once: a balloon that has just stopped its clip does not
    // wait for the next tick (while the program exits, that check ends it).
    virtual void CheckMp3End() = 0;

    virtual void ShowPose(Shape shape, const stores::Picture& picture) = 0;
    // Changes her picture, keeping the outline (a blink).
    virtual void ShowPicture(const stores::Picture& picture) = 0;
    // The store picture she shows.
    virtual stores::Picture Shown() const = 0;

    // Puts a picture on the sign board and shows the board.
    virtual void ShowSign(const stores::Picture& picture) = 0;
    // The picture on the board while the board is up, else a Picture with no name.
    virtual stores::Picture Sign() const = 0;
    virtual void Hide(Overlays overlays) = 0;

    virtual void ShowItem(Item item, bool shown) = 0;
    // Whether the menu item is shown (getto shown: the program counts as online).
    virtual bool ItemShown(Item item) const { (void)item; return false; }
    // Whether a checkable menu item carries its mark (mail_sub_cut: periodic checking paused).
    virtual bool ItemChecked(Item item) const { (void)item; return false; }

    // The two digits of the mail count beside the sign board, shown.
    virtual void ShowMailCount(const stores::Picture& tens, const stores::Picture& ones) { (void)tens, (void)ones; }
    // The tray icon's tip and her own tooltip.
    virtual void SetTrayTip(const QString& tip) { (void)tip; }
    virtual void SetToolTip(const QString& text) { (void)text; }

    // Her window's top-left corner on the screen (where the balloons stand).
    virtual QPoint Corner() const = 0;

    // The program's character window, or null.
    static Stage* Current();
    static void Install(Stage* stage);
};

Q_DECLARE_OPERATORS_FOR_FLAGS(Stage::Watches)
Q_DECLARE_OPERATORS_FOR_FLAGS(Stage::Overlays)

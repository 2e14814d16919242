#pragma once
// パルク, her companion drone: the palk window. A borderless 75 x 100 window cut to the outline of
// his picture (RgnCall4.ShapePalk), standing 90 pixels right of her window's corner and 105 above
// it. He blinks now and then and, when `fuwafuwa` was "1" as he was loaded, floats three pixels
// down and back. A left press drags him as it drags her (app/window/press_drag.h) and, when the
// press ends, dragged or not, closes his balloon fuki3; a right press opens his menu.
//
// He does the network chores on his own (palk_chores.cpp), each telling its steps in fuki3: Show()
// loads him and runs chksys before it returns, and his menu runs them again ("再更新　　") or one by
// one. One chore at a time: while one runs, the chore items do nothing, and an unload (his menu's
// "パルクを閉じる", her AutoEnd, the program's end) waits until it has returned. An item chosen
// inside a pause (his blink, a step of a chore) runs once that pause has returned (pace::whenFree),
// never inside it. When the headline chore cannot run, he says why once the chore has ended and
// closed its balloon; that balloon then closes after the main balloon's close time
// (RefusalShownMs), unless it is pressed first or he says something else meanwhile; her AutoEnd
// then closes him only with it (UnloadAfterRefusal), so the refusal is read.
//
// One window at a time: Show() loads it on first use (a loaded one is only shown), Unload() closes
// it, and the next Show() loads it anew beside her new place. GUI thread only.
#include "app/dialup/VBRas32.h"
#include "app/window/companion.h"
#include "app/window/press_drag.h"
#include "platform/timer.h"

#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class fuki3;

class palk : public QWidget {
    Q_OBJECT
public:
    // The window, shown; loaded first (its chores run) when it was not.
    static palk* Show();
    // The loaded window, or null.
    static palk* Instance() { return open_; }
    // What goes with the window when it is unloaded.
    enum class Balloon { stays, goes };
    // Closes the window when it is loaded, and fuki3 with it when told: at once, or once the chore
    // that runs has returned. While the program ends, the chore is asked to end soon.
    static void Unload(Balloon balloon = Balloon::stays);
    // While fuki3 stands with a refusal of his: closes the window and the balloon once the refusal
    // has been shown its time (RefusalShownMs) or its balloon was pressed away, and says true.
    // Otherwise does nothing and says false.
    static bool UnloadAfterRefusal();
    // Whether a chore runs in the loaded window.
    static bool Busy() { return open_ && open_->chores_ > 0; }

    static constexpr int kWidth = 75, kHeight = 100;
    // Where he stands from her window's corner.
    static constexpr int kFromHerLeft = 90, kFromHerTop = -105;
    // Failed dials after which a failure is said and no more redials are made.
    static constexpr int kDialTries = 5;
    static constexpr int kRedialPauseMs = 500;
    // How long a refusal of the headline chore stays: the main balloon's close time (fukiClose 1, 2,
    // 3: 5, 10, 15 s); where that balloon never closes on its own (0, empty, any other value) a
    // refusal would stay over him for good, so it gets kRefusalFallbackMs, the shortest time the
    // user can choose.
    static int RefusalShownMs();
    static constexpr int kRefusalFallbackMs = 5000;

    // Controls, named as the window's design names them.
    QLabel* Image1;
    platform::Timer Timer1{this, 180, true};   // floating
    platform::Timer Timer2{this, 3000, false}; // never used
    platform::Timer Timer3{this, 3000, true};  // blinking; each blink sets the next interval
    QMenu* migi_Pop = nullptr;                 // the menu of the last showing
    VBRas32* RasSample = nullptr;              // the dial-up object of the last chksys

    // The chore keys, read as he was loaded.
    QString NetAutoConnect, HedAutoRev, TimeUpdate, MailAutoRev, AutoEndKey, proxy;
    // The dial-up entry of the last chksys (net_entry row 1; all three empty when one is Null).
    QString ConnectionEntry, ConnectionUser, ConnectionPassword;
    // Failed dials in the window's life; never reset.
    int RedialCount = 0;
    // The site of the headline pass that runs.
    QString SiteName;

    void Form_Load();
    void Form_Unload();

    // Builds a fresh menu, and shows it at the global position when asked.
    void ShowPopupMenu(QPoint globalPos, bool show);
    // A menu item by its key (the item's data): "ReRun", "hed_check", "SetSntpConnect", "get_mail"
    // run their chore unless one runs; "end_palk" closes the window (the balloon stays); anything
    // else does nothing.
    void migi_Pop_Click(const QString& key);
    // The item chosen in his menu: nothing when it is a chore item and a chore runs; else
    // migi_Pop_Click once no pause is on the stack, while the window is still loaded.
    void migi_Pop_Chosen(const QString& key);

    // A press with its buttons (1 left, 2 right) at the global position.
    void Form_MouseDown(int button, QPoint globalPos);
    void Timer1_Timer();
    void Timer3_Timer();
    // Closes fuki3 and the window when AutoEnd was "1" as he was loaded.
    void AutoEnd();

    // The chores (palk_chores.cpp).
    //
    // Online (the entry connected, or `proxy` "1"): the headlines when HedAutoRev, the clock when
    // TimeUpdate, the mail when MailAutoRev, in this order, then the balloon closes. Offline: dials
    // when NetAutoConnect, else says so. A new RasSample each run.
    void chksys();
    // Dials the entry until it connects or kDialTries dials in the window's life have failed,
    // kRedialPauseMs apart; says "ネットワーク接続中" before each dial and the last failure's text.
    // Once the tries are spent, a later run dials once and says its failure at once.
    void net_connect();
    void RasSample_ConnectComplete();
    void RasSample_ConnectError(qint32 code);
    // Every headline site and the anime schedule, each step told; the hand-off files go after.
    void HeadlineChore();
    // Sets the clock by SNTP (`sntpTXT`, or the default server), or from the time page when
    // `HttpTime` is "1" (HttpTimeGet), and says whether it was set.
    void SetSntpConnect();
    void HttpTimeGet();
    // Checks the mail (as her timed check does) when account 1 is complete; nothing while a mail
    // check or download runs.
    void get_mail();

    // The floating phase, 0 to 6: the step the next tick takes.
    int Phase() const { return float_.Phase(); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    palk();
    // The balloon, loaded beside him when it is not.
    fuki3* balloon();
    // Sets the balloon's text and shows it; a refusal's pending close is forgotten.
    void say(const QString& text);
    // Sets the balloon's text without showing it; a refusal's pending close is forgotten.
    void write(const QString& text);
    // Says the refusal of the chore that has ended, for RefusalShownMs.
    void sayRefusal();
    void forgetBalloonClose();
    // Says whether the clock was set.
    void sayClock(bool set);
    // Runs a step of a chore; a step that fails is said on standard error and the next one runs.
    static void pass(const char* name, const std::function<void()>& step);
    // Closes the window now.
    void finishUnload();

    // Counts the chores that run; the last to return performs an unload asked meanwhile.
    class ChoreScope {
    public:
        explicit ChoreScope(palk& window);
        ~ChoreScope();
        ChoreScope(const ChoreScope&) = delete;
        ChoreScope& operator=(const ChoreScope&) = delete;

    private:
        palk& window_;
    };

    PressDrag drag_{this};
    companion::Float float_;
    int chores_ = 0;
    std::optional<Balloon> unloadAsked_;
    std::optional<qint32> dialFailure_;      // the failure of the dial that just ended
    QString refusal_;                        // why the headline chore did not run, said as the chore ends
    QPointer<platform::Timer> balloonClose_; // closes a refusal's balloon; the balloon's own child

    inline static QPointer<palk> open_;
};

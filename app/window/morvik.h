#pragma once
// The character window: 150 x 170, borderless, cut to the outline of the picture it shows, and the
// scheduler of the whole program (its timers), its popup menu and its mouse handling.
//
// Image1 shows the character's picture (170 x 170, its upper-left pixel at the window's corner);
// Image2 is the battery-gauge and new-mail picture box that carries the tooltip; Image3 and Image4
// are further overlays; Label1 shows the battery percentage.
#include "app/dialup/VBRas32.h"
#include "picture_stores.h"
#include "platform/single_instance.h"
#include "platform/system_folder.h"
#include "platform/timer.h"
#include "platform/widgets/subclass.h"
#include "press_drag.h"
#include "stage.h"

#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

// The window is the program's stage (stage.h): what other parts may do to her goes through it.
class morvik : public QWidget, public Stage {
    Q_OBJECT
public:
    explicit morvik(QWidget* parent = nullptr);
    ~morvik() override;

    // Controls, named as the window's design names them.
    QLabel* Image1;
    QLabel* Image2;
    QLabel* Image3;
    QLabel* Image4;
    QLabel* Label1;
    QPixmap Picture1; // the program's 32 x 32 icon, used by the tray

    platform::Timer Timer1{this, 100}, Timer2{this, 3500}, Timer3{this, 3500}, Timer5{this, 3000},
        Timer6{this, 200}, Timer7{this, 500}, Timer8{this, 60}, Timer9{this, 100},
        Timer10{this, 0, true}, Timer11{this, 5000}, Timer12{this, 1000}, Timer13{this, 100, true},
        net_check{this, 100}, dance_check{this, 100}, Dance_check2{this, 100}, Dance_check3{this, 100},
        Dance_check4{this, 100};

    // The popup menu and its items.
    QMenu* settei;
    QAction *getto, *again, *mail_look, *mail_sub_cut, *TimeSet, *line3, *open_palk, *open_vens,
        *open_dwim, *line2, *temae, *net_connect, *net_cut, *headls, *mailset, *help, *dokoitu, *vis,
        *not_vis, *line, *shutdown, *end;

    clsSystemFolder SystemFolder;
    // The dial-up object, made by the start-up right after her first picture (or by its first use
    // before that) and kept until the window goes: making it lists NetworkManager's profiles over
    // the system bus, which must not delay her appearing.
    VBRas32* RasSample = nullptr;
    std::unique_ptr<CSubclass> clsSubclass;

    // The window's place from the settings (x from `top`, y from `left`); on the first run (no
    // `top`) centred on a screen of the given size. Nothing when the stored values are not numbers.
    struct Placement {
        std::optional<QPoint> position;
        bool firstRun = false;
    };
    static Placement PlaceFor(const QString& top, const QString& left, QSize screen);
    // Moves the window to its saved place (or centres it on the first run); true on the first run.
    bool PlaceAtSavedPosition();
    // Writes the window's rectangle (`top` = left edge, `left` = top edge, `right`, `bottom`) and
    // `temae`.
    void SavePosition();

    // The greeting row of the hour: 100 when `kido` is "1", else the hour.
    static int GreetingRow(const QString& kido, int hour) { return kido == QStringLiteral("1") ? 100 : hour; }
    // The greeting's text: the row's first line, how she calls her master, CR LF, the second line.
    static QString GreetingText(const QString& line1, const QString& masterName, const QString& line2);
    // The name of the lock that keeps this program to one instance per user (tests change it).
    inline static QString InstanceName = QStringLiteral("morvik");

    // The start-up: everything from the window's load to the running character. Returns false
    // when another instance runs (the program then ends at once).
    bool Form_Load();
    // After the event loop has ended, however she was ended: what 終了 cleans up, cleaned up.
    void CleanUpAtEnd();
    void wait_ten();
    // Brings the character back to rest.
    void reset_timer();
    // Shows the battery gauge for the current charge (or for the percentage just read).
    void kanban();
    void kanban(int percent);
    // The gauge picture for a battery percentage: ImageList2 item 1 to 10, or 0 (leave the gauge).
    static int GaugeItem(int percent);

    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void Timer5_Timer();
    void Timer6_Timer();
    void Timer7_Timer();
    void Timer8_Timer();
    void Timer9_Timer();
    void Timer10_Timer();
    void Timer11_Timer();
    void Timer12_Timer();
    void Timer13_Timer();
    // The dial-up watch: shows the connect or the disconnect item, and the items that need the
    // network, by the connection of the dial-up entry (or all of them on a LAN).
    void net_check_Timer();
    // The four dances' ticks: each plays the next half of its dance (flag.DanceHalf), or only one
    // frame and the base pose when the song's end watcher Timer7 is off.
    void dance_check_Timer();
    void Dance_check2_Timer();
    void Dance_check3_Timer();
    void Dance_check4_Timer();

    // Mouse, as the window's events: the press with its buttons (1 left, 2 right), the double-click,
    // and the tray icon's mouse message.
    void Form_MouseDown(int button, QPoint globalPos);
    void Image1_MouseDown(int button, QPoint globalPos);
    void Form_DblClick();
    void Picture1_MouseMove(int message);

    void getto_Click();
    void again_Click();
    void mail_look_Click();
    void mail_sub_cut_Click();
    void TimeSet_Click();
    void temae_Click();
    void open_palk_Click();
    void open_vens_Click();
    void headls_Click();
    void mailset_Click();
    void dokoitu_Click();
    void help_Click();
    void vis_Click();
    void not_vis_Click();
    void end_Click();
    void shutdown_Click();
    // Dialling and hanging up the dial-up entry, and her answers to the dial's outcome.
    void net_connect_Click();
    void net_cut_Click();
    void RasSample_ConnectComplete();
    void RasSample_ConnectError(qint32& code);

    // The store picture in the gauge box Image2 (also while it is hidden).
    stores::Picture Gauge() const { return stores::Shown(Image2); }
    // Puts a store picture into the gauge box Image2 and shows it (the battery gauge, the start-up
    // board, the new-mail sign gra3.ImageList2(13)).
    void ShowImage2(const stores::Picture& picture);

    // The stage (stage.h). Shown() and ShowPicture() are Image1's picture.
    void TakeStage(Watches stop, Overlays hide) override;
    void GiveBackStage() override;
    void HoldStage(bool hold) override;
    void Start(Watches watches) override;
    void Stop(Watches watches) override;
    bool Running(Watch watch) const override;
    void CheckMp3End() override { Timer7_Timer(); }
    void ShowPose(Shape shape, const stores::Picture& picture) override { frame(shape, picture); }
    void ShowPicture(const stores::Picture& picture) override;
    stores::Picture Shown() const override { return stores::Shown(Image1); }
    void ShowSign(const stores::Picture& picture) override { ShowImage2(picture); }
    stores::Picture Sign() const override;
    void Hide(Overlays overlays) override;
    void ShowItem(Item item, bool shown) override;
    bool ItemChecked(Item item) const override;
    bool ItemShown(Item item) const override;
    void ShowMailCount(const stores::Picture& tens, const stores::Picture& ones) override;
    void SetTrayTip(const QString& tip) override;
    void SetToolTip(const QString& text) override;
    QPoint Corner() const override { return frameGeometry().topLeft(); }

    // The longest the farewell may take before the program ends anyway (tests shorten it).
    static constexpr int kDefaultFarewellLimitMs = 30000;
    inline static int FarewellLimitMs = kDefaultFarewellLimitMs;

    // The message box of the program (replaced by tests).
    inline static std::function<void(const QString&)> MessageBox;
    // How the program ends (replaced by tests).
    inline static std::function<void()> EndProgram;
    // How often the end looks again whether パルク's chore has returned.
    static constexpr int PalkWaitMs = 50;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // A frame of an animation: the outline, then the picture (when given), then, when a pause is
    // given, a yield and the pause.
    void frame(Shape shape, std::optional<stores::Picture> picture, std::optional<int> pause = {});
    // The menu item a stage item names.
    QAction* itemAction(Item item) const;
    // Says the `common` clip id without a balloon.
    void voice(const QString& id);
    // One tick of dance 1 to 4.
    void danceTick(int which);
    // Says a line with the `common` clip id in the main balloon.
    void say(const QString& id, const QString& text);
    void buildMenu();
    // What a command of the user does to her words: a command that speaks, or closes her balloon,
    // replaces them; her farewell does too, but waits for them, since an exit is never lost.
    enum class Words { kept, replaced, waitedFor };
    // A command of the user: judged by its guard as it is given, and dropped when the guard refuses
    // it. Given while a sequence of hers runs, it is carried out once the sequence is over, its guard
    // judged again; one that would replace her words is dropped when she has said something
    // meanwhile that still stands (a check's offer, an unpack's result, a failure), and one that
    // waits for them is given again once that balloon has closed.
    void give(std::function<bool()> allowed, std::function<void()> command, Words words);
    // The guards of the commands, as their handlers judge them: talk on a double-click once the
    // start-up is over and no check runs; a mail command while no check or download runs; a dial-up
    // command while no dial or hang-up of hers runs.
    bool talkAllowed() const;
    bool mailFree() const;
    bool dialUpFree() const;
    void popup(QPoint globalPos);
    void finishExit();
    // The program's own temporary files: the mail cache, fetched messages, clips.
    void deleteOwnTemporaryFiles();
    // Ends the program once パルク has closed: his running chore returns first.
    void endAfterPalk();
    // Whether the PC counts as online at start-up (a LAN, or the dial-up entry connected); shows the
    // connect or the disconnect item.
    bool online();
    // The dial-up entry of the settings database: all three empty when the row is not complete or
    // the database cannot be read.
    struct DialUpEntry {
        QString name, user, password;
    };
    static DialUpEntry dialUpEntry();
    // Whether the dial-up entry is connected (from the dial-up object's cache; no bus call).
    bool dialUpConnected();
    // Dial-up pose 0 to 7 (gra6), then the pause.
    void dialPose(int pose, int pauseMs);
    // Says a line without voice in the main balloon.
    void tell(const QString& text);
    VBRas32& dialUp(); // RasSample, made when missing
    void chime(int hour);
    void applyTopMost(const QString& value);
    bool newMailSignShown() const;
    // The end of a balloon's clip or tune starts the idle blinking again: not while the stage is
    // held, nor under the new-mail sign, whose swap keeps the blinking off.
    void idleAfterBalloon();

    std::unique_ptr<platform::SingleInstance> instance_;
    PressDrag drag_{this}; // a left press drags her once the mouse moves
    qint64 lastChimedHour_ = -1; // the hour (days * 24 + hour) whose chime was given
    bool exitFinished_ = false;
    int stageHeld_ = 0;
    bool giveBackAsked_ = false; // GiveBackStage() came while the stage was held
    bool placed_ = false; // the start-up has put her at her place
    bool dialUpBusy_ = false; // a connect or a disconnect of hers runs
    quint64 connectedAskedIn_ = 0; // the LookBatch moment of dialUpConnected()'s last answer
    bool connectedAnswer_ = false;
    bool connectedUnannounced_ = false; // whether that answer's look will announce no change
};

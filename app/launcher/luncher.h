#pragma once
// ヴェンス, the butler beside her: the launcher window. A borderless 72 x 100 window cut to the
// outline of his picture, placed at her left, 70 pixels left of her corner and 80 below it. He
// blinks now and then and, when `fuwafuwa` was "1" as he was loaded, bobs up and down. A right
// press opens his menu: every registered launcher entry (launcher_entries.h) with its program's
// icon, a separator and "ヴェンスを閉じる"; choosing an entry makes him say its voice and start its
// program (platform/desktop/program_start.h). A double-click starts the quick-launch entry. A left
// press that moves drags him, as it drags her (app/window/press_drag.h).
//
// He stands beside her window as the stage (app/window/stage.h) gives her corner; without her he
// stands as if she were at (0, 0). One window at a time: Show() loads it on first use, Unload()
// closes it, and the next Show() loads it anew beside her new place. GUI thread only.
#include "app/talk/clip_export.h"
#include "app/window/companion.h"
#include "app/window/press_drag.h"
#include "launcher_entries.h"
#include "platform/timer.h"

#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <vector>

class luncher : public QWidget {
    Q_OBJECT
public:
    // The window, shown; loaded first when it was not.
    static luncher* Show();
    // The loaded window, or null.
    static luncher* Instance() { return open_; }
    // Closes the window when it is loaded.
    static void Unload();

    static constexpr int kWidth = 72, kHeight = 100;

    // Controls, named as the window's design names them.
    QLabel* Image1;
    platform::Timer Timer1{this, 180, true};  // bobbing
    platform::Timer Timer2{this, 2000, true}; // blinking; each blink sets the next interval
    QMenu* migi_Pop2 = nullptr;               // the menu of the last showing

    // The voice id of the entry being started.
    QString ChosenVoice;

    void Form_Load();
    void Form_Unload();

    // Builds a fresh menu from the settings file, and shows it at the global position when asked.
    void ShowPopupMenu(QPoint globalPos, bool show);
    // A menu item by its key: "pop1" to "pop10" start the entry of slot 0 to 9 as the last showing
    // read it, "end_vens" closes the window, anything else does nothing.
    void migi_pop2_Click(const QString& key);
    // Says the voice and starts the program. A voice id without a clip of any length ("00", empty,
    // or no such row) plays nothing, and what was playing goes on. Once the program exits he stays
    // silent: his voice would take the place of her farewell.
    void Launch(const QString& voice, const QString& path);
    // Writes the clip of ChosenVoice (after deleting the older clips) to the temporary folder's
    // templun<id>.mp3; a voice without a clip leaves no file. The export's outcome.
    clip::ExportResult getlunVoice();

    // A press with its buttons (1 left, 2 right) at the global position.
    void Form_MouseDown(int button, QPoint globalPos);
    void Form_DblClick();

    void Timer1_Timer();
    void Timer2_Timer();

    // The bobbing phase, 0 to 6: the step the next tick takes.
    int Phase() const { return bob_.Phase(); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    luncher();

    PressDrag drag_{this};
    std::vector<launcher::Entry> shown_; // the entries of the last showing of the menu
    companion::Float bob_;

    inline static QPointer<luncher> open_;
};

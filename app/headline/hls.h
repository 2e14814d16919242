#pragma once
// The headline window "ヘッドライン": the shipped sites on the left (the table hedline, in id order),
// the stored headlines of the selected one on the right, the time they were stored below, and the
// buttons "フォント変更", "一括更新", "HP表示", "更新" and "閉じる".
//
// "更新" updates the selected site and "一括更新" every site through the headline engine
// (engine.h), which works on a thread of its own while the window keeps drawing; during an update
// the four update and close buttons are disabled, so no second update can start, and the progress
// window (hiCH for one site, sinCH for all) is up. Until the update has ended the site list keeps
// its row: no press, key or selection by the code picks another site (一括更新 itself moves it to
// each site whose pass ended), so the text shown and what HP表示 and 更新 act on afterwards are the
// updated site's. Both refuse while the program is offline (her
// menu item "メールを確認する", getto, hidden). What they have to say goes to her main balloon
// without a voice: while the balloon is up only its text changes, except that the two refusals and
// the last word of "一括更新" always open it. Why a site could not be updated stands in the status
// bar.
//
// "HP表示" opens the selected site's top page (its jump) with xdg-open, given as one argument with no
// shell; an address that is not http or https with a host is refused in the status bar.
//
// The window's size and the headline font are kept in the settings file: "閉じる" saves the inner
// size + 8 and + 27 as hlsWidth and hlsheight (in pixels), and the next load takes them off again; a
// value that is not a whole number, or larger than the screen, is ignored. "フォント変更" saves
// hlsFontName, hlsFontSize and hlsFontBold ("True" or "False"). The window is never narrower or
// lower than 4000 twips (1440 / logical dpi twips to the pixel).
//
// Closing the window cancels an update that runs. GUI thread only.
#include "engine.h"

#include <QFont>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class hiCH;
class sinCH;

class hls : public QWidget {
public:
    // Loads the window on its first use and shows it.
    static void Show();
    // The loaded window, or null.
    static hls* Instance();
    // Closes the window without saving its size (tests).
    static void Unload();
    // The program's end: closes the window and waits for its update to end, so that its runner is
    // stopped and what its passes stored is written before the program goes.
    static void End();

    // Design of the inner area, in pixels.
    static constexpr int kDesignWidth = 608, kDesignHeight = 433;
    // What the saved size adds to the inner size.
    static constexpr int kSavedExtraWidth = 8, kSavedExtraHeight = 27;
    // Twips to the pixel at a logical dpi: 15 at 96, 12 at 120.
    static int TwipsPerPixel(double logicalDpi);
    // The least outer width and height at that many twips to the pixel: 4000 twips.
    static int FloorPixels(int twipsPerPixel);

    // Whether HP表示 opens the address: http or https with a host.
    static bool Openable(const QString& address);
    // The font of the window's controls and of its progress windows.
    static QFont UiFont();
    // A progress window's label naming the site being updated, at the window's top. Two lines: a
    // long site name goes on in the second.
    static QLabel* SiteLabel(QWidget* window);
    // What that label says of the site.
    static QString Updating(const QString& site);

    // The font dialog of フォント変更: the chosen font, or the font it was given when cancelled.
    // Tests put a stand-in here; unset, QFontDialog asks.
    static std::function<QFont(const QFont& current, QWidget* parent)> ChooseFont;

    // What the progress windows read and set.
    qint16 stop_flag = 0;  // 1: the update of all sites was asked to stop
    qint16 site_count = 0; // the table's rows at the start of the update of all sites
    qint16 progress = 0;   // the passes of that update done, at most site_count
    QString site_name;     // the site its pass works on
    qint16 ver_flag = 0;

    QListWidget* list1 = nullptr;
    QWidget* Picture1 = nullptr; // the bar between list and text
    QPlainTextEdit* Text1 = nullptr;
    QLabel* Label1 = nullptr;        // "最終更新日時：" and the selected site's time
    QPushButton* Command1 = nullptr; // 更新
    QPushButton* Command2 = nullptr; // HP表示
    QPushButton* Command3 = nullptr; // 閉じる
    QPushButton* Command4 = nullptr; // 一括更新
    QPushButton* Command5 = nullptr; // フォント変更
    QStatusBar* StatusBar1 = nullptr;
    headline::Engine engine;

    // The progress window that is up, or null.
    hiCH* ProgressOne() const { return hiCH_; }
    sinCH* ProgressAll() const { return sinCH_; }

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void list1_MouseDown();

    // Shows a progress window over the middle of this one.
    void ShowProgress(QWidget* progress);
    // Enables or disables 更新, HP表示, 閉じる and 一括更新 together.
    void EnableButtons(bool enabled);
    // Unloads the progress window that is up.
    void UnloadProgress();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    hls();
    ~hls() override;
    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void updateMinimumSize();
    void loadSavedSize();
    void loadSavedFont();
    // Whether the program is online: her menu item getto is shown.
    static bool online();
    // A word in her main balloon, without a voice: only its text changes while it is up, unless
    // always, which opens it anew.
    static void say(const QString& text, bool always);
    void selectSite(qint64 id);
    // The site of the list's row; a failed read is said in the status bar.
    headline::Read<std::optional<headline::Site>> selectedSite();
    void passStarted(qint64 id, const QString& name);
    void passEnded(const headline::PassResult& pass);
    void finished(const headline::RunResult& run);
    // Whether an update holds the list's row (from its start until its end is told).
    bool updating() const;
    void holdSites(bool held);

    class SiteSelection;
    SiteSelection* selection_ = nullptr; // list1's selection, held while an update runs
    std::optional<sqlite_db::Connection> db_;
    hiCH* hiCH_ = nullptr;
    sinCH* sinCH_ = nullptr;
    bool updatingAll_ = false;
    QStringList notUpdated_; // the sites the update of all sites could not update
    // HP表示's last refusal in the status bar, which its next open clears (and nothing else).
    QString hpRefusal_;
};

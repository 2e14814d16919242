#pragma once
// The mail list window "メール確認ウィンドウ": the messages of the last download (mail_cache.h) in a
// list of subject, sender, date and account above a splitter bar, the body of the picked message
// below it (picked by either button or the keys; a press below the rows keeps the pick). The
// list's popup offers "返信する" (the compose window sendF, for the message on screen) and
// "サーバから削除する", which does nothing: nothing here deletes mail on a server.
//
// One window, loaded on its first Show() and filled from the cache; a Show() while it is loaded fills
// it afresh from the cache of the latest download. After an aborted download, or without a readable
// cache, it never shows: she says that the server was not reachable and the window unloads again.
// However the window is closed ("閉じる" or the close box), the program's own temporary mail files
// are deleted and her timers are given back. GUI thread only.
#include <QWidget>

class QAction;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;

class maillook : public QWidget {
public:
    // Loads (or fills again) and shows the window, unless the load ends on its failure path.
    static void Show();
    // The loaded window, or null.
    static maillook* Instance();
    // Unloads without the closing steps (the program's end, tests).
    static void Unload();

    // Twips of the design, 15 to the pixel.
    static constexpr int kTwipsPerPixel = 15;
    // The least outer width and height: 4000 twips.
    static constexpr int kFloorPixels = (4000 + kTwipsPerPixel - 1) / kTwipsPerPixel;
    static constexpr int kBarHeight = 4;

    QTreeWidget* ListView1 = nullptr;
    QWidget* Picture1 = nullptr; // the splitter bar
    QPlainTextEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr; // "閉じる"
    QStatusBar* StatusBar1 = nullptr;
    QMenu* sendto = nullptr; // "メール"
    QAction* resend = nullptr;
    QAction* delmail = nullptr;

    // True while a mouse button is held down on the splitter bar.
    bool Dragging = false;

    // Lays the three panes out again from the splitter bar's place.
    void Redraw();

    void Command1_Click();
    void ListView1_ItemClick(QTreeWidgetItem* item);
    void resend_Click();
    void Picture1_MouseDown();
    void Picture1_MouseMove(int y);
    void Picture1_MouseUp();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    maillook();
    ~maillook() override;
    // Fills the window from the cache; false when it took the failure path (the caller unloads).
    bool Form_Load();
    void Form_Resize();
    // The least inner size that keeps the outer size at the floor, given the window's frame.
    void updateMinimumSize();
};

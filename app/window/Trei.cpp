#include "Trei.h"

#include <QAbstractItemView>
#include <QSystemTrayIcon>
#include <QWidget>
#include <QWindow>
#include <cstdio>

namespace Trei {
namespace {

QPointer<QSystemTrayIcon> tray;
QPointer<QWidget> tipWindow;
bool toldNoTray = false;

} // namespace

int SetTopMostWindow(QWidget* window, int flag) {
    if ((flag != 0 && flag != 1) || !window)
        return 0;
    const bool on = flag == 1;
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != on) {
        // Changed in place: QWidget::setWindowFlag would hide the window and make its native window
        // anew, and the window manager would see her unmapped and mapped again. The native window
        // asks the window manager for the state instead (_NET_WM_STATE_ABOVE on X11).
        Qt::WindowFlags flags = window->windowFlags();
        flags.setFlag(Qt::WindowStaysOnTopHint, on);
        window->overrideWindowFlags(flags);
        if (QWindow* handle = window->windowHandle())
            handle->setFlags(flags);
    }
    window->show();
    if (on)
        window->raise();
    return 1;
}

int SetTopMost(int flag) { return SetTopMostWindow(MainWindow, flag); }
int SetTopMostFuki(int flag) { return SetTopMostWindow(Fuki, flag); }
int SetTopMostFuki2(int flag) { return SetTopMostWindow(Fuki2, flag); }

void TrayIcon(const QIcon& picture, const QString& tip, int operation) {
    if (operation == 2) {
        if (tray)
            tray->hide();
        delete tray;
        return;
    }
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        if (!toldNoTray)
            std::fputs("morvik: no system tray on this desktop; going on without the tray icon\n", stderr);
        toldNoTray = true;
        return;
    }
    if (operation == 0 && !tray) {
        tray = new QSystemTrayIcon();
        QObject::connect(tray, &QSystemTrayIcon::activated, [](QSystemTrayIcon::ActivationReason why) {
            if (!TrayCallback)
                return;
            // As the mouse messages of the tray callback: right or left button down, double-click.
            if (why == QSystemTrayIcon::Context)
                TrayCallback(516);
            else if (why == QSystemTrayIcon::Trigger)
                TrayCallback(513);
            else if (why == QSystemTrayIcon::DoubleClick)
                TrayCallback(515);
        });
    }
    if (!tray)
        return;
    tray->setIcon(picture);
    tray->setToolTip(tip);
    tray->show();
}

QSystemTrayIcon* Tray() { return tray; }

int SetListViewExStyle(QAbstractItemView* view, bool on, int bits) {
    if (!view)
        return 0;
    int style = view->selectionBehavior() == QAbstractItemView::SelectRows ? 0x20 : 0;
    if (on)
        style |= bits;
    if (style & 0x20)
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
    return style;
}

void CreateTip(QWidget* image2) {
    tipWindow = image2;
    if (!image2)
        return;
    image2->setToolTip(QString());
    // She is almost never the active window: the tip shows all the same.
    image2->window()->setAttribute(Qt::WA_AlwaysShowToolTips);
}

void SetTipText(const QString& text) {
    if (tipWindow)
        tipWindow->setToolTip(text);
}

void DestroyTip() {
    if (tipWindow)
        tipWindow->setToolTip(QString());
    tipWindow = nullptr;
}

bool TipExists() { return !tipWindow.isNull(); }

} // namespace Trei

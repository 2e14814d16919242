#pragma once
// Tells when a window's native window is destroyed by someone else (`xdotool windowclose`, a window
// manager's kill of the window rather than its close request): the X server sends DestroyNotify,
// and no close event ever comes. Qt's own re-creation of a native window is not taken for it: only
// the window the widget has now counts. Watches the X connection's events on the GUI thread; any
// other platform sends nothing.
#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace platform::widgets {

class WindowGone : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit WindowGone(QWidget* window);
    ~WindowGone() override;
    WindowGone(const WindowGone&) = delete;
    WindowGone& operator=(const WindowGone&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    // Once, from the event loop, after the window's native window was destroyed.
    void gone();

private:
    QPointer<QWidget> window_;
    bool said_ = false;
};

} // namespace platform::widgets

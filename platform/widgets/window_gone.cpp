#include "window_gone.h"

#include <QCoreApplication>
#include <QTimer>
#include <xcb/xproto.h>

namespace platform::widgets {

WindowGone::WindowGone(QWidget* window) : window_(window) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

WindowGone::~WindowGone() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool WindowGone::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (said_ || !window_ || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY)
        return false;
    const auto* destroyed = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
    // internalWinId(): the native window the widget has now, without making one.
    if (destroyed->window != window_->internalWinId() || destroyed->window == 0)
        return false;
    said_ = true;
    // Not from inside Qt's handling of the X connection's events.
    QTimer::singleShot(0, this, &WindowGone::gone);
    return false;
}

} // namespace platform::widgets

#include "input_gate.h"

#include "platform/pace.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QSet>
#include <QWidget>
#include <QWindow>

namespace platform::widgets::input_gate {
namespace {

class Gate : public QObject {
public:
    explicit Gate(QObject* parent) : QObject(parent) {}

    void waiting(bool on) {
        if (on) {
            modalAtStart_ = QApplication::activeModalWidget();
            QApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
            QApplication::restoreOverrideCursor();
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Every event of the program passes here: those that are no input cost one switch.
        switch (gated(event->type())) {
        case Gated::No:
            return false;
        case Gated::AtWindow:
            // The window system's mouse and key events reach a window first and then its widget
            // as a copy: they are judged once, at the window, where the presses are counted.
            if (!watched->isWindowType())
                return false;
            break;
        case Gated::Everywhere:
            break;
        }
        // A box that something opened while the wait runs (a message of what ticks meanwhile)
        // takes its answer: the wait cannot end before it is closed.
        const bool wait = pace::waiting() && !inNewModal(watched);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonDblClick: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (wait) {
                dropped_ |= mouse->button();
                return true;
            }
            buttons_ = mouse->buttons() & ~dropped_;
            return false;
        }
        case QEvent::MouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonRelease: {
            // A release belongs with its press: it goes where the press went, also across the
            // wait's end in either direction.
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const bool held = buttons_.testFlag(mouse->button());
            const bool pressDropped = dropped_.testFlag(mouse->button());
            buttons_ &= ~Qt::MouseButtons(mouse->button());
            dropped_ &= ~Qt::MouseButtons(mouse->button());
            return pressDropped || (wait && !held);
        }
        case QEvent::MouseMove:
        case QEvent::NonClientAreaMouseMove:
            // Moves with only a dropped press held are no drag.
            dropped_ &= static_cast<QMouseEvent*>(event)->buttons();
            if (dropped_ != Qt::NoButton && buttons_ == Qt::NoButton)
                return true;
            return wait && buttons_ == Qt::NoButton;
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
            if (wait)
                return true;
            if (event->type() == QEvent::KeyPress && !static_cast<QKeyEvent*>(event)->isAutoRepeat())
                keys_.insert(static_cast<QKeyEvent*>(event)->key());
            return false;
        case QEvent::KeyRelease: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (static_cast<QKeyEvent*>(event)->isAutoRepeat())
                return wait;
            const bool held = keys_.remove(key);
            return wait && !held;
        }
        default:
            // The wheel, a context menu, touch, a tablet, a drag and a drop: no state of their own.
            return wait;
        }
    }

private:
    enum class Gated { No, AtWindow, Everywhere };
    // Which events the gate judges, and where: the mouse's and the keys' at their window only.
    static Gated gated(QEvent::Type type) {
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::MouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::MouseMove:
        case QEvent::NonClientAreaMouseMove:
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
        case QEvent::KeyRelease:
            return Gated::AtWindow;
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return Gated::Everywhere;
        default:
            return Gated::No;
        }
    }

    bool inNewModal(QObject* watched) const {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == modalAtStart_)
            return false;
        if (watched->isWindowType())
            return watched == static_cast<QObject*>(modal->windowHandle());
        auto* widget = qobject_cast<QWidget*>(watched);
        return widget && (widget == modal || modal->isAncestorOf(widget));
    }

    QPointer<QWidget> modalAtStart_;
    Qt::MouseButtons buttons_;
    Qt::MouseButtons dropped_; // pressed while a wait ran: their releases are dropped too
    QSet<int> keys_;
};

Gate* installed = nullptr;

} // namespace

void install() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || installed)
        return;
    installed = new Gate(app);
    app->installEventFilter(installed);
    QObject::connect(app, &QObject::destroyed, [] { installed = nullptr; });
    pace::setWaitObserver([](bool on) {
        if (installed)
            installed->waiting(on);
    });
}

} // namespace platform::widgets::input_gate

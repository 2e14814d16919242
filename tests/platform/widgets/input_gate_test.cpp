// The input gate of the waits, fed the events the window system hands a window: while a wait runs,
// no kind of user input reaches the widget (a press or a double-click with its release, a key with
// its release, the wheel, a context menu, a drag and its drop, a shortcut); the same events given
// when nothing waits reach it, so the events do arrive at all. The gate judges only by an event's
// type, so a table of kinds holds it.
#include "platform/pace.h"
#include "platform/widgets/input_gate.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QShortcutEvent>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// A window that counts the user input it is given, by kind.
class Target : public QWidget {
public:
    Target() { setAcceptDrops(true); }
    std::vector<QEvent::Type> seen;

protected:
    bool event(QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::Shortcut:
            seen.push_back(event->type());
            event->accept();
            return true;
        default:
            return QWidget::event(event);
        }
    }
};

const QPointF kAt(20, 20);

std::unique_ptr<QEvent> mouse(QEvent::Type type) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    return std::make_unique<QMouseEvent>(type, kAt, kAt, kAt, Qt::LeftButton, held, Qt::NoModifier);
}

std::unique_ptr<QEvent> key(QEvent::Type type) {
    return std::make_unique<QKeyEvent>(type, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
}

struct Kind {
    const char* what;
    std::function<std::vector<std::unique_ptr<QEvent>>(QMimeData*)> events;
    bool atWidget = false; // given to the widget itself, as Qt hands it there, not to its window
};

std::vector<std::unique_ptr<QEvent>> list(std::unique_ptr<QEvent> a, std::unique_ptr<QEvent> b = nullptr,
                                          std::unique_ptr<QEvent> c = nullptr,
                                          std::unique_ptr<QEvent> d = nullptr) {
    std::vector<std::unique_ptr<QEvent>> events;
    for (auto* e : {&a, &b, &c, &d}) {
        if (*e)
            events.push_back(std::move(*e));
    }
    return events;
}

const std::vector<Kind>& kinds() {
    static const std::vector<Kind> table = {
        {"a click",
         [](QMimeData*) { return list(mouse(QEvent::MouseButtonPress), mouse(QEvent::MouseButtonRelease)); }},
        {"a double-click",
         [](QMimeData*) {
             return list(mouse(QEvent::MouseButtonPress), mouse(QEvent::MouseButtonRelease),
                         mouse(QEvent::MouseButtonDblClick), mouse(QEvent::MouseButtonRelease));
         }},
        {"a key", [](QMimeData*) { return list(key(QEvent::KeyPress), key(QEvent::KeyRelease)); }},
        {"the wheel",
         [](QMimeData*) {
             return list(std::make_unique<QWheelEvent>(kAt, kAt, QPoint(), QPoint(0, 120), Qt::NoButton,
                                                       Qt::NoModifier, Qt::NoScrollPhase, false));
         }},
        {"a context menu",
         [](QMimeData*) {
             return list(std::make_unique<QContextMenuEvent>(QContextMenuEvent::Mouse, kAt.toPoint()));
         },
         true},
        {"a drag and its drop",
         [](QMimeData* data) {
             const QPoint at = kAt.toPoint();
             return list(
                 std::make_unique<QDragEnterEvent>(at, Qt::CopyAction, data, Qt::NoButton, Qt::NoModifier),
                 std::make_unique<QDragMoveEvent>(at, Qt::CopyAction, data, Qt::NoButton, Qt::NoModifier),
                 std::make_unique<QDropEvent>(QPointF(at), Qt::CopyAction, data, Qt::NoButton,
                                              Qt::NoModifier));
         }},
        {"a shortcut",
         [](QMimeData*) {
             return list(std::make_unique<QShortcutEvent>(QKeySequence(Qt::CTRL | Qt::Key_Q), 1));
         },
         true},
    };
    return table;
}

class InputGate : public ::testing::Test {
protected:
    void SetUp() override {
        platform::widgets::input_gate::install();
        target.setGeometry(0, 0, 100, 100);
        target.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&target));
    }
    // Hands the kind's events to the window (or the widget) through the application, as the
    // window system's events come.
    void give(const Kind& kind) {
        QMimeData data;
        data.setText(QStringLiteral("dropped"));
        QObject* to = kind.atWidget ? static_cast<QObject*>(&target) : target.windowHandle();
        for (const std::unique_ptr<QEvent>& event : kind.events(&data))
            QCoreApplication::sendEvent(to, event.get());
    }

    Target target;
};

TEST_F(InputGate, NoKindOfInputReachesTheWindowWhileAWaitRunsAndEveryKindDoesOtherwise) {
    for (const Kind& kind : kinds()) {
        SCOPED_TRACE(kind.what);
        target.seen.clear();
        give(kind);
        ASSERT_FALSE(target.seen.empty()) << "the events never reach the window at all";

        target.seen.clear();
        bool given = false;
        QTimer::singleShot(20, [&] {
            given = platform::pace::waiting();
            give(kind);
        });
        platform::pace::hold(150);
        ASSERT_TRUE(given) << "no wait ran when the events came";
        EXPECT_TRUE(target.seen.empty()) << "reached the window during the wait: " << target.seen.size();

        // Nothing of it comes late either.
        QTest::qWait(50);
        EXPECT_TRUE(target.seen.empty());
    }
}

} // namespace

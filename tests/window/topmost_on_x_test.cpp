// Always-on-top on a real X server: the window keeps its native window while the setting changes
// (the window manager never sees her unmapped and mapped again), the change is asked of the window
// manager with _NET_WM_STATE, and clearing the setting does not raise her.
#include "app/window/Trei.h"

#include <QGuiApplication>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

namespace {

// A second client of the X server that watches what happens to the top-level windows, as a window
// manager would.
class Observer {
public:
    Observer() : c_(xcb_connect(nullptr, nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        // Substructure: the maps and unmaps of top-level windows; structure: the requests that
        // clients send to the window manager through the root window.
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
        sync();
    }
    ~Observer() { xcb_disconnect(c_); }
    Observer(const Observer&) = delete;
    Observer& operator=(const Observer&) = delete;

    bool ok() const { return !xcb_connection_has_error(c_); }

    xcb_atom_t atom(const char* name) {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, uint16_t(strlen(name)), name), nullptr), &free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    struct Seen {
        int unmaps = 0, destroys = 0;
        std::vector<uint32_t> aboveChanges; // 1 add, 0 remove, as asked of the window manager
    };
    // What happened to window since the last call, once the program's own requests have reached
    // the server (Qt may hold a request such as a restacking in its buffer for a while).
    Seen seen(xcb_window_t window) {
        QTest::qWait(100);
        xcb_flush(qApp->nativeInterface<QNativeInterface::QX11Application>()->connection());
        sync();
        Seen result;
        const xcb_atom_t state = atom("_NET_WM_STATE"), above = atom("_NET_WM_STATE_ABOVE");
        while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
            switch (event->response_type & 0x7F) {
            case XCB_UNMAP_NOTIFY:
                result.unmaps += reinterpret_cast<xcb_unmap_notify_event_t*>(event)->window == window;
                break;
            case XCB_DESTROY_NOTIFY:
                result.destroys += reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == window;
                break;
            case XCB_CLIENT_MESSAGE: {
                const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                if (message->window == window && message->type == state && message->data.data32[1] == above)
                    result.aboveChanges.push_back(message->data.data32[0]);
                break;
            }
            default:
                break;
            }
            free(event);
        }
        return result;
    }

    // The root's children from the bottom of the stack to the top.
    std::vector<xcb_window_t> stack() {
        std::unique_ptr<xcb_query_tree_reply_t, decltype(&free)> tree(
            xcb_query_tree_reply(c_, xcb_query_tree(c_, root_), nullptr), &free);
        if (!tree)
            return {};
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        return {children, children + xcb_query_tree_children_length(tree.get())};
    }

    static std::ptrdiff_t place(const std::vector<xcb_window_t>& stack, xcb_window_t window) {
        return std::find(stack.begin(), stack.end(), window) - stack.begin();
    }

private:
    void sync() { free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

    xcb_connection_t* c_;
    xcb_window_t root_ = 0;
};

std::unique_ptr<QWidget> shownWindow(QPoint at) {
    auto window = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint | Qt::Tool);
    window->setGeometry(QRect(at, QSize(150, 170)));
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return window;
}

TEST(TopMostOnX, ChangedInPlaceAndAskedOfTheWindowManager) {
    Observer x;
    ASSERT_TRUE(x.ok());
    const auto her = shownWindow({100, 100});
    const xcb_window_t id = xcb_window_t(her->winId());
    x.seen(id);

    EXPECT_EQ(Trei::SetTopMostWindow(her.get(), 1), 1);
    Observer::Seen on = x.seen(id);
    EXPECT_EQ(xcb_window_t(her->winId()), id);
    EXPECT_EQ(on.unmaps, 0);
    EXPECT_EQ(on.destroys, 0);
    EXPECT_EQ(on.aboveChanges, std::vector<uint32_t>{1});
    EXPECT_TRUE(her->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(her->isVisible());
    EXPECT_EQ(her->pos(), QPoint(100, 100));

    EXPECT_EQ(Trei::SetTopMostWindow(her.get(), 0), 1);
    Observer::Seen off = x.seen(id);
    EXPECT_EQ(xcb_window_t(her->winId()), id);
    EXPECT_EQ(off.unmaps, 0);
    EXPECT_EQ(off.destroys, 0);
    EXPECT_EQ(off.aboveChanges, std::vector<uint32_t>{0});
    EXPECT_FALSE(her->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(her->pos(), QPoint(100, 100));
}

// Clearing the setting leaves her where she is in the stack: under a window that covers her.
TEST(TopMostOnX, ClearingDoesNotRaiseHer) {
    Observer x;
    ASSERT_TRUE(x.ok());
    const auto her = shownWindow({100, 100});
    const auto other = shownWindow({120, 120});
    const xcb_window_t id = xcb_window_t(her->winId()), otherId = xcb_window_t(other->winId());
    x.seen(id);
    std::vector<xcb_window_t> stack = x.stack();
    ASSERT_LT(Observer::place(stack, id), Observer::place(stack, otherId));

    Trei::SetTopMostWindow(her.get(), 0);
    x.seen(id);
    stack = x.stack();
    EXPECT_LT(Observer::place(stack, id), Observer::place(stack, otherId));
}

} // namespace

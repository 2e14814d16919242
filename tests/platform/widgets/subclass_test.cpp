#include "platform/widgets/subclass.h"

#include <QCoreApplication>
#include <QStringList>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// A window that counts the events its own handling receives.
class CountingWindow : public QWidget {
public:
    int own = 0;
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            ++own;
        return QWidget::event(e);
    }
};

void sendUser(QWidget& w) {
    QEvent e(QEvent::User);
    QCoreApplication::sendEvent(&w, &e);
}

TEST(Subclass, HookSeesEveryEventAndPassesItOn) {
    CountingWindow window;
    CSubclass hook;
    int seen = 0;
    QObject::connect(&hook, &CSubclass::WndProc, [&](QEvent::Type t, QEvent*) { seen += t == QEvent::User; });
    hook.setHwnd(&window);
    basSubclass::Subclass(hook);
    EXPECT_NE(hook.ProcOrg(), nullptr);
    sendUser(window);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(window.own, 1);

    basSubclass::Unsubclass(hook);
    EXPECT_EQ(hook.ProcOrg(), nullptr);
    sendUser(window);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(window.own, 2);
}

// The window acts on the event before WndProc is raised: the handler sees the window's count of
// the event already raised.
TEST(Subclass, WindowHandlesTheEventBeforeWndProcIsRaised) {
    CountingWindow window;
    CSubclass hook;
    QStringList order;
    QObject::connect(&hook, &CSubclass::WndProc, [&](QEvent::Type t, QEvent*) {
        if (t == QEvent::User)
            order << QStringLiteral("WndProc after %1").arg(window.own);
    });
    hook.setHwnd(&window);
    basSubclass::Subclass(hook);
    sendUser(window);
    sendUser(window);
    EXPECT_EQ(order, (QStringList{"WndProc after 1", "WndProc after 2"}));
    EXPECT_EQ(window.own, 2); // handled once each, not again after the hook
    basSubclass::Unsubclass(hook);
}

TEST(Subclass, WithoutDefaultProcTheEventIsSwallowed) {
    CountingWindow window;
    CSubclass hook;
    hook.setHwnd(&window);
    hook.setCallDefaultProc(false);
    basSubclass::Subclass(hook);
    sendUser(window);
    EXPECT_EQ(window.own, 0);
    basSubclass::Unsubclass(hook);
}

TEST(Subclass, SecondHookOfTheSameWindowDoesNothing) {
    CountingWindow window;
    CSubclass first, second;
    int seenSecond = 0;
    QObject::connect(&second, &CSubclass::WndProc, [&](QEvent::Type, QEvent*) { ++seenSecond; });
    first.setHwnd(&window);
    second.setHwnd(&window);
    basSubclass::Subclass(first);
    basSubclass::Subclass(second);
    EXPECT_EQ(second.ProcOrg(), nullptr);
    EXPECT_EQ(basSubclass::Registry().size(), 1u);
    sendUser(window);
    EXPECT_EQ(seenSecond, 0);
    basSubclass::Unsubclass(first);
}

TEST(Subclass, DestroyedHookUnhooksItself) {
    CountingWindow window;
    {
        CSubclass hook;
        hook.setHwnd(&window);
        hook.setCallDefaultProc(false);
        basSubclass::Subclass(hook);
    }
    EXPECT_TRUE(basSubclass::Registry().empty());
    sendUser(window);
    EXPECT_EQ(window.own, 1);
}

} // namespace

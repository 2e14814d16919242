#include "platform/widgets/subclass.h"

#include <QCoreApplication>
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

// The dial-up object's waits on a real X server, clicked from outside as the user would: a click
// made while a failed dial waits its 3 s, or while a hang-up does, reaches the window only once the
// call has returned, so no command of the user nests in it; a click made during an animation pause
// reaches it at once (which shows that the clicks arrive at all).
#include "app/dialup/VBRas32.h"
#include "fake_dialup.h"
#include "platform/pace.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// A window that counts the presses it is given.
class Target : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

class WaitsOnX : public ::testing::Test {
protected:
    void SetUp() override {
        dialup::install(backend);
        target.setGeometry(100, 100, 200, 200);
        target.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&target));
    }
    void TearDown() override { dialup::install(nullptr); }

    static void xdotool(const QStringList& arguments) {
        EXPECT_EQ(QProcess::execute(QStringLiteral(MORVIK_XDOTOOL), arguments), 0);
    }
    // After ms, whatever waits then, the X server is told of a click in the middle of the window.
    static void clickAfter(int ms) {
        QTimer::singleShot(ms, [] {
            xdotool({QStringLiteral("mousemove"), QStringLiteral("200"), QStringLiteral("200"),
                     QStringLiteral("click"), QStringLiteral("1")});
        });
    }
    // Whether a held click reaches the window once the wait is over. Held input comes with the next
    // event from the X server, as the user's next move of the pointer.
    bool heldClickArrives() {
        xdotool({QStringLiteral("mousemove"), QStringLiteral("201"), QStringLiteral("201")});
        return QTest::qWaitFor([this] { return target.presses > 0; }, 1000);
    }

    std::shared_ptr<FakeRas> backend = std::make_shared<FakeRas>();
    Target target;
};

TEST_F(WaitsOnX, AClickDuringAnAnimationPauseReachesTheWindowAtOnce) {
    clickAfter(200);
    platform::pace::sleep(1500);
    EXPECT_EQ(target.presses, 1);
}

TEST_F(WaitsOnX, AClickWhileAFailedDialWaitsComesOnlyOnceTheDialIsOver) {
    VBRas32 ras;
    ras.setEntry(QStringLiteral("isp"));
    backend->dialled = {dialup::kNoDevice, 9};
    int pressesAtTheError = -1;
    QObject::connect(&ras, &VBRas32::ConnectError, &ras,
                     [&](qint32&) { pressesAtTheError = target.presses; });
    clickAfter(500);
    QElapsedTimer took;
    took.start();
    EXPECT_EQ(ras.Dialup(), dialup::kNoDevice);
    EXPECT_GE(took.elapsed(), 2900);
    EXPECT_EQ(pressesAtTheError, 0);
    EXPECT_TRUE(heldClickArrives());
}

TEST_F(WaitsOnX, AClickWhileAHangUpWaitsComesOnlyOnceItIsOver) {
    backend->connections = {{21, QStringLiteral("isp")}};
    VBRas32 ras;
    ASSERT_TRUE(ras.SeekEnumConns(QStringLiteral("isp"), true));
    clickAfter(500);
    EXPECT_EQ(ras.HangUp(), 0);
    EXPECT_EQ(target.presses, 0);
    EXPECT_TRUE(heldClickArrives());
}

} // namespace

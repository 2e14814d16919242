// The dial-up object's waits on a real X server, clicked from outside as the user would: a click
// made while a failed dial waits its 3 s, or while a hang-up does, is dropped (it never reaches the
// window, neither then nor once the call has returned), the pointer shows the busy cursor
// meanwhile, and a button pressed before the wait still gets its release; a click made during an
// animation pause reaches the window at once (which shows that the clicks arrive at all).
#include "app/dialup/VBRas32.h"
#include "fake_dialup.h"
#include "platform/pace.h"
#include "platform/widgets/input_gate.h"

#include <QApplication>
#include <QDialog>
#include <QMouseEvent>

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <optional>

namespace {

// A window that counts the presses it is given.
class Target : public QWidget {
public:
    int presses = 0, releases = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
    void mouseReleaseEvent(QMouseEvent*) override { ++releases; }
};

class WaitsOnX : public ::testing::Test {
protected:
    void SetUp() override {
        dialup::install(backend);
        platform::widgets::input_gate::install();
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
    // Whether a click dropped during the wait shows up late: once the wait is over, the user's
    // next move of the pointer is what used to bring held input in.
    bool droppedClickArrivesLate() {
        xdotool({QStringLiteral("mousemove"), QStringLiteral("201"), QStringLiteral("201")});
        return QTest::qWaitFor([this] { return target.presses > 0; }, 1000);
    }
    // The cursor the program shows over its windows ms into whatever waits then.
    static void cursorAfter(int ms, std::optional<Qt::CursorShape>& seen) {
        QTimer::singleShot(ms, [&seen] {
            const QCursor* cursor = QApplication::overrideCursor();
            seen = cursor ? cursor->shape() : Qt::ArrowCursor;
        });
    }

    std::shared_ptr<FakeRas> backend = std::make_shared<FakeRas>();
    Target target;
};

TEST_F(WaitsOnX, AClickDuringAnAnimationPauseReachesTheWindowAtOnce) {
    clickAfter(200);
    platform::pace::sleep(1500);
    EXPECT_EQ(target.presses, 1);
}

TEST_F(WaitsOnX, AClickWhileAFailedDialWaitsIsDroppedWithTheBusyCursor) {
    VBRas32 ras;
    ras.setEntry(QStringLiteral("isp"));
    backend->dialled = {dialup::kNoDevice, 9};
    int pressesAtTheError = -1;
    QObject::connect(&ras, &VBRas32::ConnectError, &ras,
                     [&](qint32&) { pressesAtTheError = target.presses; });
    clickAfter(500);
    std::optional<Qt::CursorShape> cursor;
    cursorAfter(1000, cursor);
    QElapsedTimer took;
    took.start();
    EXPECT_EQ(ras.Dialup(), dialup::kNoDevice);
    EXPECT_GE(took.elapsed(), 3000);
    EXPECT_EQ(pressesAtTheError, 0);
    EXPECT_EQ(cursor, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(droppedClickArrivesLate());
}

TEST_F(WaitsOnX, AClickWhileAHangUpWaitsIsDroppedWithItsRelease) {
    backend->connections = {{21, QStringLiteral("isp")}};
    VBRas32 ras;
    ASSERT_TRUE(ras.SeekEnumConns(QStringLiteral("isp"), true));
    clickAfter(500);
    EXPECT_EQ(ras.HangUp(), 0);
    EXPECT_EQ(target.presses, 0);
    EXPECT_FALSE(droppedClickArrivesLate());
    EXPECT_EQ(target.releases, 0);
}

// A press given before the wait is released during it: the release comes through, so no drag of
// the window is left hanging; the click after it is dropped.
TEST_F(WaitsOnX, APressBegunBeforeAWaitGetsItsRelease) {
    backend->connections = {{21, QStringLiteral("isp")}};
    VBRas32 ras;
    ASSERT_TRUE(ras.SeekEnumConns(QStringLiteral("isp"), true));
    xdotool({QStringLiteral("mousemove"), QStringLiteral("200"), QStringLiteral("200"), QStringLiteral("mousedown"),
             QStringLiteral("1")});
    ASSERT_TRUE(QTest::qWaitFor([this] { return target.presses == 1; }, 2000));
    QTimer::singleShot(500, [] { xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}); });
    clickAfter(1200);
    EXPECT_EQ(ras.HangUp(), 0);
    QTest::qWait(300);
    EXPECT_EQ(target.releases, 1);
    EXPECT_EQ(target.presses, 1);
}

} // namespace

namespace {

// A dialog that closes at the first press it is given.
class Box : public QDialog {
protected:
    void mousePressEvent(QMouseEvent*) override { accept(); }
};

// A press given while the wait runs is dropped, and so is its release after the wait: the window
// never sees half a click.
TEST_F(WaitsOnX, APressDuringAWaitLosesItsReleaseToo) {
    backend->connections = {{21, QStringLiteral("isp")}};
    VBRas32 ras;
    ASSERT_TRUE(ras.SeekEnumConns(QStringLiteral("isp"), true));
    QTimer::singleShot(500, [] {
        xdotool({QStringLiteral("mousemove"), QStringLiteral("200"), QStringLiteral("200"), QStringLiteral("mousedown"),
                 QStringLiteral("1")});
    });
    EXPECT_EQ(ras.HangUp(), 0);
    xdotool({QStringLiteral("mousemove"), QStringLiteral("210"), QStringLiteral("210"), QStringLiteral("mouseup"),
             QStringLiteral("1")});
    QTest::qWait(300);
    EXPECT_EQ(target.presses, 0);
    EXPECT_EQ(target.releases, 0);
}

// A box that opens while a wait runs (something that ticks meanwhile asks the user) takes its
// clicks: the wait could not end while it stood unanswered.
TEST_F(WaitsOnX, ABoxOpenedDuringAWaitTakesItsClicks) {
    backend->connections = {{21, QStringLiteral("isp")}};
    VBRas32 ras;
    ASSERT_TRUE(ras.SeekEnumConns(QStringLiteral("isp"), true));
    bool answered = false;
    QTimer::singleShot(300, [&] {
        Box box;
        box.setGeometry(500, 400, 100, 100);
        QTimer::singleShot(500, [] {
            QProcess::execute(QStringLiteral(MORVIK_XDOTOOL), {QStringLiteral("mousemove"), QStringLiteral("550"),
                                                               QStringLiteral("450"), QStringLiteral("click"),
                                                               QStringLiteral("1")});
        });
        QTimer::singleShot(2500, &box, &QDialog::reject);
        answered = box.exec() == QDialog::Accepted;
    });
    EXPECT_EQ(ras.HangUp(), 0);
    EXPECT_TRUE(answered);
}

} // namespace

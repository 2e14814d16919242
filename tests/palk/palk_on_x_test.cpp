// パルク on a real X server with real timers: what waits (his blink, his balloon's time) is watched as
// it passes, with his window, his menu and his balloon as the program shows them. Run by
// tests/window/on_x.sh on a private Xvfb.
#include "app/window/picture_stores.h"
#include "palk_fixture.h"
#include "platform/pace.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <map>

namespace {

using namespace palk_test;
using Refused = palk_peers::Headlines::Run;

const QString kBusy = "/ほかのヘッドラインを/更新しています";
const QString kCannotStart = "/ヘッドラインの更新を/始められません";

class PalkOnX : public Fixture {
protected:
    // Lets events and timers run until done() or ms have passed; whether done() came true.
    static bool waitFor(const std::function<bool()>& done, int ms) {
        QElapsedTimer took;
        took.start();
        while (!done()) {
            if (took.elapsed() > ms)
                return false;
            QTest::qWait(5);
        }
        return true;
    }
    static bool eyesOpen(const palk* drone) { return stores::Shows(drone->Image1, gra::palk_img1()); }
    static bool eyesShut(const palk* drone) { return stores::Shows(drone->Image1, gra::palk_img2()); }
};

// ---- the blink -----------------------------------------------------------------------------------

// An item of his menu chosen while his eyes are shut for a blink: the blink ends on its own time and
// the chore runs after it, with his eyes open all through its work. The moments come from the
// program's own trace of what it shows.
TEST_F(PalkOnX, AChoreChosenDuringABlinkRunsOnceHisEyesHaveOpened) {
    QTemporaryDir scratch;
    const QString tracePath = scratch.filePath(QStringLiteral("trace"));
    palk* drone = palk::Show(); // offline, no chore keys: he only says so
    fuki3::Unload();
    ASSERT_TRUE(eyesOpen(drone));
    QTest::mousePress(drone, Qt::RightButton, {}, QPoint(36, 50));
    QTest::mouseRelease(drone, Qt::RightButton, {}, QPoint(36, 50));
    QMenu* menu = drone->migi_Pop;
    ASSERT_TRUE(menu && menu->isVisible());
    QAction* chore = item(menu, "SetSntpConnect");
    ASSERT_NE(chore, nullptr);

    bool chosen = false, worked = false, openAtWork = false, openAfterWork = false;
    clock->during = [&] {
        platform::pace::mark(QStringLiteral("work begins"));
        openAtWork = eyesOpen(drone);
        // The setting's own wait, as long as a slow time server makes it.
        platform::pace::await([] { QThread::msleep(1000); });
        openAfterWork = eyesOpen(drone);
        platform::pace::mark(QStringLiteral("work ends"));
        worked = true;
    };
    // His real Timer3 blinks him 3 s after his load; the watch chooses the item once his eyes shut.
    QTimer watch;
    watch.setTimerType(Qt::PreciseTimer);
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (chosen || !eyesShut(drone))
            return;
        chosen = true;
        platform::pace::mark(QStringLiteral("chosen"));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(chore).center());
    });
    platform::pace::traceTo(tracePath);
    watch.start();
    const bool ended = waitFor([&] { return worked && !palk::Busy() && eyesOpen(drone); }, 10000);
    watch.stop();
    platform::pace::traceTo(QString());
    ASSERT_TRUE(ended);

    // The first moment of each mark.
    std::map<QString, qint64> at;
    QFile trace(tracePath);
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    for (const QByteArray& line : trace.readAll().split('\n')) {
        const qsizetype blank = line.indexOf(' ');
        if (blank > 0)
            at.try_emplace(QString::fromUtf8(line.mid(blank + 1)), line.left(blank).toLongLong());
    }
    const QString shut = "picture gra.palk_img2", open = "picture gra.palk_img1";
    for (const QString& mark : {shut, QStringLiteral("chosen"), open, QStringLiteral("work begins")})
        ASSERT_TRUE(at.count(mark)) << mark.toStdString();
    EXPECT_LT(at["chosen"], at[open]);
    EXPECT_GE(at[open] - at[shut], 200);
    EXPECT_LT(at[open] - at[shut], 600) << "his eyes stayed shut through the chore";
    EXPECT_GE(at["work begins"], at[open]);
    EXPECT_TRUE(openAtWork);
    EXPECT_TRUE(openAfterWork);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(calls, QStringList{"SetClock /時間を設定中"});
    EXPECT_EQ(said(), "/時間調整完了");
}

// ---- a refusal of the headline update ------------------------------------------------------------

// The chore closes its balloon as it ends; a refusal is said after that and stays for the time the
// user gave the main balloon (fukiClose 1, 2, 3: 5, 10, 15 s), or 5 s when that one never closes.
TEST_F(PalkOnX, ARefusalStaysForTheBalloonsTimeAfterTheChoreHasClosedIt) {
    struct Case {
        const char* name;
        bool atLoad; // his load's chores (online: headlines, then the clock); else his menu's item
        Refused run;
        const char* fukiClose;
        int shownMs;
        QStringList words;
    };
    // clang-format off
    const Case cases[] = {
        {"menu item, busy, 10 s", false, Refused::busy, "2", 10000, {" ヘッドライン 更新中", " ほかのヘッドラインを 更新しています"}},
        {"load, cannot start, never closes", true, Refused::failed, "0", 5000,
         {" ヘッドライン 更新中", " 時間を設定中", " 時間調整完了", " ヘッドラインの更新を 始められません"}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        key("fukiClose", QString::fromUtf8(c.fukiClose));
        key("proxy", "1");
        key("HedAutoRev", c.atLoad ? "1" : QString());
        key("TimeUpdate", c.atLoad ? "1" : QString());
        headlines->run = c.run;
        const QString refusal = c.run == Refused::busy ? kBusy : kCannotStart;
        BalloonWords balloon;
        palk* drone = palk::Show();
        if (!c.atLoad) {
            drone->ShowPopupMenu(QPoint(), false);
            item(drone->migi_Pop, "hed_check")->trigger();
        }
        QElapsedTimer since;
        since.start();
        EXPECT_EQ(balloon.words, c.words);
        ASSERT_EQ(said(), refusal);
        QString lastShown;
        ASSERT_TRUE(waitFor(
            [&] {
                if (!said().startsWith(QLatin1Char('/')))
                    return true;
                lastShown = said();
                return false;
            },
            c.shownMs + 3000));
        const qint64 shown = since.elapsed();
        EXPECT_EQ(lastShown, refusal);
        EXPECT_GE(shown, c.shownMs - 20);
        EXPECT_LT(shown, c.shownMs + 700);
        EXPECT_EQ(balloon.words, c.words); // hidden, not replaced
        unload();
        fuki3::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// A press on the balloon closes the refusal at once, and whatever he says next is his: the
// refusal's time does not close it.
TEST_F(PalkOnX, APressOrHisNextWordEndsTheRefusalsTime) {
    key("fukiClose", "1");
    headlines->run = Refused::busy;
    palk* drone = palk::Show();
    fuki3::Unload();
    drone->ShowPopupMenu(QPoint(), false);

    item(drone->migi_Pop, "hed_check")->trigger();
    ASSERT_EQ(said(), kBusy);
    QTest::mouseClick(fuki3::Instance(), Qt::LeftButton, {}, QPoint(90, 60));
    EXPECT_EQ(said(), "-");

    item(drone->migi_Pop, "hed_check")->trigger();
    QElapsedTimer since;
    since.start();
    ASSERT_EQ(said(), kBusy);
    QTest::qWait(1000);
    item(drone->migi_Pop, "SetSntpConnect")->trigger();
    EXPECT_EQ(said(), "/時間調整完了");
    QTest::qWait(int(5000 + 700 - since.elapsed()));
    EXPECT_EQ(said(), "/時間調整完了");
}

} // namespace

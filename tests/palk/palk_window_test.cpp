// パルク's window: his place above her, his outline, his floating and blinking (recorded frame by
// frame), his mouse and his menu. Without chore keys his load only finds the PC offline and says so.
#include "app/shapes/outlines.h"
#include "app/window/picture_stores.h"
#include "palk_fixture.h"
#include "platform/pace.h"

#include <QMouseEvent>
#include <QTest>

namespace {

using namespace palk_test;

class PalkWindow : public Fixture {
protected:
    // The moves of a floating from top y: seven ticks, three down and back.
    static QStringList floating(int x, int y) {
        QStringList moves;
        for (int step : {1, 1, 1, 0, -1, -1, -1})
            moves << QStringLiteral("move %1,%2").arg(x).arg(y += step);
        return moves;
    }
    static QStringList items(const QMenu* menu) {
        QStringList out;
        for (const QAction* action : menu->actions())
            out << action->data().toString() + "|" + action->text();
        return out;
    }
};

const QString kOffline = "/ネットワークに接続/していないですね";

// ---- load ----------------------------------------------------------------------------------------

TEST_F(PalkWindow, StandsAboveHerCutToHisOutlineShownBeforeHisChores) {
    key("proxy", "1");
    key("HedAutoRev", "1");
    QString during;
    headlines->during = [&] {
        const palk* shown = palk::Instance();
        during = shown && shown->isVisible() ? QStringLiteral("shown") : QStringLiteral("not shown");
    };
    platform::pace::Recorder recorder;
    palk* drone = palk::Show();
    ASSERT_NE(drone, nullptr);
    EXPECT_EQ(recorder.events.mid(0, 2), QStringList({"move 390,195", "shape ShapePalk"}));
    EXPECT_EQ(recorder.events.count("shape ShapePalk"), 1);
    EXPECT_EQ(drone->geometry(), QRect(390, 195, 75, 100));
    EXPECT_EQ(drone->mask(), RgnCall::BuildRegion(RgnCall4::TablePalk()));
    EXPECT_TRUE(drone->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(drone->windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(stores::Shows(drone->Image1, gra::palk_img1()));
    EXPECT_EQ(during, "shown");
    EXPECT_EQ(calls.count("UpdateAll /ヘッドライン/更新中"), 1);
}

TEST_F(PalkWindow, ShowingHimAgainOnlyShowsHim) {
    palk* drone = palk::Show();
    EXPECT_EQ(said(), kOffline);
    fuki3::Unload();
    drone->hide();
    platform::pace::Recorder recorder;
    EXPECT_EQ(palk::Show(), drone);
    EXPECT_TRUE(drone->isVisible());
    EXPECT_TRUE(recorder.events.isEmpty());
    EXPECT_EQ(said(), "-"); // no second chksys
}

TEST_F(PalkWindow, ClosedHeComesBackAboveHerNewPlaceWithHisCountsAfresh) {
    key("fuwafuwa", "1");
    palk* first = palk::Show();
    first->Timer1_Timer();
    first->RedialCount = 5;
    unload();
    EXPECT_EQ(palk::Instance(), nullptr);

    stage.corner = QPoint(600, 400);
    palk* again = palk::Show();
    EXPECT_EQ(again->pos(), QPoint(690, 295));
    EXPECT_EQ(again->Phase(), 0);
    EXPECT_EQ(again->RedialCount, 0);
    EXPECT_EQ(again->Timer3.Interval(), 3000);
}

TEST_F(PalkWindow, WithoutHerHeStandsAsIfSheWereAtTheOrigin) {
    Stage::Install(nullptr);
    EXPECT_EQ(palk::Show()->pos(), QPoint(90, -105));
}

// ---- floating and blinking -----------------------------------------------------------------------

TEST_F(PalkWindow, FloatsThreePixelsDownAndBackEverySevenTicks) {
    key("fuwafuwa", "1");
    palk* drone = palk::Show();
    EXPECT_TRUE(drone->Timer1.Enabled());
    EXPECT_EQ(drone->Timer1.Interval(), 180);
    platform::pace::Recorder recorder;
    for (int tick = 0; tick < 14; ++tick)
        drone->Timer1_Timer();
    EXPECT_EQ(recorder.events, floating(390, 195) + floating(390, 195));
    EXPECT_EQ(drone->pos(), QPoint(390, 195));
}

TEST_F(PalkWindow, WithoutFuwafuwaHeStaysStillAndStillBlinks) {
    for (const char* value : {"", "0", "yes", "11"}) {
        SCOPED_TRACE(value);
        key("fuwafuwa", QString::fromUtf8(value));
        palk* drone = palk::Show();
        EXPECT_FALSE(drone->Timer1.Enabled());
        EXPECT_TRUE(drone->Timer3.Enabled());
        EXPECT_FALSE(drone->Timer2.Enabled());
        unload();
    }
}

TEST_F(PalkWindow, BlinksThenWaitsBySecondOfTheMinute) {
    palk* drone = palk::Show();
    EXPECT_EQ(drone->Timer3.Interval(), 3000);
    for (auto [second, interval] : {std::pair{0, 3000}, {59, 8900}, {7, 3700}}) {
        SCOPED_TRACE(second);
        platform::clock::setFake(QDateTime(QDate(2026, 12, 10), QTime(11, 20, second)));
        platform::pace::Recorder recorder;
        drone->Timer3_Timer();
        EXPECT_EQ(recorder.events,
                  QStringList({"picture gra.palk_img2", "sleep 200", "picture gra.palk_img1"}));
        EXPECT_EQ(drone->Timer3.Interval(), interval);
        EXPECT_TRUE(stores::Shows(drone->Image1, gra::palk_img1()));
    }
}

// ---- mouse ---------------------------------------------------------------------------------------

TEST_F(PalkWindow, ALeftPressClosesHisBalloonWhenItEndsDraggedOrNot) {
    palk* drone = palk::Show();
    ASSERT_EQ(said(), kOffline);
    QTest::mousePress(drone, Qt::LeftButton, {}, QPoint(36, 50));
    EXPECT_EQ(said(), kOffline); // the press has not ended
    QMouseEvent move(QEvent::MouseMove, QPointF(66, 10), drone->mapToGlobal(QPointF(66, 10)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(drone, &move);
    QTest::mouseRelease(drone, Qt::LeftButton, {}, QPoint(66, 10));
    EXPECT_EQ(drone->pos(), QPoint(420, 155));
    EXPECT_EQ(said(), "-");

    palk_test::calls.clear();
    drone->chksys();
    ASSERT_EQ(said(), kOffline);
    QTest::mouseClick(drone, Qt::LeftButton, {}, QPoint(36, 50));
    EXPECT_EQ(said(), "-");
    EXPECT_EQ(drone->pos(), QPoint(420, 155));
}

TEST_F(PalkWindow, ARightPressOpensHisMenuAtTheCursorAndLeavesHisBalloon) {
    palk* drone = palk::Show();
    QTest::mousePress(drone, Qt::RightButton, {}, QPoint(36, 50));
    ASSERT_NE(drone->migi_Pop, nullptr);
    EXPECT_TRUE(drone->migi_Pop->isVisible());
    EXPECT_EQ(drone->migi_Pop->pos(), drone->mapToGlobal(QPoint(36, 50)));
    EXPECT_EQ(said(), kOffline);
    EXPECT_EQ(drone->pos(), QPoint(390, 195));
    drone->migi_Pop->close();
}

// ---- menu ----------------------------------------------------------------------------------------

TEST_F(PalkWindow, HisMenuIsRebuiltEachShowingWithItsKeys) {
    palk* drone = palk::Show();
    for (int showing = 1; showing <= 2; ++showing) {
        drone->ShowPopupMenu(QPoint(), false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_EQ(drone->findChildren<QMenu*>(), QList<QMenu*>{drone->migi_Pop});
        EXPECT_FALSE(drone->migi_Pop->isVisible());
        EXPECT_EQ(
            items(drone->migi_Pop),
            QStringList({"ReRun|再更新\u3000\u3000", "hed_check|ヘッドライン更新", "SetSntpConnect|時間調整",
                         "get_mail|メール取り込み", "end_palk|パルクを閉じる"}));
    }
}

TEST_F(PalkWindow, EachItemRunsItsChoreAndAnUnknownKeyNothing) {
    key("proxy", "1"); // online, with no chore of chksys on
    palk* drone = palk::Show();
    struct Case {
        const char* key;
        QStringList calls;
        QString after;
    } cases[] = {
        {"ReRun", {}, "-"},
        {"hed_check",
         {"UpdateAll /ヘッドライン/更新中", "site /サイトA/更新中", "site /サイトB/更新中",
          "anime /トワナ帳更新中 ", "DeleteHandOffFiles "},
         "hidden "},
        {"SetSntpConnect", {"SetClock /時間を設定中"}, "/時間調整完了"},
        {"get_mail", {}, ""}, // account 1 is not set up
        {"no_such_item", {}, "前"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        fuki3* shown = fuki3::Instance() ? fuki3::Instance() : fuki3::Open(drone);
        shown->Label1->setText("前");
        shown->show();
        calls.clear();
        drone->ShowPopupMenu(QPoint(), false);
        const QString key = QString::fromUtf8(c.key);
        if (QAction* action = item(drone->migi_Pop, key))
            action->trigger();
        else
            drone->migi_Pop_Click(key);
        EXPECT_EQ(calls, c.calls);
        EXPECT_EQ(said(), c.after);
        EXPECT_EQ(palk::Instance(), drone);
    }
}

TEST_F(PalkWindow, HisMenusLastItemClosesHimAndLeavesHisBalloon) {
    palk* drone = palk::Show();
    drone->ShowPopupMenu(QPoint(), false);
    item(drone->migi_Pop, "end_palk")->trigger();
    EXPECT_EQ(palk::Instance(), nullptr);
    EXPECT_FALSE(drone->isVisible());
    EXPECT_EQ(said(), kOffline);
}

TEST_F(PalkWindow, AutoEndClosesHimAndHisBalloonOnlyWhenItWasOnAtHisLoad) {
    for (auto [value, closes] : {std::pair{"1", true}, {"", false}, {"0", false}}) {
        SCOPED_TRACE(value);
        key("AutoEnd", QString::fromUtf8(value));
        palk* drone = palk::Show();
        key("AutoEnd", "1"); // read at his load, not now
        drone->AutoEnd();
        EXPECT_EQ(palk::Instance() == nullptr, closes);
        EXPECT_EQ(said(), closes ? "-" : kOffline);
        unload();
        fuki3::Unload();
    }
}

} // namespace

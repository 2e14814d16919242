#include "app/shapes/RgnCall.h"
#include "app/settings/IniManage.h"
#include "app/window/Trei.h"
#include "app/window/morvik.h"
#include "test_home.h"

#include <QAction>
#include <QGuiApplication>
#include <QListView>
#include <QMenu>
#include <QScreen>
#include <QStandardItemModel>
#include <gtest/gtest.h>

namespace {

struct PlaceCase {
    const char* name;
    const char* top;
    const char* left;
    QSize screen;
    bool placed;
    QPoint expect;
    bool firstRun;
};
void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.name; }


class Placement : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(Placement, FromTheSettings) {
    const PlaceCase& c = GetParam();
    const auto place = morvik::PlaceFor(QString::fromUtf8(c.top), QString::fromUtf8(c.left), c.screen);
    EXPECT_EQ(place.firstRun, c.firstRun);
    ASSERT_EQ(place.position.has_value(), c.placed);
    if (c.placed) {
        EXPECT_EQ(*place.position, c.expect);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Window, Placement,
    ::testing::Values(
        PlaceCase{"first_run_1024x768", "", "", {1024, 768}, true, {427, 309}, true},
        PlaceCase{"first_run_left_ignored", "", "40", {1024, 768}, true, {427, 309}, true},
        // An odd screen gives a half: it rounds to the even neighbour.
        PlaceCase{"first_run_odd_1365x767", "", "", {1365, 767}, true, {598, 308}, true},
        PlaceCase{"stored_used_unchanged", "12", "700", {1024, 768}, true, {12, 700}, false},
        PlaceCase{"stored_negative", "-30", "5", {1024, 768}, true, {-30, 5}, false},
        PlaceCase{"stored_half_rounds_even", "10.5", "11.5", {1024, 768}, true, {10, 12}, false},
        PlaceCase{"left_empty_keeps_place", "12", "", {1024, 768}, false, {}, false},
        PlaceCase{"top_not_a_number", "abc", "5", {1024, 768}, false, {}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Window, FirstRunCentresOnTheScreenAndStoredPlaceIsKept) {
    TestHome home;
    IniManage::BeginBatch();
    {
        morvik window;
        EXPECT_TRUE(window.PlaceAtSavedPosition());
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        EXPECT_EQ(window.pos(), QPoint(screen.width() / 2 - 85, screen.height() / 2 - 75));
        window.move(33, 44);
        window.SavePosition();
    }
    EXPECT_EQ(IniManage::GetIni("top"), "33");
    EXPECT_EQ(IniManage::GetIni("left"), "44");
    morvik again;
    EXPECT_FALSE(again.PlaceAtSavedPosition());
    EXPECT_EQ(again.pos(), QPoint(33, 44));
}

TEST(Window, ClosingByTheWindowSystemSavesThePlace) {
    TestHome home;
    IniManage::BeginBatch();
    morvik window;
    window.move(101, 202);
    window.show();
    window.close();
    EXPECT_EQ(IniManage::GetIni("top"), "101");
    EXPECT_EQ(IniManage::GetIni("left"), "202");
}

// The session may end the program before the start-up placed her (or a second instance, which
// never shows): the stored place is not overwritten by a window that never stood there.
TEST(Window, ClosedBeforeSheWasPlacedKeepsTheStoredPlace) {
    TestHome home;
    IniManage::BeginBatch();
    IniManage::WriteIni("top", "101");
    IniManage::WriteIni("left", "202");
    morvik window;
    window.move(5, 6);
    window.close();
    EXPECT_EQ(IniManage::GetIni("top"), "101");
    EXPECT_EQ(IniManage::GetIni("left"), "202");
}

TEST(Window, MaskEqualsTheStandardTable) {
    TestHome home;
    morvik window;
    EXPECT_EQ(window.size(), QSize(150, 170));
    EXPECT_EQ(window.mask(), RgnCall::BuildRegion(RgnCall::TableStandard()));
    EXPECT_EQ(window.Image2->pos(), QPoint(10, 15));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST(Window, TheMenuAsDesigned) {
    TestHome home;
    morvik window;
    // In display order: the item, its caption ("-" a separator) and whether it is shown at first.
    struct Item {
        const char* name;
        const char* caption;
        bool shown;
    };
    const Item design[] = {
        {"getto", "メールを確認する", true},
        {"again", "確認したメールを見る", false},
        {"mail_look", "内容を確認する", false},
        {"mail_sub_cut", "自動ﾒｰﾙﾁｪｯｸ停止", true},
        {"TimeSet", "時刻あわせ", true},
        {"line3", "-", false},
        {"open_palk", "パルクの起動", false},
        {"open_vens", "ヴェンスの起動", false},
        {"open_dwim", "ドゥイムの起動", false},
        {"line2", "-", true},
        {"temae", "常に手前に表示", true},
        {"net_connect", "ネットワークに接続する", false},
        {"net_cut", "切断する", false},
        {"headls", "ヘッドライン", true},
        {"mailset", "設定", true},
        {"help", "ヘルプ", true},
        {"dokoitu", "dokoituの編集", true},
        {"vis", "表示", false},
        {"not_vis", "非表示", true},
        {"line", "-", true},
        {"shutdown", "シャットダウン", true},
        {"end", "終了", true},
    };
    EXPECT_EQ(window.settei->title(), "設定");
    const QList<QAction*> items = window.settei->actions();
    ASSERT_EQ(items.size(), qsizetype(std::size(design)));
    for (qsizetype i = 0; i < items.size(); ++i) {
        const Item& want = design[i];
        const QAction* item = items[i];
        SCOPED_TRACE(want.name);
        EXPECT_EQ(item->objectName(), QString::fromUtf8(want.name));
        const bool separator = QLatin1String(want.caption) == QLatin1String("-");
        EXPECT_EQ(item->isSeparator(), separator);
        if (!separator) {
            EXPECT_EQ(item->text(), QString::fromUtf8(want.caption));
        }
        EXPECT_EQ(item->isVisible(), want.shown);
        // Only the pause of the periodic check carries a check mark, and it starts unchecked.
        EXPECT_EQ(item->isCheckable(), item == window.mail_sub_cut);
        EXPECT_FALSE(item->isChecked());
    }
}

TEST(Trei, TopMostFlags) {
    QWidget window;
    EXPECT_EQ(Trei::SetTopMostWindow(&window, 2), 0);
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(Trei::SetTopMostWindow(&window, 1), 1);
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window.isVisible());
    window.move(40, 50);
    EXPECT_EQ(Trei::SetTopMostWindow(&window, 0), 1);
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(window.pos(), QPoint(40, 50));
}

TEST(Trei, FullRowSelectionIsTurnedOnAndStaysOn) {
    QListView view;
    EXPECT_EQ(Trei::SetListViewExStyle(&view, true, 0x20), 0x20);
    EXPECT_EQ(view.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(Trei::SetListViewExStyle(&view, true, 0x20), 0x20);
}

TEST(Trei, TooltipLifecycle) {
    TestHome home;
    morvik window;
    EXPECT_FALSE(Trei::TipExists());
    Trei::DestroyTip(); // before creation: nothing to destroy
    Trei::CreateTip(window.Image2);
    EXPECT_TRUE(Trei::TipExists());
    Trei::SetTipText("アカウント１：2");
    EXPECT_EQ(window.Image2->toolTip(), "アカウント１：2");
    Trei::DestroyTip();
    EXPECT_FALSE(Trei::TipExists());
}

TEST(IniManage, TwoUsersKeepTheirOwnSections) {
    TestHome home;
    IniManage::BeginBatch();
    EXPECT_EQ(IniManage::state.IniPath, home.file("mailSet.ini"));
    EXPECT_FALSE(IniManage::state.Section.isEmpty());
    IniManage::state.Section = "alice";
    IniManage::WriteIni("top", "10");
    IniManage::state.Section = "bob";
    EXPECT_EQ(IniManage::GetIni("top"), "");
    IniManage::WriteIni("top", "20");
    IniManage::state.Section = "alice";
    EXPECT_EQ(IniManage::GetIni("top"), "10");
}

TEST(IniManage, TrimNull) {
    EXPECT_EQ(IniManage::TrimNull("abc"), "");
    EXPECT_EQ(IniManage::TrimNull(QStringLiteral("ab") + QChar(u'\0') + "c"), "ab");
    EXPECT_EQ(IniManage::TrimNull(QString(QChar(u'\0'))), "");
}

} // namespace

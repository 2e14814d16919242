// The talk-table editors, driven through their controls as a user would, on a small shipped
// database copied into a fresh program folder.
#include "app/talk/balloon_label.h"
#include "app/talk/dokoitu_01.h"
#include "app/talk/dokoitu_02.h"
#include "heart_fixture.h"
#include "test_home.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using heart::Table;

// Texts that break or rewrite a statement built by pasting them between quotes.
const QString kQuoted = QStringLiteral("マスターの'口癖'です");
const QString kRewrite = QStringLiteral("x', WORD2 = 'pwned', WORD3 = '");
const QString kDrop = QStringLiteral("'); DROP TABLE otaku; -- \"\\");

struct Said {
    dokoitu::Icon icon;
    QString text;
};

class Dokoitu : public ::testing::Test {
protected:
    void SetUp() override {
        dokoitu::MessageBox = [this](QWidget*, dokoitu::Icon icon, const QString& text) {
            said.push_back({icon, text});
            return answer;
        };
    }

    void TearDown() override {
        if (dokoitu_02* edit = dokoitu_02::Instance())
            edit->close();
        if (dokoitu_01* list = dokoitu_01::Instance())
            list->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        dokoitu::MessageBox = nullptr;
    }

    dokoitu_01* openList() {
        dokoitu_01* list = dokoitu_01::Show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(list));
        return list;
    }

    static void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // Clicks the row at a 1-based list position.
    static void clickRow(dokoitu_01* list, int position) {
        QTreeWidgetItem* item = list->ListView1->topLevelItem(position - 1);
        ASSERT_NE(item, nullptr) << "no row at " << position;
        const QRect place = list->ListView1->visualItemRect(item);
        QTest::mouseClick(list->ListView1->viewport(), Qt::LeftButton, {}, place.center());
        ASSERT_TRUE(item->isSelected());
    }

    static void chooseTable(dokoitu_01* list, const QString& name) {
        list->Combo1->setCurrentIndex(list->Combo1->findText(name));
        click(list->Command2);
    }

    static void type(dokoitu_02* edit, const QString& w0, const QString& w1, const QString& w2) {
        edit->Text1[0]->setText(w0);
        edit->Text1[1]->setText(w1);
        edit->Text1[2]->setText(w2);
    }

    // The list as shown: id, WORD1, WORD2, WORD3 of every row.
    static std::vector<QStringList> shown(dokoitu_01* list) {
        std::vector<QStringList> rows;
        for (int i = 0; i < list->ListView1->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list->ListView1->topLevelItem(i);
            rows.push_back({item->text(0), item->text(1), item->text(2), item->text(3)});
        }
        return rows;
    }

    // The table as stored: id, WORD1, WORD2, WORD3 (a Null as "<null>").
    static std::vector<QStringList> stored(Table table) {
        auto opened = heart::open();
        EXPECT_TRUE(opened.db) << opened.error.toStdString();
        std::vector<QStringList> rows;
        if (!opened.db)
            return rows;
        for (const auto& row : heart::listRows(*opened.db, table)) {
            const auto text = [](const std::optional<QString>& w) {
                return w.value_or(QStringLiteral("<null>"));
            };
            rows.push_back({QString::number(row.id), text(row.words.word1), text(row.words.word2),
                            text(row.words.word3)});
        }
        return rows;
    }

    static std::vector<QStringList> userRows(std::vector<QStringList> extra = {}) {
        std::vector<QStringList> rows{{"0", "u0", "shipped", ""}, {"1", "u1", "shipped", ""}};
        rows.insert(rows.end(), extra.begin(), extra.end());
        return rows;
    }

    TestHome home;
    ShippedDatabase shipped{1};
    std::vector<Said> said;
    bool answer = true;
};

TEST_F(Dokoitu, TheListWindowLoadsTheUsersTable) {
    dokoitu_01* list = openList();
    EXPECT_EQ(list->windowTitle(), QStringLiteral("DOKOITU　SYSTEM"));
    EXPECT_EQ(list->Combo1->currentText(), QStringLiteral("ユーザーデータ"));
    QStringList names;
    for (int i = 0; i < list->Combo1->count(); ++i)
        names << list->Combo1->itemText(i);
    EXPECT_EQ(names, QStringList({"毒舌1", "毒舌2", "花言葉", "ユーザーデータ"}));
    EXPECT_EQ(list->Command2->text(), QStringLiteral("テーブルの変更"));

    ASSERT_EQ(list->ListView1->columnCount(), 4);
    EXPECT_TRUE(list->ListView1->isColumnHidden(0));
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(list->ListView1->headerItem()->text(column), QString()) << column;
    for (int column = 1; column < 4; ++column)
        EXPECT_EQ(list->ListView1->columnWidth(column), 142) << column;
    EXPECT_EQ(shown(list), userRows());

    const QStringList captions{"追　加", "変　更", "削　除", "一括登録", "閉じる"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(list->Command1[i]->text(), captions[i]);
        EXPECT_EQ(list->Command1[i]->isEnabled(), i != 3) << i;
    }

    // 閉じる unloads it; the next show loads a new one on the user's table.
    chooseTable(list, QStringLiteral("毒舌1"));
    click(list->Command1[4]);
    EXPECT_EQ(dokoitu_01::Instance(), nullptr);
    dokoitu_01* again = openList();
    EXPECT_EQ(dokoitu::EditTable, QStringLiteral("User_Table"));
    EXPECT_EQ(shown(again), userRows());
}

TEST_F(Dokoitu, EachChooserTextListsItsTableAndOnlyTheUsersTableGrowsOrShrinks) {
    shipped.exec("INSERT INTO otaku2 VALUES (2, 'p2', NULL, 'three')");
    struct Case {
        const char* chooser;
        Table table;
        bool addsAndDeletes;
    };
    const Case cases[] = {
        {"毒舌1", Table::otaku, false},
        {"毒舌2", Table::otaku2, false},
        {"花言葉", Table::flower, false},
        {"ユーザーデータ", Table::User_Table, true},
    };
    dokoitu_01* list = openList();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chooser);
        chooseTable(list, QString::fromUtf8(c.chooser));
        EXPECT_EQ(dokoitu::EditTable, QLatin1String(heart::tableName(c.table)));
        std::vector<QStringList> expected = stored(c.table);
        for (auto& row : expected)
            row.replaceInStrings(QStringLiteral("<null>"), QString());
        EXPECT_EQ(shown(list), expected);
        EXPECT_EQ(list->Command1[0]->isEnabled(), c.addsAndDeletes);
        EXPECT_TRUE(list->Command1[1]->isEnabled());
        EXPECT_EQ(list->Command1[2]->isEnabled(), c.addsAndDeletes);
    }
}

TEST_F(Dokoitu, AListingMadeWhileTheChooserShowsAnotherTableKeepsTheButtonsOfTheListedTable) {
    dokoitu_01* list = openList();
    chooseTable(list, QStringLiteral("毒舌1"));
    // The chooser moves to the user's table, but the list is not changed over.
    list->Combo1->setCurrentIndex(list->Combo1->findText(QStringLiteral("ユーザーデータ")));
    clickRow(list, 2);
    click(list->Command1[1]);
    ASSERT_NE(dokoitu_02::Instance(), nullptr);
    click(dokoitu_02::Instance()->Command1[1]); // キャンセル lists otaku anew

    EXPECT_EQ(dokoitu::EditTable, QStringLiteral("otaku"));
    EXPECT_FALSE(list->Command1[0]->isEnabled());
    EXPECT_FALSE(list->Command1[2]->isEnabled());
    click(list->Command1[0]);
    EXPECT_EQ(dokoitu_02::Instance(), nullptr);
    EXPECT_EQ(stored(Table::otaku).size(), 2u);
}

TEST_F(Dokoitu, AnAddStoresQuotedTextsVerbatimUnderTheFirstFreeId) {
    shipped.exec("INSERT INTO User_Table VALUES (3, 'u3', 'shipped', '')");
    dokoitu_01* list = openList();

    click(list->Command1[0]);
    dokoitu_02* edit = dokoitu_02::Instance();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->windowTitle(), QStringLiteral("テキスト入力ウィンドウ"));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(edit->Text1[i]->text().isEmpty()) << i;
    type(edit, kQuoted, kRewrite, kDrop);
    click(edit->Command1[0]);

    EXPECT_EQ(dokoitu_02::Instance(), nullptr);
    EXPECT_TRUE(said.empty());
    const auto expected = userRows({{"2", kQuoted, kRewrite, kDrop}, {"3", "u3", "shipped", ""}});
    EXPECT_EQ(stored(Table::User_Table), expected);
    EXPECT_EQ(shown(list), expected);
    EXPECT_EQ(stored(Table::otaku).size(), 2u);

    // With no gap left the next row goes after the highest id; an empty text stays empty, not Null.
    click(list->Command1[0]);
    type(dokoitu_02::Instance(), QStringLiteral("next"), QString(), QString());
    click(dokoitu_02::Instance()->Command1[0]);
    EXPECT_EQ(stored(Table::User_Table).back(), QStringList({"4", "next", "", ""}));
}

TEST_F(Dokoitu, AnAddToAnEmptyTableTakesIdZero) {
    shipped.exec("DELETE FROM User_Table");
    dokoitu_01* list = openList();
    EXPECT_TRUE(shown(list).empty());

    click(list->Command1[0]);
    type(dokoitu_02::Instance(), QStringLiteral("最初の"), QStringLiteral("一行"), QString());
    click(dokoitu_02::Instance()->Command1[0]);

    EXPECT_TRUE(said.empty());
    const std::vector<QStringList> expected{{"0", "最初の", "一行", ""}};
    EXPECT_EQ(stored(Table::User_Table), expected);
    EXPECT_EQ(shown(list), expected);
}

TEST_F(Dokoitu, AChangeStoresQuotedTextsVerbatimInTheChosenRowOnly) {
    dokoitu_01* list = openList();
    clickRow(list, 2);
    click(list->Command1[1]);
    dokoitu_02* edit = dokoitu_02::Instance();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->Text1[0]->text(), QStringLiteral("u1"));
    EXPECT_EQ(edit->Text1[1]->text(), QStringLiteral("shipped"));
    EXPECT_EQ(edit->Label1->text(), QStringLiteral("u1\nshipped\n"));

    const QString everyRow = QStringLiteral("a' WHERE 1 = 1; UPDATE User_Table SET WORD1 = 'all");
    type(edit, everyRow, kRewrite, kDrop);
    click(edit->Command1[0]);

    EXPECT_EQ(dokoitu_02::Instance(), nullptr);
    EXPECT_TRUE(said.empty());
    const std::vector<QStringList> expected{{"0", "u0", "shipped", ""}, {"1", everyRow, kRewrite, kDrop}};
    EXPECT_EQ(stored(Table::User_Table), expected);
    EXPECT_EQ(shown(list), expected);
    EXPECT_EQ(stored(Table::otaku).size(), 2u);
}

TEST_F(Dokoitu, TheFirstRowAndNoRowAreRefused) {
    struct Case {
        int button;   // 1 変　更, 2 削　除
        int position; // 0: no row chosen
        const char* message;
    };
    const Case cases[] = {
        {1, 0, "この項目は変更できません"},
        {1, 1, "この項目は変更できません"},
        {2, 0, "削除できません"},
        {2, 1, "削除できません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "button " << c.button << ", row " << c.position);
        said.clear();
        dokoitu_01* list = openList();
        list->ListView1->clearSelection();
        if (c.position > 0)
            clickRow(list, c.position);
        click(list->Command1[c.button]);
        ASSERT_EQ(said.size(), 1u);
        EXPECT_EQ(said[0].icon, dokoitu::Icon::exclamation);
        EXPECT_EQ(said[0].text, QString::fromUtf8(c.message));
        EXPECT_EQ(dokoitu_02::Instance(), nullptr);
        EXPECT_EQ(stored(Table::User_Table), userRows());
    }
}

TEST_F(Dokoitu, AChangeLandsInTheRowAndTableTheEditWindowOpenedOn) {
    dokoitu_01* list = openList();
    clickRow(list, 2);
    click(list->Command1[1]);
    dokoitu_02* edit = dokoitu_02::Instance();
    ASSERT_NE(edit, nullptr);
    type(edit, QStringLiteral("for u1"), QString(), QString());

    // Meanwhile the list moves to otaku and asks to change its row 1: the open edit window stays
    // as it is.
    chooseTable(list, QStringLiteral("毒舌1"));
    clickRow(list, 2);
    click(list->Command1[1]);
    ASSERT_EQ(dokoitu::EditTable, QStringLiteral("otaku"));
    ASSERT_EQ(dokoitu::EditId, 1);
    EXPECT_EQ(dokoitu_02::Instance(), edit);
    EXPECT_EQ(edit->Text1[0]->text(), QStringLiteral("for u1"));
    click(edit->Command1[0]);

    EXPECT_TRUE(said.empty());
    EXPECT_EQ(stored(Table::User_Table),
              std::vector<QStringList>({{"0", "u0", "shipped", ""}, {"1", "for u1", "", ""}}));
    EXPECT_EQ(stored(Table::otaku),
              std::vector<QStringList>({{"0", "o0", "shipped", "<null>"}, {"1", "o1", "shipped", "<null>"}}));
}

TEST_F(Dokoitu, AnAddStaysAnAddWhenTheListAsksForAChangeMeanwhile) {
    dokoitu_01* list = openList();
    click(list->Command1[0]);
    dokoitu_02* edit = dokoitu_02::Instance();
    ASSERT_NE(edit, nullptr);
    clickRow(list, 2);
    click(list->Command1[1]);
    ASSERT_EQ(dokoitu::EditMode, QStringLiteral("1"));
    type(edit, QStringLiteral("added"), QString(), QString());
    click(edit->Command1[0]);

    EXPECT_EQ(stored(Table::User_Table), userRows({{"2", "added", "", ""}}));
}

TEST_F(Dokoitu, ADeleteAsksWithTheRowsWordsAndDeletesOnlyOnOk) {
    shipped.exec("INSERT INTO User_Table VALUES (2, 'it''s', 'x'' OR ''1''=''1', '')");
    dokoitu_01* list = openList();
    clickRow(list, 3);

    answer = false;
    click(list->Command1[2]);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].icon, dokoitu::Icon::question);
    EXPECT_EQ(said[0].text, QStringLiteral("it'sx' OR '1'='1\nを削除します、よろしいですか？"));
    EXPECT_EQ(stored(Table::User_Table).size(), 3u);

    answer = true;
    clickRow(list, 3);
    click(list->Command1[2]);
    EXPECT_EQ(said.size(), 2u);
    EXPECT_EQ(stored(Table::User_Table), userRows());
    EXPECT_EQ(shown(list), userRows());
}

TEST_F(Dokoitu, ExecuteWithThreeEmptyTextsStoresNothingAndCloses) {
    dokoitu_01* list = openList();
    click(list->Command1[0]);
    click(dokoitu_02::Instance()->Command1[0]);

    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].text, QStringLiteral("一項目は埋めてください"));
    EXPECT_EQ(dokoitu_02::Instance(), nullptr);
    EXPECT_EQ(stored(Table::User_Table), userRows());
}

TEST_F(Dokoitu, TheFlowerPreviewTakesTheFlowerLayoutOnOpeningAndThePlainOneOnConfirm) {
    shipped.exec("INSERT INTO flower VALUES (101, 'スノードロップ', '希望', '慰め')");
    dokoitu_01* list = openList();
    chooseTable(list, QStringLiteral("花言葉"));
    clickRow(list, 2);
    click(list->Command1[1]);
    dokoitu_02* edit = dokoitu_02::Instance();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->Label1->text(), QStringLiteral("今日の花は\nflower229\n花言葉は\nlang\n"));

    type(edit, QStringLiteral("ナズナ"), QStringLiteral("あなたに私のすべてを捧げます"), QString());
    click(edit->Command1[2]);
    EXPECT_EQ(edit->Label1->text(), QStringLiteral("ナズナ\nあなたに私のすべてを捧げます\n"));
    EXPECT_EQ(stored(Table::flower)[1], QStringList({"229", "flower229", "lang", "<null>"}));
    click(edit->Command1[0]);
    EXPECT_EQ(stored(Table::flower)[1], QStringList({"229", "ナズナ", "あなたに私のすべてを捧げます", ""}));
}

TEST_F(Dokoitu, ThePreviewIsTheBalloonsTextSoItWrapsAndRunsOverAsTheBalloonDoes) {
    dokoitu_01* list = openList();
    click(list->Command1[0]);
    dokoitu_02* edit = dokoitu_02::Instance();
    ASSERT_NE(edit, nullptr);
    const QString longLine =
        QStringLiteral("吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。");
    type(edit, longLine, longLine, longLine);
    click(edit->Command1[2]);

    EXPECT_NE(dynamic_cast<balloon::Label*>(edit->Label1), nullptr);
    EXPECT_EQ(edit->Label1->size(), QSize(137, 105));
    const QFont font = balloon::Font(edit);
    EXPECT_EQ(edit->Label1->font().pointSize(), font.pointSize());
    EXPECT_EQ(edit->Label1->font().family(), font.family());
    EXPECT_TRUE(edit->Label1->wordWrap());
    // Three long lines wrap at the balloon's width and need more height than the balloon has.
    EXPECT_GT(edit->Label1->heightForWidth(137), 105);
    // The preview's text is not the window's title.
    EXPECT_EQ(edit->windowTitle(), QStringLiteral("テキスト入力ウィンドウ"));
}

TEST_F(Dokoitu, AChangeToARowDeletedMeanwhileSaysSoAndKeepsTheWindowAndItsTexts) {
    shipped.exec("INSERT INTO User_Table VALUES (2, 'u2', '', '')");
    dokoitu_01* list = openList();
    clickRow(list, 3);
    click(list->Command1[1]);
    dokoitu_02* edit = dokoitu_02::Instance();
    ASSERT_NE(edit, nullptr);

    clickRow(list, 3);
    click(list->Command1[2]);
    ASSERT_EQ(stored(Table::User_Table), userRows());
    said.clear();

    type(edit, QStringLiteral("typed"), QString(), QString());
    click(edit->Command1[0]);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_TRUE(said[0].text.contains(QStringLiteral("ID 2"))) << said[0].text.toStdString();
    EXPECT_EQ(dokoitu_02::Instance(), edit);
    EXPECT_EQ(edit->Text1[0]->text(), QStringLiteral("typed"));
    EXPECT_EQ(stored(Table::User_Table), userRows());
}

TEST_F(Dokoitu, WithoutADatabaseTheListSaysSoAndAnAddKeepsItsTexts) {
    QTemporaryDir empty;
    qputenv("MORVIK_DATA", empty.path().toUtf8()); // put back by the shipped database's fixture
    dokoitu_01* list = openList();
    EXPECT_TRUE(shown(list).empty());
    EXPECT_TRUE(
        list->StatusBar1->currentMessage().startsWith(QStringLiteral("データベースの操作に失敗しました")))
        << list->StatusBar1->currentMessage().toStdString();

    click(list->Command1[0]);
    dokoitu_02* edit = dokoitu_02::Instance();
    type(edit, QStringLiteral("kept"), QString(), QString());
    click(edit->Command1[0]);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(dokoitu_02::Instance(), edit);
    EXPECT_EQ(edit->Text1[0]->text(), QStringLiteral("kept"));
}

} // namespace

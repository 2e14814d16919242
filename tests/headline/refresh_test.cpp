// A newer shipped dialogue database refreshes the program folder's copy: the headline sites are
// taken from it, but a site that keeps its id and dll_name keeps the headlines stored for it.
#include "headline_fixture.h"

using namespace headline_test;

namespace {

using Refresh = HeadlineTest;

TEST_F(Refresh, StoredHeadlinesStayWhereIdAndDllNameStay) {
    ASSERT_TRUE(build(
        {{0, QStringLiteral("ニュース"), QStringLiteral("news"), QStringLiteral("1"), QStringLiteral("0"),
          QStringLiteral("http://old.invalid/0.xml"), QStringLiteral("feed11.so")},
         {1, QStringLiteral("改名"), QStringLiteral("renamed"), QStringLiteral("1"), QStringLiteral("0"),
          QStringLiteral("http://old.invalid/1.xml"), QStringLiteral("feed11.so")},
         {2, QStringLiteral("そのまま"), QStringLiteral("same"), QStringLiteral("1"), QStringLiteral("0"),
          QStringLiteral("http://old.invalid/2.xml"), QStringLiteral("feed11.so")}},
        2));
    ASSERT_TRUE(heart::ensureCopy().ok);
    for (qint64 id : {0, 1, 2})
        runSql(copy(), "UPDATE hedline SET data = ?1, last_date = ?2 WHERE id = ?3",
               {QStringLiteral("見出し%1").arg(id), kEarlier, QString::number(id)});
    runSql(copy(), "UPDATE otaku SET WORD1 = 'edited' WHERE ID = 0");

    ASSERT_TRUE(build(
        {{0, QStringLiteral("ニュース"), QStringLiteral("news"), QStringLiteral("0"), QStringLiteral("0"),
          QStringLiteral("https://new.invalid/0.xml"), QStringLiteral("feed10.so")},
         {1, QStringLiteral("改名"), QStringLiteral("renamed2"), QStringLiteral("1"), QStringLiteral("0"),
          QStringLiteral("https://new.invalid/1.xml"), QStringLiteral("feed11.so")},
         {2, QStringLiteral("名前だけ変更"), QStringLiteral("same"), QStringLiteral("1"), QStringLiteral("0"),
          QStringLiteral("http://old.invalid/2.xml"), QStringLiteral("feed11.so")},
         {3, QStringLiteral("新しいサイト"), QStringLiteral("new"), QStringLiteral("1"), QStringLiteral("0"),
          QStringLiteral("https://new.invalid/3.xml"), QStringLiteral("feed11.so")}},
        3));
    const heart::CopyResult refreshed = heart::ensureCopy();
    ASSERT_TRUE(refreshed.ok) << refreshed.error.toStdString();
    EXPECT_EQ(refreshed.action, heart::CopyAction::refreshed);
    EXPECT_EQ(refreshed.version, 3);

    // Kept: the same id and dll_name, whatever else changed.
    EXPECT_EQ(data(0), QStringLiteral("見出し0"));
    EXPECT_EQ(lastDate(0), kEarlier);
    EXPECT_EQ(readColumn(copy(), "url", 0), QStringLiteral("https://new.invalid/0.xml"));
    EXPECT_EQ(readColumn(copy(), "ver_flag", 0), QStringLiteral("0"));
    EXPECT_EQ(data(2), QStringLiteral("見出し2"));
    EXPECT_EQ(readColumn(copy(), "name", 2), QStringLiteral("名前だけ変更"));
    // Dropped: another plug-in name is another site.
    EXPECT_EQ(data(1), std::nullopt);
    EXPECT_EQ(lastDate(1), std::nullopt);
    EXPECT_EQ(readColumn(copy(), "dll_name", 1), QStringLiteral("renamed2"));
    // Taken: a new row, and the new plug-ins.
    EXPECT_EQ(data(3), std::nullopt);
    EXPECT_EQ(readColumn(copy(), "name", 3), QStringLiteral("新しいサイト"));
    {
        auto db = sqlite_db::open(copy(), sqlite_db::Mode::readOnly);
        ASSERT_TRUE(db);
        const sqlite_db::Blob plugin(*db, "hedline", "dlldata", 0);
        ASSERT_TRUE(plugin.ok());
        EXPECT_EQ(plugin.piece(0, int(plugin.size())),
                  fileBytes(QStringLiteral(HEADLINE_PLUGIN_FOLDER "/feed10.so")));
    }
    // The user's talk table is as the user left it.
    auto db = sqlite_db::open(copy(), sqlite_db::Mode::readOnly);
    sqlite_db::Statement otaku(*db, "SELECT WORD1 FROM otaku WHERE ID = 0");
    ASSERT_EQ(otaku.step(), sqlite_db::Statement::Step::row);
    EXPECT_EQ(otaku.text(0), QStringLiteral("edited"));
}

// A copy whose table has no such columns to keep (an older form of it) still takes the new one.
TEST_F(Refresh, ACopyWithoutTheColumnsTakesTheNewTable) {
    ASSERT_TRUE(build({}, 2));
    ASSERT_TRUE(heart::ensureCopy().ok);
    runSql(copy(), "DROP TABLE hedline");
    runSql(copy(), "CREATE TABLE hedline (id INTEGER PRIMARY KEY NOT NULL, name TEXT)");
    ASSERT_TRUE(build(
        {{0, QStringLiteral("ニュース"), QStringLiteral("news"), QStringLiteral("1"), QStringLiteral("0"),
          QStringLiteral("https://new.invalid/0.xml"), QStringLiteral("feed11.so")}},
        3));
    const heart::CopyResult refreshed = heart::ensureCopy();
    ASSERT_TRUE(refreshed.ok) << refreshed.error.toStdString();
    EXPECT_EQ(refreshed.version, 3);
    EXPECT_EQ(readColumn(copy(), "dll_name", 0), QStringLiteral("news"));
}

} // namespace

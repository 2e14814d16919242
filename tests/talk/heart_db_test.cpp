#include "app/talk/heart_db.h"
#include "heart_fixture.h"
#include "test_home.h"
#include "tests/platform/file_size_limit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace {

heart::Connection openOrFail() {
    auto opened = heart::open();
    EXPECT_TRUE(opened.db.has_value()) << opened.error.toStdString();
    if (!opened.db)
        return heart::Connection(nullptr);
    return std::move(*opened.db);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Overwrites the first page of a table with garbage; the header and the schema on page 1 stay.
void damageTable(const QString& file, const char* table) {
    qint64 page = 0, size = 0;
    {
        auto db = sqlite_db::open(file, sqlite_db::Mode::readOnly);
        ASSERT_TRUE(db.has_value());
        heart::Statement root(*db, "SELECT rootpage FROM sqlite_master WHERE name = ?1");
        root.bind(1, QString::fromLatin1(table));
        ASSERT_EQ(root.step(), heart::Statement::Step::row);
        page = root.integer(0);
        heart::Statement pageSize(*db, "PRAGMA page_size");
        ASSERT_EQ(pageSize.step(), heart::Statement::Step::row);
        size = pageSize.integer(0);
    }
    ASSERT_GT(page, 1);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek((page - 1) * size));
    ASSERT_EQ(f.write(QByteArray(int(size), '\xA5')), size);
}

std::vector<int> ids(heart::Connection& db, heart::Table table) {
    std::vector<int> out;
    for (const auto& row : heart::listRows(db, table))
        out.push_back(row.id);
    return out;
}

TEST(HeartCopy, FirstUseCopiesTheShippedDatabaseAsAWritableFile) {
    TestHome home;
    ShippedDatabase shipped(3);
    QFile::setPermissions(shipped.path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);

    const heart::CopyResult result = heart::ensureCopy();
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.action, heart::CopyAction::copied);
    EXPECT_EQ(result.version, 3);
    EXPECT_EQ(flag::state.DbPath, home.file("morvik_heart.mdb"));
    EXPECT_TRUE(QFileInfo(flag::state.DbPath).permissions() & QFile::WriteOwner);
    EXPECT_EQ(heart::databaseVersion(flag::state.DbPath), 3);
    EXPECT_FALSE(QFileInfo::exists(flag::state.DbPath + ".part"));

    // A second use keeps the copy, and with it what the editors wrote.
    {
        auto db = openOrFail();
        ASSERT_TRUE(heart::changeRow(db, heart::Table::User_Table, 1, "mine", "", ""));
    }
    EXPECT_EQ(heart::ensureCopy().action, heart::CopyAction::none);
    auto db = openOrFail();
    EXPECT_EQ(heart::readWords(db, heart::Table::User_Table, 1)->word1, "mine");
}

TEST(HeartCopy, ANewerShippedVersionRefreshesOnlyTheTablesTheUserNeverEdits) {
    TestHome home;
    {
        ShippedDatabase v1(1);
        auto db = openOrFail();
        ASSERT_TRUE(heart::changeRow(db, heart::Table::otaku, 1, "edited", "by", "user"));
        ASSERT_TRUE(heart::changeRow(db, heart::Table::flower, 229, "my flower", "my words", ""));
        ASSERT_TRUE(heart::addRow(db, heart::Table::User_Table, 2, "added", "", ""));
        ASSERT_TRUE(db.exec("DELETE FROM otaku2"));
    }
    ShippedDatabase v2(2);
    v2.exec("INSERT INTO jiho VALUES (14, 'new chime', NULL, NULL);"
            "UPDATE otaku SET WORD1 = 'shipped v2';"
            "CREATE TABLE hedline (ID INTEGER PRIMARY KEY, url TEXT);"
            "CREATE INDEX hedline_url ON hedline (url);"
            "INSERT INTO hedline VALUES (1, 'site');");

    const heart::CopyResult result = heart::ensureCopy();
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.action, heart::CopyAction::refreshed);
    EXPECT_EQ(result.version, 2);
    EXPECT_EQ(heart::databaseVersion(home.file("morvik_heart.mdb")), 2);

    auto db = openOrFail();
    // Refreshed from the new database.
    EXPECT_EQ(heart::readWords(db, heart::Table::aisatu, 7)->word2, "v2");
    EXPECT_EQ(heart::readWords(db, heart::Table::jiho, 14)->word1, "new chime");
    heart::Statement hedline(db, "SELECT url FROM hedline WHERE ID = 1");
    ASSERT_EQ(hedline.step(), heart::Statement::Step::row);
    EXPECT_EQ(hedline.text(0), "site");
    heart::Statement index(db, "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = 'hedline_url'");
    EXPECT_EQ(index.step(), heart::Statement::Step::row);
    // Kept as the user left them, even the emptied otaku2.
    EXPECT_EQ(heart::readWords(db, heart::Table::otaku, 1)->word1, "edited");
    EXPECT_EQ(heart::readWords(db, heart::Table::otaku, 0)->word1, "o0");
    EXPECT_EQ(heart::readWords(db, heart::Table::flower, 229)->word1, "my flower");
    EXPECT_EQ(ids(db, heart::Table::User_Table), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(heart::countRows(db, heart::Table::otaku2), 0);
}

TEST(HeartCopy, AnEditableTableMissingFromTheCopyIsTakenFromTheNewVersion) {
    TestHome home;
    {
        ShippedDatabase v1(1);
        auto db = openOrFail();
        ASSERT_TRUE(db.exec("DROP TABLE flower"));
    }
    ShippedDatabase v2(2);
    auto db = openOrFail();
    EXPECT_EQ(heart::readWords(db, heart::Table::flower, 229)->word1, "flower229");
}

// A newer shipped database and a full disk: the refresh cannot be written. It is said once, with
// the file and the system's reason; she goes on with the copy she has, and the refresh is not
// tried again at every line (only at her next start, or with another shipped file).
TEST(HeartCopy, ARefreshThatCannotBeWrittenIsSaidOnceAndTheCopyServesAsItIs) {
    TestHome home;
    {
        ShippedDatabase v1(1);
        auto db = openOrFail();
        ASSERT_TRUE(heart::changeRow(db, heart::Table::otaku, 1, "edited", "by", "user"));
    }
    ShippedDatabase v2(2);
    // More than the disk takes: the new tables do not fit.
    v2.putClip("aisatu", "ID", "data", "7", QByteArray(256 * 1024, 'v'));
    std::vector<heart::CopyResult> results;
    testing::internal::CaptureStderr();
    {
        const FileSizeLimit full(64 * 1024);
        for (int line = 0; line < 3; ++line)
            results.push_back(heart::ensureCopy());
    }
    results.push_back(heart::ensureCopy());
    const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());

    for (const heart::CopyResult& result : results) {
        EXPECT_TRUE(result.ok);
        EXPECT_EQ(result.version, 1);
        EXPECT_NE(result.action, heart::CopyAction::refreshed);
    }
    EXPECT_EQ(said.count(QStringLiteral("morvik: ")), 1) << said.toStdString();
    EXPECT_TRUE(said.contains(home.file("morvik_heart.mdb"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QString::fromLocal8Bit(std::strerror(EFBIG)))) << said.toStdString();
    EXPECT_EQ(heart::databaseVersion(home.file("morvik_heart.mdb")), 1);
    auto db = openOrFail();
    EXPECT_EQ(heart::readWords(db, heart::Table::otaku, 1)->word1, "edited");
}

TEST(HeartCopy, AnOlderShippedVersionLeavesTheCopyAlone) {
    TestHome home;
    {
        ShippedDatabase v5(5);
        auto db = openOrFail();
    }
    ShippedDatabase v4(4);
    v4.exec("UPDATE aisatu SET WORD2 = 'older'");
    const heart::CopyResult result = heart::ensureCopy();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.action, heart::CopyAction::none);
    EXPECT_EQ(result.version, 5);
    auto db = openOrFail();
    EXPECT_EQ(heart::readWords(db, heart::Table::aisatu, 7)->word2, "v5");
}

TEST(HeartCopy, AForeignFileIsMovedAsideUnchangedAndReplaced) {
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"not a database", QByteArray("this is the user's text, not SQLite\n").repeated(200)},
        {"empty file", QByteArray()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestHome home;
        ShippedDatabase shipped(1);
        const QString copy = home.file("morvik_heart.mdb");
        {
            QFile f(copy);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.bytes);
        }
        const heart::CopyResult result = heart::ensureCopy();
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(result.action, heart::CopyAction::replacedForeign);
        EXPECT_EQ(result.setAside, copy + ".broken");
        EXPECT_EQ(readAll(result.setAside), c.bytes);
        EXPECT_EQ(heart::databaseVersion(copy), 1);
    }
}

TEST(HeartCopy, ASQLiteDatabaseOfSomebodyElseIsNotTakenForOurs) {
    TestHome home;
    ShippedDatabase shipped(1);
    const QString copy = home.file("morvik_heart.mdb");
    ShippedDatabase::runOn(copy, "CREATE TABLE other (x); INSERT INTO other VALUES (42)");
    QFile(copy + ".broken").open(QIODevice::WriteOnly); // an earlier set-aside file stays too

    const heart::CopyResult result = heart::ensureCopy();
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.setAside, copy + ".broken-2");
    EXPECT_TRUE(QFileInfo::exists(copy + ".broken"));
    EXPECT_EQ(heart::databaseVersion(copy), 1);
}

// A copy that cannot serve is moved aside whole and a fresh one takes its place; the move is said
// once on standard error, by the kept file's name, since what the user edited stays only there.
TEST(HeartCopy, ACopyThatCannotServeIsMovedAsideSaidOnceAndReplaced) {
    const struct {
        const char* name;
        void (*spoil)(const QString& copy);
    } cases[] = {
        {"pages damaged past the header", [](const QString& copy) { damageTable(copy, "otaku"); }},
        {"not a database",
         [](const QString& copy) {
             QFile f(copy);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
             f.write("the user's text, not SQLite\n");
         }},
        {"somebody else's database",
         [](const QString& copy) {
             QFile::remove(copy);
             ShippedDatabase::runOn(copy, "CREATE TABLE other (x)");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestHome home;
        ShippedDatabase shipped(1);
        const QString copy = home.file("morvik_heart.mdb");
        ASSERT_TRUE(heart::ensureCopy().ok);
        c.spoil(copy);
        const QByteArray spoilt = readAll(copy);

        testing::internal::CaptureStderr();
        const heart::CopyResult result = heart::ensureCopy();
        const heart::CopyResult again = heart::ensureCopy();
        const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());

        ASSERT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(result.action, heart::CopyAction::replacedForeign);
        EXPECT_EQ(result.setAside, copy + ".broken");
        EXPECT_EQ(readAll(result.setAside), spoilt);
        EXPECT_EQ(again.action, heart::CopyAction::none);
        EXPECT_TRUE(said.startsWith("morvik: " + copy)) << said.toStdString();
        EXPECT_EQ(said.count(copy + ".broken"), 1) << said.toStdString();
        EXPECT_EQ(said.count('\n'), 1) << said.toStdString();
        auto db = openOrFail();
        EXPECT_EQ(heart::readWords(db, heart::Table::otaku, 1)->word1, "o1");
    }
}

// A damaged shipped file is never copied: its copy would be moved aside again at every use.
TEST(HeartCopy, ADamagedShippedDatabaseIsNeverCopied) {
    TestHome home;
    ShippedDatabase shipped(1);
    damageTable(shipped.path(), "otaku");
    EXPECT_EQ(heart::databaseVersion(shipped.path()), std::nullopt);
    const heart::CopyResult result = heart::ensureCopy();
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains("damaged")) << result.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.file("morvik_heart.mdb")));
}

TEST(HeartCopy, WithoutAShippedDatabaseNothingIsCreated) {
    TestHome home;
    QTemporaryDir emptyData;
    const QByteArray saved = qgetenv("MORVIK_DATA");
    qputenv("MORVIK_DATA", emptyData.path().toUtf8());

    const heart::OpenResult opened = heart::open();
    EXPECT_FALSE(opened.db.has_value());
    EXPECT_FALSE(opened.error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(home.file("morvik_heart.mdb")));

    // A good copy still serves when the shipped file has gone.
    {
        ShippedDatabase shipped(1);
        ASSERT_TRUE(heart::ensureCopy().ok);
    }
    EXPECT_TRUE(heart::open().db.has_value());
    qputenv("MORVIK_DATA", saved);
}

class HeartRows : public ::testing::Test {
protected:
    TestHome home;
    ShippedDatabase shipped{1};
    heart::Connection db = openOrFail();
};

TEST_F(HeartRows, ReadsKeepNullApartFromEmptyText) {
    const auto jiho = heart::readWords(db, heart::Table::jiho, 13);
    ASSERT_TRUE(jiho);
    EXPECT_EQ(jiho->word1, "午後一時");
    EXPECT_FALSE(jiho->word2.has_value());
    EXPECT_FALSE(jiho->word3.has_value()); // jiho has no WORD3

    const auto user = heart::readWords(db, heart::Table::User_Table, 0);
    ASSERT_TRUE(user);
    EXPECT_EQ(user->word3, QString(""));
    EXPECT_FALSE(heart::readWords(db, heart::Table::otaku, 59).has_value());
    EXPECT_FALSE(heart::readWords(db, heart::Table::common, 1).has_value());
    ASSERT_TRUE(db.exec("INSERT INTO otaku2 VALUES (2, NULL, NULL, NULL)"));
    EXPECT_TRUE(heart::readWords(db, heart::Table::otaku2, 2)->allNull());
}

TEST_F(HeartRows, CountsListsAndVoiceNamesFollowTheIds) {
    EXPECT_EQ(heart::countRows(db, heart::Table::User_Table), 2);
    EXPECT_EQ(heart::countRows(db, heart::Table::blank), 0);
    ASSERT_TRUE(heart::addRow(db, heart::Table::User_Table, 5, "five", "", ""));
    ASSERT_TRUE(heart::addRow(db, heart::Table::User_Table, 3, "three", "", ""));
    EXPECT_EQ(ids(db, heart::Table::User_Table), (std::vector<int>{0, 1, 3, 5}));
    EXPECT_EQ(heart::voiceNames(db), (QStringList{"first", "second"}));
}

TEST_F(HeartRows, QuotesInTheUsersTextAreStoredAsTyped) {
    const QString tricky[] = {
        "マスター's",
        "a', WORD2 = 'hacked",
        "x'); DROP TABLE otaku; --",
    };
    ASSERT_TRUE(heart::addRow(db, heart::Table::User_Table, 2, tricky[0], tricky[1], tricky[2]));
    auto added = heart::readWords(db, heart::Table::User_Table, 2);
    ASSERT_TRUE(added);
    EXPECT_EQ(added->word1, tricky[0]);
    EXPECT_EQ(added->word2, tricky[1]);
    EXPECT_EQ(added->word3, tricky[2]);

    ASSERT_TRUE(heart::changeRow(db, heart::Table::otaku, 1, tricky[1], tricky[2], tricky[0]));
    const auto changed = heart::readWords(db, heart::Table::otaku, 1);
    EXPECT_EQ(changed->word1, tricky[1]);
    EXPECT_EQ(changed->word2, tricky[2]);
    EXPECT_EQ(changed->word3, tricky[0]);
    // Nothing else moved: the other row, the other table and the table itself are intact.
    EXPECT_EQ(heart::readWords(db, heart::Table::otaku, 0)->word2, "shipped");
    EXPECT_EQ(heart::readWords(db, heart::Table::User_Table, 1)->word2, "shipped");
    EXPECT_EQ(heart::countRows(db, heart::Table::otaku), 2);
}

TEST_F(HeartRows, ChangeAndDeleteNeedAnExistingRowAndTouchOnlyIt) {
    EXPECT_FALSE(heart::changeRow(db, heart::Table::User_Table, 7, "a", "b", "c"));
    EXPECT_FALSE(heart::deleteRow(db, heart::Table::User_Table, 7));
    EXPECT_EQ(heart::countRows(db, heart::Table::User_Table), 2);

    ASSERT_TRUE(heart::deleteRow(db, heart::Table::User_Table, 1));
    EXPECT_EQ(ids(db, heart::Table::User_Table), (std::vector<int>{0}));
    // The shipped, non-editable tables are never written through the editors' calls.
    EXPECT_FALSE(heart::addRow(db, heart::Table::aisatu, 8, "a", "b", "c"));
    EXPECT_FALSE(heart::changeRow(db, heart::Table::master_name, 1, "a", "b", "c"));
    EXPECT_FALSE(heart::deleteRow(db, heart::Table::common, 1));
    EXPECT_EQ(heart::readWords(db, heart::Table::master_name, 1)->word2, "shipped");
}

TEST_F(HeartRows, ANewRowTakesTheFirstFreeIdFromZero) {
    const struct {
        std::vector<int> present;
        int expected;
    } cases[] = {
        {{0, 1, 3}, 2},
        {{0, 1, 2}, 3},
        {{1, 2}, 0},
        {{}, 0},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(db.exec("DELETE FROM User_Table"));
        for (int id : c.present)
            ASSERT_TRUE(heart::addRow(db, heart::Table::User_Table, id, "w", "", ""));
        EXPECT_EQ(heart::firstFreeId(db, heart::Table::User_Table), c.expected)
            << ::testing::PrintToString(c.present);
    }
    // Adding to the emptied table works and the next id follows it.
    ASSERT_TRUE(db.exec("DELETE FROM User_Table"));
    ASSERT_TRUE(heart::addRow(db, heart::Table::User_Table, *heart::firstFreeId(db, heart::Table::User_Table),
                              "first", "", ""));
    EXPECT_EQ(ids(db, heart::Table::User_Table), (std::vector<int>{0}));
    EXPECT_EQ(heart::firstFreeId(db, heart::Table::User_Table), 1);
}

TEST(HeartTables, NamesRoundTripAndOnlyTheTalkTablesAreEditable) {
    for (int i = 0; i <= static_cast<int>(heart::Table::lunch_voice_master); ++i) {
        const auto table = static_cast<heart::Table>(i);
        EXPECT_EQ(heart::tableFromName(QString::fromLatin1(heart::tableName(table))), table);
        EXPECT_EQ(heart::isEditable(table),
                  heart::editableTableNames().contains(QString::fromLatin1(heart::tableName(table))));
    }
    EXPECT_EQ(heart::editableTableNames().size(), 4);
    EXPECT_FALSE(heart::tableFromName("user_table; drop").has_value());
}

} // namespace

#include "platform/sqlite_db/sqlite_db.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using sqlite_db::Statement;

class SqliteDb : public ::testing::Test {
protected:
    void SetUp() override {
        auto opened = sqlite_db::open(dir.filePath(QStringLiteral("t.db")), sqlite_db::Mode::create);
        ASSERT_TRUE(opened);
        db.emplace(std::move(*opened));
        ASSERT_TRUE(db->exec("CREATE TABLE t (id INTEGER PRIMARY KEY, s TEXT, b BLOB)"));
    }
    qint64 count() {
        Statement st(*db, "SELECT count(*) FROM t");
        return st.step() == Statement::Step::row ? st.integer(0) : -1;
    }
    QTemporaryDir dir;
    std::optional<sqlite_db::Connection> db;
};

TEST_F(SqliteDb, BoundTextsReachTheTableAsTheyAre) {
    Statement insert(*db, "INSERT INTO t (id, s) VALUES (?1, ?2)");
    for (const QString& text :
         {QStringLiteral("it's \"x\"; DROP TABLE t"), QString(), QStringLiteral("①㈱")}) {
        insert.reset();
        ASSERT_EQ(insert.bind(1, count() + 1).bind(2, text).step(), Statement::Step::done);
    }
    Statement select(*db, "SELECT s FROM t ORDER BY id");
    QStringList texts;
    while (select.step() == Statement::Step::row)
        texts << *select.text(0); // an empty text is stored as a text, not Null
    EXPECT_EQ(texts, QStringList({"it's \"x\"; DROP TABLE t", "", "①㈱"}));
}

TEST_F(SqliteDb, ATransactionRollsBackUnlessCommitted) {
    {
        sqlite_db::Transaction transaction(*db);
        ASSERT_TRUE(transaction.ok());
        ASSERT_TRUE(db->exec("INSERT INTO t (id) VALUES (1)"));
    }
    EXPECT_EQ(count(), 0);
    {
        sqlite_db::Transaction transaction(*db);
        ASSERT_TRUE(db->exec("INSERT INTO t (id) VALUES (1)"));
        EXPECT_TRUE(transaction.commit());
        EXPECT_FALSE(transaction.ok());
    }
    EXPECT_EQ(count(), 1);
}

TEST_F(SqliteDb, BlobPiecesAndTheirBounds) {
    QByteArray bytes(40000, Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    Statement insert(*db, "INSERT INTO t (id, b) VALUES (5, ?1)");
    ASSERT_EQ(insert.bind(1, bytes).step(), Statement::Step::done);
    sqlite_db::Blob blob(*db, "t", "b", 5);
    ASSERT_TRUE(blob.ok());
    EXPECT_EQ(blob.size(), 40000);
    EXPECT_EQ(blob.piece(16384, 16384), bytes.mid(16384, 16384));
    EXPECT_EQ(blob.piece(39999, 1), bytes.right(1));
    EXPECT_FALSE(blob.piece(39999, 2));
    EXPECT_FALSE(blob.piece(-1, 1));
    EXPECT_FALSE(sqlite_db::Blob(*db, "t", "b", 6).ok());
}

TEST_F(SqliteDb, AFailedPrepareFailsItsStep) {
    Statement bad(*db, "SELECT nothing FROM nowhere");
    EXPECT_FALSE(bad.ok());
    EXPECT_EQ(bad.bind(1, qint64(1)).step(), Statement::Step::error);
    EXPECT_FALSE(sqlite_db::open(dir.filePath(QStringLiteral("missing.db")), sqlite_db::Mode::readWrite));
}

} // namespace

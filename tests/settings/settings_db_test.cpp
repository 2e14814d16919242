#include "app/settings/settings_db.h"

#include "file_times.h"
#include "platform/look_batch.h"
#include "test_home.h"

#include <QDir>
#include <QFile>
#include <climits>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

using Values = std::vector<std::optional<QString>>;

struct Row {
    const char* table;
    int id;
    QStringList columns;
};

const std::vector<Row> kRows{
    {"mail", 1, {"Server", "User", "pass"}},
    {"mail", 2, {"Server", "User", "pass"}},
    {"mail", 3, {"Server", "User", "pass"}},
    {"sendml", 1, {"smtpSV", "smtpML"}},
    {"net_entry", 1, {"net_ent", "net_user", "net_pass"}},
};

// The file as SQLite itself sees it, bypassing the layer under test.
class RawDb {
public:
    explicit RawDb(const QString& path, int flags = SQLITE_OPEN_READWRITE) {
        EXPECT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, flags, nullptr), SQLITE_OK);
    }
    ~RawDb() { sqlite3_close_v2(db_); }
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    void exec(const char* sql) {
        char* message = nullptr;
        EXPECT_EQ(sqlite3_exec(db_, sql, nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
        sqlite3_free(message);
    }

    int count(const char* table) {
        sqlite3_stmt* statement = nullptr;
        const std::string sql = std::string("SELECT count(*) FROM ") + table;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            return -1;
        const int rows = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int(statement, 0) : -1;
        sqlite3_finalize(statement);
        return rows;
    }

private:
    sqlite3* db_ = nullptr;
};

void expectRowCounts(const QString& path) {
    RawDb db(path, SQLITE_OPEN_READONLY);
    EXPECT_EQ(db.count("mail"), 3);
    EXPECT_EQ(db.count("sendml"), 1);
    EXPECT_EQ(db.count("net_entry"), 1);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

unsigned mode(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    return info.st_mode & 07777;
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

TEST(SettingsDb, FirstUseMakesFiveNullRowsForTheOwnerOnly) {
    TestHome home;
    // With no umask to narrow it, only the layer itself keeps the file private.
    const mode_t previous = ::umask(0);
    const bool made = settings_db::ensure();
    ::umask(previous);
    ASSERT_TRUE(made);
    EXPECT_EQ(settings_db::path(), home.file(QStringLiteral("MAIL.INI")));
    EXPECT_EQ(mode(settings_db::path()), 0600u);
    expectRowCounts(settings_db::path());
    for (const Row& row : kRows) {
        SCOPED_TRACE(std::string(row.table) + " " + std::to_string(row.id));
        EXPECT_EQ(settings_db::readRow(QString::fromLatin1(row.table), row.id, row.columns),
                  Values(row.columns.size()));
        EXPECT_FALSE(settings_db::rowComplete(QString::fromLatin1(row.table), row.id, row.columns));
    }
    // A complete database is not written again.
    const QByteArray before = contents(settings_db::path());
    EXPECT_TRUE(settings_db::ensure());
    EXPECT_EQ(contents(settings_db::path()), before);
    EXPECT_EQ(filesIn(home.path()), QStringList{QStringLiteral("MAIL.INI")});
}

TEST(SettingsDb, ReadingFirstCreatesTheDatabaseToo) {
    TestHome home;
    EXPECT_EQ(settings_db::readRow(QStringLiteral("sendml"), 1, {QStringLiteral("smtpSV")}), Values(1));
    EXPECT_EQ(mode(settings_db::path()), 0600u);
}

TEST(SettingsDb, ExistingFileIsNarrowedToTheOwner) {
    TestHome home;
    ASSERT_TRUE(settings_db::ensure());
    ASSERT_TRUE(QFile::setPermissions(settings_db::path(), QFile::ReadOwner | QFile::WriteOwner |
                                                               QFile::ReadGroup | QFile::ReadOther));
    EXPECT_TRUE(settings_db::ensure());
    EXPECT_EQ(mode(settings_db::path()), 0600u);
}

TEST(SettingsDb, TextsAreStoredExactlyAsTyped) {
    TestHome home;
    const QStringList mailColumns{QStringLiteral("Server"), QStringLiteral("User"), QStringLiteral("pass")};
    const QStringList hostile{QStringLiteral("O'Brien's \"server\""),
                              QStringLiteral("'; DROP TABLE mail; --"),
                              QStringLiteral("\"); DELETE FROM sendml; --")};
    const QStringList odd{QStringLiteral("パスワード ?1 :id $x @y"), QString(),
                          QStringLiteral("line\nbreak\ttab")};
    ASSERT_TRUE(settings_db::updateRow(QStringLiteral("mail"), 2, mailColumns, hostile));
    ASSERT_TRUE(settings_db::updateRow(QStringLiteral("mail"), 3, mailColumns, odd));

    EXPECT_EQ(settings_db::readRow(QStringLiteral("mail"), 2, mailColumns),
              (Values{hostile[0], hostile[1], hostile[2]}));
    // The empty text is stored as an empty text, not as Null: row 3 counts as set.
    EXPECT_EQ(settings_db::readRow(QStringLiteral("mail"), 3, mailColumns),
              (Values{odd[0], QString(), odd[2]}));
    EXPECT_TRUE(settings_db::rowComplete(QStringLiteral("mail"), 3, mailColumns));
    EXPECT_EQ(settings_db::readRow(QStringLiteral("mail"), 1, mailColumns), Values(3));
    expectRowCounts(settings_db::path());
}

TEST(SettingsDb, NullColumnsReadAsNothing) {
    TestHome home;
    ASSERT_TRUE(settings_db::updateRow(QStringLiteral("mail"), 1,
                                       {QStringLiteral("server"), QStringLiteral("USER")},
                                       {QStringLiteral("pop.example.org"), QStringLiteral("me")}));
    const QStringList all{QStringLiteral("Server"), QStringLiteral("User"), QStringLiteral("pass")};
    EXPECT_EQ(settings_db::readRow(QStringLiteral("MAIL"), 1, all),
              (Values{QStringLiteral("pop.example.org"), QStringLiteral("me"), std::nullopt}));
    EXPECT_FALSE(settings_db::rowComplete(QStringLiteral("mail"), 1, all));
    EXPECT_TRUE(settings_db::rowComplete(QStringLiteral("mail"), 1,
                                         {QStringLiteral("Server"), QStringLiteral("User")}));
}

TEST(SettingsDb, UpdateOfAMissingRowFailsAndAddsNothing) {
    TestHome home;
    ASSERT_TRUE(settings_db::ensure());
    const std::vector<std::pair<const char*, int>> missing{
        {"mail", 0}, {"mail", 4}, {"mail", -1}, {"sendml", 2}, {"net_entry", 2}, {"mail", INT_MAX}};
    for (const auto& [table, id] : missing) {
        SCOPED_TRACE(std::string(table) + " " + std::to_string(id));
        const QStringList column{
            QString::fromLatin1(table) == QStringLiteral("mail")     ? QStringLiteral("Server")
            : QString::fromLatin1(table) == QStringLiteral("sendml") ? QStringLiteral("smtpSV")
                                                                     : QStringLiteral("net_ent")};
        EXPECT_FALSE(settings_db::updateRow(QString::fromLatin1(table), id, column, {QStringLiteral("x")}));
        EXPECT_EQ(settings_db::readRow(QString::fromLatin1(table), id, column), std::nullopt);
    }
    expectRowCounts(settings_db::path());
}

TEST(SettingsDb, RowRemovedBehindOurBackComesBackNull) {
    TestHome home;
    ASSERT_TRUE(settings_db::updateRow(QStringLiteral("mail"), 2, {QStringLiteral("Server")},
                                       {QStringLiteral("kept")}));
    ASSERT_TRUE(settings_db::updateRow(QStringLiteral("mail"), 1, {QStringLiteral("Server")},
                                       {QStringLiteral("gone")}));
    {
        RawDb db(settings_db::path());
        db.exec("DELETE FROM mail WHERE ID = 1");
        db.exec("DROP TABLE net_entry");
    }
    EXPECT_EQ(settings_db::readRow(QStringLiteral("mail"), 1, {QStringLiteral("Server")}), Values(1));
    EXPECT_EQ(settings_db::readRow(QStringLiteral("mail"), 2, {QStringLiteral("Server")}),
              Values{QStringLiteral("kept")});
    EXPECT_EQ(settings_db::readRow(QStringLiteral("net_entry"), 1, {QStringLiteral("net_ent")}), Values(1));
    expectRowCounts(settings_db::path());
}

TEST(SettingsDb, ReadingTakesNoWriteLock) {
    // The timers read the dial-up entry every 100 ms; a read must go on while another connection
    // (the settings dialog saving) holds the write lock, and must not wait for it.
    TestHome home;
    ASSERT_TRUE(
        settings_db::updateRow("net_entry", 1, {"net_ent", "net_user", "net_pass"}, {"isp", "u", "p"}));
    RawDb writer(settings_db::path());
    writer.exec("BEGIN IMMEDIATE");
    const auto row = settings_db::readRow("net_entry", 1, {"net_ent"});
    writer.exec("ROLLBACK");
    ASSERT_TRUE(row.has_value());
    EXPECT_EQ((*row)[0], QStringLiteral("isp"));
}

TEST(SettingsDb, UnknownNamesAreRefused) {
    TestHome home;
    ASSERT_TRUE(settings_db::updateRow(QStringLiteral("mail"), 1, {QStringLiteral("Server")},
                                       {QStringLiteral("mine")}));
    const QByteArray before = contents(settings_db::path());

    struct Call {
        const char* table;
        QStringList columns;
    };
    const std::vector<Call> refused{
        {"users", {QStringLiteral("Server")}},
        {"mail; DROP TABLE mail", {QStringLiteral("Server")}},
        {"sqlite_schema", {QStringLiteral("name")}},
        {"", {QStringLiteral("Server")}},
        {"mail", {QStringLiteral("ID")}},
        {"mail", {QStringLiteral("pass = 'x'; --")}},
        {"mail", {QStringLiteral("smtpSV")}}, // a column of another table
        {"mail", {QStringLiteral("Server"), QStringLiteral("server")}},
        {"mail", {QStringLiteral("Server"), QString()}},
    };
    for (const Call& call : refused) {
        SCOPED_TRACE(std::string(call.table) + " " + call.columns.join(QLatin1Char(',')).toStdString());
        QStringList values;
        for (int i = 0; i < call.columns.size(); ++i)
            values << QStringLiteral("v");
        EXPECT_FALSE(settings_db::updateRow(QString::fromLatin1(call.table), 1, call.columns, values));
        EXPECT_EQ(settings_db::readRow(QString::fromLatin1(call.table), 1, call.columns), std::nullopt);
        EXPECT_FALSE(settings_db::rowComplete(QString::fromLatin1(call.table), 1, call.columns));
    }
    // As many values as columns, and at least one column to write.
    EXPECT_FALSE(settings_db::updateRow(QStringLiteral("mail"), 1, {QStringLiteral("Server")}, {}));
    EXPECT_FALSE(settings_db::updateRow(QStringLiteral("mail"), 1, {QStringLiteral("Server")},
                                        {QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_FALSE(settings_db::updateRow(QStringLiteral("mail"), 1, {}, {}));

    EXPECT_EQ(contents(settings_db::path()), before);
    EXPECT_EQ(settings_db::readRow(QStringLiteral("mail"), 1, {QStringLiteral("Server")}),
              Values{QStringLiteral("mine")});
}

TEST(SettingsDb, SeveralRowsAreWrittenInOneTransactionOrNotAtAll) {
    TestHome home;
    const QStringList mail{"Server", "User", "pass"};
    ASSERT_TRUE(settings_db::updateRow("mail", 1, mail, {"old", "old", "old"}));
    const std::vector<settings_db::RowUpdate> rows{
        {"mail", 1, mail, {"pop.example.jp", "o'neil", "\"--"}},
        {"sendml", 1, {"smtpSV", "smtpML"}, {"smtp.example.jp", "漢字@example.jp"}},
    };

    // Refused before the commit: nothing of either row stays.
    bool ranInside = false;
    EXPECT_EQ(settings_db::updateRows(rows,
                                      [&] {
                                          // The transaction holds the file to itself while it is open.
                                          RawDb other(settings_db::path(), SQLITE_OPEN_READONLY);
                                          EXPECT_EQ(other.count("mail"), -1);
                                          ranInside = true;
                                          return false;
                                      }),
              settings_db::UpdateResult::notWritten);
    EXPECT_TRUE(ranInside);
    EXPECT_EQ(settings_db::readRow("mail", 1, mail), (Values{"old", "old", "old"}));
    EXPECT_EQ(settings_db::readRow("sendml", 1, {"smtpSV"}), Values(1));

    // A row that cannot be written takes the others with it, and the callback never runs.
    std::vector<settings_db::RowUpdate> withMissing = rows;
    withMissing.push_back({"net_entry", 2, {"net_ent"}, {"x"}});
    EXPECT_EQ(settings_db::updateRows(withMissing,
                                      [] {
                                          ADD_FAILURE() << "ran after a failed row";
                                          return true;
                                      }),
              settings_db::UpdateResult::notWritten);
    EXPECT_EQ(settings_db::readRow("mail", 1, mail), (Values{"old", "old", "old"}));

    EXPECT_EQ(settings_db::updateRows(rows, [] { return true; }), settings_db::UpdateResult::committed);
    EXPECT_EQ(settings_db::readRow("mail", 1, mail), (Values{"pop.example.jp", "o'neil", "\"--"}));
    EXPECT_EQ(settings_db::readRow("sendml", 1, {"smtpSV", "smtpML"}),
              (Values{"smtp.example.jp", "漢字@example.jp"}));
    expectRowCounts(settings_db::path());
}

TEST(SettingsDb, ADatabaseLockedElsewhereIsNotWritten) {
    TestHome home;
    ASSERT_TRUE(settings_db::updateRow("sendml", 1, {"smtpSV"}, {"kept"}));
    RawDb other(settings_db::path());
    other.exec("BEGIN IMMEDIATE");
    bool ran = false;
    EXPECT_EQ(settings_db::updateRows({{"sendml", 1, {"smtpSV"}, {"new"}}},
                                      [&] {
                                          ran = true;
                                          return true;
                                      }),
              settings_db::UpdateResult::notWritten);
    other.exec("ROLLBACK");
    EXPECT_FALSE(ran);
    EXPECT_EQ(settings_db::readRow("sendml", 1, {"smtpSV"}), Values{"kept"});
}

// A MAIL.INI that is not a readable settings database of ours: every use fails, and the file stays
// exactly as it was, with nothing beside it, for the user to take back.
enum class Damage { garbage, headerThenGarbage, damagedPages, foreignDatabase };

const char* nameOf(Damage damage) {
    switch (damage) {
    case Damage::garbage:
        return "Garbage";
    case Damage::headerThenGarbage:
        return "HeaderThenGarbage";
    case Damage::damagedPages:
        return "DamagedPages";
    case Damage::foreignDatabase:
        return "ForeignDatabase";
    }
    return "";
}

void PrintTo(Damage damage, std::ostream* os) {
    *os << nameOf(damage);
}

class DamagedFile : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedFile, IsNeitherUsedNorTouched) {
    TestHome home;
    const QString path = settings_db::path();
    switch (GetParam()) {
    case Damage::garbage:
        write(path, QByteArray("not a database at all\n").repeated(200));
        break;
    case Damage::headerThenGarbage:
        write(path, QByteArray("SQLite format 3", 16) + QByteArray(8192, '\xa5'));
        break;
    case Damage::damagedPages: {
        ASSERT_TRUE(settings_db::updateRow(QStringLiteral("mail"), 1, {QStringLiteral("pass")},
                                           {QStringLiteral("s")}));
        QByteArray bytes = contents(path);
        ASSERT_GT(bytes.size(), 4096);
        for (qsizetype i = 4096; i < bytes.size(); ++i)
            bytes[i] = char(0x5a ^ (i & 0xff));
        write(path, bytes);
        break;
    }
    case Damage::foreignDatabase: {
        RawDb db(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        db.exec("CREATE TABLE notes (body TEXT); INSERT INTO notes VALUES ('keep me')");
        break;
    }
    }
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    const QByteArray before = contents(path);
    ASSERT_FALSE(before.isEmpty());

    EXPECT_FALSE(settings_db::ensure());
    EXPECT_EQ(settings_db::readRow(QStringLiteral("mail"), 1, {QStringLiteral("Server")}), std::nullopt);
    EXPECT_FALSE(settings_db::rowComplete(QStringLiteral("mail"), 1, {QStringLiteral("Server")}));
    EXPECT_FALSE(
        settings_db::updateRow(QStringLiteral("mail"), 1, {QStringLiteral("Server")}, {QStringLiteral("x")}));

    EXPECT_EQ(contents(path), before);
    EXPECT_EQ(filesIn(home.path()), QStringList{QStringLiteral("MAIL.INI")});
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedFile,
                         ::testing::Values(Damage::garbage, Damage::headerThenGarbage, Damage::damagedPages,
                                           Damage::foreignDatabase),
                         [](const ::testing::TestParamInfo<Damage>& info) {
                             return std::string(nameOf(info.param));
                         });

// ---- reads served from memory --------------------------------------------------------------------

const QStringList kEntryColumns{QStringLiteral("net_ent"), QStringLiteral("net_user"),
                                QStringLiteral("net_pass")};

// Stores the dial-up entry named name (user "u", password "p").
void storeEntry(const char* name) {
    ASSERT_TRUE(settings_db::updateRow(QStringLiteral("net_entry"), 1, kEntryColumns,
                                       {QString::fromLatin1(name), QStringLiteral("u"), QStringLiteral("p")}));
}

std::optional<QString> entryName() {
    const auto row = settings_db::readRow(QStringLiteral("net_entry"), 1, kEntryColumns);
    return row ? (*row)[0] : std::nullopt;
}

struct ChangeCase {
    const char* name;
    std::function<void(const QString& path)> change; // turns the entry "isp-one" into "isp-two"
};
void PrintTo(const ChangeCase& c, std::ostream* os) {
    *os << c.name;
}

class ChangeBetweenReads : public ::testing::TestWithParam<ChangeCase> {};

// Every stamp is trusted at once and the file is dated long ago, so the change is seen by the
// file's stamp (or the write of our own) alone.
TEST_P(ChangeBetweenReads, TheNextReadSeesIt) {
    TestHome home;
    TrustedStamps trusted;
    storeEntry("isp-one");
    backdate(settings_db::path());
    ASSERT_EQ(entryName(), QStringLiteral("isp-one"));
    ASSERT_EQ(entryName(), QStringLiteral("isp-one"));
    GetParam().change(settings_db::path());
    EXPECT_EQ(entryName(), QStringLiteral("isp-two"));
}

// The dial-up watch reads within its beat's LookBatch: a change between two beats is seen by the
// second.
TEST_P(ChangeBetweenReads, TheNextBeatSeesIt) {
    TestHome home;
    TrustedStamps trusted;
    storeEntry("isp-one");
    backdate(settings_db::path());
    for (int beat = 0; beat < 2; ++beat) {
        const platform::LookBatch batch;
        ASSERT_EQ(entryName(), QStringLiteral("isp-one"));
    }
    GetParam().change(settings_db::path());
    const platform::LookBatch batch;
    EXPECT_EQ(entryName(), QStringLiteral("isp-two"));
}

// The settings dialog's save and a read in the same beat: the read gives what was saved.
TEST(SettingsDb, AnUpdateOfTheProgramIsSeenInTheSameMoment) {
    TestHome home;
    TrustedStamps trusted;
    storeEntry("isp-one");
    backdate(settings_db::path());
    const platform::LookBatch beat;
    ASSERT_EQ(entryName(), QStringLiteral("isp-one"));
    ASSERT_TRUE(settings_db::updateRow(QStringLiteral("net_entry"), 1, {QStringLiteral("net_ent")},
                                       {QStringLiteral("isp-two")}));
    EXPECT_EQ(entryName(), QStringLiteral("isp-two"));
}

INSTANTIATE_TEST_SUITE_P(
    Cache, ChangeBetweenReads,
    ::testing::Values(ChangeCase{"saved_by_the_settings_dialog",
                                 [](const QString&) {
                                     ASSERT_TRUE(settings_db::updateRow(QStringLiteral("net_entry"), 1,
                                                                        {QStringLiteral("net_ent")},
                                                                        {QStringLiteral("isp-two")}));
                                 }},
                      ChangeCase{"edited_by_hand",
                                 [](const QString& path) {
                                     RawDb db(path);
                                     db.exec("UPDATE net_entry SET net_ent = 'isp-two' WHERE ID = 1");
                                 }},
                      ChangeCase{"replaced_by_rename",
                                 [](const QString& path) {
                                     const QString next = path + QStringLiteral(".new");
                                     ASSERT_TRUE(QFile::copy(path, next));
                                     {
                                         RawDb db(next);
                                         db.exec("UPDATE net_entry SET net_ent = 'isp-two' WHERE ID = 1");
                                     }
                                     ASSERT_EQ(::rename(QFile::encodeName(next).constData(),
                                                        QFile::encodeName(path).constData()),
                                               0);
                                 }}),
    [](const auto& info) { return std::string(info.param.name); });

// In write-ahead-log mode another program's change lies in MAIL.INI-wal until a checkpoint; the
// database file itself is not touched.
TEST(SettingsDb, AChangeInTheWriteAheadLogIsSeen) {
    TestHome home;
    TrustedStamps trusted;
    storeEntry("isp-one");
    RawDb other(settings_db::path());
    other.exec("PRAGMA journal_mode = WAL");
    other.exec("UPDATE net_entry SET net_user = 'v' WHERE ID = 1");
    backdate(settings_db::path());
    backdate(settings_db::path() + QStringLiteral("-wal"));
    const QByteArray before = contents(settings_db::path());
    ASSERT_EQ(entryName(), QStringLiteral("isp-one"));
    other.exec("UPDATE net_entry SET net_ent = 'isp-two' WHERE ID = 1");
    ASSERT_EQ(contents(settings_db::path()), before) << "the change went to the log";
    EXPECT_EQ(entryName(), QStringLiteral("isp-two"));
}

} // namespace

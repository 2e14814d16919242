#pragma once
// The dialogue database morvik_heart.mdb: the character's lines and their voice clips.
//
// The program ships a read-only database in its data folder. The first use copies it into the
// program folder, because the talk-table editors write to it; the copy keeps the version of the
// shipped database it came from (SQLite's user_version). When a newer program ships a newer
// database, the next use replaces the tables the user never edits from it and keeps the editable
// tables (otaku, otaku2, User_Table, flower) as the user left them. The headline sites (hedline) are
// taken from it too, but a site that keeps its id and dll_name keeps the headlines and the time the
// program stored for it. A program-folder file that is not a dialogue database of ours, or whose
// pages SQLite's quick_check finds damaged, is moved aside (never deleted, and said on standard
// error with the kept file's name) and a fresh copy is made; a damaged shipped file is never copied.
// A refresh that cannot be written (a full disk) is said once on standard error, with the file and
// the reason, and not tried again while the shipped file stays the same: she goes on with the copy
// she has. The copy is readable by its owner alone (one an earlier install left was not).
//
// Every use opens its own connection with heart::open() and closes it when the Connection goes.
// Values reach SQL only as bound parameters; table names, which SQL cannot bind, come only from the
// fixed Table list. SQLite has no database password, so the database has none.
//
// All of this runs on the GUI thread; nothing here is safe to share between threads.
#include "app/state/flag.h"
#include "platform/sqlite_db/sqlite_db.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace heart {

// Marks a dialogue database of ours (PRAGMA application_id, "Mohv").
inline constexpr int kApplicationId = 0x4d6f6876;
inline constexpr char kFileName[] = "morvik_heart.mdb";

enum class Table {
    common,
    aisatu,
    jiho,
    otaku,
    otaku2,
    User_Table,
    flower,
    master_name,
    blank,
    lunch_voice_master
};

// What the program relies on of each table: its key column (a number, or a text for common and
// lunch_voice_master), how many WORD columns it has (WORD1 upward) and its voice-clip column.
struct TableShape {
    const char* name;
    const char* key;
    bool numberKey;
    int words;
    const char* clip; // nullptr: the table has no clips
};
const TableShape& shapeOf(Table table);

// The table's name in the database, as the program spells it.
const char* tableName(Table table);
std::optional<Table> tableFromName(const QString& name);
// otaku, otaku2, User_Table and flower: the tables the talk-table editors write.
bool isEditable(Table table);
// The shipped tables a newer shipped database must not overwrite in the program folder's copy.
const QStringList& editableTableNames();

// The database that ships with the program (data folder) and the program folder's working copy.
QString shippedPath();
QString copyPath();

// Connections and statements are the program's SQLite layer's.
using Connection = sqlite_db::Connection;
using Statement = sqlite_db::Statement;

// What a use of the database found to do with the program folder's copy.
enum class CopyAction { none, copied, refreshed, replacedForeign };

struct CopyResult {
    bool ok = false; // the copy is there and usable
    CopyAction action = CopyAction::none;
    int version = 0;  // the copy's version afterwards
    QString error;    // why ok is false, or why a refresh was not made
    QString setAside; // where a foreign or damaged file was moved, when it was
};

// Makes sure the program folder holds a current copy of the shipped database (see the top of this
// file). Succeeds without a shipped database as long as the copy is one of ours.
CopyResult ensureCopy();

// The version a dialogue database of ours carries, or nothing when the file is missing, unreadable,
// damaged or not ours.
std::optional<int> databaseVersion(const QString& path);

struct OpenResult {
    std::optional<Connection> db;
    QString error;
};

// ensureCopy(), then opens the copy for reading and writing; sets flag.DbPath to its path.
OpenResult open();
// open(), and when it fails says why on standard error: once, until an open works again, since
// the talk that needs it asks at every double-click and every hour.
OpenResult openOrSay();

// WORD1 to WORD3 of one row; a Null column is nothing, and a table without WORD3 gives nothing
// there.
struct Words {
    std::optional<QString> word1, word2, word3;
    bool allNull() const { return !word1 && !word2 && !word3; }
};

// The row of a table keyed by a number (every table but common, blank and lunch_voice_master), or
// nothing when it is missing or the table has no WORD columns.
std::optional<Words> readWords(Connection& db, Table table, int id);

// The number of rows, or nothing when the count fails.
std::optional<int> countRows(Connection& db, Table table);

struct ListedRow {
    int id = 0;
    Words words;
};
// Every row in ascending id, for the editors; empty when the table has no WORD columns.
std::vector<ListedRow> listRows(Connection& db, Table table);

// The id a new row takes: the lowest id from 0 upward that has no row (0 for an empty table).
std::optional<int> firstFreeId(Connection& db, Table table);

// The editors' writes. Texts are stored as given (an empty text as an empty text, never Null).
// changeRow and deleteRow succeed only when the row exists.
bool addRow(Connection& db, Table table, int id, const QString& w1, const QString& w2, const QString& w3);
bool changeRow(Connection& db, Table table, int id, const QString& w1, const QString& w2, const QString& w3);
bool deleteRow(Connection& db, Table table, int id);

// The launcher voices' names (vice_name) in ascending lunch_voice_id.
QStringList voiceNames(Connection& db);

} // namespace heart

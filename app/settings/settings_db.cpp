#include "app/settings/settings_db.h"

#include "platform/file_stamp.h"
#include "platform/program_folder.h"
#include "platform/quiet.h"
#include "platform/sqlite_db/sqlite_db.h"

#include <QFile>
#include <QMutex>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace settings_db {
namespace {

// Marks a settings database of ours (PRAGMA application_id, "Mosd").
constexpr int kApplicationId = 0x4d6f7364;

struct TableShape {
    const char* name;
    int rows; // ids 1 to rows
    std::array<const char*, 3> columns;
    int columnCount;
};

constexpr std::array<TableShape, 3> kTables{{
    {"mail", 3, {"Server", "User", "pass"}, 3},
    {"sendml", 1, {"smtpSV", "smtpML", nullptr}, 2},
    {"net_entry", 1, {"net_ent", "net_user", "net_pass"}, 3},
}};

// Names are matched as SQL matches them, without regard to case; statements always use the
// spelling above, so nothing the caller wrote reaches SQL.
const TableShape* tableNamed(const QString& name) {
    // The callers spell the names as the tables do; other cases are still found.
    for (const TableShape& table : kTables) {
        if (name == QLatin1String(table.name))
            return &table;
    }
    for (const TableShape& table : kTables) {
        if (name.compare(QLatin1String(table.name), Qt::CaseInsensitive) == 0)
            return &table;
    }
    return nullptr;
}

const char* columnNamed(const TableShape& table, const QString& name) {
    for (int i = 0; i < table.columnCount; ++i) {
        if (name.compare(QLatin1String(table.columns[i]), Qt::CaseInsensitive) == 0)
            return table.columns[i];
    }
    return nullptr;
}

// The fixed spellings of the named columns; nothing when one is unknown or named twice.
std::optional<std::vector<const char*>> checkColumns(const TableShape& table, const QStringList& names) {
    std::vector<const char*> columns;
    for (const QString& name : names) {
        const char* column = columnNamed(table, name);
        if (!column)
            return std::nullopt;
        for (const char* seen : columns) {
            if (seen == column)
                return std::nullopt;
        }
        columns.push_back(column);
    }
    return columns;
}

// The timers name the same columns of the same table ten times a second: the last answer is kept.
std::optional<std::vector<const char*>> checkedColumns(const TableShape& table, const QStringList& names) {
    struct Last {
        const TableShape* table = nullptr;
        QStringList names;
        std::optional<std::vector<const char*>> columns;
    };
    static thread_local Last last;
    if (last.table != &table || last.names != names)
        last = {&table, names, checkColumns(table, names)};
    return last.columns;
}

QByteArray quoted(const char* name) {
    return '"' + QByteArray(name) + '"';
}

using sqlite_db::Connection;
using sqlite_db::Statement;
using Db = std::optional<Connection>;

bool exec(Db& db, const QByteArray& sql) {
    return db->exec(sql);
}

std::optional<qint64> singleInteger(Db& db, const QByteArray& sql) {
    Statement statement(*db, sql);
    if (statement.step() != Statement::Step::row)
        return std::nullopt;
    return statement.integer(0);
}

// Makes the file, empty, readable by its owner only, before SQLite writes a byte into it (SQLite
// itself would create it readable by all, and its journal takes the file's mode). An existing
// file is only narrowed to the owner: it holds passwords.
bool makePrivateFile(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) {
        const bool ok = ::fchmod(fd, 0600) == 0;
        ::close(fd);
        return ok;
    }
    if (errno != EEXIST)
        return false;
    struct stat info {};
    if (::stat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if ((info.st_mode & 0777) != 0600 && ::chmod(path.constData(), 0600) != 0)
        return false;
    return true;
}

Db openFile(const QString& path) {
    // Never created here: the file was made above, with its mode.
    return sqlite_db::open(path, sqlite_db::Mode::readWrite);
}

QByteArray createStatement(const TableShape& table) {
    QByteArray sql = "CREATE TABLE IF NOT EXISTS " + quoted(table.name) +
                     " (ID INTEGER PRIMARY KEY CHECK (ID BETWEEN 1 AND " + QByteArray::number(table.rows) +
                     ")";
    for (int i = 0; i < table.columnCount; ++i)
        sql += ", " + quoted(table.columns[i]) + " TEXT";
    return sql + ")";
}

// Adds what is missing of the tables and rows in one transaction; a file that is neither empty
// nor one of ours is left as it is, and so is one SQLite cannot read.
bool completeSchema(Db& db) {
    sqlite_db::Transaction transaction(*db);
    if (!transaction.ok())
        return false;
    const std::optional<qint64> id = singleInteger(db, "PRAGMA application_id");
    const std::optional<qint64> objects = singleInteger(db, "SELECT count(*) FROM sqlite_schema");
    if (!id || !objects)
        return false;
    const bool fresh = *id == 0 && *objects == 0;
    if (!fresh && *id != kApplicationId)
        return false;
    if (fresh && !exec(db, "PRAGMA application_id = " + QByteArray::number(kApplicationId)))
        return false;
    for (const TableShape& table : kTables) {
        if (!exec(db, createStatement(table)))
            return false;
        for (int row = 1; row <= table.rows; ++row) {
            Statement insert(*db, "INSERT OR IGNORE INTO " + quoted(table.name) + " (ID) VALUES (?1)");
            if (insert.bind(1, row).step() != Statement::Step::done)
                return false;
        }
    }
    return transaction.commit();
}

// Whether the database already holds every table and row, found by reads alone: the timers read
// it every 100 ms, and that must not take the write lock each time.
bool schemaComplete(Db& db) {
    if (singleInteger(db, "PRAGMA application_id") != kApplicationId)
        return false;
    for (const TableShape& table : kTables) {
        const std::optional<qint64> rows =
            singleInteger(db, "SELECT count(*) FROM " + quoted(table.name) + " WHERE ID BETWEEN 1 AND " +
                                  QByteArray::number(table.rows));
        if (rows != table.rows)
            return false;
    }
    return true;
}

// An open connection to a complete settings database, or nothing.
Db openComplete() {
    platform::programFolder(); // made if missing
    const QString file = path();
    if (!makePrivateFile(QFile::encodeName(file)))
        return std::nullopt;
    Db db = openFile(file);
    if (!db)
        return std::nullopt;
    if (!schemaComplete(db) && !completeSchema(db))
        return std::nullopt;
    return db;
}

bool validRow(const TableShape& table, int id) {
    return id >= 1 && id <= table.rows;
}

// The timers read the dial-up entry ten times a second. The five rows are read together and kept,
// with the stamps of the file and of its write-ahead log taken before the read; they are read
// again when either stamp moves (see platform/file_stamp.h), and after every write of ours.
struct Snapshot {
    QString file;
    platform::FileStamp stamp, walStamp;
    // When watches stand behind both stamps: the count of FileStamp::watchedChanges before the
    // read, while which the snapshot holds without a look at the stamps.
    std::optional<quint64> changes;
    // By table (in kTables order), by row (ID - 1), by column (in the table's order).
    std::array<std::vector<std::array<std::optional<QString>, 3>>, kTables.size()> rows;
};

QMutex snapshotLock;
std::shared_ptr<const Snapshot> snapshot;

void forgetSnapshot() {
    QMutexLocker lock(&snapshotLock);
    snapshot.reset();
}

// Every row of every table, from a complete database; nothing when it cannot be read.
std::shared_ptr<const Snapshot> readAll() {
    auto fresh = std::make_shared<Snapshot>();
    fresh->file = path();
    fresh->stamp = platform::FileStamp::of(fresh->file);
    fresh->walStamp = platform::FileStamp::of(fresh->file + QStringLiteral("-wal"));
    Db db = openComplete();
    if (!db)
        return nullptr;
    for (std::size_t t = 0; t < kTables.size(); ++t) {
        const TableShape& table = kTables[t];
        QByteArray list = "ID";
        for (int c = 0; c < table.columnCount; ++c)
            list += ", " + quoted(table.columns[c]);
        for (int id = 1; id <= table.rows; ++id) {
            Statement one(*db, "SELECT " + list + " FROM " + quoted(table.name) + " WHERE ID = ?1");
            if (one.bind(1, id).step() != Statement::Step::row)
                return nullptr;
            std::array<std::optional<QString>, 3> values;
            for (int c = 0; c < table.columnCount; ++c)
                values[c] = one.text(c + 1);
            fresh->rows[t].push_back(values);
        }
    }
    return fresh;
}

// The rows as the file holds them now; nothing when it cannot be read.
std::shared_ptr<const Snapshot> current() {
    const QString file = path();
    const quint64 changes = platform::FileStamp::watchedChanges();
    {
        QMutexLocker lock(&snapshotLock);
        if (snapshot && snapshot->changes == changes && snapshot->file == file)
            return snapshot;
    }
    // The encoded paths of the file and its log, made again only when the program folder moves.
    static QMutex namesLock;
    static QString namedFile;
    static QByteArray encodedFile, encodedWal;
    QMutexLocker names(&namesLock);
    if (file != namedFile) {
        namedFile = file;
        encodedFile = QFile::encodeName(file);
        encodedWal = encodedFile + "-wal";
    }
    bool watchingFile = false, watchingWal = false;
    const platform::FileStamp stamp = platform::FileStamp::watched(encodedFile, &watchingFile);
    const platform::FileStamp walStamp = platform::FileStamp::watched(encodedWal, &watchingWal);
    names.unlock();
    QMutexLocker lock(&snapshotLock);
    if (!(snapshot && snapshot->file == file && platform::Fresh(snapshot->stamp, stamp) &&
          platform::Fresh(snapshot->walStamp, walStamp))) {
        snapshot = readAll();
        if (!snapshot) {
            // A lock given back or a failure gone changes no file: nothing tells of it.
            platform::quiet::unannounced();
            return nullptr;
        }
    }
    // A kept snapshot whose stamps still hold, or a fresh one: either is what the file holds from
    // the watches' start on, so any later change moves the count.
    if (watchingFile && watchingWal && snapshot->changes != changes) {
        auto marked = std::make_shared<Snapshot>(*snapshot);
        marked->changes = changes;
        snapshot = marked;
    }
    return snapshot;
}

} // namespace

QString path() {
    // Built again only when the program folder moves: the timers ask ten times a second.
    static QMutex lock;
    static QString folder, built;
    const QString now = platform::programFolderPath();
    QMutexLocker locker(&lock);
    if (now != folder || built.isEmpty()) {
        folder = now;
        built = now + QStringLiteral("/MAIL.INI");
    }
    return built;
}

bool ensure() {
    return openComplete().has_value();
}

std::optional<std::vector<std::optional<QString>>> readRow(const QString& tableName, int id,
                                                           const QStringList& columnNames) {
    // The dial-up watch asks for the same row ten times a second: the last answer of this thread
    // is given again while the snapshot it came from is the current one.
    struct Last {
        std::shared_ptr<const Snapshot> rows;
        QString table;
        int id = 0;
        QStringList columns;
        std::vector<std::optional<QString>> values;
    };
    static thread_local Last last;
    if (last.rows && last.id == id && last.table == tableName && last.columns == columnNames &&
        current() == last.rows)
        return last.values;

    const TableShape* table = tableNamed(tableName);
    if (!table)
        return std::nullopt;
    const std::optional<std::vector<const char*>> columns = checkedColumns(*table, columnNames);
    if (!columns || !validRow(*table, id))
        return std::nullopt;
    const std::shared_ptr<const Snapshot> rows = current();
    if (!rows)
        return std::nullopt;
    const std::size_t t = std::size_t(table - kTables.data());
    const std::array<std::optional<QString>, 3>& row = rows->rows[t][std::size_t(id - 1)];
    std::vector<std::optional<QString>> values;
    for (const char* column : *columns) {
        for (int c = 0; c < table->columnCount; ++c) {
            if (table->columns[c] == column)
                values.push_back(row[c]);
        }
    }
    last = {rows, tableName, id, columnNames, values};
    return values;
}

bool rowComplete(const QString& table, int id, const QStringList& columns) {
    const auto values = readRow(table, id, columns);
    if (!values)
        return false;
    for (const std::optional<QString>& value : *values) {
        if (!value)
            return false;
    }
    return true;
}

bool updateRow(const QString& table, int id, const QStringList& columns, const QStringList& values) {
    return updateRows({{table, id, columns, values}}) == UpdateResult::committed;
}

UpdateResult updateRows(const std::vector<RowUpdate>& rows, const std::function<bool()>& beforeCommit) {
    struct Prepared {
        const TableShape* table;
        std::vector<const char*> columns;
        const RowUpdate* row;
    };
    std::vector<Prepared> prepared;
    for (const RowUpdate& row : rows) {
        const TableShape* table = tableNamed(row.table);
        if (!table || row.columns.isEmpty() || row.columns.size() != row.values.size() ||
            !validRow(*table, row.id))
            return UpdateResult::notWritten;
        std::optional<std::vector<const char*>> columns = checkedColumns(*table, row.columns);
        if (!columns)
            return UpdateResult::notWritten;
        prepared.push_back({table, std::move(*columns), &row});
    }
    Db db = openComplete();
    // Exclusive from the start: once the rows are written, no reader can hold up the commit.
    if (!db || !exec(db, "BEGIN EXCLUSIVE"))
        return UpdateResult::notWritten;
    // Whatever comes of it, the next read looks at the file again.
    const auto rollback = [&db] {
        exec(db, "ROLLBACK");
        forgetSnapshot();
        return UpdateResult::notWritten;
    };
    for (const Prepared& p : prepared) {
        QByteArray assignments;
        for (int i = 0; i < int(p.columns.size()); ++i)
            assignments += (i ? ", " : "") + quoted(p.columns[i]) + " = ?" + QByteArray::number(i + 1);
        const int idIndex = int(p.columns.size()) + 1;
        Statement update(*db, "UPDATE " + quoted(p.table->name) + " SET " + assignments + " WHERE ID = ?" +
                                  QByteArray::number(idIndex));
        for (int i = 0; i < p.row->values.size(); ++i)
            update.bind(i + 1, p.row->values[i]);
        if (update.bind(idIndex, p.row->id).step() != Statement::Step::done ||
            sqlite3_changes(db->get()) != 1)
            return rollback();
    }
    if (beforeCommit && !beforeCommit())
        return rollback();
    if (!exec(db, "COMMIT")) {
        rollback();
        return UpdateResult::notCommitted;
    }
    forgetSnapshot();
    return UpdateResult::committed;
}

} // namespace settings_db

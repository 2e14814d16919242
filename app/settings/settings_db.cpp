#include "app/settings/settings_db.h"

#include "platform/program_folder.h"

#include <QFile>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace settings_db {
namespace {

constexpr int kBusyTimeoutMs = 2000;
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
std::optional<std::vector<const char*>> checkedColumns(const TableShape& table, const QStringList& names) {
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

QByteArray quoted(const char* name) {
    return '"' + QByteArray(name) + '"';
}

struct CloseDb {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Db = std::unique_ptr<sqlite3, CloseDb>;

struct Finalize {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

class Statement {
public:
    Statement(const Db& db, const QByteArray& sql) {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db.get(), sql.constData(), int(sql.size()), &raw, nullptr) == SQLITE_OK)
            stmt_.reset(raw);
        else
            sqlite3_finalize(raw);
    }

    bool ok() const { return stmt_ != nullptr && !failed_; }

    Statement& bind(int index, qint64 value) {
        if (ok() && sqlite3_bind_int64(stmt_.get(), index, value) != SQLITE_OK)
            failed_ = true;
        return *this;
    }

    Statement& bind(int index, const QString& value) {
        const QByteArray utf8 = value.toUtf8();
        // Never Null: an empty text stays an empty text.
        if (ok() && sqlite3_bind_text(stmt_.get(), index, utf8.isEmpty() ? "" : utf8.constData(),
                                      int(utf8.size()), SQLITE_TRANSIENT) != SQLITE_OK)
            failed_ = true;
        return *this;
    }

    // SQLITE_ROW, SQLITE_DONE, or an error code.
    int step() { return ok() ? sqlite3_step(stmt_.get()) : SQLITE_ERROR; }

    std::optional<QString> text(int column) const {
        if (sqlite3_column_type(stmt_.get(), column) == SQLITE_NULL)
            return std::nullopt;
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_.get(), column));
        return QString::fromUtf8(bytes, sqlite3_column_bytes(stmt_.get(), column));
    }

    qint64 integer(int column) const { return sqlite3_column_int64(stmt_.get(), column); }

private:
    std::unique_ptr<sqlite3_stmt, Finalize> stmt_;
    bool failed_ = false;
};

bool exec(const Db& db, const QByteArray& sql) {
    return sqlite3_exec(db.get(), sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::optional<qint64> singleInteger(const Db& db, const QByteArray& sql) {
    Statement statement(db, sql);
    if (statement.step() != SQLITE_ROW)
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

Db openFile(const QByteArray& path) {
    sqlite3* raw = nullptr;
    // Never SQLITE_OPEN_CREATE: the file was made above, with its mode.
    const int rc = sqlite3_open_v2(path.constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Db db(raw);
    if (rc != SQLITE_OK)
        return nullptr;
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    return db;
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
bool completeSchema(const Db& db) {
    if (!exec(db, "BEGIN IMMEDIATE"))
        return false;
    const auto rollback = [&db] {
        exec(db, "ROLLBACK");
        return false;
    };
    const std::optional<qint64> id = singleInteger(db, "PRAGMA application_id");
    const std::optional<qint64> objects = singleInteger(db, "SELECT count(*) FROM sqlite_schema");
    if (!id || !objects)
        return rollback();
    const bool fresh = *id == 0 && *objects == 0;
    if (!fresh && *id != kApplicationId)
        return rollback();
    if (fresh && !exec(db, "PRAGMA application_id = " + QByteArray::number(kApplicationId)))
        return rollback();
    for (const TableShape& table : kTables) {
        if (!exec(db, createStatement(table)))
            return rollback();
        for (int row = 1; row <= table.rows; ++row) {
            Statement insert(db, "INSERT OR IGNORE INTO " + quoted(table.name) + " (ID) VALUES (?1)");
            if (insert.bind(1, row).step() != SQLITE_DONE)
                return rollback();
        }
    }
    return exec(db, "COMMIT") || rollback();
}

// Whether the database already holds every table and row, found by reads alone: the timers read
// it every 100 ms, and that must not take the write lock each time.
bool schemaComplete(const Db& db) {
    if (singleInteger(db, "PRAGMA application_id") != kApplicationId)
        return false;
    for (const TableShape& table : kTables) {
        const std::optional<qint64> rows = singleInteger(
            db, "SELECT count(*) FROM " + quoted(table.name) + " WHERE ID BETWEEN 1 AND " +
                    QByteArray::number(table.rows));
        if (rows != table.rows)
            return false;
    }
    return true;
}

// An open connection to a complete settings database, or nothing.
Db openComplete() {
    const QByteArray file = QFile::encodeName(path());
    if (!makePrivateFile(file))
        return nullptr;
    Db db = openFile(file);
    if (!db)
        return nullptr;
    if (!schemaComplete(db) && !completeSchema(db))
        return nullptr;
    return db;
}

bool validRow(const TableShape& table, int id) {
    return id >= 1 && id <= table.rows;
}

} // namespace

QString path() {
    return platform::programFolder() + QStringLiteral("/MAIL.INI");
}

bool ensure() {
    return openComplete() != nullptr;
}

std::optional<std::vector<std::optional<QString>>> readRow(const QString& tableName, int id,
                                                           const QStringList& columnNames) {
    const TableShape* table = tableNamed(tableName);
    if (!table)
        return std::nullopt;
    const std::optional<std::vector<const char*>> columns = checkedColumns(*table, columnNames);
    if (!columns || !validRow(*table, id))
        return std::nullopt;
    const Db db = openComplete();
    if (!db)
        return std::nullopt;

    QByteArray list = "ID";
    for (const char* column : *columns)
        list += ", " + quoted(column);
    Statement select(db, "SELECT " + list + " FROM " + quoted(table->name) + " WHERE ID = ?1");
    if (select.bind(1, id).step() != SQLITE_ROW)
        return std::nullopt;
    std::vector<std::optional<QString>> values;
    for (int i = 0; i < int(columns->size()); ++i)
        values.push_back(select.text(i + 1));
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
    const Db db = openComplete();
    // Exclusive from the start: once the rows are written, no reader can hold up the commit.
    if (!db || !exec(db, "BEGIN EXCLUSIVE"))
        return UpdateResult::notWritten;
    const auto rollback = [&db] {
        exec(db, "ROLLBACK");
        return UpdateResult::notWritten;
    };
    for (const Prepared& p : prepared) {
        QByteArray assignments;
        for (int i = 0; i < int(p.columns.size()); ++i)
            assignments += (i ? ", " : "") + quoted(p.columns[i]) + " = ?" + QByteArray::number(i + 1);
        const int idIndex = int(p.columns.size()) + 1;
        Statement update(db, "UPDATE " + quoted(p.table->name) + " SET " + assignments + " WHERE ID = ?" +
                                 QByteArray::number(idIndex));
        for (int i = 0; i < p.row->values.size(); ++i)
            update.bind(i + 1, p.row->values[i]);
        if (update.bind(idIndex, p.row->id).step() != SQLITE_DONE || sqlite3_changes(db.get()) != 1)
            return rollback();
    }
    if (beforeCommit && !beforeCommit())
        return rollback();
    if (!exec(db, "COMMIT")) {
        exec(db, "ROLLBACK");
        return UpdateResult::notCommitted;
    }
    return UpdateResult::committed;
}

} // namespace settings_db

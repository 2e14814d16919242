#pragma once
// The program's databases on SQLite: one open connection, bound statements, transactions and
// pieces of long binary columns. Values reach SQL only as bound parameters. A connection belongs to
// the thread that opened it.
#include <QByteArray>
#include <QString>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_blob;

namespace sqlite_db {

// One open connection; closed when the object goes.
class Connection {
public:
    explicit Connection(sqlite3* db) : db_(db) {}
    ~Connection();
    Connection(Connection&& other) noexcept : db_(other.db_) { other.db_ = nullptr; }
    Connection& operator=(Connection&& other) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* get() const { return db_; }
    // The text of the last failure on this connection.
    QString error() const;
    // Runs SQL that binds nothing and returns no rows; false on failure (see error()).
    bool exec(const char* sql);
    bool exec(const QByteArray& sql) { return exec(sql.constData()); }

private:
    sqlite3* db_ = nullptr;
};

enum class Mode { readOnly, readWrite, create };

// Opens the file (create: made when missing) with a short busy wait; nothing when it cannot be
// opened.
std::optional<Connection> open(const QString& path, Mode mode);

// One prepared statement; finalised when the object goes. A failed prepare or bind makes step()
// answer Step::error, so a caller may bind and step without testing each call.
class Statement {
public:
    Statement(Connection& db, const char* sql);
    Statement(Connection& db, const QByteArray& sql) : Statement(db, sql.constData()) {}
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return stmt_ != nullptr && !failed_; }
    sqlite3_stmt* get() const { return stmt_; }

    // Parameters count from 1, as in SQLite.
    Statement& bind(int index, qint64 value);
    Statement& bind(int index, const QString& value);
    Statement& bind(int index, const std::optional<QString>& value);
    Statement& bind(int index, const QByteArray& blob);
    Statement& bindNull(int index);

    enum class Step { row, done, error };
    Step step();
    // Whether the failure was another connection's lock outlasting the busy wait (the database is
    // in use), rather than a fault of the statement or the file.
    bool busy() const { return busy_; }
    // Makes the statement ready to step again with new values (bindings cleared).
    void reset();
    // Columns count from 0. A Null text reads as nothing.
    std::optional<QString> text(int column) const;
    qint64 integer(int column) const;
    bool isNull(int column) const;

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    bool failed_ = false;
    bool busy_ = false;
};

// A transaction that rolls back unless committed before it goes.
class Transaction {
public:
    explicit Transaction(Connection& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool ok() const { return open_; } // BEGIN succeeded and neither commit nor rollback ran
    bool commit();
    void rollback();

private:
    Connection& db_;
    bool open_ = false;
};

// A long binary column of one row, read in pieces without loading it whole.
class Blob {
public:
    // table and column come from the caller's fixed names, never from input.
    Blob(Connection& db, const char* table, const char* column, qint64 rowid);
    ~Blob();
    Blob(const Blob&) = delete;
    Blob& operator=(const Blob&) = delete;

    bool ok() const { return blob_ != nullptr; }
    qint64 size() const; // bytes; 0 when not open
    // length bytes from offset; nothing when the range is outside the column or the read fails.
    std::optional<QByteArray> piece(qint64 offset, int length) const;

private:
    sqlite3_blob* blob_ = nullptr;
};

} // namespace sqlite_db

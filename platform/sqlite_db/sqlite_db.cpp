#include "sqlite_db.h"

#include <QFile>
#include <sqlite3.h>
#include <utility>

namespace sqlite_db {
namespace {
constexpr int kBusyTimeoutMs = 2000;

bool isBusy(int rc) {
    return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED;
}
} // namespace

Connection::~Connection() {
    sqlite3_close(db_);
}

Connection& Connection::operator=(Connection&& other) noexcept {
    if (this != &other) {
        sqlite3_close(db_);
        db_ = std::exchange(other.db_, nullptr);
    }
    return *this;
}

QString Connection::error() const {
    return db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("no database connection");
}

bool Connection::exec(const char* sql) {
    return db_ && sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::optional<Connection> open(const QString& path, Mode mode) {
    int flags = SQLITE_OPEN_FULLMUTEX;
    switch (mode) {
    case Mode::readOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case Mode::readWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case Mode::create:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    }
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    Connection db(raw);
    if (rc != SQLITE_OK)
        return std::nullopt;
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    return db;
}

Statement::Statement(Connection& db, const char* sql) : db_(db.get()) {
    const int rc = db_ ? sqlite3_prepare_v2(db_, sql, -1, &stmt_, nullptr) : SQLITE_MISUSE;
    if (rc != SQLITE_OK) {
        busy_ = isBusy(rc);
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement& Statement::bind(int index, qint64 value) {
    if (!stmt_ || sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK)
        failed_ = true;
    return *this;
}

Statement& Statement::bind(int index, const QString& value) {
    const QByteArray utf8 = value.toUtf8();
    // Never Null: an empty text stays an empty text.
    if (!stmt_ || sqlite3_bind_text(stmt_, index, utf8.isEmpty() ? "" : utf8.constData(), int(utf8.size()),
                                    SQLITE_TRANSIENT) != SQLITE_OK)
        failed_ = true;
    return *this;
}

Statement& Statement::bind(int index, const std::optional<QString>& value) {
    return value ? bind(index, *value) : bindNull(index);
}

Statement& Statement::bind(int index, const QByteArray& blob) {
    if (!stmt_ ||
        sqlite3_bind_blob(stmt_, index, blob.constData(), int(blob.size()), SQLITE_TRANSIENT) != SQLITE_OK)
        failed_ = true;
    return *this;
}

Statement& Statement::bindNull(int index) {
    if (!stmt_ || sqlite3_bind_null(stmt_, index) != SQLITE_OK)
        failed_ = true;
    return *this;
}

Statement::Step Statement::step() {
    if (!ok())
        return Step::error;
    switch (const int rc = sqlite3_step(stmt_)) {
    case SQLITE_ROW:
        return Step::row;
    case SQLITE_DONE:
        return Step::done;
    default:
        failed_ = true;
        busy_ = isBusy(rc);
        return Step::error;
    }
}

void Statement::reset() {
    if (!stmt_)
        return;
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    failed_ = false;
}

std::optional<QString> Statement::text(int column) const {
    if (!stmt_ || sqlite3_column_type(stmt_, column) == SQLITE_NULL)
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return QString::fromUtf8(bytes, sqlite3_column_bytes(stmt_, column));
}

qint64 Statement::integer(int column) const {
    return stmt_ ? sqlite3_column_int64(stmt_, column) : 0;
}

bool Statement::isNull(int column) const {
    return !stmt_ || sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

Transaction::Transaction(Connection& db) : db_(db) {
    open_ = db_.exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    rollback();
}

bool Transaction::commit() {
    if (!open_)
        return false;
    if (!db_.exec("COMMIT")) {
        rollback();
        return false;
    }
    open_ = false;
    return true;
}

void Transaction::rollback() {
    if (open_)
        db_.exec("ROLLBACK");
    open_ = false;
}

Blob::Blob(Connection& db, const char* table, const char* column, qint64 rowid) {
    if (!db.get() || sqlite3_blob_open(db.get(), "main", table, column, rowid, 0, &blob_) != SQLITE_OK) {
        sqlite3_blob_close(blob_);
        blob_ = nullptr;
    }
}

Blob::~Blob() {
    sqlite3_blob_close(blob_);
}

qint64 Blob::size() const {
    return blob_ ? sqlite3_blob_bytes(blob_) : 0;
}

std::optional<QByteArray> Blob::piece(qint64 offset, int length) const {
    if (!blob_ || offset < 0 || length < 0 || offset + length > size())
        return std::nullopt;
    if (length == 0)
        return QByteArray();
    QByteArray bytes(length, Qt::Uninitialized);
    if (sqlite3_blob_read(blob_, bytes.data(), length, int(offset)) != SQLITE_OK)
        return std::nullopt;
    return bytes;
}

} // namespace sqlite_db

#include "mail_cache.h"

#include "platform/program_folder.h"
#include "platform/sqlite_db/sqlite_db.h"

#include <QFile>

namespace mail::cache {
namespace {

using sqlite_db::Statement;

Row rowOf(const Statement& st) {
    Row row;
    row.id = st.integer(0);
    row.subject = st.text(1).value_or(QString());
    row.from = st.text(2).value_or(QString());
    row.date = st.text(3).value_or(QString());
    row.body = st.text(4).value_or(QString());
    row.user = st.text(5).value_or(QString());
    return row;
}

} // namespace

QString path() {
    return platform::tempFolder() + QStringLiteral("/temp.mdb");
}

bool create() {
    const QString file = path();
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(file + QLatin1String(suffix));
    auto db = sqlite_db::open(file, sqlite_db::Mode::create);
    if (!db)
        return false;
    // TEXT where the cache of old had long texts: a column of NUMERIC affinity would read "007" as 7.
    return db->exec("Create Table get_mail  (ID Integer Constraint PK Primary key"
                    ", TEMP1 TEXT,TEMP2 TEXT ,TEMP3 TEXT,TEMP4 TEXT,TEMP5 TEXT)");
}

bool append(const std::vector<Row>& rows) {
    auto db = sqlite_db::open(path(), sqlite_db::Mode::readWrite);
    if (!db)
        return false;
    sqlite_db::Transaction transaction(*db);
    if (!transaction.ok())
        return false;
    Statement insert(
        *db, "INSERT INTO get_mail (ID, TEMP1, TEMP2, TEMP3, TEMP4, TEMP5) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    for (const Row& row : rows) {
        insert.reset();
        insert.bind(1, row.id)
            .bind(2, row.subject)
            .bind(3, row.from)
            .bind(4, row.date)
            .bind(5, row.body)
            .bind(6, row.user);
        if (insert.step() != Statement::Step::done)
            return false;
    }
    return transaction.commit();
}

std::optional<std::vector<Row>> readAll() {
    auto db = sqlite_db::open(path(), sqlite_db::Mode::readOnly);
    if (!db)
        return std::nullopt;
    Statement select(*db, "SELECT ID, TEMP1, TEMP2, TEMP3, TEMP4, TEMP5 FROM get_mail ORDER BY ID");
    std::vector<Row> rows;
    for (;;) {
        switch (select.step()) {
        case Statement::Step::row:
            rows.push_back(rowOf(select));
            continue;
        case Statement::Step::done:
            return rows;
        case Statement::Step::error:
            return std::nullopt;
        }
    }
}

std::optional<Row> read(qint64 id) {
    auto db = sqlite_db::open(path(), sqlite_db::Mode::readOnly);
    if (!db)
        return std::nullopt;
    Statement select(*db, "SELECT ID, TEMP1, TEMP2, TEMP3, TEMP4, TEMP5 FROM get_mail WHERE ID = ?1");
    if (select.bind(1, id).step() != Statement::Step::row)
        return std::nullopt;
    return rowOf(select);
}

} // namespace mail::cache

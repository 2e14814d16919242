#pragma once
// The mail cache temp.mdb in the program's temporary folder: the messages of the last download, a
// row each in the table get_mail (ID from 1 in the order written; TEMP1 subject, TEMP2 sender,
// TEMP3 date, TEMP4 body, TEMP5 the account's user name), for the mail list. Its columns are TEXT,
// so a subject such as "007" comes back as written. GUI thread only.
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace mail::cache {

QString path();

// Replaces any cache, with the journal files SQLite may have left beside it (a stale journal would
// roll into the new file), by a new, empty one. False when it could not be made.
bool create();

struct Row {
    qint64 id = 0;
    QString subject, from, date, body, user;
};

// Appends the rows of one account in one transaction: all of them or none. The ids are the rows'
// own. False (nothing stored) when the cache cannot be opened or a row cannot be written.
bool append(const std::vector<Row>& rows);

// Every row in ID order, or nothing when the cache cannot be read.
std::optional<std::vector<Row>> readAll();
// One row by its ID.
std::optional<Row> read(qint64 id);

} // namespace mail::cache

#pragma once
// The settings database MAIL.INI in the program folder: the three POP3 accounts (table `mail`,
// rows 1 to 3: `Server`, `User`, `pass`), the SMTP server and sender (table `sendml`, row 1:
// `smtpSV`, `smtpML`) and the dial-up entry (table `net_entry`, row 1: `net_ent`, `net_user`,
// `net_pass`). An SQLite file despite its name, created on first use (mode 0600, since it holds
// passwords) with its five rows and every column Null; rows are only ever updated, never inserted
// or deleted. Every statement binds its values. The five rows are read together and kept while
// the file (and its write-ahead log) keep their stamps (platform/file_stamp.h), so a read of an
// unchanged database touches no lock; an update of ours, an edit by another program and a
// replacement of the file are all seen by the next read.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace settings_db {

// The database file: the program folder's MAIL.INI.
QString path();

// Creates the file with its tables and five rows when missing (a missing row is added back).
// False when it cannot be created or opened.
bool ensure();

// The named columns of one row, each nothing when Null; nothing at all when the database or the
// row cannot be read. Table and column names must be among those above.
std::optional<std::vector<std::optional<QString>>> readRow(const QString& table, int id,
                                                           const QStringList& columns);

// True when the row exists and none of the named columns is Null.
bool rowComplete(const QString& table, int id, const QStringList& columns);

// Updates the named columns of one existing row with the values, bound as parameters.
// False when the database cannot be written or the row is missing.
bool updateRow(const QString& table, int id, const QStringList& columns, const QStringList& values);

// One row's update: the named columns of row id of table take the values.
struct RowUpdate {
    QString table;
    int id = 0;
    QStringList columns;
    QStringList values;
};

enum class UpdateResult {
    committed,    // every row was updated and stays so
    notWritten,   // the database could not be written (locked elsewhere past the wait, a row missing,
                  // a name not among those above) or beforeCommit said no: nothing changed
    notCommitted, // beforeCommit ran and said yes, but the commit failed: the database is as it was
};

// Updates the rows in one transaction, values bound as parameters. While the transaction is open
// and holds the database to itself, beforeCommit (when given) runs; the rows are committed only
// when it returns true, else they are rolled back. No rows at all still runs beforeCommit in a
// transaction.
UpdateResult updateRows(const std::vector<RowUpdate>& rows, const std::function<bool()>& beforeCommit = {});

} // namespace settings_db

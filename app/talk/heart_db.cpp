#include "heart_db.h"

#include "platform/program_folder.h"

#include <QFile>
#include <QFileInfo>
#include <array>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace heart {
namespace {

constexpr std::array<TableShape, 10> kShapes{{
    {"common", "id", false, 0, "data"},
    {"aisatu", "ID", true, 2, "data"},
    {"jiho", "ID", true, 2, "data"},
    {"otaku", "ID", true, 3, nullptr},
    {"otaku2", "ID", true, 3, nullptr},
    {"User_Table", "ID", true, 3, nullptr},
    {"flower", "ID", true, 3, nullptr},
    {"master_name", "ID", true, 2, "data"},
    {"blank", "ID", true, 0, nullptr},
    {"lunch_voice_master", "lunch_voice_id", false, 0, "voice_data"},
}};

QByteArray quotedName(const QString& name) {
    QByteArray utf8 = name.toUtf8();
    utf8.replace('"', "\"\"");
    return '"' + utf8 + '"';
}

std::optional<qint64> singleInteger(Connection& db, const char* sql) {
    Statement st(db, sql);
    if (st.step() != Statement::Step::row)
        return std::nullopt;
    return st.integer(0);
}

// The WORD column list of a table ("WORD1, WORD2, WORD3").
QByteArray wordColumns(const TableShape& shape) {
    QByteArray list;
    for (int i = 1; i <= shape.words; ++i)
        list += (i > 1 ? ", WORD" : "WORD") + QByteArray::number(i);
    return list;
}

Words readWordColumns(const Statement& st, int first, int count) {
    Words words;
    if (count >= 1)
        words.word1 = st.text(first);
    if (count >= 2)
        words.word2 = st.text(first + 1);
    if (count >= 3)
        words.word3 = st.text(first + 2);
    return words;
}

bool writable(Table table) {
    return isEditable(table) && shapeOf(table).words == 3;
}

// What a look at a file found: the version of a sound dialogue database of ours, or why it is not
// one to use.
struct Look {
    std::optional<int> version;
    QString problem; // empty when the file is missing or sound
};

// Reading the header alone would pass a copy whose later pages are garbage; she would then find
// no line at all. Only a verdict of SQLite's own check, or an error that says damage, condemns the
// file: a busy one is not damaged.
QString damageOf(Connection& db) {
    Statement st(db, "PRAGMA quick_check(1)");
    switch (st.step()) {
    case Statement::Step::row: {
        const QString verdict = st.text(0).value_or(QString());
        // SQLite spreads its verdict over lines; standard error says it on one.
        return verdict == QLatin1String("ok") ? QString() : verdict.simplified();
    }
    case Statement::Step::done:
        return {};
    case Statement::Step::error:
        break;
    }
    const int code = sqlite3_errcode(db.get());
    if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB)
        return db.error();
    return {};
}

// Every line she says opens the copy and looks at the shipped file: a file found sound is not
// checked again while it stays as it was then (the same inode, size and change time to the
// nanosecond; any write to the file itself changes the last). The headline stores go to the
// write-ahead log first and reach the file only at a checkpoint: SQLite's own pages, which the
// check need not see before then.
struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec changed{};
    bool operator==(const Stamp& o) const {
        return device == o.device && inode == o.inode && size == o.size && changed.tv_sec == o.changed.tv_sec &&
               changed.tv_nsec == o.changed.tv_nsec;
    }
};
std::optional<Stamp> stampOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return Stamp{st.st_dev, st.st_ino, st.st_size, st.st_ctim};
}
std::vector<std::pair<QString, Stamp>>& foundSound() {
    static std::vector<std::pair<QString, Stamp>> files;
    return files;
}
bool checkedSound(const QString& path) {
    const std::optional<Stamp> now = stampOf(path);
    for (const auto& [file, stamp] : foundSound())
        if (file == path)
            return now && *now == stamp;
    return false;
}
void rememberSound(const QString& path) {
    const std::optional<Stamp> now = stampOf(path);
    auto& files = foundSound();
    std::erase_if(files, [&](const auto& entry) { return entry.first == path; });
    if (now)
        files.emplace_back(path, *now);
}

Look look(const QString& path, sqlite_db::Mode mode) {
    Look found;
    if (!QFileInfo(path).isFile())
        return found;
    const QString notOurs = QStringLiteral("is not a dialogue database");
    auto db = sqlite_db::open(path, mode);
    if (!db) {
        found.problem = notOurs;
        return found;
    }
    const auto id = singleInteger(*db, "PRAGMA application_id");
    const auto version = singleInteger(*db, "PRAGMA user_version");
    if (!id || *id != kApplicationId || !version) {
        found.problem = notOurs;
        return found;
    }
    if (const QString damage = checkedSound(path) ? QString() : damageOf(*db); !damage.isEmpty()) {
        found.problem = QStringLiteral("is damaged (%1)").arg(damage);
        return found;
    }
    rememberSound(path);
    found.version = static_cast<int>(*version);
    return found;
}

// A non-editable table whose rows also hold what the program stored in the copy: the refresh takes
// the shipped rows but keeps the copy's stored columns where a row is still the same one (all of
// its match columns equal). The headline sites keep their last headlines and their time.
struct KeptColumns {
    const char* table;
    const char* select; // the match and kept columns, as the copy's table gives them
    const char* update; // sets the kept columns from temp.kept where the match columns agree
};
constexpr KeptColumns kKept[] = {
    {"hedline", "SELECT id, dll_name, data, last_date FROM main.hedline",
     "UPDATE main.hedline SET data = k.data, last_date = k.last_date FROM temp.kept AS k "
     "WHERE k.id = hedline.id AND k.dll_name = hedline.dll_name"},
};

const KeptColumns* keptColumnsOf(const QString& table) {
    for (const KeptColumns& kept : kKept)
        if (table.compare(QLatin1String(kept.table), Qt::CaseInsensitive) == 0)
            return &kept;
    return nullptr;
}

// SQLite's companion files of a database, which belong to it and must move with it.
constexpr const char* kCompanions[] = {"-journal", "-wal", "-shm"};

QString uniqueAsideName(const QString& path) {
    QString aside = path + QStringLiteral(".broken");
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = path + QStringLiteral(".broken-%1").arg(n);
    return aside;
}

// Copies by hand rather than by QFile::copy, whose failure says only "Failure to write block":
// the system's reason ("No space left on device") is what the user needs to hear. Unbuffered, every
// write goes to the system at once and a failed one keeps its reason (a buffered flush loses it);
// a short write is followed by another, which fails with the reason.
QString copyBytes(const QString& from, const QString& to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return in.errorString();
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return out.errorString();
    while (!in.atEnd()) {
        const QByteArray block = in.read(1 << 16);
        if (block.isEmpty() && in.error() != QFileDevice::NoError)
            return in.errorString();
        for (qint64 done = 0; done < block.size();) {
            const qint64 n = out.write(block.constData() + done, block.size() - done);
            if (n <= 0)
                return out.errorString();
            done += n;
        }
    }
    if (!out.flush())
        return out.errorString();
    out.close();
    if (out.error() != QFileDevice::NoError)
        return out.errorString();
    return {};
}

// Copies the shipped file under a temporary name first, so that an interrupted copy never leaves a
// half database where the program looks for its copy.
QString copyShipped(const QString& shipped, const QString& copy) {
    const QString partial = copy + QStringLiteral(".part");
    QFile::remove(partial);
    // Without its database a journal is an orphan; left there, it would be rolled into the copy.
    for (const char* companion : kCompanions)
        QFile::remove(copy + QLatin1String(companion));
    const QString error = copyBytes(shipped, partial);
    if (!error.isEmpty()) {
        QFile::remove(partial);
        return QStringLiteral("cannot copy %1 to %2: %3").arg(shipped, partial, error);
    }
    // An installed database is read-only; the copy has to take the editors' writes.
    QFile::setPermissions(partial, QFile::ReadOwner | QFile::WriteOwner);
    if (!QFile::rename(partial, copy)) {
        QFile::remove(partial);
        return QStringLiteral("cannot move %1 to %2").arg(partial, copy);
    }
    return {};
}

// The system's reason of the last failed call on the database's files: the file that failed keeps
// it (the journal or write-ahead log as much as the database), where sqlite3_system_errno() has
// only what errno held afterwards.
int lastSystemError(const Connection& db) {
    int code = 0;
    if (sqlite3_file_control(db.get(), "main", SQLITE_FCNTL_LAST_ERRNO, &code) == SQLITE_OK && code != 0)
        return code;
    sqlite3_file* journal = nullptr;
    if (sqlite3_file_control(db.get(), "main", SQLITE_FCNTL_JOURNAL_POINTER, &journal) == SQLITE_OK &&
        journal && journal->pMethods &&
        journal->pMethods->xFileControl(journal, SQLITE_FCNTL_LAST_ERRNO, &code) == SQLITE_OK && code != 0)
        return code;
    return sqlite3_system_errno(db.get());
}

// SQLite's words for a failure, with the system's reason when a call of the system failed ("disk
// I/O error (File too large)").
QString failureOf(const Connection& db) {
    const int code = lastSystemError(db);
    if (code == 0)
        return db.error();
    return QStringLiteral("%1 (%2)").arg(db.error(), QString::fromLocal8Bit(std::strerror(code)));
}

// Replaces the copy's non-editable tables with the shipped ones and takes the shipped version, in
// one transaction: on any failure the copy stays exactly as it was.
QString refreshCopy(const QString& copy, const QString& shipped, int version) {
    auto db = sqlite_db::open(copy, sqlite_db::Mode::readWrite);
    if (!db)
        return QStringLiteral("cannot open %1").arg(copy);
    {
        Statement attach(*db, "ATTACH DATABASE ?1 AS shipped");
        attach.bind(1, shipped);
        if (attach.step() != Statement::Step::done)
            return failureOf(*db);
    }
    struct Shipped {
        QString name;
        QString sql;
    };
    std::vector<Shipped> tables;
    {
        Statement list(*db,
                       "SELECT name, sql FROM shipped.sqlite_master WHERE type = 'table' AND name NOT LIKE "
                       "'sqlite\\_%' ESCAPE '\\' ORDER BY name");
        while (list.step() == Statement::Step::row)
            tables.push_back({list.text(0).value_or(QString()), list.text(1).value_or(QString())});
        if (!list.ok())
            return failureOf(*db);
    }
    if (!db->exec("BEGIN IMMEDIATE"))
        return failureOf(*db);
    auto fail = [&db]() {
        const QString error = failureOf(*db);
        db->exec("ROLLBACK");
        return error;
    };
    for (const Shipped& table : tables) {
        bool present = false;
        {
            Statement probe(*db, "SELECT 1 FROM main.sqlite_master WHERE type = 'table' AND name = ?1");
            probe.bind(1, table.name);
            present = probe.step() == Statement::Step::row;
        }
        if (present && editableTableNames().contains(table.name, Qt::CaseInsensitive))
            continue;
        // A copy whose table lacks the columns (an older form of it) has nothing to keep.
        const KeptColumns* kept = present ? keptColumnsOf(table.name) : nullptr;
        if (kept && !db->exec(QByteArray("CREATE TEMP TABLE kept AS ") + kept->select))
            kept = nullptr;
        const QByteArray name = quotedName(table.name);
        if (!db->exec("DROP TABLE IF EXISTS main." + name) || !db->exec(table.sql.toUtf8()) ||
            !db->exec("INSERT INTO main." + name + " SELECT * FROM shipped." + name))
            return fail();
        if (kept && (!db->exec(kept->update) || !db->exec("DROP TABLE temp.kept")))
            return fail();
        std::vector<QByteArray> indexes;
        {
            Statement list(*db,
                           "SELECT sql FROM shipped.sqlite_master WHERE type = 'index' AND tbl_name = ?1 "
                           "AND sql IS NOT NULL");
            list.bind(1, table.name);
            while (list.step() == Statement::Step::row)
                indexes.push_back(list.text(0).value_or(QString()).toUtf8());
        }
        for (const QByteArray& index : indexes) {
            if (!db->exec(index))
                return fail();
        }
    }
    if (!db->exec("PRAGMA main.user_version = " + QByteArray::number(version)) || !db->exec("COMMIT"))
        return fail();
    db->exec("DETACH DATABASE shipped");
    return {};
}

// A refresh that failed is not tried again while the shipped file and the copy's version stay as
// they were then: she goes on with the copy she has, and the failure is said once.
struct FailedRefresh {
    QString copy;
    Stamp shipped;
    int version = 0;
};
std::optional<FailedRefresh>& failedRefresh() {
    static std::optional<FailedRefresh> failed;
    return failed;
}

// Her copy is hers alone, as the other files she makes. One an earlier install left in her folder
// was readable by all.
void makePrivate(const QString& copy) {
    struct stat st {};
    const QByteArray path = QFile::encodeName(copy);
    if (::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 077) != 0)
        ::chmod(path.constData(), st.st_mode & 0700);
}

} // namespace

const TableShape& shapeOf(Table table) {
    return kShapes[static_cast<std::size_t>(table)];
}

const char* tableName(Table table) {
    return shapeOf(table).name;
}

std::optional<Table> tableFromName(const QString& name) {
    for (std::size_t i = 0; i < kShapes.size(); ++i) {
        if (name == QLatin1String(kShapes[i].name))
            return static_cast<Table>(i);
    }
    return std::nullopt;
}

bool isEditable(Table table) {
    return table == Table::otaku || table == Table::otaku2 || table == Table::User_Table ||
           table == Table::flower;
}

const QStringList& editableTableNames() {
    static const QStringList names{QStringLiteral("otaku"), QStringLiteral("otaku2"),
                                   QStringLiteral("User_Table"), QStringLiteral("flower")};
    return names;
}

QString shippedPath() {
    return platform::dataFolder() + QLatin1Char('/') + QLatin1String(kFileName);
}

QString copyPath() {
    return platform::programFolder() + QLatin1Char('/') + QLatin1String(kFileName);
}

std::optional<int> databaseVersion(const QString& path) {
    return look(path, sqlite_db::Mode::readOnly).version;
}

CopyResult ensureCopy() {
    CopyResult result;
    const QString copy = copyPath();
    const QString shipped = shippedPath();
    flag::state.DbPath = copy;
    const Look shippedLook = look(shipped, sqlite_db::Mode::readOnly);
    const std::optional<int> shippedVersion = shippedLook.version;
    // A damaged shipped file is never copied: the copy would be set aside again at every use.
    const QString noShipped = shippedLook.problem.isEmpty()
                                  ? QStringLiteral("there is no shipped one at %1").arg(shipped)
                                  : QStringLiteral("the shipped %1 %2").arg(shipped, shippedLook.problem);

    if (QFileInfo::exists(copy)) {
        // Opened for writing, so that a journal left by an interrupted write is rolled back first.
        const Look copyLook = look(copy, sqlite_db::Mode::readWrite);
        if (const auto version = copyLook.version) {
            result.ok = true;
            result.version = *version;
            makePrivate(copy);
            if (!shippedVersion || *shippedVersion <= *version)
                return result;
            std::optional<FailedRefresh>& failed = failedRefresh();
            const std::optional<Stamp> shippedStamp = stampOf(shipped);
            if (failed && shippedStamp && failed->copy == copy && failed->shipped == *shippedStamp &&
                failed->version == *version) {
                result.error = QStringLiteral("%1 kept at version %2").arg(copy).arg(*version);
                return result;
            }
            const QString error = refreshCopy(copy, shipped, *shippedVersion);
            if (!error.isEmpty()) {
                result.error = QStringLiteral("%1 kept at version %2: %3").arg(copy).arg(*version).arg(error);
                if (shippedStamp)
                    failed = FailedRefresh{copy, *shippedStamp, *version};
                std::fprintf(
                    stderr,
                    "morvik: the dialogue database: %s cannot be brought up to %s: %s; she goes on with "
                    "the copy she has\n",
                    qPrintable(copy), qPrintable(shipped), qPrintable(error));
                return result;
            }
            failed.reset();
            result.action = CopyAction::refreshed;
            result.version = *shippedVersion;
            return result;
        }
        const QString problem =
            copyLook.problem.isEmpty() ? QStringLiteral("is not a dialogue database") : copyLook.problem;
        if (!shippedVersion) {
            result.error = QStringLiteral("%1 %2, and %3").arg(copy, problem, noShipped);
            return result;
        }
        const QString aside = uniqueAsideName(copy);
        if (!QFile::rename(copy, aside)) {
            result.error = QStringLiteral("%1 %2 and cannot be moved aside").arg(copy, problem);
            return result;
        }
        for (const char* companion : kCompanions)
            QFile::rename(copy + QLatin1String(companion), aside + QLatin1String(companion));
        // What the user edited and fetched stays only in the kept file: said at the one move.
        std::fprintf(stderr,
                     "morvik: %s %s; moved aside as %s, which alone keeps the talk lines edited and the "
                     "headlines fetched\n",
                     qPrintable(copy), qPrintable(problem), qPrintable(aside));
        result.setAside = aside;
        result.action = CopyAction::replacedForeign;
    }

    if (!shippedVersion) {
        result.error = shippedLook.problem.isEmpty()
                           ? QStringLiteral("no dialogue database ships at %1").arg(shipped)
                           : noShipped;
        return result;
    }
    const QString error = copyShipped(shipped, copy);
    if (!error.isEmpty()) {
        result.error = error;
        return result;
    }
    if (result.action == CopyAction::none)
        result.action = CopyAction::copied;
    result.ok = true;
    result.version = *shippedVersion;
    return result;
}

OpenResult open() {
    OpenResult result;
    const CopyResult copy = ensureCopy();
    if (!copy.ok) {
        result.error = copy.error;
        return result;
    }
    result.db = sqlite_db::open(flag::state.DbPath, sqlite_db::Mode::readWrite);
    if (!result.db)
        result.error = QStringLiteral("cannot open %1").arg(flag::state.DbPath);
    return result;
}

OpenResult openOrSay() {
    // The last failure said; cleared by an open that works, so that a new failure is said again.
    static QString told;
    OpenResult result = open();
    if (result.db) {
        told.clear();
    } else if (result.error != told) {
        told = result.error;
        std::fprintf(stderr, "morvik: the dialogue database: %s; she says nothing until it can be used\n",
                     qPrintable(result.error));
    }
    return result;
}

std::optional<Words> readWords(Connection& db, Table table, int id) {
    const TableShape& shape = shapeOf(table);
    if (!shape.numberKey || shape.words == 0)
        return std::nullopt;
    Statement st(db, "SELECT " + wordColumns(shape) + " FROM " + shape.name + " WHERE ID = ?1");
    st.bind(1, id);
    if (st.step() != Statement::Step::row)
        return std::nullopt;
    return readWordColumns(st, 0, shape.words);
}

std::optional<int> countRows(Connection& db, Table table) {
    const auto count = singleInteger(db, QByteArray("SELECT count(*) FROM ") + tableName(table));
    if (!count)
        return std::nullopt;
    return static_cast<int>(*count);
}

std::vector<ListedRow> listRows(Connection& db, Table table) {
    std::vector<ListedRow> rows;
    const TableShape& shape = shapeOf(table);
    if (!shape.numberKey || shape.words == 0)
        return rows;
    Statement st(db, "SELECT ID, " + wordColumns(shape) + " FROM " + shape.name + " ORDER BY ID ASC");
    while (st.step() == Statement::Step::row)
        rows.push_back({static_cast<int>(st.integer(0)), readWordColumns(st, 1, shape.words)});
    return rows;
}

std::optional<int> firstFreeId(Connection& db, Table table) {
    const TableShape& shape = shapeOf(table);
    if (!shape.numberKey)
        return std::nullopt;
    Statement st(db, QByteArray("SELECT ID FROM ") + shape.name + " WHERE ID >= 0 ORDER BY ID ASC");
    int next = 0;
    for (;;) {
        switch (st.step()) {
        case Statement::Step::row:
            if (st.integer(0) != next)
                return next;
            ++next;
            break;
        case Statement::Step::done:
            return next;
        case Statement::Step::error:
            return std::nullopt;
        }
    }
}

bool addRow(Connection& db, Table table, int id, const QString& w1, const QString& w2, const QString& w3) {
    if (!writable(table))
        return false;
    Statement st(db, QByteArray("INSERT INTO ") + tableName(table) +
                         " (ID, WORD1, WORD2, WORD3) VALUES (?1, ?2, ?3, ?4)");
    st.bind(1, id).bind(2, w1).bind(3, w2).bind(4, w3);
    return st.step() == Statement::Step::done;
}

bool changeRow(Connection& db, Table table, int id, const QString& w1, const QString& w2, const QString& w3) {
    if (!writable(table))
        return false;
    Statement st(db, QByteArray("UPDATE ") + tableName(table) +
                         " SET WORD1 = ?1, WORD2 = ?2, WORD3 = ?3 WHERE ID = ?4");
    st.bind(1, w1).bind(2, w2).bind(3, w3).bind(4, id);
    return st.step() == Statement::Step::done && sqlite3_changes(db.get()) == 1;
}

bool deleteRow(Connection& db, Table table, int id) {
    if (!writable(table))
        return false;
    Statement st(db, QByteArray("DELETE FROM ") + tableName(table) + " WHERE ID = ?1");
    st.bind(1, id);
    return st.step() == Statement::Step::done && sqlite3_changes(db.get()) == 1;
}

QStringList voiceNames(Connection& db) {
    QStringList names;
    Statement st(db, "SELECT vice_name FROM lunch_voice_master ORDER BY lunch_voice_id");
    while (st.step() == Statement::Step::row)
        names << st.text(0).value_or(QString());
    return names;
}

} // namespace heart

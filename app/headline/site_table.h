#pragma once
// The headline sites: table hedline of the dialogue database (heart_db.h), one row per site.
//
//   id        0 to 20: the sites an update of all sites visits; 21: the anime schedule
//   name      shown in the site list
//   dll_name  the site's plug-in name: a store writes every row of that name
//   data      the stored headlines (Null: never stored), one per line
//   last_date when they were stored, "YYYY-MM-DD HH:MM:SS" (Null: never)
//   ver_flag  0: the plug-in speaks HEADLINE/1.0 (vorla10); any other value or Null: 1.1 (vorla11)
//   covflg    0: the page goes to the plug-in as fetched; 1: converted to UTF-8 first; else: no
//             input is made (the plug-in then fails)
//   url       the page (row 21: the base of the monthly schedule's address)
//   dlldata   the plug-in, bytes; dlldata2: row 21's second plug-in
//   jump      the site's own top page
//
// The program writes only data and last_date, and inserts or deletes no row. Every value reaches
// SQL as a bound parameter, so a name or a text with "'" is only itself. Callers pass the
// connection of their own thread.
#include "platform/sqlite_db/sqlite_db.h"

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace headline {

inline constexpr qint64 kAnimeId = 21;
// The ids an update of all sites visits, 0 to kLastSiteId.
inline constexpr qint64 kLastSiteId = 20;

struct Site {
    qint64 id = 0;
    QString name;
    QString dllName;
    std::optional<QString> data, lastDate, url, jump;
    std::optional<qint64> verFlag, covflg;
    // The interface version its plug-in speaks: 0 for HEADLINE/1.0, else 1.1.
    bool speaks10() const { return verFlag && *verFlag == 0; }
};

struct ListedSite {
    qint64 id = 0;
    QString name;
};

// What a read of the table gave, or why it failed: a database locked by another program past the
// busy wait, or a damaged one, is a failure, never an empty table or a missing row.
template <typename T>
struct Read {
    T value{};
    QString failure; // empty when read; else why not, as the status bar says it
    bool failed() const { return !failure.isEmpty(); }
};

// Every site in ascending id (the site list).
Read<std::vector<ListedSite>> listSites(sqlite_db::Connection& db);
// The number of rows; 0 for an empty table.
Read<int> siteCount(sqlite_db::Connection& db);

// The row, or nothing when there is no row of that id.
Read<std::optional<Site>> siteById(sqlite_db::Connection& db, qint64 id);
// The first site of that name in ascending id.
Read<std::optional<Site>> siteByName(sqlite_db::Connection& db, const QString& name);

// Stores text and date in every row of the plug-in name, or in the one row of the id; false when
// the statement failed.
bool storeByDllName(sqlite_db::Connection& db, const QString& dllName, const QString& text,
                    const QString& date);
bool storeById(sqlite_db::Connection& db, qint64 id, const QString& text, const QString& date);

// Which plug-in of a row.
enum class PluginColumn { dlldata, dlldata2 };
// Writes the row's plug-in as the whole of the file at path, read in pieces of 16384 bytes (the
// remainder of the size first, then whole pieces); a Null column gives an empty file. False when
// the row is missing or the file cannot be written.
bool exportPlugin(sqlite_db::Connection& db, qint64 id, PluginColumn column, const QString& path);

// last_date as stored: "YYYY-MM-DD HH:MM:SS".
QString storedDate(const QDateTime& when);
// last_date as the window shows it, "yyyy/MM/dd H:mm:ss"; a text of another form as it is.
QString shownDate(const QString& stored);

} // namespace headline

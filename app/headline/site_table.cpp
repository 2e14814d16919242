#include "site_table.h"

#include <QFile>

namespace headline {
namespace {

using sqlite_db::Statement;

constexpr char kSiteColumns[] =
    "SELECT id, name, dll_name, data, last_date, ver_flag, covflg, url, jump FROM hedline ";

std::optional<qint64> integerOrNull(const Statement& st, int column) {
    if (st.isNull(column))
        return std::nullopt;
    return st.integer(column);
}

// Why a read failed.
QString failure(const Statement& st) {
    return st.busy() ? QStringLiteral("ヘッドラインのデータベースが使用中で読み込めません")
                     : QStringLiteral("ヘッドラインのデータベースを読み込めません");
}

Read<std::optional<Site>> readSite(Statement& st) {
    switch (st.step()) {
    case Statement::Step::row:
        break;
    case Statement::Step::done:
        return {};
    case Statement::Step::error:
        return {std::nullopt, failure(st)};
    }
    Site site;
    site.id = st.integer(0);
    site.name = st.text(1).value_or(QString());
    site.dllName = st.text(2).value_or(QString());
    site.data = st.text(3);
    site.lastDate = st.text(4);
    site.verFlag = integerOrNull(st, 5);
    site.covflg = integerOrNull(st, 6);
    site.url = st.text(7);
    site.jump = st.text(8);
    return {site, {}};
}

} // namespace

Read<std::vector<ListedSite>> listSites(sqlite_db::Connection& db) {
    Read<std::vector<ListedSite>> sites;
    Statement st(db, "SELECT id, name FROM hedline ORDER BY id");
    Statement::Step step;
    while ((step = st.step()) == Statement::Step::row)
        sites.value.push_back({st.integer(0), st.text(1).value_or(QString())});
    if (step == Statement::Step::error)
        return {{}, failure(st)};
    return sites;
}

Read<int> siteCount(sqlite_db::Connection& db) {
    Statement st(db, "SELECT count(*) FROM hedline");
    if (st.step() != Statement::Step::row)
        return {0, failure(st)};
    return {int(st.integer(0)), {}};
}

Read<std::optional<Site>> siteById(sqlite_db::Connection& db, qint64 id) {
    Statement st(db, QByteArray(kSiteColumns) + "WHERE id = ?1");
    st.bind(1, id);
    return readSite(st);
}

Read<std::optional<Site>> siteByName(sqlite_db::Connection& db, const QString& name) {
    Statement st(db, QByteArray(kSiteColumns) + "WHERE name = ?1 ORDER BY id LIMIT 1");
    st.bind(1, name);
    return readSite(st);
}

bool storeByDllName(sqlite_db::Connection& db, const QString& dllName, const QString& text,
                    const QString& date) {
    Statement st(db, "UPDATE hedline SET data = ?1, last_date = ?2 WHERE dll_name = ?3");
    st.bind(1, text).bind(2, date).bind(3, dllName);
    return st.step() == Statement::Step::done;
}

bool storeById(sqlite_db::Connection& db, qint64 id, const QString& text, const QString& date) {
    Statement st(db, "UPDATE hedline SET data = ?1, last_date = ?2 WHERE id = ?3");
    st.bind(1, text).bind(2, date).bind(3, id);
    return st.step() == Statement::Step::done;
}

bool exportPlugin(sqlite_db::Connection& db, qint64 id, PluginColumn column, const QString& path) {
    const char* name = column == PluginColumn::dlldata ? "dlldata" : "dlldata2";
    bool isNull = true;
    {
        Statement st(db, QByteArray("SELECT ") + name + " IS NULL FROM hedline WHERE id = ?1");
        st.bind(1, id);
        if (st.step() != Statement::Step::row)
            return false;
        isNull = st.integer(0) != 0;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    if (isNull)
        return true;
    const sqlite_db::Blob blob(db, "hedline", name, id);
    if (!blob.ok())
        return false;
    constexpr int kPiece = 16384;
    const qint64 size = blob.size();
    const int rest = int(size % kPiece);
    qint64 offset = 0;
    if (rest > 0) {
        const auto piece = blob.piece(0, rest);
        if (!piece || file.write(*piece) != rest)
            return false;
        offset = rest;
    }
    while (offset < size) {
        const auto piece = blob.piece(offset, kPiece);
        if (!piece || file.write(*piece) != kPiece)
            return false;
        offset += kPiece;
    }
    return file.flush();
}

QString storedDate(const QDateTime& when) {
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString shownDate(const QString& stored) {
    const QDateTime when = QDateTime::fromString(stored, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return when.isValid() ? when.toString(QStringLiteral("yyyy/MM/dd H:mm:ss")) : stored;
}

} // namespace headline

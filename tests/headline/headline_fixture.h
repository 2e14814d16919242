#pragma once
// The headline engine and window on real peers: a fresh program folder (MORVIK_HOME), a shipped
// dialogue database built by morvik_heart_build from rows of the test's own (MORVIK_DATA), the real
// runners (MORVIK_BIN) and plug-ins, and the page server of tests/support over the feeds and pages of
// tests/fixtures/headline. The talk is a recording stand-in, the stage a fake with getto shown (the
// program online), the clock fake.
#include "../window/fakes.h"
#include "app/state/state.h"
#include "app/talk/heart_db.h"
#include "fake_stage.h"
#include "page_server.h"
#include "platform/clock.h"
#include "platform/program_folder.h"
#include "test_home.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <sqlite3.h>

namespace headline_test {

inline const QString kFixtures = QStringLiteral(MORVIK_HEADLINE_FIXTURES);
// The fake clock's moment, and how a store made then reads and shows.
inline const QDateTime kNow(QDate(2025, 1, 15), QTime(9, 5, 3));
inline const QString kNowStored = QStringLiteral("2025-01-15 09:05:03");
inline const QString kNowShown = QStringLiteral("最終更新日時：2025/01/15 9:05:03");
inline const QString kEarlier = QStringLiteral("2024-12-31 23:59:59");

// One row of the hedline table as its source line (morvik_heart_build's format); an empty field is
// Null.
struct Row {
    Row(qint64 id, QString name, QString dllName, QString verFlag, QString covflg, QString url,
        QString plugin = QStringLiteral("feed11.so"), QString plugin2 = QString(), QString jump = QString())
        : id(id), name(std::move(name)), dllName(std::move(dllName)), verFlag(std::move(verFlag)),
          covflg(std::move(covflg)), url(std::move(url)), plugin(std::move(plugin)),
          plugin2(std::move(plugin2)), jump(std::move(jump)) {}

    qint64 id;
    QString name, dllName, verFlag, covflg, url, plugin, plugin2, jump;

    QString line() const {
        return QStringList{QString::number(id),
                           name,
                           dllName,
                           QString(),
                           QString(),
                           verFlag,
                           covflg,
                           url,
                           plugin,
                           plugin2,
                           jump}
            .join(QStringLiteral(" | "));
    }
};

// Waits, letting events run, until done() or the time is up; whether done() came true.
inline bool waitFor(const std::function<bool()>& done, int ms = 60000) {
    QElapsedTimer took;
    took.start();
    while (!done()) {
        if (took.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// Runs SQL with texts bound as ?1, ?2, ... (a null QString binds Null) on a database file.
// The database is shared with the engine's thread, whose connection may hold it a moment (a store,
// the checkpoint as it closes): the tests' own reads and writes wait as the program's do.
inline constexpr int kBusyMs = 2000;

inline void runSql(const QString& file, const char* sql, const QList<QString>& values = {}) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, kBusyMs);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, sql, -1, &st, nullptr), SQLITE_OK) << sql << ": " << sqlite3_errmsg(db);
    for (int i = 0; i < values.size(); ++i) {
        if (values[i].isNull()) {
            sqlite3_bind_null(st, i + 1);
        } else {
            const QByteArray utf8 = values[i].toUtf8();
            sqlite3_bind_text(st, i + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
    }
    EXPECT_EQ(sqlite3_step(st), SQLITE_DONE) << sql << ": " << sqlite3_errmsg(db);
    sqlite3_finalize(st);
    sqlite3_close(db);
}

// A column of the row of that id, as text; nothing for Null.
inline std::optional<QString> readColumn(const QString& file, const char* column, qint64 id) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return std::nullopt;
    sqlite3_busy_timeout(db, kBusyMs);
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = QByteArray("SELECT ") + column + " FROM hedline WHERE id = ?1";
    std::optional<QString> value;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_int64(st, 1, id);
        if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL)
            value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                                      sqlite3_column_bytes(st, 0));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return value;
}

// Every row of hedline, every column with its type: equal dumps mean the table was not written.
// (The file's bytes would not tell: a store may still sit in the write-ahead log.)
inline QByteArray hedlineDump(const QString& file) {
    sqlite3* db = nullptr;
    QByteArray dump;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, kBusyMs);
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT * FROM hedline ORDER BY id", -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW) {
                for (int c = 0; c < sqlite3_column_count(st); ++c) {
                    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(st, c));
                    dump += QByteArray::number(sqlite3_column_type(st, c)) + ':' +
                            QByteArray(bytes, sqlite3_column_bytes(st, c)).toHex() + '|';
                }
                dump += '\n';
            }
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return dump;
}

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The served pages: every fixture, and the schedule pages where the anime row looks for them.
class Pages {
public:
    Pages() {
        for (const QString& name : QDir(kFixtures).entryList(QDir::Files))
            QFile::copy(kFixtures + QLatin1Char('/') + name, dir_.filePath(name));
        QDir(dir_.path()).mkpath(QStringLiteral("anime/2025"));
        QDir(dir_.path()).mkpath(QStringLiteral("anime/2024"));
        QFile::copy(kFixtures + QStringLiteral("/schedule_202501.html"),
                    dir_.filePath(QStringLiteral("anime/2025/202501.html")));
        QFile::copy(kFixtures + QStringLiteral("/schedule_202412.html"),
                    dir_.filePath(QStringLiteral("anime/2024/202412.html")));
        write(QStringLiteral("plain.txt"), QStringLiteral("一行目\n二行目").toUtf8());
    }
    QString path() const { return dir_.path(); }
    void write(const QString& name, const QByteArray& bytes) {
        QFile file(dir_.filePath(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }

private:
    QTemporaryDir dir_;
};

class HeadlineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        pages_ = new Pages;
        server_ = new PageServer(pages_->path());
    }
    static void TearDownTestSuite() {
        delete secure_;
        delete server_;
        delete pages_;
        secure_ = server_ = nullptr;
        pages_ = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(server_->ok());
        previousBin_ = qgetenv("MORVIK_BIN");
        previousData_ = qgetenv("MORVIK_DATA");
        qputenv("MORVIK_BIN", RUNNER_FOLDER);
        qputenv("MORVIK_DATA", data_.path().toUtf8());
        state::resetAll();
        talk = installTalk();
        stage.items[Stage::Item::getto] = true;
        Stage::Install(&stage);
        platform::clock::setFake(kNow);
    }
    void TearDown() override {
        platform::clock::setFake(std::nullopt);
        Stage::Install(nullptr);
        services::reset();
        qputenv("MORVIK_BIN", previousBin_);
        qputenv("MORVIK_DATA", previousData_);
    }

    static QString url(const QString& path) { return server_->url(path); }
    // The HTTPS server (its certificate self-signed), made on first use.
    static QString secureUrl(const QString& path) {
        if (!secure_)
            secure_ = new PageServer(pages_->path(), true);
        return secure_->url(path);
    }
    static Pages& pages() { return *pages_; }

    // Builds the shipped database of these rows (and a table otaku, as a talk table beside them).
    bool build(const std::vector<Row>& rows, int version = 2) {
        QStringList source{
            QStringLiteral("table: hedline"),
            QStringLiteral("columns: id:int | name | dll_name | data | last_date | ver_flag:int | "
                           "covflg:int | url | dlldata:plugin | dlldata2:plugin | jump")};
        for (const Row& row : rows)
            source << row.line();
        return buildFrom(source.join(QLatin1Char('\n')).toUtf8(), version, shipped());
    }
    // Runs morvik_heart_build on one table source; whether it made the database.
    bool buildFrom(const QByteArray& hedline, int version, const QString& output) {
        QTemporaryDir sources;
        QDir(sources.path()).mkpath(QStringLiteral("clips"));
        QFile table(sources.filePath(QStringLiteral("hedline.txt")));
        if (!table.open(QIODevice::WriteOnly))
            return false;
        table.write(hedline);
        table.close();
        QFile otaku(sources.filePath(QStringLiteral("otaku.txt")));
        if (!otaku.open(QIODevice::WriteOnly))
            return false;
        otaku.write(QStringLiteral("table: otaku\ncolumns: ID:int | WORD1 | WORD2 | WORD3\n0 | v%1 | b | c\n")
                        .arg(version)
                        .toUtf8());
        otaku.close();
        QProcess builder;
        builder.setProcessChannelMode(QProcess::ForwardedChannels);
        builder.start(QStringLiteral(HEART_BUILD),
                      {QStringLiteral("--output"), output, QStringLiteral("--clips"),
                       sources.filePath(QStringLiteral("clips")), QStringLiteral("--plugins"),
                       QStringLiteral(HEADLINE_PLUGIN_FOLDER), QStringLiteral("--plugins"),
                       QStringLiteral(TEST_PLUGIN_FOLDER), QStringLiteral("--version"),
                       QString::number(version), table.fileName(), otaku.fileName()});
        return builder.waitForFinished(30000) && builder.exitCode() == 0;
    }

    QString shipped() const { return data_.filePath(QString::fromLatin1(heart::kFileName)); }
    // The program folder's copy, which the window and the engine work on.
    QString copy() const { return heart::copyPath(); }
    std::optional<QString> data(qint64 id) const { return readColumn(copy(), "data", id); }
    std::optional<QString> lastDate(qint64 id) const { return readColumn(copy(), "last_date", id); }
    QByteArray table() const { return hedlineDump(copy()); }
    // Sets data and last_date of a row of the shipped database, before the copy is made.
    void storeBefore(qint64 id, const QString& text, const QString& date = kEarlier) {
        runSql(shipped(), "UPDATE hedline SET data = ?1, last_date = ?2 WHERE id = ?3",
               {text, date, QString::number(id)});
    }
    QString handOff(const QString& name) const {
        return platform::tempFolder() + QStringLiteral("/headline/") + name;
    }

    TestHome home;
    FakeStage stage;
    FakeTalk* talk = nullptr;

private:
    QTemporaryDir data_;
    QByteArray previousBin_, previousData_;
    static inline Pages* pages_ = nullptr;
    static inline PageServer* server_ = nullptr;
    static inline PageServer* secure_ = nullptr;
};

} // namespace headline_test

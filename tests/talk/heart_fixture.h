#pragma once
// A shipped dialogue database made for one test: a data folder of its own (MORVIK_DATA points at it
// while the object lives) holding a morvik_heart.mdb with every table and a few rows.
#include "app/talk/heart_db.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

class ShippedDatabase {
public:
    explicit ShippedDatabase(int version) : previous_(qgetenv("MORVIK_DATA")) {
        qputenv("MORVIK_DATA", dir_.path().toUtf8());
        build(version);
    }
    ~ShippedDatabase() { qputenv("MORVIK_DATA", previous_); }
    ShippedDatabase(const ShippedDatabase&) = delete;
    ShippedDatabase& operator=(const ShippedDatabase&) = delete;

    QString path() const { return dir_.filePath(QString::fromLatin1(heart::kFileName)); }

    // Runs SQL on the shipped file (for shaping a test's rows).
    void exec(const char* sql) const { runOn(path(), sql); }

    // Stores bytes as the clip column of the row with that key.
    void putClip(const char* table, const char* keyColumn, const char* clipColumn, const QString& key,
                 const QByteArray& bytes) const {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path().toUtf8().constData(), &db), SQLITE_OK);
        const QByteArray sql =
            QByteArray("UPDATE ") + table + " SET " + clipColumn + " = ?1 WHERE " + keyColumn + " = ?2";
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr), SQLITE_OK);
        sqlite3_bind_blob(st, 1, bytes.constData(), bytes.size(), SQLITE_TRANSIENT);
        const QByteArray k = key.toUtf8();
        sqlite3_bind_text(st, 2, k.constData(), k.size(), SQLITE_TRANSIENT);
        EXPECT_EQ(sqlite3_step(st), SQLITE_DONE);
        EXPECT_EQ(sqlite3_changes(db), 1) << "no row " << key.toStdString() << " in " << table;
        sqlite3_finalize(st);
        sqlite3_close(db);
    }

    static void runOn(const QString& file, const char* sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file.toUtf8().constData(), &db), SQLITE_OK);
        char* message = nullptr;
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
        EXPECT_EQ(rc, SQLITE_OK) << sql << ": " << (message ? message : "");
        sqlite3_free(message);
        sqlite3_close(db);
    }

private:
    void build(int version) const {
        const QByteArray sql =
            "PRAGMA application_id = " + QByteArray::number(heart::kApplicationId) +
            ";PRAGMA user_version = " + QByteArray::number(version) +
            ";CREATE TABLE common (id TEXT PRIMARY KEY NOT NULL, data BLOB)"
            ";CREATE TABLE aisatu (ID INTEGER PRIMARY KEY NOT NULL, WORD1 TEXT, WORD2 TEXT, data BLOB)"
            ";CREATE TABLE jiho (ID INTEGER PRIMARY KEY NOT NULL, WORD1 TEXT, WORD2 TEXT, data BLOB)"
            ";CREATE TABLE otaku (ID INTEGER PRIMARY KEY NOT NULL, WORD1 TEXT, WORD2 TEXT, WORD3 TEXT)"
            ";CREATE TABLE otaku2 (ID INTEGER PRIMARY KEY NOT NULL, WORD1 TEXT, WORD2 TEXT, WORD3 TEXT)"
            ";CREATE TABLE User_Table (ID INTEGER PRIMARY KEY NOT NULL, WORD1 TEXT, WORD2 TEXT, WORD3 TEXT)"
            ";CREATE TABLE flower (ID INTEGER PRIMARY KEY NOT NULL, WORD1 TEXT, WORD2 TEXT, WORD3 TEXT)"
            ";CREATE TABLE master_name (ID INTEGER PRIMARY KEY NOT NULL, WORD1 TEXT, WORD2 TEXT, data BLOB)"
            ";CREATE TABLE blank (ID INTEGER PRIMARY KEY NOT NULL)"
            ";CREATE TABLE lunch_voice_master (lunch_voice_id TEXT PRIMARY KEY NOT NULL, vice_name TEXT, "
            "voice_data BLOB)"
            ";INSERT INTO common (id) VALUES ('1'), ('2'), ('5')"
            ";INSERT INTO aisatu VALUES (7, 'おはようございます、', 'v" +
            QByteArray::number(version) +
            "', NULL)"
            ";INSERT INTO jiho VALUES (13, '午後一時', NULL, NULL)"
            ";INSERT INTO otaku VALUES (0, 'o0', 'shipped', NULL), (1, 'o1', 'shipped', NULL)"
            ";INSERT INTO otaku2 VALUES (1, 'p1', NULL, NULL)"
            ";INSERT INTO User_Table VALUES (0, 'u0', 'shipped', ''), (1, 'u1', 'shipped', '')"
            ";INSERT INTO flower VALUES (229, 'flower229', 'lang', NULL)"
            ";INSERT INTO master_name VALUES (1, 'マスター。', 'shipped', NULL)"
            ";INSERT INTO lunch_voice_master VALUES ('02', 'second', NULL), ('01', 'first', NULL)";
        runOn(path(), sql.constData());
    }

    QTemporaryDir dir_;
    QByteArray previous_;
};

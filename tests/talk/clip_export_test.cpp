#include "app/state/state.h"
#include "app/talk/clip_export.h"
#include "heart_fixture.h"
#include "platform/program_folder.h"
#include "test_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

// Bytes that do not repeat with a period of 16384, so a piece written twice, skipped or out of
// order shows in the comparison.
QByteArray pattern(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = 2463534242u;
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = static_cast<char>(x);
    }
    return bytes;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class ClipExport : public ::testing::Test {
protected:
    heart::Connection open() {
        auto opened = heart::open();
        EXPECT_TRUE(opened.db) << opened.error.toStdString();
        return opened.db ? std::move(*opened.db) : heart::Connection(nullptr);
    }
    QString temp(const QString& name) const { return platform::tempFolder() + "/" + name; }

    TestHome home;
    ShippedDatabase shipped{1};
};

TEST_F(ClipExport, WritesTheRemainderFirstThenWholePiecesAndExactlyTheStoredBytes) {
    for (int size : {0, 1, 16383, 16384, 16385, 40000}) {
        SCOPED_TRACE(size);
        const QByteArray clip = pattern(size);
        shipped.putClip("common", "id", "data", "5", clip);
        QFile::remove(home.file("morvik_heart.mdb")); // take the new clip into a fresh copy
        auto db = open();

        const clip::ExportResult result = clip::exportClip(db, heart::Table::common, "5", "temp");
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(result.path, temp("temp5.mp3"));
        EXPECT_EQ(Module1::state.VoiceFile, result.path);
        EXPECT_EQ(result.size, size);
        EXPECT_EQ(readAll(result.path), clip);
        EXPECT_EQ(speak::state.BlobSize, size);
        EXPECT_EQ(speak::state.ChunkRest, size % 16384);
        EXPECT_EQ(speak::state.ChunkCount, size / 16384);
        EXPECT_EQ(speak::state.ChunkOffset, size);
        EXPECT_LE(speak::state.ChunkBuffer.size(), 16384);
    }
    // The example of the design: 40000 bytes are 7232 and then two pieces of 16384.
    EXPECT_EQ(speak::state.ChunkRest, 7232);
    EXPECT_EQ(speak::state.ChunkCount, 2);
}

TEST_F(ClipExport, ReplacesALongerOlderClipOfTheSameName) {
    shipped.putClip("common", "id", "data", "5", "abc");
    writeFile(temp("temp5.mp3"), pattern(50000));
    auto db = open();
    ASSERT_TRUE(clip::exportClip(db, heart::Table::common, "5", "temp").ok);
    EXPECT_EQ(readAll(temp("temp5.mp3")), "abc");
}

TEST_F(ClipExport, NamesTheFileAfterTheKeyAsTheRowHoldsIt) {
    shipped.putClip("aisatu", "ID", "data", "7", "greeting");
    shipped.putClip("jiho", "ID", "data", "13", "chime");
    shipped.putClip("master_name", "ID", "data", "1", "name");
    shipped.putClip("lunch_voice_master", "lunch_voice_id", "voice_data", "01", "launch");
    auto db = open();
    const struct {
        heart::Table table;
        const char* key;
        const char* prefix;
        const char* file;
        QByteArray bytes;
    } cases[] = {
        {heart::Table::aisatu, "07", "aisatu", "aisatu7.mp3", "greeting"},
        {heart::Table::jiho, "13", "jiho", "jiho13.mp3", "chime"},
        {heart::Table::master_name, "1", "temp", "temp1.mp3", "name"},
        {heart::Table::lunch_voice_master, "01", "templun", "templun01.mp3", "launch"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto result =
            clip::exportClip(db, c.table, QString::fromUtf8(c.key), QString::fromUtf8(c.prefix));
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(result.path, temp(QString::fromUtf8(c.file)));
        EXPECT_EQ(readAll(result.path), c.bytes);
    }
}

TEST_F(ClipExport, AMissingRowLeavesNoClipOfThatNameAndTouchesNoOtherFile) {
    auto db = open();
    writeFile(temp("temp9.mp3"), "stale clip of an earlier run");
    writeFile(temp("temp5.mp3"), "another clip");
    writeFile(home.file("song.mp3"), "the user's own song");

    const auto result = clip::exportClip(db, heart::Table::common, "9", "temp");
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(temp("temp9.mp3")));
    EXPECT_EQ(readAll(temp("temp5.mp3")), "another clip");
    EXPECT_EQ(readAll(home.file("song.mp3")), "the user's own song");

    EXPECT_FALSE(clip::exportClip(db, heart::Table::aisatu, "seven", "aisatu").ok);
    EXPECT_FALSE(clip::exportClip(db, heart::Table::otaku, "1", "otaku").ok); // no clip column
    EXPECT_FALSE(QFileInfo::exists(temp("otaku1.mp3")));
}

TEST_F(ClipExport, ANullClipGivesAnEmptyFile) {
    auto db = open();
    const auto result = clip::exportClip(db, heart::Table::common, "1", "temp");
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_TRUE(QFileInfo(result.path).isFile());
    EXPECT_EQ(QFileInfo(result.path).size(), 0);
}

TEST_F(ClipExport, AKeyThatWouldLeaveTheTempFolderIsRefused) {
    shipped.exec("INSERT INTO common VALUES ('../escape', X'00'), ('a/b', X'00')");
    auto db = open();
    for (const char* key : {"../escape", "a/b", ""}) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(clip::exportClip(db, heart::Table::common, QString::fromUtf8(key), "temp").ok);
    }
    EXPECT_FALSE(clip::exportClip(db, heart::Table::common, "5", "../temp").ok);
    EXPECT_FALSE(QFileInfo::exists(home.file("escape.mp3")));
    EXPECT_FALSE(QFileInfo::exists(home.file("tempescape.mp3")));
    EXPECT_TRUE(QDir(platform::tempFolder()).entryList(QDir::Files).isEmpty());
}

} // namespace

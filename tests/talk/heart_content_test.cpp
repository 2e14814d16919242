// The dialogue database the build makes from assets/dialogue and assets/voices: every table and row
// the program asks for is there, and every clip is real MP3 data.
#include "app/talk/clip_export.h"
#include "app/talk/heart_db.h"
#include "test_home.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <gtest/gtest.h>
#include <set>
#include <sqlite3.h>

namespace {

class BuiltDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QFileInfo::exists(heart::shippedPath()))
            GTEST_SKIP() << "no dialogue database was built at " << heart::shippedPath().toStdString();
        auto opened = heart::open();
        ASSERT_TRUE(opened.db) << opened.error.toStdString();
        db.emplace(std::move(*opened.db));
    }

    std::vector<int> numberKeys(heart::Table table) {
        std::vector<int> keys;
        heart::Statement st(*db, QByteArray("SELECT ID FROM ") + heart::tableName(table) + " ORDER BY ID");
        while (st.step() == heart::Statement::Step::row)
            keys.push_back(static_cast<int>(st.integer(0)));
        return keys;
    }

    QStringList textKeys(heart::Table table) {
        const heart::TableShape& shape = heart::shapeOf(table);
        QStringList keys;
        heart::Statement st(*db, QByteArray("SELECT ") + shape.key + " FROM " + shape.name + " ORDER BY " +
                                     shape.key);
        while (st.step() == heart::Statement::Step::row)
            keys << st.text(0).value_or(QString());
        return keys;
    }

    TestHome home;
    std::optional<heart::Connection> db;
};

std::vector<int> range(int from, int to) {
    std::vector<int> v;
    for (int i = from; i <= to; ++i)
        v.push_back(i);
    return v;
}

// An MPEG audio layer III frame header at bytes[at]; its length in bytes, or 0.
int frameLength(const QByteArray& bytes, qsizetype at) {
    if (at + 4 > bytes.size())
        return 0;
    const auto b = [&](int i) { return static_cast<quint8>(bytes[at + i]); };
    if (b(0) != 0xff || (b(1) & 0xe0) != 0xe0)
        return 0;
    const int version = (b(1) >> 3) & 3; // 0: 2.5, 2: 2, 3: 1
    const int layer = (b(1) >> 1) & 3;   // 1: layer III
    const int bitrateIndex = b(2) >> 4;
    const int rateIndex = (b(2) >> 2) & 3;
    if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return 0;
    static const int v1[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int v2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static const int rates[] = {44100, 48000, 32000};
    const int bitrate = (version == 3 ? v1 : v2)[bitrateIndex] * 1000;
    const int rate = rates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    const int padding = (b(2) >> 1) & 1;
    return (version == 3 ? 144 : 72) * bitrate / rate + padding;
}

// True when the data starts (after an optional ID3v2 tag) with at least ten MP3 frames in a row.
bool looksLikeMp3(const QByteArray& bytes) {
    qsizetype at = 0;
    if (bytes.startsWith("ID3") && bytes.size() >= 10) {
        const auto s = [&](int i) { return static_cast<quint8>(bytes[6 + i]) & 0x7f; };
        at = 10 + ((s(0) << 21) | (s(1) << 14) | (s(2) << 7) | s(3));
    }
    for (int frame = 0; frame < 10; ++frame) {
        const int length = frameLength(bytes, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

TEST_F(BuiltDatabase, IsOursWithAVersion) {
    EXPECT_GE(heart::databaseVersion(heart::shippedPath()).value_or(0), 1);
}

TEST_F(BuiltDatabase, HoldsEveryRowTheTalkAsksFor) {
    std::vector<int> aisatu = range(0, 23);
    aisatu.push_back(100);
    EXPECT_EQ(numberKeys(heart::Table::aisatu), aisatu);
    EXPECT_EQ(numberKeys(heart::Table::jiho), range(0, 23));
    EXPECT_EQ(numberKeys(heart::Table::otaku), range(0, 59));

    const auto otaku2 = numberKeys(heart::Table::otaku2);
    EXPECT_GE(otaku2.size(), 30u);
    EXPECT_EQ(otaku2, range(1, static_cast<int>(otaku2.size())));
    const auto user = numberKeys(heart::Table::User_Table);
    EXPECT_GE(user.size(), 1u);
    EXPECT_EQ(user, range(0, static_cast<int>(user.size()) - 1));
    const auto names = numberKeys(heart::Table::master_name);
    EXPECT_GE(names.size(), 10u);
    EXPECT_EQ(names, range(1, static_cast<int>(names.size())));

    QStringList common;
    for (int id = 1; id <= 22; ++id)
        common << QString::number(id);
    common.sort();
    EXPECT_EQ(textKeys(heart::Table::common), common);

    const QStringList voices = textKeys(heart::Table::lunch_voice_master);
    EXPECT_GE(voices.size(), 5);
    for (int i = 0; i < voices.size(); ++i)
        EXPECT_EQ(voices[i], QString::asprintf("%02d", i + 1)); // the settings store the list position
    for (const QString& name : heart::voiceNames(*db))
        EXPECT_FALSE(name.isEmpty());
    EXPECT_EQ(heart::countRows(*db, heart::Table::blank), 0);
}

TEST_F(BuiltDatabase, HasAFlowerWithItsLanguageForEveryDayOfALeapYear) {
    std::set<int> expected;
    for (QDate day(2024, 1, 1); day.year() == 2024; day = day.addDays(1))
        expected.insert(day.month() * 100 + day.day());
    const auto keys = numberKeys(heart::Table::flower);
    EXPECT_EQ(std::set<int>(keys.begin(), keys.end()), expected);
    EXPECT_EQ(keys.size(), 366u);
    EXPECT_TRUE(expected.count(229));
    for (int id : keys) {
        const auto words = heart::readWords(*db, heart::Table::flower, id);
        ASSERT_TRUE(words);
        EXPECT_FALSE(words->word1.value_or("").isEmpty()) << id;
        EXPECT_FALSE(words->word2.value_or("").isEmpty()) << id;
    }
}

TEST_F(BuiltDatabase, EveryLineHasWords) {
    for (heart::Table table : {heart::Table::aisatu, heart::Table::jiho, heart::Table::master_name}) {
        for (const auto& row : heart::listRows(*db, table)) {
            EXPECT_FALSE(row.words.word1.value_or("").isEmpty()) << heart::tableName(table) << " " << row.id;
            EXPECT_FALSE(row.words.word2.value_or("").isEmpty()) << heart::tableName(table) << " " << row.id;
        }
    }
    for (heart::Table table : {heart::Table::otaku, heart::Table::otaku2, heart::Table::User_Table}) {
        for (const auto& row : heart::listRows(*db, table))
            EXPECT_FALSE(row.words.allNull()) << heart::tableName(table) << " " << row.id;
    }
}

TEST_F(BuiltDatabase, EveryRowWithAVoiceHasAPlayableClip) {
    const struct {
        heart::Table table;
        const char* prefix;
    } tables[] = {
        {heart::Table::common, "temp"},
        {heart::Table::aisatu, "aisatu"},
        {heart::Table::jiho, "jiho"},
        {heart::Table::master_name, "temp"},
        {heart::Table::lunch_voice_master, "templun"},
    };
    int clips = 0;
    for (const auto& t : tables) {
        QStringList keys;
        if (heart::shapeOf(t.table).numberKey) {
            for (int id : numberKeys(t.table))
                keys << QString::number(id);
        } else {
            keys = textKeys(t.table);
        }
        for (const QString& key : keys) {
            SCOPED_TRACE(std::string(heart::tableName(t.table)) + " " + key.toStdString());
            const auto result = clip::exportClip(*db, t.table, key, QString::fromUtf8(t.prefix));
            ASSERT_TRUE(result.ok) << result.error.toStdString();
            QFile file(result.path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            EXPECT_GT(bytes.size(), 4000) << "too short for a spoken line";
            EXPECT_TRUE(looksLikeMp3(bytes));
            ++clips;
        }
    }
    EXPECT_GT(clips, 80);
}

// The headline sites: 0 to 20 real feeds, each with its own plug-in name, and the anime schedule.
TEST_F(BuiltDatabase, HoldsTheHeadlineSitesWithTheirPlugIns) {
    heart::Statement st(*db, "SELECT id, name, dll_name, ver_flag, covflg, url, jump, substr(dlldata, 1, 4), "
                             "substr(dlldata2, 1, 4), data, last_date FROM hedline ORDER BY id");
    std::vector<int> ids;
    QStringList names, plugins;
    const QByteArray elf("\x7f"
                         "ELF");
    while (st.step() == heart::Statement::Step::row) {
        const int id = static_cast<int>(st.integer(0));
        SCOPED_TRACE(id);
        ids.push_back(id);
        names << st.text(1).value_or(QString());
        plugins << st.text(2).value_or(QString());
        EXPECT_TRUE(st.isNull(9) && st.isNull(10)) << "nothing is stored before the first update";
        const QByteArray first = QByteArray(static_cast<const char*>(sqlite3_column_blob(st.get(), 7)),
                                            sqlite3_column_bytes(st.get(), 7));
        EXPECT_EQ(first, elf);
        if (id < 21) {
            EXPECT_EQ(st.integer(3), 1);
            EXPECT_EQ(st.integer(4), 0);
            EXPECT_TRUE(st.text(5).value_or(QString()).startsWith(QStringLiteral("https://")));
            EXPECT_TRUE(st.text(6).value_or(QString()).startsWith(QStringLiteral("https://")));
            EXPECT_TRUE(st.isNull(8));
        } else {
            EXPECT_EQ(st.integer(3), 0);
            EXPECT_TRUE(st.isNull(5)) << "no public schedule page is known";
            const QByteArray second = QByteArray(static_cast<const char*>(sqlite3_column_blob(st.get(), 8)),
                                                 sqlite3_column_bytes(st.get(), 8));
            EXPECT_EQ(second, elf);
        }
    }
    EXPECT_EQ(ids, range(0, 21));
    EXPECT_EQ(QSet<QString>(plugins.begin(), plugins.end()).size(), 22)
        << "a store writes all rows of one name";
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), 22);
}

} // namespace

// The launcher entries in the settings file, as the settings dialog writes them and ヴェンス reads
// them: every registered slot counts, and only a registered slot launches.
#include "app/settings/IniManage.h"
#include "app/settings/launcher_entries.h"

#include "test_home.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

using launcher_entries::Entry;

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class LauncherEntries : public ::testing::Test {
protected:
    void SetUp() override { IniManage::BeginBatch(); }
    void key(const QString& name, const QString& value) { ASSERT_TRUE(IniManage::WriteIni(name, value)); }
    QString ini() const { return home.file("mailSet.ini"); }

    TestHome home;
};

TEST_F(LauncherEntries, ACleared0SlotHidesNoneOfTheSlotsAfterIt) {
    ASSERT_TRUE(launcher_entries::store(0, "エディタ", "/usr/bin/editor", "01"));
    ASSERT_TRUE(launcher_entries::store(1, "端末", "/usr/bin/term", "00"));
    ASSERT_TRUE(launcher_entries::store(2, "消す", "/usr/bin/gone", "02"));
    ASSERT_TRUE(launcher_entries::store(3, "計算機", "/opt/calc; $(rm x)", "10"));
    ASSERT_TRUE(launcher_entries::clear(2));
    key("lunch_name5", "パスなし"); // a caption without a program starts nothing
    key("lunch_pass6", "/usr/bin/nameless");
    key("lunch_name8", "声なし"); // an entry with an empty voice still counts
    key("lunch_pass8", "/usr/bin/quiet");
    key("lunch_voice8", "");
    ASSERT_TRUE(launcher_entries::store(9, "最後", "/usr/bin/last", "10"));

    const std::vector<Entry> expected{{0, "エディタ", "/usr/bin/editor", "01"},
                                      {1, "端末", "/usr/bin/term", "00"},
                                      {3, "計算機", "/opt/calc; $(rm x)", "10"},
                                      {8, "声なし", "/usr/bin/quiet", ""},
                                      {9, "最後", "/usr/bin/last", "10"}};
    EXPECT_EQ(launcher_entries::registered(), expected);

    const std::optional<Entry> cleared = launcher_entries::read(2);
    ASSERT_TRUE(cleared);
    EXPECT_EQ(cleared->name, "");
    EXPECT_EQ(cleared->path, "");
    EXPECT_EQ(cleared->voice, "");
    EXPECT_FALSE(cleared->registered());
    EXPECT_EQ(IniManage::GetIni("lunch_id2"), "03"); // the slot's number stays
}

TEST_F(LauncherEntries, NoEntryListsNothing) {
    EXPECT_TRUE(launcher_entries::registered().empty());
    EXPECT_FALSE(QFile::exists(ini()));
}

TEST_F(LauncherEntries, ARegistrationWritesItsFourKeysInOrderAndAClearingThree) {
    ASSERT_TRUE(launcher_entries::store(9, "ゲーム", "/usr/games/x", "05"));
    const QString section = IniManage::state.Section;
    EXPECT_EQ(
        fileBytes(ini()),
        ("[" + section + "]\nlunch_id9=10\nlunch_name9=ゲーム\nlunch_pass9=/usr/games/x\nlunch_voice9=05\n")
            .toUtf8());
    ASSERT_TRUE(launcher_entries::clear(9));
    EXPECT_EQ(fileBytes(ini()),
              ("[" + section + "]\nlunch_id9=10\nlunch_name9=\nlunch_pass9=\nlunch_voice9=\n").toUtf8());
}

TEST_F(LauncherEntries, ASlotOutsideTheTenWritesNothing) {
    for (int slot : {-1, 10}) {
        EXPECT_FALSE(launcher_entries::store(slot, "x", "/bin/x", "01"));
        EXPECT_FALSE(launcher_entries::clear(slot));
        EXPECT_FALSE(launcher_entries::read(slot));
    }
    EXPECT_FALSE(QFile::exists(ini()));
}

TEST_F(LauncherEntries, AValueThatCannotBeStoredWritesNoneOfTheFourKeys) {
    ASSERT_TRUE(launcher_entries::store(0, "old", "/bin/old", "01"));
    const QByteArray before = fileBytes(ini());
    EXPECT_FALSE(launcher_entries::store(0, "two\nlines", "/bin/new", "02"));
    EXPECT_EQ(fileBytes(ini()), before);
}

TEST_F(LauncherEntries, OnlyARegisteredQuickSlotLaunches) {
    ASSERT_TRUE(launcher_entries::store(0, "first", "/bin/first", "01"));
    ASSERT_TRUE(launcher_entries::store(4, "fifth", "/bin/fifth", "02"));
    ASSERT_TRUE(launcher_entries::store(6, "gone", "/bin/gone", "02"));
    ASSERT_TRUE(launcher_entries::clear(6));
    key("lunch_name2", "名前だけ");
    key("lunch_pass5", "/bin/pathonly");
    ASSERT_TRUE(launcher_entries::store(9, "last", "/bin/last", "10"));
    struct Case {
        const char* quick; // nullptr: the key is absent
        std::optional<int> slot;
        std::optional<int> launches;
    };
    for (const Case& c :
         {Case{nullptr, {}, {}}, Case{"-1", {}, {}},     Case{"", {}, {}},   Case{"x", {}, {}},
          Case{"12", {}, {}},    Case{"10", {}, {}},     Case{"04", {}, {}}, Case{"+4", {}, {}},
          Case{"4.0", {}, {}},   Case{"1e3", {}, {}},    Case{"01", {}, {}}, Case{"1x", {}, {}},
          Case{"1.0", {}, {}},   Case{"\u0663", {}, {}}, Case{"3", 3, {}},   Case{"6", 6, {}},
          Case{"2", 2, {}},      Case{"5", 5, {}},       Case{"4", 4, 4},    Case{"0", 0, 0},
          Case{"9", 9, 9}}) {
        SCOPED_TRACE(c.quick ? c.quick : "(absent)");
        if (c.quick)
            key("quick_lu_id", QString::fromUtf8(c.quick));
        EXPECT_EQ(launcher_entries::quickSlot(), c.slot);
        const std::optional<Entry> started = launcher_entries::quickLaunch();
        EXPECT_EQ(started ? std::optional<int>(started->slot) : std::nullopt, c.launches);
    }
}

TEST_F(LauncherEntries, EachReadSeesTheLastWrite) {
    ASSERT_TRUE(launcher_entries::store(0, "zero", "/bin/zero", "01"));
    key("quick_lu_id", "0");
    ASSERT_TRUE(launcher_entries::quickLaunch());
    key("lunch_name0", "");
    key("lunch_pass0", "");
    key("lunch_voice0", "");
    EXPECT_FALSE(launcher_entries::quickLaunch());
    EXPECT_TRUE(launcher_entries::registered().empty());
}

TEST(LauncherVoices, IdsFollowTheListPositions) {
    for (auto [position, id] : {std::pair{-1, "00"}, {0, "01"}, {4, "05"}, {8, "09"}, {9, "10"}, {11, "12"}})
        EXPECT_EQ(launcher_entries::voiceId(position), QString::fromUtf8(id)) << position;
    for (auto [id, position] : {std::pair{"03", 2},
                                {"01", 0},
                                {"10", 9},
                                {"3", 2},
                                {"00", -1},
                                {"", -1},
                                {"x", -1},
                                {"-2", -1},
                                {" 3", -1},
                                {"1e1", -1}})
        EXPECT_EQ(launcher_entries::voicePosition(QString::fromUtf8(id)), position) << id;
}

} // namespace

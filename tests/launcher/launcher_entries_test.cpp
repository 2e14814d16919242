// The launcher entries as ヴェンス reads them from the settings file.
#include "app/launcher/launcher_entries.h"
#include "app/settings/IniManage.h"
#include "app/state/state.h"
#include "test_home.h"

#include <gtest/gtest.h>

namespace {

class Entries : public ::testing::Test {
protected:
    void SetUp() override { state::resetAll(); }
    static void key(const QString& name, const QString& value) {
        IniManage::BeginBatch();
        IniManage::WriteIni(name, value);
    }
    static void slot(int i, const QString& name, const QString& path, const QString& voice) {
        key(QStringLiteral("lunch_id%1").arg(i), QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0')));
        key(QStringLiteral("lunch_name%1").arg(i), name);
        key(QStringLiteral("lunch_pass%1").arg(i), path);
        key(QStringLiteral("lunch_voice%1").arg(i), voice);
    }
    // Slots 0, 1 and 3 registered; 2 cleared; 4 with a caption only, 5 with a program only; 9
    // registered.
    static void someSlots() {
        slot(0, "zero", "/bin/zero", "01");
        slot(1, "one", "/bin/one", "00");
        slot(2, "", "", "");
        slot(3, "three", "/bin/three", "");
        slot(4, "four", "", "04");
        slot(5, "", "/bin/five", "05");
        slot(9, "nine", "/bin/nine", "10");
    }

    TestHome home;
};

TEST_F(Entries, EveryRegisteredSlotCountsAndAClearedOneHidesNone) {
    EXPECT_TRUE(launcher::RegisteredEntries().empty());
    someSlots();
    const std::vector<launcher::Entry> expected{{0, "zero", "/bin/zero", "01"},
                                                {1, "one", "/bin/one", "00"},
                                                {3, "three", "/bin/three", ""},
                                                {9, "nine", "/bin/nine", "10"}};
    EXPECT_EQ(launcher::RegisteredEntries(), expected);
}

TEST_F(Entries, QuickLaunchStartsOnlyARegisteredSlot) {
    someSlots();
    EXPECT_FALSE(launcher::QuickLaunchEntry()) << "absent";
    const std::vector<std::pair<const char*, std::optional<int>>> cases{{"-1", std::nullopt},
                                                                        {"", std::nullopt},
                                                                        {"x", std::nullopt},
                                                                        {"12", std::nullopt},
                                                                        {"01", std::nullopt},
                                                                        {"1x", std::nullopt},
                                                                        {"1.0", std::nullopt},
                                                                        {"\u0663", std::nullopt},
                                                                        {"2", std::nullopt},
                                                                        {"4", std::nullopt},
                                                                        {"5", std::nullopt},
                                                                        {"8", std::nullopt},
                                                                        {"0", 0},
                                                                        {"3", 3},
                                                                        {"9", 9}};
    for (const auto& [quick, slot] : cases) {
        SCOPED_TRACE(quick);
        key("quick_lu_id", QString::fromUtf8(quick));
        const auto entry = launcher::QuickLaunchEntry();
        EXPECT_EQ(entry ? std::optional(entry->slot) : std::nullopt, slot);
    }
}

TEST_F(Entries, ASaveReachesTheNextRead) {
    slot(0, "zero", "/bin/zero", "01");
    key("quick_lu_id", "0");
    ASSERT_TRUE(launcher::QuickLaunchEntry());
    slot(0, "", "", "");
    EXPECT_FALSE(launcher::QuickLaunchEntry());
    EXPECT_TRUE(launcher::RegisteredEntries().empty());
}

} // namespace

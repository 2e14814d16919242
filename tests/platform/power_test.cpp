#include "file_times.h"
#include "platform/power.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {

using Attributes = std::map<std::string, std::string>;

struct Supply {
    std::string name;
    Attributes attributes;
};

// A power_supply class folder laid out as sysfs does: the entries are symbolic links to the
// device folders that hold the attribute files.
class SupplyFolder {
public:
    explicit SupplyFolder(const std::vector<Supply>& supplies) {
        QDir top(dir_.path());
        top.mkpath(QStringLiteral("devices"));
        top.mkpath(QStringLiteral("class"));
        for (const Supply& supply : supplies)
            add(supply);
        platform::power::setRoot(root());
    }
    ~SupplyFolder() { platform::power::setRoot(QString()); }

    QString root() const { return dir_.filePath(QStringLiteral("class")); }
    QString device(const std::string& name) const {
        return dir_.filePath(QStringLiteral("devices/") + QString::fromStdString(name));
    }

    void add(const Supply& supply) {
        const QString device = this->device(supply.name);
        QDir().mkpath(device);
        for (const auto& [attribute, value] : supply.attributes)
            write(supply.name, attribute, value);
        EXPECT_TRUE(QFile::link(device, root() + QLatin1Char('/') + QString::fromStdString(supply.name)));
    }

    void write(const std::string& supply, const std::string& attribute, const std::string& value) {
        QFile file(device(supply) + QLatin1Char('/') + QString::fromStdString(attribute));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(value));
    }

private:
    QTemporaryDir dir_;
};

const Attributes kMainsOff{{"type", "Mains\n"}, {"online", "0\n"}};
const Attributes kMainsOn{{"type", "Mains\n"}, {"online", "1\n"}};

Attributes battery(const std::string& status, Attributes more = {}) {
    more.emplace("type", "Battery\n");
    more.emplace("status", status + "\n");
    more.emplace("present", "1\n");
    return more;
}

struct Case {
    const char* name;
    std::vector<Supply> supplies;
    int ac;
    int percent;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class PowerStatus : public ::testing::TestWithParam<Case> {};

TEST_P(PowerStatus, ReadsTheSystemSupplies) {
    const Case& c = GetParam();
    SupplyFolder folder(c.supplies);
    const platform::power::Status status = platform::power::GetSystemPowerStatus();
    EXPECT_EQ(status.ACLineStatus, c.ac);
    EXPECT_EQ(status.BatteryLifePercent, c.percent);
}

const Case kCases[] = {
    {"LaptopOnBattery",
     {{"AC", kMainsOff},
      {"BAT0", battery("Discharging",
                       {{"energy_now", "9500000\n"}, {"energy_full", "50000000\n"}, {"capacity", "19\n"}})}},
     0,
     19},
    {"LaptopOnMains",
     {{"AC", kMainsOn},
      {"BAT0", battery("Charging",
                       {{"energy_now", "40000000\n"}, {"energy_full", "50000000\n"}, {"capacity", "80\n"}})}},
     1,
     80},
    {"DesktopWithoutSupplies", {}, 1, 255},
    {"DesktopWithMainsOnly", {{"AC", kMainsOff}}, 1, 255},
    {"BatteryWithOnlyStatus", {{"BAT0", {{"type", "Battery"}, {"status", "Discharging"}}}}, 0, 255},
    {"StatusDecidesWithoutMains", {{"BAT0", battery("Full", {{"capacity", "100"}})}}, 1, 100},
    {"UnknownStatusWithoutMains", {{"BAT0", battery("Unknown", {{"capacity", "64"}})}}, 255, 64},
    {"UnreadableMainsFallsBackToStatus",
     {{"AC", {{"type", "Mains"}, {"online", "yes"}}},
      {"BAT0", battery("Not charging", {{"capacity", "70"}})}},
     1,
     70},
    // Energies summed (20 of 100), not the capacities averaged (31) nor the first one taken (50).
    {"TwoBatteriesSumTheirEnergy",
     {{"BAT0", battery("Unknown", {{"energy_now", "10"}, {"energy_full", "20"}, {"capacity", "50"}})},
      {"BAT1", battery("Discharging", {{"energy_now", "10"}, {"energy_full", "80"}, {"capacity", "13"}})}},
     0,
     20},
    {"TwoBatteriesSumTheirCharge",
     {{"BAT0", battery("Discharging", {{"charge_now", "1000"}, {"charge_full", "4000"}})},
      {"BAT1", battery("Discharging", {{"charge_now", "3000"}, {"charge_full", "4000"}})}},
     0,
     50},
    // BAT1 gives only a charge, so neither unit covers both and the first capacity is taken.
    {"MixedUnitsUseTheFirstCapacity",
     {{"BAT0", battery("Discharging", {{"energy_now", "10"}, {"energy_full", "20"}, {"capacity", "47"}})},
      {"BAT1", battery("Discharging", {{"charge_now", "1"}, {"charge_full", "4"}, {"capacity", "25"}})}},
     0,
     47},
    {"MissingCapacity", {{"AC", kMainsOff}, {"BAT0", battery("Discharging")}}, 0, 255},
    {"GarbageCapacity",
     {{"AC", kMainsOff}, {"BAT0", battery("Discharging", {{"capacity", "lots"}})}},
     0,
     255},
    {"NegativeCapacity", {{"AC", kMainsOff}, {"BAT0", battery("Discharging", {{"capacity", "-5"}})}}, 0, 255},
    {"CapacityAboveHundred",
     {{"AC", kMainsOff}, {"BAT0", battery("Discharging", {{"capacity", "150"}})}},
     0,
     255},
    {"FractionalCapacity",
     {{"AC", kMainsOff}, {"BAT0", battery("Discharging", {{"capacity", "19.5"}})}},
     0,
     255},
    {"EmptyCapacity", {{"AC", kMainsOff}, {"BAT0", battery("Discharging", {{"capacity", ""}})}}, 0, 255},
    {"OverlongCapacity",
     {{"AC", kMainsOff}, {"BAT0", battery("Discharging", {{"capacity", std::string(100000, '7')}})}},
     0,
     255},
    {"HugeEnergyFallsBackToCapacity",
     {{"AC", kMainsOff},
      {"BAT0", battery("Discharging",
                       {{"energy_now", "99999999999999999999"}, {"energy_full", "1"}, {"capacity", "33"}})}},
     0,
     33},
    {"ZeroEnergyFullFallsBackToCapacity",
     {{"AC", kMainsOff},
      {"BAT0", battery("Discharging", {{"energy_now", "5"}, {"energy_full", "0"}, {"capacity", "42"}})}},
     0,
     42},
    {"OverfullIsFull",
     {{"AC", kMainsOn}, {"BAT0", battery("Full", {{"energy_now", "51000000"}, {"energy_full", "50000000"}})}},
     1,
     100},
    {"EmptyBayIgnored",
     {{"BAT0", {{"type", "Battery"}, {"present", "0"}, {"status", "Discharging"}}}},
     1,
     255},
    // A USB charger is not the computer's mains: the battery's status decides.
    {"UsbSupplyIgnored",
     {{"BAT0", battery("Discharging", {{"capacity", "55"}})},
      {"ucsi-source-psy-1", {{"type", "USB"}, {"online", "1"}, {"scope", "System"}}}},
     0,
     55},
    {"UpsOnDesktopIgnored",
     {{"AC", kMainsOn}, {"ups0", {{"type", "UPS"}, {"status", "Discharging"}, {"capacity", "50"}}}},
     1,
     255},
    {"DeviceBatteryOnDesktopIgnored",
     {{"hid-mouse-battery", battery("Discharging", {{"capacity", "40"}, {"scope", "Device"}})}},
     1,
     255},
    {"DeviceBatteryBesideLaptopIgnored",
     {{"AC", kMainsOff},
      {"BAT0", battery("Discharging", {{"energy_now", "19"}, {"energy_full", "100"}, {"scope", "System"}})},
      {"hid-mouse-battery",
       battery("Charging", {{"energy_now", "1"}, {"energy_full", "1"}, {"scope", "Device"}})}},
     0,
     19},
    {"DeviceMainsIgnored",
     {{"dock", {{"type", "Mains"}, {"online", "1"}, {"scope", "Device"}}},
      {"BAT0", battery("Discharging", {{"capacity", "60"}})}},
     0,
     60},
    {"GarbageTypeIgnored", {{"BAT0", {{"type", "\x01\x02garbage"}, {"capacity", "10"}}}}, 1, 255},
    {"NulInStatus", {{"BAT0", battery(std::string("Disch\0arging", 12), {{"capacity", "61"}})}}, 255, 61},
};

INSTANTIATE_TEST_SUITE_P(Fixtures, PowerStatus, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

TEST(PowerRoot, MissingFolderIsADesktop) {
    QTemporaryDir dir;
    platform::power::setRoot(dir.filePath(QStringLiteral("absent")));
    const platform::power::Status status = platform::power::GetSystemPowerStatus();
    platform::power::setRoot(QString());
    EXPECT_EQ(status.ACLineStatus, 1);
    EXPECT_EQ(status.BatteryLifePercent, 255);
}

TEST(PowerRoot, EnvironmentNamesTheFolderUnlessATestSetsOne) {
    const QByteArray previous = qgetenv("MORVIK_POWER_SUPPLY");
    platform::power::setRoot(QString());
    qunsetenv("MORVIK_POWER_SUPPLY");
    EXPECT_EQ(platform::power::root(), QStringLiteral("/sys/class/power_supply"));
    qputenv("MORVIK_POWER_SUPPLY", "/somewhere/power");
    EXPECT_EQ(platform::power::root(), QStringLiteral("/somewhere/power"));
    platform::power::setRoot(QStringLiteral("/fixture"));
    EXPECT_EQ(platform::power::root(), QStringLiteral("/fixture"));
    platform::power::setRoot(QString());
    EXPECT_EQ(platform::power::root(), QStringLiteral("/somewhere/power"));
    if (previous.isNull())
        qunsetenv("MORVIK_POWER_SUPPLY");
    else
        qputenv("MORVIK_POWER_SUPPLY", previous);
}

// ---- the listing kept between looks --------------------------------------------------------------

struct ChangeCase {
    const char* name;
    std::function<void(SupplyFolder&)> change;
    int ac, percent;
};
void PrintTo(const ChangeCase& c, std::ostream* os) {
    *os << c.name;
}

class ChangeBetweenLooks : public ::testing::TestWithParam<ChangeCase> {};

// Every stamp is trusted at once and the folders are dated long ago, so a change must be seen by
// the folder's stamp, or by reading the values afresh, alone.
TEST_P(ChangeBetweenLooks, TheNextLookSeesIt) {
    TrustedStamps trusted;
    SupplyFolder folder({{"AC", kMainsOff},
                         {"BAT0", battery("Discharging", {{"energy_now", "40"}, {"energy_full", "100"}})}});
    for (const QString& path : {folder.root(), folder.device("AC"), folder.device("BAT0")})
        backdate(path);
    const platform::power::Status before = platform::power::GetSystemPowerStatus();
    ASSERT_EQ(before.ACLineStatus, 0);
    ASSERT_EQ(before.BatteryLifePercent, 40);
    GetParam().change(folder);
    const platform::power::Status after = platform::power::GetSystemPowerStatus();
    EXPECT_EQ(after.ACLineStatus, GetParam().ac);
    EXPECT_EQ(after.BatteryLifePercent, GetParam().percent);
}

INSTANTIATE_TEST_SUITE_P(
    Cache, ChangeBetweenLooks,
    ::testing::Values(
        ChangeCase{"plugged_in",
                   [](SupplyFolder& f) {
                       f.write("AC", "online", "1\n");
                       f.write("BAT0", "status", "Charging\n");
                   },
                   1, 40},
        ChangeCase{"charge_replaced_by_rename",
                   [](SupplyFolder& f) {
                       const QString charge = f.device("BAT0") + QStringLiteral("/energy_now");
                       f.write("BAT0", "energy_now.new", "25\n");
                       ASSERT_EQ(::rename(QFile::encodeName(charge + QStringLiteral(".new")).constData(),
                                          QFile::encodeName(charge).constData()),
                                 0);
                   },
                   0, 25},
        ChangeCase{"second_battery_put_in",
                   [](SupplyFolder& f) {
                       f.add({"BAT1", battery("Discharging", {{"energy_now", "0"}, {"energy_full", "100"}})});
                   },
                   0, 20},
        ChangeCase{"battery_taken_out",
                   [](SupplyFolder& f) { ASSERT_TRUE(QFile::remove(f.root() + QStringLiteral("/BAT0"))); }, 1,
                   255},
        // Without a battery she is on mains, whatever the mains supply says. As in sysfs, whose
        // folders keep their time, the entry may stay while its device is gone.
        ChangeCase{"battery_device_gone_behind_an_unchanged_folder",
                   [](SupplyFolder& f) { ASSERT_TRUE(QDir(f.device("BAT0")).removeRecursively()); }, 1, 255}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

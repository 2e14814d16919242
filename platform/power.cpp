#include "power.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <optional>
#include <vector>

namespace platform::power {
namespace {

// Every attribute of the class is one short line; anything longer is not one of them.
constexpr qint64 kMaxAttributeBytes = 64;

QString& rootOverride() {
    static QString folder;
    return folder;
}

// One attribute file, trimmed; nothing when it is missing, unreadable or too long.
std::optional<QString> attribute(const QDir& supply, const char* name) {
    QFile file(supply.filePath(QString::fromLatin1(name)));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(kMaxAttributeBytes + 1);
    if (bytes.size() > kMaxAttributeBytes || bytes.contains('\0'))
        return std::nullopt;
    return QString::fromLatin1(bytes).trimmed();
}

// A whole number of at least zero written in decimal digits only; nothing otherwise.
std::optional<qint64> number(const QDir& supply, const char* name) {
    const std::optional<QString> text = attribute(supply, name);
    if (!text || text->isEmpty())
        return std::nullopt;
    for (const QChar c : *text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const qint64 value = text->toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

struct Battery {
    std::optional<QString> status;
    std::optional<qint64> energyNow, energyFull, chargeNow, chargeFull;
    std::optional<qint64> capacity;
};

struct Supplies {
    std::vector<Battery> batteries;
    std::vector<std::optional<bool>> mains; // each Mains supply's `online`, nothing when unreadable
};

Supplies readSupplies(const QString& folder) {
    Supplies found;
    const QDir dir(folder);
    // Sorted by name, so "the first battery" is BAT0 before BAT1. Entries are symbolic links to the
    // devices in sysfs; QDir follows them.
    const QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        const QDir supply(dir.filePath(name));
        // A Device supply powers a mouse, a pen or a phone, not this computer.
        if (attribute(supply, "scope") == QStringLiteral("Device"))
            continue;
        const std::optional<QString> type = attribute(supply, "type");
        if (type == QStringLiteral("Mains")) {
            const std::optional<qint64> online = number(supply, "online");
            found.mains.push_back(online ? std::optional<bool>(*online != 0) : std::nullopt);
        } else if (type == QStringLiteral("Battery")) {
            // An empty battery bay reports present = 0.
            if (number(supply, "present") == 0)
                continue;
            Battery battery;
            battery.status = attribute(supply, "status");
            battery.energyNow = number(supply, "energy_now");
            battery.energyFull = number(supply, "energy_full");
            battery.chargeNow = number(supply, "charge_now");
            battery.chargeFull = number(supply, "charge_full");
            const std::optional<qint64> capacity = number(supply, "capacity");
            if (capacity && *capacity <= 100)
                battery.capacity = capacity;
            found.batteries.push_back(battery);
        }
        // USB, UPS, Wireless and the rest are chargers or outside supplies: neither this
        // computer's mains nor its battery.
    }
    return found;
}

int acLineStatus(const Supplies& supplies) {
    bool mainsKnown = false;
    for (const std::optional<bool>& online : supplies.mains) {
        if (online && *online)
            return 1;
        mainsKnown = mainsKnown || online.has_value();
    }
    if (mainsKnown)
        return 0;
    bool charging = false;
    for (const Battery& battery : supplies.batteries) {
        if (battery.status == QStringLiteral("Discharging"))
            return 0;
        if (battery.status == QStringLiteral("Charging") || battery.status == QStringLiteral("Full") ||
            battery.status == QStringLiteral("Not charging"))
            charging = true;
    }
    return charging ? 1 : 255;
}

// now / full over all batteries, when every battery gives both and the total is not zero.
std::optional<int> summedPercent(const std::vector<Battery>& batteries, std::optional<qint64> Battery::*now,
                                 std::optional<qint64> Battery::*full) {
    qint64 nowSum = 0;
    qint64 fullSum = 0;
    for (const Battery& battery : batteries) {
        const std::optional<qint64>& n = battery.*now;
        const std::optional<qint64>& f = battery.*full;
        if (!n || !f || *f == 0)
            return std::nullopt;
        // Values are micro-units of one battery; anything near the limit is not a battery's.
        constexpr qint64 kLimit = qint64(1) << 50;
        if (*n > kLimit || *f > kLimit)
            return std::nullopt;
        nowSum += *n;
        fullSum += *f;
    }
    if (fullSum == 0)
        return std::nullopt;
    // A battery just recalibrated may report slightly more than full.
    return int(std::min<qint64>(100, (nowSum * 100 + fullSum / 2) / fullSum));
}

int batteryPercent(const std::vector<Battery>& batteries) {
    if (batteries.empty())
        return 255;
    if (const auto energy = summedPercent(batteries, &Battery::energyNow, &Battery::energyFull))
        return *energy;
    if (const auto charge = summedPercent(batteries, &Battery::chargeNow, &Battery::chargeFull))
        return *charge;
    for (const Battery& battery : batteries) {
        if (battery.capacity)
            return int(*battery.capacity);
    }
    return 255;
}

} // namespace

Status GetSystemPowerStatus() {
    const Supplies supplies = readSupplies(root());
    // Without a battery the computer can only be running on mains, whatever a charger says.
    if (supplies.batteries.empty())
        return Status{1, 255};
    return Status{acLineStatus(supplies), batteryPercent(supplies.batteries)};
}

QString root() {
    if (!rootOverride().isEmpty())
        return rootOverride();
    const QString fromEnv = qEnvironmentVariable("MORVIK_POWER_SUPPLY");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QStringLiteral("/sys/class/power_supply");
}

void setRoot(const QString& folder) {
    rootOverride() = folder;
}

} // namespace platform::power

#include "power.h"

#include "platform/environment_snapshot.h"
#include "platform/file_stamp.h"
#include "platform/quiet.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/netlink.h>
#include <memory>
#include <optional>
#include <sys/socket.h>
#include <sys/statfs.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace platform::power {
namespace {

// Every attribute of the class is one short line; anything longer is not one of them.
constexpr qint64 kMaxAttributeBytes = 64;

QString& rootOverride() {
    static QString folder;
    return folder;
}

// One attribute file, trimmed; nothing when it is missing, unreadable or too long. Read with the
// bare system calls: the battery watch reads a few of these ten times a second.
std::optional<QString> attribute(const QByteArray& supply, const char* name) {
    const int fd = ::open(supply + '/' + name, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    char buffer[kMaxAttributeBytes + 1];
    qint64 filled = 0;
    while (filled < qint64(sizeof buffer)) {
        const ssize_t n = ::read(fd, buffer + filled, sizeof buffer - std::size_t(filled));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        filled += n;
    }
    ::close(fd);
    const QByteArray bytes = QByteArray::fromRawData(buffer, filled);
    if (bytes.size() > kMaxAttributeBytes || bytes.contains('\0'))
        return std::nullopt;
    return QString::fromLatin1(bytes).trimmed();
}

// A whole number of at least zero written in decimal digits only; nothing otherwise.
std::optional<qint64> number(const std::optional<QString>& text) {
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

// The supplies that power this computer, as the folder lists them; what each is (its type and
// scope) is read when listing and does not change while it is listed.
struct Listed {
    QByteArray folder;  // the supply's folder, encoded for the system calls
    bool mains = false; // else a battery
};

struct Listing {
    QString root;
    FileStamp stamp;
    bool onSysfs = false;  // whose folders keep their time whatever is added: the stamp tells nothing
    qint64 listedAtNs = 0; // monotonic
    std::vector<Listed> supplies;
};

// sysfs does not date its folders, so a battery that appears there (a second one put into its
// bay) is found by listing again now and then; a normal folder (the tests') tells by its stamp.
constexpr qint64 kRelistNs = qint64(10'000'000'000);

qint64 monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

Listing list(const QString& folder) {
    Listing listing;
    listing.root = folder;
    listing.stamp = FileStamp::of(folder);
    struct statfs fs {};
    listing.onSysfs = ::statfs(QFile::encodeName(folder).constData(), &fs) == 0 && fs.f_type == SYSFS_MAGIC;
    listing.listedAtNs = monotonicNs();
    const QDir dir(folder);
    // Sorted by name, so "the first battery" is BAT0 before BAT1. Entries are symbolic links to the
    // devices in sysfs; QDir follows them.
    const QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        const QByteArray supply = QFile::encodeName(dir.filePath(name));
        // A Device supply powers a mouse, a pen or a phone, not this computer.
        if (attribute(supply, "scope") == QStringLiteral("Device"))
            continue;
        const std::optional<QString> type = attribute(supply, "type");
        // USB, UPS, Wireless and the rest are chargers or outside supplies: neither this
        // computer's mains nor its battery.
        if (type == QStringLiteral("Mains"))
            listing.supplies.push_back({supply, true});
        else if (type == QStringLiteral("Battery"))
            listing.supplies.push_back({supply, false});
    }
    return listing;
}

QMutex listingLock;
std::shared_ptr<const Listing> kept;

// The listing of folder, listed again when it may have changed (or when told to).
std::shared_ptr<const Listing> listing(const QString& folder, bool again) {
    QMutexLocker lock(&listingLock);
    const bool current = kept && kept->root == folder && monotonicNs() - kept->listedAtNs <= kRelistNs &&
                         (kept->onSysfs || Fresh(kept->stamp, FileStamp::of(folder)));
    if (again || !current)
        kept = std::make_shared<const Listing>(list(folder));
    return kept;
}

// One listed supply in one look: each attribute is read at most once, and only when the answer
// needs it. A read that finds the supply's folder gone marks the listing as stale.
class Look {
public:
    Look(const Listed& supply, bool* stale) : supply_(&supply), stale_(stale) {}

    std::optional<QString> text(const char* name) {
        for (const auto& [read, value] : read_) {
            if (read == name)
                return value;
        }
        std::optional<QString> value = attribute(supply_->folder, name);
        if (!value && ::access(supply_->folder.constData(), F_OK) != 0 && errno == ENOENT)
            *stale_ = true;
        read_.emplace_back(name, value);
        return value;
    }
    std::optional<qint64> whole(const char* name) { return number(text(name)); }

private:
    const Listed* supply_;
    bool* stale_;
    std::vector<std::pair<const char*, std::optional<QString>>> read_;
};

int acLineStatus(std::vector<Look>& mains, std::vector<Look>& batteries) {
    bool mainsKnown = false;
    for (Look& supply : mains) {
        const std::optional<qint64> online = supply.whole("online");
        if (online && *online != 0)
            return 1;
        mainsKnown = mainsKnown || online.has_value();
    }
    if (mainsKnown)
        return 0;
    bool charging = false;
    for (Look& battery : batteries) {
        const std::optional<QString> status = battery.text("status");
        if (status == QStringLiteral("Discharging"))
            return 0;
        if (status == QStringLiteral("Charging") || status == QStringLiteral("Full") ||
            status == QStringLiteral("Not charging"))
            charging = true;
    }
    return charging ? 1 : 255;
}

// now / full over all batteries, when every battery gives both and the total is not zero.
std::optional<int> summedPercent(std::vector<Look>& batteries, const char* now, const char* full) {
    qint64 nowSum = 0;
    qint64 fullSum = 0;
    for (Look& battery : batteries) {
        const std::optional<qint64> n = battery.whole(now);
        if (!n)
            return std::nullopt;
        const std::optional<qint64> f = battery.whole(full);
        if (!f || *f == 0)
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

int batteryPercent(std::vector<Look>& batteries) {
    if (const auto energy = summedPercent(batteries, "energy_now", "energy_full"))
        return *energy;
    if (const auto charge = summedPercent(batteries, "charge_now", "charge_full"))
        return *charge;
    for (Look& battery : batteries) {
        const std::optional<qint64> capacity = battery.whole("capacity");
        if (capacity && *capacity <= 100)
            return int(*capacity);
    }
    return 255;
}

// The status from the listed supplies; nothing when one of them has gone since the listing.
std::optional<Status> statusOf(const Listing& listing) {
    bool stale = false;
    std::vector<Look> mains, batteries;
    for (const Listed& supply : listing.supplies) {
        Look look(supply, &stale);
        // An empty battery bay reports present = 0.
        if (!supply.mains && look.whole("present") == 0)
            continue;
        (supply.mains ? mains : batteries).push_back(std::move(look));
    }
    Status status{1, 255};
    // Without a battery the computer can only be running on mains, whatever a charger says.
    if (!batteries.empty())
        status = Status{acLineStatus(mains, batteries), batteryPercent(batteries)};
    if (stale)
        return std::nullopt;
    return status;
}

// The kernel's announcements of its devices (uevents): a supply plugged in or out, a battery
// charging or discharging, one put into its bay. They wake the main thread's event loop, so a timer
// resting on the supplies' state is woken by a change of it (platform/timer.h); one of a supply
// also has the folder listed again.
class Uevents {
public:
    static Uevents& get() {
        static Uevents uevents;
        return uevents;
    }
    bool listening() {
        if (fd_ >= 0 && !announcing_.exchange(true))
            announce();
        return listening_.load(std::memory_order_acquire);
    }

private:
    Uevents() {
        // The kernel announces its devices only to the first user namespace (not inside a
        // sandbox such as bubblewrap or a rootless container): elsewhere the socket stays silent.
        if (!firstUserNamespace())
            return;
        fd_ = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
        sockaddr_nl address{};
        address.nl_family = AF_NETLINK;
        address.nl_groups = 1; // the kernel's own announcements
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

    static bool firstUserNamespace() {
        QFile map(QStringLiteral("/proc/self/uid_map"));
        if (!map.open(QIODevice::ReadOnly))
            return false;
        return map.readAll().simplified() == "0 0 4294967295";
    }

    void announce() {
        if (!quiet::announceReadable(fd_, [this] { read(); }, &listening_))
            announcing_ = false;
    }

    void read() {
        char buffer[8192];
        bool supplies = false;
        for (;;) {
            const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got < 0 && errno == EINTR)
                continue;
            // Too many at once: some were lost, perhaps a supply's.
            if (got < 0 && errno == ENOBUFS) {
                supplies = true;
                continue;
            }
            if (got <= 0)
                break;
            // NUL-separated "KEY=value" lines after the header.
            static constexpr char kSupplies[] = "\0SUBSYSTEM=power_supply";
            supplies = supplies ||
                       QByteArrayView(buffer, got).contains(QByteArrayView(kSupplies, sizeof kSupplies - 1));
        }
        if (supplies) {
            QMutexLocker lock(&listingLock);
            kept.reset();
        }
    }

    int fd_ = -1;
    std::atomic_bool announcing_{false}, listening_{false};
};

} // namespace

Status GetSystemPowerStatus() {
    const QString folder = root();
    std::shared_ptr<const Listing> now = listing(folder, false);
    // Only sysfs announces its changes; another folder (the tests') is seen only when looked at.
    if (!now->onSysfs || !Uevents::get().listening())
        quiet::unannounced();
    if (const std::optional<Status> status = statusOf(*now))
        return *status;
    return statusOf(*listing(folder, true)).value_or(Status{1, 255});
}

QString root() {
    if (!rootOverride().isEmpty())
        return rootOverride();
    // The battery watch asks ten times a second: the variable is read again only when the
    // environment changed.
    const QString fromEnv = environmentVariable("MORVIK_POWER_SUPPLY");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QStringLiteral("/sys/class/power_supply");
}

void setRoot(const QString& folder) {
    rootOverride() = folder;
}

} // namespace platform::power

#include "single_instance.h"

#include "program_folder.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform {

namespace {

std::mutex rootLock;
QString fallbackRoot = QStringLiteral("/tmp");

// Said once per folder. Only by the one who takes a lock: the peeks (heldElsewhere) come from
// the SSTP control too, which has a copy of this code of its own inside its library and would say
// it again.
void sayRefused(const QString& dir, const QString& why) {
    static std::mutex lock;
    static QSet<QString> said;
    const std::lock_guard guard(lock);
    if (said.contains(dir))
        return;
    said.insert(dir);
    std::fprintf(stderr, "morvik: not using %s for the instance lock (%s); using %s\n",
                 QFile::encodeName(dir).constData(), why.toLocal8Bit().constData(),
                 QFile::encodeName(programFolderPath()).constData());
}

enum class Refusal { said, quiet };

QString lockFile(const QString& name, Refusal refusal) {
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists()) {
        {
            const std::lock_guard guard(rootLock);
            dir = fallbackRoot;
        }
        dir += QStringLiteral("/morvik-%1").arg(getuid());
        // Made private at once; one that was there may be another user's, holding a lock that
        // would turn her away.
        ::mkdir(QFile::encodeName(dir).constData(), 0700);
        if (const QString why = SingleInstance::notPrivateFolder(dir); !why.isEmpty()) {
            if (refusal == Refusal::said)
                sayRefused(dir, why);
            dir = programFolder();
        }
    }
    return dir + QLatin1Char('/') + name + QStringLiteral(".lock");
}

} // namespace

QString SingleInstance::lockPath(const QString& name) {
    return lockFile(name, Refusal::said);
}

void SingleInstance::setFallbackRoot(const QString& root) {
    const std::lock_guard guard(rootLock);
    fallbackRoot = root.isEmpty() ? QStringLiteral("/tmp") : root;
}

QString SingleInstance::notPrivateFolder(const QString& dir) {
    struct stat st {};
    if (::lstat(QFile::encodeName(dir).constData(), &st) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("a symbolic link");
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("not a folder");
    if (st.st_uid != getuid())
        return QStringLiteral("owned by user %1").arg(st.st_uid);
    if ((st.st_mode & 07777) != 0700)
        return QStringLiteral("mode %1, not 0700").arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'));
    return {};
}

SingleInstance::SingleInstance(const QString& name) {
    const QString file = lockPath(name);
    const QByteArray path = QFile::encodeName(file);
    auto fail = [&](const char* what) {
        error_ = QStringLiteral("%1 %2: %3")
                     .arg(QLatin1String(what), file, QString::fromLocal8Bit(std::strerror(errno)));
    };
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        fail("cannot open");
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            outcome_ = Outcome::HeldByAnother;
        else
            fail("cannot lock");
        ::close(fd);
        return;
    }
    fd_ = fd;
    outcome_ = Outcome::Acquired;
}

SingleInstance::~SingleInstance() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool SingleInstance::heldElsewhere(const QString& name) {
    // Only looked at, never opened: even a moment's shared lock would make an instance starting
    // just then believe another one runs.
    struct stat file {};
    if (::stat(QFile::encodeName(lockFile(name, Refusal::quiet)).constData(), &file) != 0)
        return false;
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    // A line: "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF", or "1: -> FLOCK ..." for a process
    // still waiting for the lock, which holds nothing yet.
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields[1] == "->")
            continue;
        const QList<QByteArray> where = fields[5].split(':');
        bool ok[3] = {};
        if (where.size() == 3 && where[0].toUInt(&ok[0], 16) == major(file.st_dev) &&
            where[1].toUInt(&ok[1], 16) == minor(file.st_dev) &&
            where[2].toULongLong(&ok[2]) == file.st_ino && ok[0] && ok[1] && ok[2])
            return true;
    }
    return false;
}

} // namespace platform

#include "single_instance.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

QString SingleInstance::lockPath(const QString& name) {
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists()) {
        dir = QStringLiteral("/tmp/morvik-%1").arg(getuid());
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return dir + QLatin1Char('/') + name + QStringLiteral(".lock");
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
    const QByteArray path = QFile::encodeName(lockPath(name));
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

} // namespace platform

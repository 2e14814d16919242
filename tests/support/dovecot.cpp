#include "dovecot.h"

#include "loopback.h"
#include "self_signed.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace {

constexpr const char* kDovecot = "/usr/sbin/dovecot";
// Dovecot is up in a few hundredths of a second; only a guard against a test that hangs.
constexpr int kStartMs = 10000;

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

bool Dovecot::installed() {
    return QFile::exists(QString::fromLatin1(kDovecot));
}

Dovecot::Dovecot(const std::vector<std::pair<QString, QString>>& users, bool tls) {
    // No mail is read as root: as root the mail belongs to nobody, otherwise to the tester.
    const bool root = ::geteuid() == 0;
    uid_ = root ? 65534 : ::geteuid();
    gid_ = root ? 65534 : ::getegid();
    const QString base = dir_.path();
    // The mail processes run as that user and must reach the Maildir.
    QFile::setPermissions(base, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                    QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    for (const char* sub : {"run", "state", "mail"})
        QDir(base).mkpath(QString::fromLatin1(sub));
    QByteArray passwords;
    for (const auto& [user, password] : users)
        passwords += user.toUtf8() + ":{PLAIN}" + password.toUtf8() + "\n";
    // Only the POP3 service, on the chosen port; no chroot, which a tester who is not root may
    // not make.
    QByteArray config = R"(protocols = pop3
listen = 127.0.0.1
base_dir = @BASE@/run
state_dir = @BASE@/state
log_path = @BASE@/log
ssl = @SSL@
disable_plaintext_auth = no
auth_failure_delay = 0
first_valid_uid = 1
mail_location = maildir:@BASE@/mail/%u
service pop3-login {
  chroot =
  inet_listener pop3 {
    address = 127.0.0.1
    port = @PORT@
  }
  inet_listener pop3s {
    port = 0
  }
}
service anvil {
  chroot =
}
passdb {
  driver = passwd-file
  args = scheme=PLAIN @BASE@/passwd
}
userdb {
  driver = static
  args = uid=@UID@ gid=@GID@ home=@BASE@/mail/%u
}
)";
    config.replace("@BASE@", base.toUtf8())
        .replace("@SSL@", tls ? "yes" : "no")
        .replace("@UID@", QByteArray::number(uid_))
        .replace("@GID@", QByteArray::number(gid_));
    if (tls) {
        const QString key = base + QStringLiteral("/key.pem");
        const QString cert = base + QStringLiteral("/cert.pem");
        if (!makeSelfSignedCertificate(cert, key)) {
            error_ = QStringLiteral("openssl could not make a certificate");
            port_ = 0;
            return;
        }
        config += "ssl_cert = <" + cert.toUtf8() + "\nssl_key = <" + key.toUtf8() + "\n";
    }
    if (!root) {
        const struct passwd* me = ::getpwuid(::geteuid());
        const QByteArray name = me ? QByteArray(me->pw_name) : QByteArray();
        const struct group* mine = ::getgrgid(::getegid());
        const QByteArray group = mine ? QByteArray(mine->gr_name) : QByteArray();
        config += "default_internal_user = " + name + "\ndefault_login_user = " + name +
                  "\ndefault_internal_group = " + group + "\n";
    }
    if (!writeFile(base + QStringLiteral("/passwd"), passwords)) {
        error_ = QStringLiteral("cannot write the passwords");
        return;
    }
    process_.setProcessChannelMode(QProcess::MergedChannels);
    // The free port may be taken by another test before Dovecot binds it: then another port.
    for (int attempt = 0; attempt < 3; ++attempt) {
        port_ = freeLoopbackPort();
        if (!writeFile(base + QStringLiteral("/dovecot.conf"),
                       QByteArray(config).replace("@PORT@", QByteArray::number(port_)))) {
            error_ = QStringLiteral("cannot write the configuration");
            port_ = 0;
            return;
        }
        process_.start(QString::fromLatin1(kDovecot),
                       {QStringLiteral("-F"), QStringLiteral("-c"), base + QStringLiteral("/dovecot.conf")});
        QElapsedTimer clock;
        clock.start();
        while (process_.state() != QProcess::NotRunning && clock.elapsed() < kStartMs && !loopbackGreeting(port_).startsWith("+OK"))
            QThread::msleep(10);
        if (process_.state() != QProcess::NotRunning && loopbackGreeting(port_).startsWith("+OK"))
            return;
        process_.kill();
        process_.waitForFinished(1000);
        QFile log(base + QStringLiteral("/log"));
        log.open(QIODevice::ReadOnly);
        error_ = QString::fromUtf8(process_.readAll() + log.readAll());
        port_ = 0;
    }
}

Dovecot::~Dovecot() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(1000);
    }
}

QString Dovecot::mailbox(const QString& user) const {
    return dir_.path() + QStringLiteral("/mail/") + user;
}

void Dovecot::deliver(const QString& user, const std::vector<QByteArray>& messages) {
    const QString box = mailbox(user);
    for (const char* sub : {"", "/new", "/cur", "/tmp"}) {
        const QString path = box + QString::fromLatin1(sub);
        QDir().mkpath(path);
        (void)::chown(QFile::encodeName(path).constData(), uid_, gid_);
    }
    static int serial = 0;
    for (const QByteArray& message : messages) {
        ++serial;
        const QString path =
            box + QStringLiteral("/new/%1.M%2P1.morvik").arg(1700000000 + serial).arg(serial);
        writeFile(path, message);
        (void)::chown(QFile::encodeName(path).constData(), uid_, gid_);
    }
}

QByteArray Dovecot::log() const {
    QFile file(dir_.path() + QStringLiteral("/log"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int Dovecot::stored(const QString& user) const {
    const QString box = mailbox(user);
    return int(QDir(box + QStringLiteral("/new")).entryList(QDir::Files).size() +
               QDir(box + QStringLiteral("/cur")).entryList(QDir::Files).size());
}

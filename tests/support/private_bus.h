#pragma once
// A D-Bus daemon of the test's own, for tests of what the program asks of system services: nothing
// here ever reaches the machine's own buses. SystemBusMock points the system bus at such a daemon
// and runs one of python-dbusmock's templates on it.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/prctl.h>

namespace private_bus {

constexpr int kStartLimitMs = 15000;

// A test's helper processes die with the test program, so a crashed test leaves nothing running.
void tieToUs(QProcess& process) {
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

void stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

// A bus daemon of the test's own, listening on a socket in a temporary folder. It has no service
// folders, so nothing is started on demand: a name nobody owns is answered at once with an error.
class PrivateBus {
public:
    PrivateBus() {
        const QString config = dir_.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            QStringLiteral(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <listen>unix:path=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)")
                .arg(dir_.filePath(QStringLiteral("system_bus_socket")))
                .toUtf8());
        file.close();
        tieToUs(daemon_);
        // As root it warns that it may not raise its file limit; keep that out of the test output.
        const QString log = dir_.filePath(QStringLiteral("bus.log"));
        daemon_.setStandardErrorFile(log);
        daemon_.start(QStringLiteral(MORVIK_DBUS_DAEMON),
                      {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                       QStringLiteral("--print-address")});
        if (!daemon_.waitForStarted(kStartLimitMs)) {
            ADD_FAILURE() << "dbus-daemon (" << MORVIK_DBUS_DAEMON << ") did not start";
            return;
        }
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead(kStartLimitMs)) {
        }
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        if (address_.isEmpty()) {
            QFile errors(log);
            errors.open(QIODevice::ReadOnly);
            ADD_FAILURE() << "dbus-daemon gave no address: " << errors.readAll().toStdString();
        }
    }
    ~PrivateBus() { stop(daemon_); }

    QString address() const { return address_; }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
};

// Points the system bus at a private bus, never at the machine's own, for as long as it lives;
// start() runs one of dbusmock's templates on that bus, logging every call it answers (property
// reads included) to logPath(); stop() ends it, as a service that leaves the bus.
class SystemBusMock {
public:
    SystemBusMock() {
        previousAddress_ = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus_.address().toUtf8());
        EXPECT_FALSE(bus_.address().isEmpty());
        control_ = QDBusConnection::connectToBus(bus_.address(), QStringLiteral("test-control"));
        EXPECT_TRUE(control_.isConnected()) << control_.lastError().message().toStdString();
    }

    ~SystemBusMock() {
        QDBusConnection::disconnectFromBus(QStringLiteral("test-control"));
        private_bus::stop(mock_);
        if (previousAddress_.isNull())
            qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        else
            qputenv("DBUS_SYSTEM_BUS_ADDRESS", previousAddress_);
    }

    SystemBusMock(const SystemBusMock&) = delete;
    SystemBusMock& operator=(const SystemBusMock&) = delete;

    // Starts dbusmock's template on the private bus with the template's parameters (JSON) and
    // waits until it owns the service's name.
    void start(const QString& templateName, const QString& service,
               const QString& parameters = QStringLiteral("{}")) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), bus_.address());
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus_.address());
        mock_.setProcessEnvironment(env);
        mock_.setStandardOutputFile(QProcess::nullDevice());
        mock_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        tieToUs(mock_);
        mock_.start(QStringLiteral(MORVIK_PYTHON3),
                    {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                     QStringLiteral("--template"), templateName, QStringLiteral("--parameters"), parameters,
                     QStringLiteral("--logfile"), logPath()});
        service_ = service;
        ASSERT_TRUE(mock_.waitForStarted(kStartLimitMs))
            << "python3 (" << MORVIK_PYTHON3 << ") did not start";
        for (int waited = 0; waited < kStartLimitMs; waited += 20) {
            if (control_.interface()->isServiceRegistered(service))
                return;
            ASSERT_EQ(mock_.state(), QProcess::Running)
                << "dbusmock ended early (is python3-dbusmock installed?)";
            QThread::msleep(20);
        }
        FAIL() << "dbusmock did not take " << service.toStdString();
    }

    // Ends the template's process and waits until its name has left the bus.
    void stop() {
        private_bus::stop(mock_);
        for (int waited = 0; waited < kStartLimitMs; waited += 20) {
            if (!control_.interface()->isServiceRegistered(service_))
                return;
            QThread::msleep(20);
        }
        ADD_FAILURE() << "dbusmock's name stayed on the bus";
    }

    // Where the template logs the calls it answers, one a line ("… Get /path interface.Name").
    QString logPath() const { return logDir_.filePath(QStringLiteral("mock.log")); }
    // How many lines of the log hold the word (" Get ", " GetAll ", "SetTime").
    int logged(const QString& word) const {
        QFile log(logPath());
        if (!log.open(QIODevice::ReadOnly))
            return 0;
        return QString::fromUtf8(log.readAll()).count(word);
    }

    // Calls a method on the private bus and waits for the reply.
    QDBusMessage call(const QString& service, const QString& path, const QString& interface,
                      const QString& method, const QVariantList& arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        return control_.call(message, QDBus::Block, 5000);
    }

    QString busAddress() const { return bus_.address(); }

private:
    PrivateBus bus_;
    QDBusConnection control_{QString()};
    QProcess mock_;
    QString service_;
    QTemporaryDir logDir_;
    QByteArray previousAddress_;
};

} // namespace private_bus

#pragma once
// chronyd as an SNTP server of the test's own on 127.0.0.1, at a port the test chose: it serves
// this machine's time at once (local stratum 8) and never touches the clock (-x). The binary is the
// one scripts/test unpacks into the build tree (MORVIK_CHRONYD), never the system's service.
#include "platform/sntp/sntp.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUdpSocket>
#include <csignal>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

class Chrony {
public:
    static QString binary() { return QStringLiteral(MORVIK_CHRONYD); }
    static bool available() { return QFile::exists(binary()); }

    Chrony() {
        {
            QUdpSocket probe; // a free port, handed to chronyd at once
            if (!probe.bind(QHostAddress::LocalHost, 0))
                return;
            port_ = probe.localPort();
        }
        const QString conf = dir_.filePath(QStringLiteral("chrony.conf"));
        QFile file(conf);
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.write(QStringLiteral("port %1\nbindaddress 127.0.0.1\nlocal stratum 8\nallow 127.0.0.1\n"
                                  "cmdport 0\nbindcmdaddress /\npidfile %2\n")
                       .arg(port_)
                       .arg(dir_.filePath(QStringLiteral("chronyd.pid")))
                       .toUtf8());
        file.close();
        const passwd* user = ::getpwuid(::getuid());
        process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        process_.setStandardOutputFile(dir_.filePath(QStringLiteral("chronyd.log")));
        process_.setStandardErrorFile(dir_.filePath(QStringLiteral("chronyd.log")));
        process_.start(binary(), {QStringLiteral("-d"), QStringLiteral("-x"), QStringLiteral("-U"),
                                  QStringLiteral("-u"), QString::fromLocal8Bit(user ? user->pw_name : "root"),
                                  QStringLiteral("-f"), conf});
        if (!process_.waitForStarted(5000))
            return;
        // Ready once it answers. Until it has bound its port a question is refused at once, so the
        // wait is by time, not by tries.
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000 && process_.state() == QProcess::Running) {
            if (platform::sntp::query(QStringLiteral("127.0.0.1"), port_, 200).ok()) {
                ready_ = true;
                return;
            }
            QThread::msleep(20);
        }
    }
    ~Chrony() {
        process_.terminate();
        if (!process_.waitForFinished(3000))
            process_.kill();
        process_.waitForFinished(3000);
    }
    Chrony(const Chrony&) = delete;
    Chrony& operator=(const Chrony&) = delete;

    bool ready() const { return ready_; }
    quint16 port() const { return port_; }
    QString log() const {
        QFile file(dir_.filePath(QStringLiteral("chronyd.log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    bool ready_ = false;
};

#pragma once
// python-dbusmock's timedated on a private system bus: it records every SetTime and sets no clock.
// Nothing here reaches the machine's own system bus or its clock.
#include "private_bus.h"

#include <QDBusArgument>
#include <QDBusVariant>
#include <gtest/gtest.h>
#include <vector>

namespace timedated_mock {

const QString kService = QStringLiteral("org.freedesktop.timedate1");
const QString kPath = QStringLiteral("/org/freedesktop/timedate1");

class MockTimedated : public private_bus::SystemBusMock {
public:
    // parameters: the template's, such as {"NTP": false}.
    void start(const QString& parameters = QStringLiteral("{}")) {
        SystemBusMock::start(QStringLiteral("timedated"), kService, parameters);
    }

    // SetTime refuses with the D-Bus error name, as timedated or polkit would.
    void refuse(const QString& errorName) {
        const QDBusMessage reply = call(
            kService, kPath, QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("AddMethod"),
            {kService, QStringLiteral("SetTime"), QStringLiteral("xbb"), QString(),
             QStringLiteral("raise dbus.exceptions.DBusException('refused', name='%1')").arg(errorName)});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }

    // The arguments of each SetTime the mock has answered.
    std::vector<QVariantList> setTimes() {
        std::vector<QVariantList> calls;
        const QDBusMessage reply = call(kService, kPath, QStringLiteral("org.freedesktop.DBus.Mock"),
                                        QStringLiteral("GetMethodCalls"), {QStringLiteral("SetTime")});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return calls;
        const QDBusArgument log = reply.arguments().constFirst().value<QDBusArgument>();
        log.beginArray();
        while (!log.atEnd()) {
            qulonglong timestamp = 0;
            QVariantList arguments;
            log.beginStructure();
            log >> timestamp;
            log.beginArray();
            while (!log.atEnd()) {
                QDBusVariant argument;
                log >> argument;
                arguments << argument.variant();
            }
            log.endArray();
            log.endStructure();
            calls.push_back(arguments);
        }
        log.endArray();
        return calls;
    }
};

} // namespace timedated_mock

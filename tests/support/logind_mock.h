#pragma once
// A private system bus with python-dbusmock's logind on it, for tests of what asks logind to power
// the computer off. Nothing here ever reaches the machine's own system bus.
#include "platform/dbus/logind.h"
#include "private_bus.h"

#include <QDBusMessage>
#include <gtest/gtest.h>
#include <vector>

namespace logind_mock {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kMock = QStringLiteral("org.freedesktop.DBus.Mock");

// Points the system bus at a private bus, never at the machine's own, for as long as it lives;
// start() puts dbusmock's logind on that bus.
class MockLogind : public private_bus::SystemBusMock {
public:
    ~MockLogind() { platform::logind::setTimeouts(0, 0); }

    // Starts dbusmock's logind template with the template's parameters (JSON) and waits until it
    // owns logind's name.
    void start(const QString& parameters = QStringLiteral("{}")) {
        SystemBusMock::start(QStringLiteral("logind"), kService, parameters);
    }

    QDBusMessage callMock(const QString& method, const QVariantList& arguments) {
        return call(kService, kPath, kMock, method, arguments);
    }

    // Replaces a method of logind's manager with Python code run by the mock.
    void replaceMethod(const QString& name, const QString& in, const QString& out, const QString& code) {
        const QDBusMessage reply = callMock(QStringLiteral("AddMethod"), {kManager, name, in, out, code});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }

    // The arguments of each call of the method that the mock has recorded.
    std::vector<QVariantList> callsOf(const QString& method) { return recordedCalls(kPath, method); }
};

} // namespace logind_mock

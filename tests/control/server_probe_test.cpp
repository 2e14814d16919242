// The server test and the loopback rule, which look at 127.0.0.1:11000 itself: these tests run in a
// network of their own (so a program holding that port elsewhere does not count) and each has a
// runtime folder of its own.
#include "control/BrindokCtrl.h"
#include "control/server_probe.h"
#include "platform/single_instance.h"
#include "qt_printers.h"
#include "sstp_server.h"

#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <netdb.h>

namespace {

class ServerProbeTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toUtf8());
    }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", saved_); }

    QTemporaryDir runtime_;
    QByteArray saved_;
};

TEST_F(ServerProbeTest, NoLockAndNoListenerMeansNoServer) {
    EXPECT_FALSE(brindok::sstpServerRunning());
}

TEST_F(ServerProbeTest, TheSakuraLockMeansAServer) {
    const platform::SingleInstance server(QStringLiteral("sakura"));
    ASSERT_TRUE(server.acquired());
    EXPECT_TRUE(brindok::sstpServerRunning());
}

TEST_F(ServerProbeTest, AListenerOnTheSstpPortMeansAServerAndHearsNothing) {
    SstpServer server("127.0.0.1");
    ASSERT_TRUE(server.listening());
    EXPECT_TRUE(brindok::sstpServerRunning());
    // The probe connected once and sent not a byte.
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.connections() == 1; }, 10000));
    EXPECT_TRUE(server.requests().empty());
}

// A method of the control and what it returns when the loopback rule stops it.
struct StoppedCase {
    const char* name;
    std::function<int32_t(CBrindokCtrl&)> call;
    int32_t result;
};
void PrintTo(const StoppedCase& c, std::ostream* os) {
    *os << c.name;
}

const StoppedCase kStopped[] = {
    {"Send", [](CBrindokCtrl& c) { return c.Send(QStringLiteral("Hi"), 0); }, 0},
    {"SendEx", [](CBrindokCtrl& c) { return c.SendEx(QStringLiteral("Hi"), QStringLiteral("e"), 1); }, 105},
    {"Send2", [](CBrindokCtrl& c) { return c.Send2(QStringLiteral("Hi"), QStringLiteral("e")); }, 105},
    {"Execute", [](CBrindokCtrl& c) { return c.Execute(QStringLiteral("GetName")); }, 105},
    {"GiveDocument", [](CBrindokCtrl& c) { return c.GiveDocument(QStringLiteral("d")); }, 105},
    {"GiveSongname", [](CBrindokCtrl& c) { return c.GiveSongname(QStringLiteral("s")); }, 105},
    {"Communicate", [](CBrindokCtrl& c) { return c.Communicate(QStringLiteral("c")); }, 105},
};

class LoopbackRuleTest : public ServerProbeTest, public ::testing::WithParamInterface<StoppedCase> {};

TEST_P(LoopbackRuleTest, WithoutAServerNothingIsSentToTheLoopbackNames) {
    for (const QString& address : {QStringLiteral("127.0.0.1"), QStringLiteral("localhost")}) {
        auto* ctrl = new CBrindokCtrl;
        ctrl->SetRemoteAddress(address);
        EXPECT_EQ(GetParam().call(*ctrl), GetParam().result) << address.toStdString();
        EXPECT_EQ(ctrl->SendString(), QString());
        // Asynchronous mode queues nothing either: switching it off again sends nothing.
        ctrl->SetAsyncMode();
        EXPECT_EQ(GetParam().call(*ctrl), GetParam().result);
        ctrl->SetAsyncMode();
        EXPECT_EQ(ctrl->SendString(), QString());
        ctrl->Release();
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, LoopbackRuleTest, ::testing::ValuesIn(kStopped),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ServerProbeTest, OtherSpellingsOfTheLocalHostSkipTheServerTest) {
    auto* ctrl = new CBrindokCtrl;
    ctrl->SetRemoteAddress(QStringLiteral("LOCALHOST"));
    EXPECT_EQ(ctrl->Send2(QStringLiteral("Hi"), QString()), 102); // tried, and nobody listened
    ctrl->Release();
}

TEST_F(ServerProbeTest, WithTheLockHeldTheRequestGoesOut) {
    const platform::SingleInstance lock(QStringLiteral("sakura"));
    ASSERT_TRUE(lock.acquired());
    auto* ctrl = new CBrindokCtrl;
    EXPECT_EQ(ctrl->Sakura(), 1);
    EXPECT_EQ(ctrl->Send2(QStringLiteral("Hi"), QString()), 102); // the lock's holder does not listen
    ctrl->Release();
}

TEST_F(ServerProbeTest, ARealServerOnTheSstpPortGetsTheRequest) {
    // The name comes from the machine's hosts file; a bare root file system may have none.
    addrinfo* found = nullptr;
    if (getaddrinfo("localhost", nullptr, nullptr, &found) != 0)
        GTEST_SKIP() << "this machine cannot resolve localhost";
    freeaddrinfo(found);
    SstpServer server("127.0.0.1");
    ASSERT_TRUE(server.listening());
    auto* ctrl = new CBrindokCtrl;
    ctrl->SetRemoteAddress(QStringLiteral("localhost"));
    EXPECT_EQ(ctrl->Sakura(), 1);
    EXPECT_EQ(ctrl->Execute(QStringLiteral("GetName")), 0);
    ASSERT_FALSE(server.requests().empty());
    EXPECT_EQ(server.requests().back(), "EXECUTE SSTP/1.0\r\nSender: localhost\r\nCommand: GetName\r\n\r\n");
    ctrl->Release();
}

} // namespace

// Powering off from the character's menu, against a mock logind on a private system bus.
#include "app/settings/IniManage.h"
#include "app/window/Trei.h"
#include "app/window/morvik.h"
#include "app/window/os_version.h"
#include "fakes.h"
#include "logind_mock.h"
#include "platform/pace.h"
#include "test_home.h"

#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class Shutdown : public ::testing::Test {
protected:
    void SetUp() override {
        state::resetAll();
        talk = installTalk();
        morvik::MessageBox = [this](const QString& text) { messages << text; };
        IniManage::BeginBatch();
        window = std::make_unique<morvik>();
        Trei::MainWindow = window.get();
        ExitWindow::GetOsKind();
        window->move(40, 60);
    }
    void TearDown() override { services::reset(); }

    void shutdown() {
        platform::pace::Recorder recorder;
        window->shutdown_Click();
        events = recorder.events;
    }

    TestHome home;
    logind_mock::MockLogind logind;
    FakeTalk* talk;
    std::unique_ptr<morvik> window;
    QStringList messages, events;
};

TEST_F(Shutdown, AllowedPowersOffAfterTheLine) {
    logind.start(QStringLiteral(R"({"CanPowerOff": "yes"})"));
    shutdown();
    EXPECT_EQ(events, (QStringList{"shape ShapePose04", "picture gra3.Image1(5)", "sleep 400",
                                   "shape ShapePose03", "picture gra3.Image1(4)", "sleep 400"}));
    EXPECT_TRUE(talk->calls.contains("PlayCommonVoice 12"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return logind.callsOf(QStringLiteral("PowerOff")).size() == 1u; }));
    QTest::qWait(200); // logind's answer arrives
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(IniManage::GetIni("top"), "40");
    EXPECT_EQ(IniManage::GetIni("left"), "60");
    EXPECT_FALSE(window->Timer1.Enabled());
}

TEST_F(Shutdown, NotAllowedIsSaidAndNothingIsAsked) {
    logind.start(QStringLiteral(R"({"CanPowerOff": "no"})"));
    shutdown();
    EXPECT_EQ(messages, QStringList{"SE_SHUTDOWN_NAME特権が設定できません"});
    EXPECT_TRUE(logind.callsOf(QStringLiteral("PowerOff")).empty());
}

TEST_F(Shutdown, RefusedPowerOffIsSaidAsRefused) {
    logind.start(QStringLiteral(R"({"CanPowerOff": "challenge"})"));
    logind.replaceMethod(QStringLiteral("PowerOff"), QStringLiteral("b"), QString(),
                         QStringLiteral("raise dbus.exceptions.DBusException('Access denied', "
                                        "name='org.freedesktop.DBus.Error.AccessDenied')"));
    shutdown();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !messages.isEmpty(); }));
    EXPECT_EQ(messages, QStringList{"SE_SHUTDOWN_NAME特権が設定できません"});
    EXPECT_EQ(logind.callsOf(QStringLiteral("PowerOff")).size(), 1u);
}

// While logind asks the user for a password the character goes on living: the command returns to
// her event loop at once, and the refusal is said when logind's answer comes.
TEST_F(Shutdown, SheKeepsLivingWhileLogindAsks) {
    logind.start(QStringLiteral(R"({"CanPowerOff": "challenge"})"));
    logind.replaceMethod(QStringLiteral("PowerOff"), QStringLiteral("b"), QString(),
                         QStringLiteral("time.sleep(2)\n"
                                        "raise dbus.exceptions.DBusException('Access denied', "
                                        "name='org.freedesktop.DBus.Error.AccessDenied')"));
    QElapsedTimer took;
    took.start();
    shutdown();
    EXPECT_LT(took.elapsed(), 1000);
    EXPECT_TRUE(messages.isEmpty()); // logind has not answered yet
    EXPECT_TRUE(QTest::qWaitFor([&] { return !messages.isEmpty(); }, 10000));
    EXPECT_EQ(messages, QStringList{"SE_SHUTDOWN_NAME特権が設定できません"});
}

// A refusal that comes after her exit has begun opens no message box.
TEST_F(Shutdown, RefusalAfterTheExitBeganIsNotSaid) {
    logind.start(QStringLiteral(R"({"CanPowerOff": "challenge"})"));
    logind.replaceMethod(QStringLiteral("PowerOff"), QStringLiteral("b"), QString(),
                         QStringLiteral("raise dbus.exceptions.DBusException('Access denied', "
                                        "name='org.freedesktop.DBus.Error.AccessDenied')"));
    shutdown();
    flag::state.Exiting = 1; // the answer comes through the event loop, so after this
    EXPECT_TRUE(QTest::qWaitFor([&] { return logind.callsOf(QStringLiteral("PowerOff")).size() == 1u; }));
    QTest::qWait(300);
    EXPECT_TRUE(messages.isEmpty());
}

} // namespace

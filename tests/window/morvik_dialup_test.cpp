// Her dial-up, offscreen: the watch that keeps the menu in step with the connection, and the
// connect and disconnect commands frame by frame with their clips, lines and the dial-up object's
// calls, over a backend of the test's own. NetworkManager behind the object: tests/dialup.
#include "app/dialup/nm_backend.h"
#include "app/settings/IniManage.h"
#include "app/settings/settings_db.h"
#include "app/window/Trei.h"
#include "app/window/morvik.h"
#include "fakes.h"
#include "nm_mock.h"
#include "platform/clock.h"
#include "platform/network_manager/network_manager.h"
#include "platform/pace.h"
#include "platform/power.h"
#include "test_home.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// The talk's calls and the dial-up backend's, marked in the recording among her frames.
struct MarkingTalk : FakeTalk {
    std::function<void()> onPlayVoice;
    void ShowFuki() override {
        FakeTalk::ShowFuki();
        platform::pace::mark(QStringLiteral("ShowFuki ") + speak::state.TalkText);
    }
    void PlayCommonVoice() override {
        FakeTalk::PlayCommonVoice();
        platform::pace::mark(QStringLiteral("PlayCommonVoice ") + speak::state.VoiceId);
    }
    void PlayVoice() override {
        FakeTalk::PlayVoice();
        platform::pace::mark(QStringLiteral("PlayVoice"));
        if (onPlayVoice)
            onPlayVoice();
    }
};

struct MarkingRas : FakeRas {
    Dialled Dial(const QString& entry) override {
        platform::pace::mark(QStringLiteral("Dial ") + entry);
        return FakeRas::Dial(entry);
    }
    qint32 HangUp(quint32 handle) override {
        platform::pace::mark(QStringLiteral("HangUp %1").arg(handle));
        return FakeRas::HangUp(handle);
    }
};

class DialUp : public ::testing::Test {
protected:
    void SetUp() override {
        state::resetAll();
        auto t = std::make_unique<MarkingTalk>();
        talk = t.get();
        services::install(std::move(t));
        services::install(std::make_unique<FakeMail>());
        dialup::install(ras);
        platform::power::setRoot(home.file("power"));
        platform::clock::setFake(QDateTime(QDate(2026, 12, 10), QTime(7, 30)));
        morvik::InstanceName = QStringLiteral("morvik-dialup-test-%1").arg(getpid());
        morvik::EndProgram = [] {};
        IniManage::BeginBatch();
        window = std::make_unique<morvik>();
        Trei::MainWindow = window.get();
    }
    void TearDown() override {
        window.reset();
        services::reset();
        dialup::install(nullptr);
        platform::power::setRoot({});
        platform::clock::setFake(std::nullopt);
    }
    static void key(const char* name, const char* value) {
        IniManage::BeginBatch();
        IniManage::WriteIni(QString::fromUtf8(name), QString::fromUtf8(value));
    }
    static void entry(const QString& name, const QString& user, const QString& password) {
        ASSERT_TRUE(settings_db::updateRow("net_entry", 1, {"net_ent", "net_user", "net_pass"},
                                           {name, user, password}));
    }
    void connected(bool on) {
        ras->connections = on ? QList{dialup::Connection{7, "isp"}} : QList<dialup::Connection>{};
    }
    // The five items the watch shows and hides, as "shown" flags.
    QList<bool> items() const {
        return {window->net_connect->isVisible(), window->net_cut->isVisible(), window->getto->isVisible(),
                window->TimeSet->isVisible(), window->mail_look->isVisible()};
    }

    TestHome home;
    MarkingTalk* talk;
    std::shared_ptr<MarkingRas> ras = std::make_shared<MarkingRas>();
    std::unique_ptr<morvik> window;
};

TEST_F(DialUp, TheWatchShowsTheItemsOfTheConnectionState) {
    struct Case {
        const char* name;
        const char* proxy;
        std::function<void(const QString& db)> store; // the settings database as the case has it
        bool connected;
        // net_connect, net_cut, getto, TimeSet, mail_look (which was shown before the tick)
        QList<bool> shown;
    };
    const auto configured = [](const QString&) { entry("isp", "me", "secret"); };
    const auto unconfigured = [](const QString&) {}; // a new database: every column Null
    const auto unreadable = [](const QString& db) {
        QFile::remove(db);
        QFile file(db);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    };
    const Case cases[] = {
        {"LAN, no dial-up connection", "1", configured, false, {false, false, true, true, true}},
        {"LAN, dial-up connected", "1", configured, true, {false, false, true, true, true}},
        {"connected", "0", configured, true, {false, true, true, true, true}},
        {"not connected", "", configured, false, {true, false, false, false, false}},
        {"not set up, though a connection is up", "", unconfigured, true, {true, false, false, false, false}},
        {"the store cannot be read", "", unreadable, true, {true, false, false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(settings_db::path());
        c.store(settings_db::path());
        key("proxy", c.proxy);
        connected(c.connected);
        for (QAction* item :
             {window->net_connect, window->net_cut, window->getto, window->TimeSet, window->mail_look})
            item->setVisible(true);
        window->net_check_Timer();
        EXPECT_EQ(items(), c.shown);
        // The other way round as well: what was hidden is shown again.
        for (QAction* item : {window->net_connect, window->net_cut, window->getto, window->TimeSet})
            item->setVisible(false);
        window->net_check_Timer();
        EXPECT_EQ(items().mid(0, 4), c.shown.mid(0, 4));
    }
}

TEST_F(DialUp, TheWatchFollowsAConnectionMadeOrEndedElsewhereAtItsNextTick) {
    entry("isp", "me", "secret");
    key("proxy", "0");
    window->net_check_Timer();
    EXPECT_TRUE(window->net_connect->isVisible());
    connected(true);
    window->net_check_Timer();
    EXPECT_TRUE(window->net_cut->isVisible());
    EXPECT_FALSE(window->net_connect->isVisible());
    connected(false);
    window->net_check_Timer();
    EXPECT_TRUE(window->net_connect->isVisible());
}

TEST_F(DialUp, ConnectFrameByFrame) {
    entry("isp", "me", "secret");
    ras->dialled = {0, 42};
    for (platform::Timer* t : {&window->Timer1, &window->Timer2, &window->Timer5, &window->Timer9,
                               &window->Timer10, &window->Timer11})
        t->setEnabled(true);
    window->Image2->show();
    window->Image3->show();
    window->Image4->show();
    platform::pace::Recorder recorder;
    window->net_connect->trigger();
    const QStringList expected{
        "shape ShapePose18", "picture gra6.Image1(0)", "sleep 100", "shape ShapePose19",
        "picture gra6.Image1(1)", "sleep 100", "shape ShapePose20", "picture gra6.Image1(2)", "sleep 250",
        "PlayCommonVoice 20", "PlayVoice", "shape ShapePose21", "picture gra6.Image1(3)", "sleep 100",
        "Dial isp",
        // The one pose whose picture comes before its outline.
        "picture gra6.Image1(4)", "shape ShapePose22", "PlayCommonVoice 14", "ShowFuki ＳＳと通信中です"};
    EXPECT_EQ(recorder.events, expected);
    EXPECT_EQ(flag::state.VoicePath, services::commonVoicePath("14"));
    EXPECT_EQ(window->RasSample->Connection(), 42u);
    EXPECT_EQ(window->RasSample->UserID(), "me");
    EXPECT_EQ(window->RasSample->password(), "secret");
    // The stage stays taken until her balloon closes.
    for (platform::Timer* t : {&window->Timer1, &window->Timer2, &window->Timer5, &window->Timer9,
                               &window->Timer10, &window->Timer11})
        EXPECT_FALSE(t->Enabled());
    EXPECT_FALSE(window->Image2->isVisible() || window->Image3->isVisible() || window->Image4->isVisible());
}

TEST_F(DialUp, AFailedConnectEndsOnTheFirstPoseWithTheReasonAndNoClip) {
    entry("isp", "me", "secret");
    ras->dialled = {dialup::kReasonBase + 10, 9};
    flag::state.VoicePath = "/tmp/temp20.mp3"; // the clip of before must not play again
    platform::pace::Recorder recorder;
    window->net_connect_Click();
    const QString line = "ダイヤルアップ接続エラー：\r\n" + dialup::errorText(dialup::kReasonBase + 10);
    const QStringList tail{"Dial isp",
                           "HangUp 9",
                           "sleep 3000",
                           "shape ShapePose20",
                           "picture gra6.Image1(2)",
                           "sleep 100",
                           "shape ShapePose19",
                           "picture gra6.Image1(1)",
                           "sleep 100",
                           "shape ShapePose18",
                           "picture gra6.Image1(0)",
                           "sleep 250",
                           "ShowFuki " + line};
    ASSERT_GE(recorder.events.size(), tail.size());
    EXPECT_EQ(recorder.events.mid(recorder.events.size() - tail.size()), tail);
    EXPECT_EQ(speak::state.TalkText, line);
    EXPECT_TRUE(flag::state.VoicePath.isEmpty());
    EXPECT_EQ(window->Shown(), gra6::Image1(0));
    EXPECT_EQ(window->RasSample->Connection(), 0u);
}

TEST_F(DialUp, DisconnectFrameByFrame) {
    entry("isp", "me", "secret");
    connected(true);
    platform::pace::Recorder recorder;
    window->net_cut->trigger();
    const QStringList expected{"shape ShapePose23",
                               "picture gra6.Image1(5)",
                               "sleep 100",
                               "PlayCommonVoice 19",
                               "PlayVoice",
                               "shape ShapePose24",
                               "picture gra6.Image1(6)",
                               "sleep 400",
                               "shape ShapePose25",
                               "picture gra6.Image1(7)",
                               "sleep 100",
                               "PlayCommonVoice 5",
                               "ShowFuki ＳＳとの通信を切断しました。",
                               "sleep 150",
                               "HangUp 7",
                               "sleep 3000"};
    EXPECT_EQ(recorder.events, expected);
    EXPECT_EQ(window->RasSample->Connection(), 0u);
}

TEST_F(DialUp, DisconnectWhenNotConnectedDoesAndSaysNothing) {
    entry("isp", "me", "secret");
    ras->connections = {dialup::Connection{7, "other"}};
    platform::pace::Recorder recorder;
    window->net_cut_Click();
    EXPECT_TRUE(recorder.events.isEmpty());
    EXPECT_TRUE(talk->calls.isEmpty());
    EXPECT_FALSE(ras->calls.filter("HangUp").size());
}

TEST_F(DialUp, AnEmptyFieldNeverDials) {
    struct Case {
        const char* name;
        std::function<void()> store;
    } cases[] = {
        {"no entry name", [] { entry("", "me", "secret"); }},
        {"no user name", [] { entry("isp", "", "secret"); }},
        {"no password", [] { entry("isp", "me", ""); }},
        {"never set up", [] {}},
        {"the store cannot be read",
         [] {
             QFile file(settings_db::path());
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write(QByteArray(4096, 'x'));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(settings_db::path());
        c.store();
        ras->calls.clear();
        flag::state.VoicePath = "/tmp/temp20.mp3";
        platform::pace::Recorder recorder;
        window->net_connect_Click();
        EXPECT_EQ(recorder.events, QStringList{"ShowFuki ダイアルアップの設定がありません"});
        EXPECT_TRUE(flag::state.VoicePath.isEmpty());
        EXPECT_TRUE(ras->calls.filter("Dial").isEmpty());
    }
}

TEST_F(DialUp, ASecondClickWhileSheDialsDoesNothing) {
    entry("isp", "me", "secret");
    // Clicks while her poses pause before the dial, and while the dial waits for its outcome.
    int clicks = 0;
    talk->onPlayVoice = [&] {
        if (talk->calls.count("PlayCommonVoice 20") == 1 && clicks++ == 0) {
            window->net_connect_Click();
            window->net_cut_Click();
        }
    };
    ras->connections = {dialup::Connection{5, "isp"}};
    ras->onDial = [&] {
        window->net_connect_Click();
        window->net_cut_Click();
    };
    platform::pace::Recorder recorder;
    window->net_connect_Click();
    EXPECT_EQ(ras->calls.filter("Dial"), QStringList{"Dial isp"});
    EXPECT_TRUE(ras->calls.filter("HangUp").isEmpty());
    EXPECT_EQ(talk->calls.count("PlayCommonVoice 20"), 1);
    // Once it is over, she dials again when asked.
    ras->onDial = nullptr;
    window->net_connect_Click();
    EXPECT_EQ(ras->calls.filter("Dial").size(), 2);
}

// The whole road: her menu over the dial-up object over NetworkManager (python-dbusmock's), with
// her own timers ticking.
TEST(DialUpOverNetworkManager, HerMenuFollowsNetworkManagerWithinATickAndAsksItNothingPerTick) {
    TestHome home;
    state::resetAll();
    auto t = std::make_unique<FakeTalk>();
    FakeTalk* talk = t.get();
    services::install(std::move(t));
    nm_mock::MockNetworkManager mock;
    mock.start();
    mock.addDevice();
    const QString profile = mock.addProfile(QStringLiteral("isp"));
    platform::network_manager::reset();
    dialup::install(std::make_shared<dialup::NmBackend>());
    ASSERT_TRUE(
        settings_db::updateRow("net_entry", 1, {"net_ent", "net_user", "net_pass"}, {"isp", "me", "secret"}));
    morvik::InstanceName = QStringLiteral("morvik-nm-test-%1").arg(getpid());
    morvik::EndProgram = [] {};
    {
        morvik window;
        window.net_check.setEnabled(true);
        // Made elsewhere (nmcli, an applet): the next tick after NetworkManager's signal shows it.
        const QString active = mock.activate(profile);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.net_cut->isVisible(); }, 300));
        EXPECT_FALSE(window.net_connect->isVisible());
        const int reads = mock.propertyReads();
        QTest::qWait(1000); // ten ticks
        EXPECT_EQ(mock.propertyReads(), reads);
        mock.deactivate(active);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.net_connect->isVisible(); }, 300));
        // Her own dial, then her hang-up.
        {
            platform::pace::Recorder quick;
            window.net_connect_Click();
        }
        EXPECT_TRUE(talk->calls.contains("ShowFuki ＳＳと通信中です"))
            << talk->calls.join(u'|').toStdString();
        EXPECT_EQ(mock.activeConnections().size(), 1);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.net_cut->isVisible(); }, 300));
        {
            platform::pace::Recorder quick;
            window.net_cut_Click();
        }
        EXPECT_TRUE(mock.activeConnections().isEmpty());
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.net_connect->isVisible(); }, 300));
    }
    dialup::install(nullptr);
    platform::network_manager::reset();
    services::reset();
}

} // namespace

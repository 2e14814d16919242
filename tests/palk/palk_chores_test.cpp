// パルク's chores with recording stand-ins for the headline update, the clock and the mail, and
// python-dbusmock's NetworkManager on a private system bus behind his dial-up object: which chores
// chksys runs and what his balloon says at each step, the dial and its redials, the clock's words,
// the mail, and one chore at a time (the items and his unload wait for it).
#include "app/dialup/nm_backend.h"
#include "app/state/flag.h"
#include "nm_mock.h"
#include "palk_fixture.h"
#include "platform/network_manager/network_manager.h"
#include "platform/pace.h"

#include <QRegularExpression>
#include <QTest>

namespace {

using namespace palk_test;

// NetworkManager's backend, noting each dial with what his balloon shows as it starts.
struct WatchedNm : dialup::NmBackend {
    Dialled Dial(const QString& entry) override {
        calls << QStringLiteral("Dial %1 ").arg(entry) + said();
        return NmBackend::Dial(entry);
    }
};

class PalkChores : public Fixture {
protected:
    void SetUp() override {
        Fixture::SetUp();
        mock.start();
        mock.addDevice();
        profile = mock.addProfile(QStringLiteral("isp"));
        platform::network_manager::reset();
        dialup::install(std::make_shared<WatchedNm>());
        ASSERT_TRUE(settings_db::updateRow("net_entry", 1, {"net_ent", "net_user", "net_pass"},
                                           {"isp", "me", "secret"}));
    }
    void TearDown() override {
        Fixture::TearDown();
        dialup::install(nullptr);
        platform::network_manager::reset();
    }
    static bool seen(bool up) {
        return QTest::qWaitFor(
            [up] {
                VBRas32 ras;
                return ras.SeekEnumConns(QStringLiteral("isp"), false) == up;
            },
            3000);
    }
    // "isp" connected as another program would connect it.
    void connectElsewhere() {
        mock.activate(profile);
        ASSERT_TRUE(seen(true));
    }
    void disconnectAll() {
        for (const QString& active : mock.activeConnections())
            mock.deactivate(active);
        ASSERT_TRUE(seen(false));
    }
    // From now on NetworkManager refuses the next `failures` activations, then activates.
    void dialsFail(int failures) {
        static int round = 0;
        ++round;
        mock.replaceActivate(QStringLiteral("n = getattr(self, 'palk_tries%1', 0)\n"
                                            "setattr(self, 'palk_tries%1', n + 1)\n"
                                            "if n < %2:\n"
                                            "    raise dbus.exceptions.DBusException('refused', "
                                            "name='org.freedesktop.NetworkManager.Failed')\n"
                                            "ret = self.activate_connection(self, args[0], args[1], args[2])")
                                 .arg(round)
                                 .arg(failures));
    }
    // The pauses of a recording, without the animation's frames.
    static QStringList sleeps(const QStringList& events) {
        return events.filter(QRegularExpression("^sleep "));
    }
    static void mailAccount() {
        ASSERT_TRUE(
            settings_db::updateRow("mail", 1, {"Server", "User", "pass"}, {"pop.example", "me", "pw"}));
    }
    static QString failure() { return dialup::errorText(dialup::kFailed); }

    nm_mock::MockNetworkManager mock;
    QString profile;
};

const QStringList kHeadlineChore{"UpdateAll /ヘッドライン/更新中", "site /サイトA/更新中",
                                 "site /サイトB/更新中", "anime /トワナ帳更新中 ", "DeleteHandOffFiles "};

// ---- chksys --------------------------------------------------------------------------------------

TEST_F(PalkChores, ChksysRunsTheChoresItsKeysAskForAsTheConnectionAllows) {
    enum class Net { connected, proxy, offline };
    struct Case {
        const char* name;
        Net net;
        QStringList keys; // each set to "1"
        QStringList calls;
        QString balloon; // at the end
    };
    const QStringList all{"HedAutoRev", "TimeUpdate", "MailAutoRev"};
    const QStringList clockAndMail{"SetClock /時間を設定中", "CheckMail manual=0 /メールを取り込み中"};
    const QStringList dialled{"Dial isp ネットワーク接続中"};
    const Case cases[] = {
        {"connected, every chore", Net::connected, all, kHeadlineChore + clockAndMail, "-"},
        {"proxy, every chore", Net::proxy, all, kHeadlineChore + clockAndMail, "-"},
        {"connected, the clock alone", Net::connected, {"TimeUpdate"}, {"SetClock /時間を設定中"}, "-"},
        {"connected, the mail alone",
         Net::connected,
         {"MailAutoRev"},
         {"CheckMail manual=0 /メールを取り込み中"},
         "-"},
        {"connected, no chore", Net::connected, {}, {}, "-"},
        {"connected, dialling on", Net::connected, {"NetAutoConnect"}, {}, "-"},
        {"offline, dialling: only the headlines follow", Net::offline, all + QStringList{"NetAutoConnect"},
         dialled + kHeadlineChore, ""},
        {"offline, dialling off", Net::offline, all, {}, "/ネットワークに接続/していないですね"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* k : {"HedAutoRev", "TimeUpdate", "MailAutoRev", "NetAutoConnect", "proxy"})
            key(QString::fromUtf8(k),
                c.keys.contains(QString::fromUtf8(k)) ? QStringLiteral("1") : QString());
        if (c.net == Net::proxy)
            key("proxy", "1");
        mailAccount();
        disconnectAll();
        if (c.net == Net::connected)
            connectElsewhere();
        calls.clear();
        palk::Show();
        EXPECT_EQ(calls, c.calls);
        EXPECT_EQ(said(), c.balloon);
        unload();
        fuki3::Unload();
    }
}

TEST_F(PalkChores, ABalloonLeftUpIsClosedOnceTheOnlineChoresAreDone) {
    key("proxy", "1");
    palk* drone = palk::Show();
    fuki3::Open(drone)->show();
    drone->chksys();
    EXPECT_EQ(said(), "-");
}

TEST_F(PalkChores, AnEntryWithANullColumnIsNoEntry) {
    key("NetAutoConnect", "1");
    QFile::remove(settings_db::path()); // made anew with every column Null
    ASSERT_TRUE(settings_db::updateRow("net_entry", 1, {"net_ent", "net_user"}, {"isp", "me"}));
    connectElsewhere(); // "isp" is up, but palk knows no entry
    platform::pace::Recorder quick;
    palk* drone = palk::Show();
    EXPECT_EQ(drone->ConnectionEntry, "");
    EXPECT_EQ(calls.value(0), "Dial  ネットワーク接続中");
    EXPECT_EQ(said(), dialup::errorText(dialup::kNoProfile));
}

TEST_F(PalkChores, EachRunTakesANewDialUpObject) {
    palk* drone = palk::Show();
    const QPointer<VBRas32> first = drone->RasSample;
    drone->chksys();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_NE(drone->RasSample, nullptr);
    EXPECT_TRUE(first.isNull());
}

// ---- the dial and its redials --------------------------------------------------------------------

TEST_F(PalkChores, RedialsHalfASecondApartUntilFiveDialsHaveFailed) {
    struct Case {
        int failures, dials, redialPauses;
        bool connected;
    } cases[] = {
        {0, 1, 0, true}, {1, 2, 1, true}, {4, 5, 4, true}, {5, 5, 4, false}, {6, 5, 4, false},
    };
    key("NetAutoConnect", "1");
    key("HedAutoRev", "1");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failures);
        disconnectAll();
        dialsFail(c.failures);
        calls.clear();
        platform::pace::Recorder recorder;
        palk* drone = palk::Show();
        EXPECT_EQ(calls.filter("Dial ").size(), c.dials);
        EXPECT_EQ(calls.filter("Dial ").count("Dial isp ネットワーク接続中"), c.dials);
        EXPECT_EQ(sleeps(recorder.events).count("sleep 500"), c.redialPauses);
        // Connected, the headlines follow and leave the balloon empty; else the last failure stands.
        EXPECT_EQ(said(), c.connected ? QString() : failure());
        EXPECT_EQ(calls.contains("UpdateAll /ヘッドライン/更新中"), c.connected);
        EXPECT_EQ(mock.activeConnections().size(), c.connected ? 1 : 0);
        EXPECT_EQ(drone->RedialCount, std::min(c.failures, 5));
        unload();
        fuki3::Unload();
    }
}

TEST_F(PalkChores, EachRedialWaitsForTheLastDialsEnd) {
    key("NetAutoConnect", "1");
    dialsFail(2);
    platform::pace::Recorder recorder;
    palk::Show();
    // A failed dial's own hang-up wait comes before palk's pause, never inside the next dial.
    EXPECT_EQ(sleeps(recorder.events), QStringList({"sleep 3000", "sleep 500", "sleep 3000", "sleep 500"}));
}

TEST_F(PalkChores, AfterFiveFailuresARunDialsOnceAndSaysItsFailureAtOnce) {
    key("NetAutoConnect", "1");
    dialsFail(100);
    platform::pace::Recorder recorder;
    palk* drone = palk::Show();
    ASSERT_EQ(drone->RedialCount, 5);
    calls.clear();
    recorder.events.clear();
    drone->ShowPopupMenu(QPoint(), false);
    item(drone->migi_Pop, "ReRun")->trigger();
    EXPECT_EQ(calls, QStringList({"Dial isp ネットワーク接続中"}));
    EXPECT_EQ(sleeps(recorder.events).count("sleep 500"), 0);
    EXPECT_EQ(said(), failure());
    EXPECT_EQ(drone->RedialCount, 6);

    dialsFail(0); // the network is back: the next run connects
    calls.clear();
    item(drone->migi_Pop, "ReRun")->trigger();
    EXPECT_EQ(calls, QStringList({"Dial isp ネットワーク接続中"}) + kHeadlineChore);
}

TEST_F(PalkChores, AnUpdateThatDoesNotRunIsSaidForWhyAndDeletesNothing) {
    using Run = palk_peers::Headlines::Run;
    key("proxy", "1");
    key("HedAutoRev", "1");
    for (auto [run, why] : {std::pair{Run::busy, " ほかのヘッドラインを 更新しています"},
                            {Run::failed, " ヘッドラインの更新を 始められません"}}) {
        SCOPED_TRACE(why);
        headlines->run = run;
        calls.clear();
        BalloonWords balloon;
        palk::Show();
        EXPECT_EQ(calls, QStringList({"UpdateAll /ヘッドライン/更新中"}));
        EXPECT_EQ(balloon.words, QStringList({" ヘッドライン 更新中", QString::fromUtf8(why)}));
        unload();
        fuki3::Unload();
    }
}

// ---- the clock -----------------------------------------------------------------------------------

TEST_F(PalkChores, TheClockSaysWhetherItWasSetEitherWay) {
    palk* drone = palk::Show();
    drone->ShowPopupMenu(QPoint(), false);
    for (const char* httpTime : {"", "1"}) {
        for (bool set : {true, false}) {
            SCOPED_TRACE(std::string(httpTime) + (set ? " set" : " not set"));
            key("HttpTime", QString::fromUtf8(httpTime));
            clock->set = set;
            calls.clear();
            item(drone->migi_Pop, "SetSntpConnect")->trigger();
            EXPECT_EQ(calls, QStringList{"SetClock /時間を設定中"});
            EXPECT_EQ(said(), set ? "/時間調整完了" : "/時間調整失敗");
        }
    }
}

// ---- the mail ------------------------------------------------------------------------------------

TEST_F(PalkChores, TheMailIsCheckedAsHerTimedCheckWhenAccountOneIsComplete) {
    palk* drone = palk::Show();
    drone->ShowPopupMenu(QPoint(), false);
    flag::state.ManualCheck = 1;
    item(drone->migi_Pop, "get_mail")->trigger();
    EXPECT_TRUE(calls.filter("CheckMail").isEmpty());
    EXPECT_EQ(said(), "");

    mailAccount();
    calls.clear();
    item(drone->migi_Pop, "get_mail")->trigger();
    EXPECT_EQ(calls, QStringList({"CheckMail manual=0 /メールを取り込み中"}));
    EXPECT_EQ(said(), "");
}

TEST_F(PalkChores, NoMailChoreWhileACheckOrDownloadRuns) {
    mailAccount();
    palk* drone = palk::Show();
    fuki3::Unload();
    drone->ShowPopupMenu(QPoint(), false);
    flag::state.MailBusy = 1;
    item(drone->migi_Pop, "get_mail")->trigger();
    EXPECT_TRUE(calls.filter("CheckMail").isEmpty());
    EXPECT_EQ(said(), "-");
}

// ---- one chore at a time -------------------------------------------------------------------------

TEST_F(PalkChores, TheChoreItemsDoNothingWhileAChoreRuns) {
    key("proxy", "1");
    mailAccount();
    palk* drone = palk::Show();
    drone->ShowPopupMenu(QPoint(), false);
    headlines->during = [&] {
        for (const char* key : {"ReRun", "hed_check", "SetSntpConnect", "get_mail"})
            item(drone->migi_Pop, QString::fromUtf8(key))->trigger();
    };
    calls.clear();
    item(drone->migi_Pop, "hed_check")->trigger();
    EXPECT_EQ(calls, kHeadlineChore);
    EXPECT_EQ(calls.count("UpdateAll /ヘッドライン/更新中"), 1);
}

TEST_F(PalkChores, ClosingHimDuringAChoreClosesHimOnceItHasReturned) {
    key("proxy", "1");
    palk* drone = palk::Show();
    drone->ShowPopupMenu(QPoint(), false);
    bool stillThere = false;
    headlines->during = [&] {
        item(drone->migi_Pop, "end_palk")->trigger();
        stillThere = palk::Instance() == drone && drone->isVisible();
    };
    item(drone->migi_Pop, "hed_check")->trigger();
    EXPECT_TRUE(stillThere);
    EXPECT_EQ(calls, kHeadlineChore);
    EXPECT_EQ(palk::Instance(), nullptr);
    EXPECT_EQ(said(), "hidden "); // "パルクを閉じる" leaves the balloon
}

TEST_F(PalkChores, ClosedFromHerDuringHisLoadHeAndHisBalloonGoOnceTheChoresHaveReturned) {
    key("proxy", "1");
    key("HedAutoRev", "1");
    key("TimeUpdate", "1");
    bool stillThere = false;
    headlines->during = [&] {
        palk::Show();                      // her menu's パルクの起動 while he works: only shown
        palk::Unload(palk::Balloon::goes); // then her AutoEnd
        stillThere = palk::Instance() != nullptr;
    };
    EXPECT_EQ(palk::Show(), nullptr);
    EXPECT_TRUE(stillThere);
    EXPECT_EQ(calls, kHeadlineChore + QStringList{"SetClock /時間を設定中"});
    EXPECT_EQ(said(), "-");
}

TEST_F(PalkChores, AtTheProgramsEndHisChoreIsAskedToEndSoonAndHeGoesAfterIt) {
    key("proxy", "1");
    key("HedAutoRev", "1");
    key("TimeUpdate", "1");
    key("MailAutoRev", "1");
    mailAccount();
    bool busy = false;
    headlines->during = [&] {
        flag::state.Exiting = 1;
        palk::Unload(palk::Balloon::goes);
        busy = palk::Busy();
    };
    palk::Show();
    EXPECT_TRUE(busy);
    EXPECT_EQ(calls.mid(2, 2), QStringList({"Cancel headlines", "Cancel clock"}));
    EXPECT_TRUE(calls.filter("SetClock").isEmpty());
    EXPECT_TRUE(calls.filter("CheckMail").isEmpty());
    EXPECT_EQ(palk::Instance(), nullptr);
    EXPECT_FALSE(palk::Busy());
}

} // namespace

// パルク's headline chore on the program's own headline engine: the page server of tests/support,
// the real runners and plug-ins, a dialogue database with the sites 0, 1 and 3 (2 is a gap) and the
// anime schedule (21), and python-dbusmock's NetworkManager for his dial.
#include "../headline/headline_fixture.h"
#include "app/dialup/nm_backend.h"
#include "app/headline/engine.h"
#include "app/headline/hls.h"
#include "app/settings/settings_db.h"
#include "nm_mock.h"
#include "palk_fixture.h"
#include "platform/network_manager/network_manager.h"
#include "platform/pace.h"

#include <QPushButton>
#include <QStatusBar>

namespace {

using namespace headline_test;
using palk_test::BalloonWords;

const QString kUtf8Text = QStringLiteral("政府、新しい経済対策を発表\n台風10号九州に接近\nLinux6.8released");
const QString kSjisText = QStringLiteral("①新製品を発表\n価格は１００円\uff5e２００円\n髙橋選手が優勝");
const QString kAtomText = QStringLiteral("Atomの記事一\n記事二");
const QString kJanuary = QStringLiteral("■1日(水)新春特番_スペシャル／魔法少女①\n■3日(金)宇宙の旅");

class PalkHeadlines : public HeadlineTest {
protected:
    void SetUp() override {
        HeadlineTest::SetUp();
        stage.corner = QPoint(300, 300);
    }
    void TearDown() override {
        palk::Unload();
        fuki3::Unload();
        hls::Unload();
        waitFor([] { return hls::Instance() == nullptr && !headline::Engine::anyBusy(); }, 10000);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        dialup::install(nullptr);
        platform::network_manager::reset();
        HeadlineTest::TearDown();
    }
    // Sites 0, 1 and 3 on three feeds and runners, and the anime schedule at base.
    std::vector<Row> sites(const QString& animeBase) {
        return {{0, QStringLiteral("サイト0"), QStringLiteral("site0"), QStringLiteral("1"),
                 QStringLiteral("0"), url(QStringLiteral("/rss2_utf8.xml"))},
                {1, QStringLiteral("サイト1"), QStringLiteral("site1"), QStringLiteral("1"),
                 QStringLiteral("1"), url(QStringLiteral("/rss2_sjis.xml"))},
                {3, QStringLiteral("サイト3"), QStringLiteral("site3"), QStringLiteral("0"),
                 QStringLiteral("0"), url(QStringLiteral("/atom_bom.xml")), QStringLiteral("feed10.so")},
                {21, QStringLiteral("アニメ放送予定"), QStringLiteral("moeanime"), QStringLiteral("1"),
                 QStringLiteral("1"), animeBase, QStringLiteral("schedule_day.so"),
                 QStringLiteral("schedule_show.so")}};
    }
    static void key(const char* name, const char* value) {
        IniManage::BeginBatch();
        IniManage::WriteIni(QLatin1String(name), QLatin1String(value));
    }
    // Whether the hand-off folder still holds a file of that name.
    bool left(const char* name) const { return QFile::exists(handOff(QLatin1String(name))); }
};

TEST_F(PalkHeadlines, OfflineHeDialsTwiceInVainThenConnectsAndUpdatesEverySite) {
    ASSERT_TRUE(build(sites(url(QStringLiteral("/anime/")))));
    nm_mock::MockNetworkManager mock;
    mock.start();
    mock.addDevice();
    mock.addProfile(QStringLiteral("isp"));
    mock.replaceActivate(QStringLiteral(
        "n = getattr(self, 'palk_tries', 0)\n"
        "self.palk_tries = n + 1\n"
        "if n < 2:\n"
        "    raise dbus.exceptions.DBusException('refused', name='org.freedesktop.NetworkManager.Failed')\n"
        "ret = self.activate_connection(self, args[0], args[1], args[2])"));
    platform::network_manager::reset();
    dialup::install(std::make_shared<dialup::NmBackend>());
    ASSERT_TRUE(
        settings_db::updateRow("net_entry", 1, {"net_ent", "net_user", "net_pass"}, {"isp", "me", "pw"}));
    key("NetAutoConnect", "1");
    key("HedAutoRev", "1");
    // Files of the same pattern outside the headline folder are not his run's.
    QDir().mkpath(platform::tempFolder() + QStringLiteral("/mail"));
    for (const QString& other : {QStringLiteral("/other.tmp"), QStringLiteral("/mail/1.tmp")}) {
        QFile file(platform::tempFolder() + other);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    BalloonWords balloon;
    {
        platform::pace::Recorder quick; // the dial's hang-up waits and his pauses take no time
        palk::Show();
    }
    EXPECT_EQ(mock.calls(QStringLiteral("ActivateConnection")), 3);
    EXPECT_EQ(mock.activeConnections().size(), 1);
    EXPECT_EQ(data(0), kUtf8Text);
    EXPECT_EQ(data(1), kSjisText);
    EXPECT_EQ(data(3), kAtomText);
    EXPECT_EQ(data(21), kJanuary);
    EXPECT_EQ(lastDate(21), kNowStored);
    EXPECT_EQ(balloon.words, QStringList({"ネットワーク接続中", " ヘッドライン 更新中", " サイト0 更新中",
                                          " サイト1 更新中", " サイト3 更新中", " トワナ帳更新中 ", ""}));
    // His run's hand-off files are gone; nothing of it runs on.
    for (const char* name : {"temp0.tmp", "temp1.tmp", "temp3.tmp", "temp21.tmp", "moe1.tmp", "moe2.tmp"})
        EXPECT_FALSE(left(name)) << name;
    EXPECT_TRUE(QFile::exists(platform::tempFolder() + QStringLiteral("/other.tmp")));
    EXPECT_TRUE(QFile::exists(platform::tempFolder() + QStringLiteral("/mail/1.tmp")));
    EXPECT_FALSE(headline::Engine::anyBusy());
}

TEST_F(PalkHeadlines, TheHeadlineWindowsUpdateOfAllWaitsForHisRun) {
    ASSERT_TRUE(build(sites(url(QStringLiteral("/anime/")))));
    key("proxy", "1");
    hls::Show();
    hls* window = hls::Instance();
    ASSERT_NE(window, nullptr);
    palk* drone = palk::Show();
    BalloonWords balloon;
    QString refused;
    bool clicked = false;
    balloon.onWord = [&](const QString& word) {
        if (word != QStringLiteral(" サイト1 更新中") || clicked)
            return;
        clicked = true;
        window->Command4->click();
        refused = window->StatusBar1->currentMessage();
    };
    drone->migi_Pop_Click(QStringLiteral("hed_check"));
    EXPECT_TRUE(clicked);
    EXPECT_EQ(refused, QStringLiteral("ほかのヘッドラインを更新しています"));
    EXPECT_FALSE(window->ProgressAll());
    EXPECT_EQ(data(3), kAtomText);
    EXPECT_EQ(data(21), kJanuary);
}

TEST_F(PalkHeadlines, WhileTheHeadlineWindowUpdatesHeSaysSoAndLeavesItsFilesAlone) {
    std::vector<Row> rows = sites(url(QStringLiteral("/anime/")));
    rows[0].url =
        url(QStringLiteral("/delay/1500/rss2_utf8.xml")); // the window's run is still at its first site
    ASSERT_TRUE(build(rows));
    key("proxy", "1");
    hls::Show();
    hls* window = hls::Instance();
    ASSERT_NE(window, nullptr);
    palk* drone = palk::Show();
    BalloonWords balloon;
    window->Command4->click();
    ASSERT_TRUE(window->engine.busy());
    ASSERT_TRUE(waitFor([&] { return left("temp21.tmp"); }, 5000));
    drone->migi_Pop_Click(QStringLiteral("hed_check"));
    EXPECT_EQ(balloon.words, QStringList({" ヘッドライン 更新中", " ほかのヘッドラインを 更新しています"}));
    EXPECT_TRUE(left("temp21.tmp"));
    ASSERT_TRUE(waitFor([&] { return !window->engine.busy(); }));
    EXPECT_EQ(data(0), kUtf8Text);
    EXPECT_EQ(data(21), kJanuary);
}

// No dialogue database ships and none was copied: no update can start, and none runs elsewhere, so
// he says he cannot start rather than that another update runs.
TEST_F(PalkHeadlines, WithoutADialogueDatabaseHeSaysTheUpdateCannotStart) {
    key("proxy", "1");
    palk* drone = palk::Show();
    BalloonWords balloon;
    drone->migi_Pop_Click(QStringLiteral("hed_check"));
    EXPECT_EQ(balloon.words, QStringList({" ヘッドライン 更新中", " ヘッドラインの更新を 始められません"}));
    EXPECT_FALSE(headline::Engine::anyBusy());
}

// A schedule whose days have nothing to watch merges to nothing: row 21 keeps what it had, and the
// page's input and the programmes are gone.
TEST_F(PalkHeadlines, AnEmptyScheduleStoresNothingAndLeavesNoInput) {
    QDir(pages().path()).mkpath(QStringLiteral("empty/2025"));
    pages().write(
        QStringLiteral("empty/2025/202501.html"),
        QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">"
                       "</head><body><table class=\"schedule\">\n"
                       "<tr><th>日付</th><th>番組</th></tr>\n"
                       "<tr><td>1日(水)</td><td></td></tr>\n<tr><td>2日(木)</td><td></td></tr>\n"
                       "</table></body></html>\n")
            .toUtf8());
    ASSERT_TRUE(build(sites(url(QStringLiteral("/empty/")))));
    key("proxy", "1");
    key("HedAutoRev", "1");
    palk::Show();
    EXPECT_EQ(data(0), kUtf8Text);
    EXPECT_EQ(data(21), std::nullopt);
    EXPECT_EQ(lastDate(21), std::nullopt);
    EXPECT_FALSE(left("temp.txt"));
    EXPECT_FALSE(left("temp2.txt"));
    EXPECT_TRUE(left("temp1.txt")); // the day plug-in's lines ran
    EXPECT_FALSE(left("moe1.tmp"));
}

} // namespace

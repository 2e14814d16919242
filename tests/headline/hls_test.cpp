// The headline window offscreen, updating from the page server through the real runners and
// plug-ins: one site ("更新") as a table of passes, all sites ("一括更新") with its progress and stop,
// the anime schedule, and the window's own keys, texts and "HP表示".
#include "app/headline/hiCH.h"
#include "app/headline/hls.h"
#include "app/headline/sinCH.h"
#include "app/settings/IniManage.h"
#include "app/state/flag.h"
#include "headline_fixture.h"
#include "platform/codec.h"

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

using namespace headline_test;

namespace {

const QString kStored = QStringLiteral("のヘッドラインを更新しました");
const QString kNotUpdated = QStringLiteral("は、更新されていません");

class HeadlineWindow : public HeadlineTest {
protected:
    void TearDown() override {
        hls::Unload();
        waitFor([] { return hls::Instance() == nullptr; }, 10000);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        hls::ChooseFont = nullptr;
        HeadlineTest::TearDown();
    }

    hls* open() {
        hls::Show();
        return hls::Instance();
    }
    // Selects the list's row of that name, as a press on it does.
    static void select(hls* window, const QString& name) {
        const auto found = window->list1->findItems(name, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << name.toStdString();
        window->list1->setCurrentItem(found.front());
        window->list1_MouseDown();
    }
    static bool idle(hls* window) {
        return waitFor([window] { return !window->engine.busy(); });
    }
    // The talk's balloon calls.
    QStringList balloons() const {
        QStringList out;
        for (const QString& call : talk->calls)
            if (call.startsWith(QStringLiteral("ShowFuki")) || call.startsWith(QStringLiteral("SetFukiText")))
                out << call;
        return out;
    }
    void key(const char* name, const QString& value) {
        IniManage::BeginBatch();
        IniManage::WriteIni(QLatin1String(name), value);
    }
    static QString keyValue(const char* name) {
        IniManage::BeginBatch();
        return IniManage::GetIni(QLatin1String(name));
    }
};

// ---- one site ----

enum class Peer { plain, secure, none };
enum class Scene { alone, apostrophe, sharedDllName, staleFiles };

struct PassCase {
    const char* name;
    const char* path;
    const char* covflg;
    const char* verFlag;
    const char* plugin;
    std::optional<QString> before; // data before (last_date kEarlier), or never stored
    std::optional<QString> after;  // the data it must store; nothing: it stays as it was
    const char* status;            // the status bar afterwards
    Peer peer = Peer::plain;
    Scene scene = Scene::alone;
    bool quickLimits = false; // 2 s for the whole fetch
};

void PrintTo(const PassCase& c, std::ostream* out) {
    *out << c.name;
}

const QString utf8Text = QStringLiteral("政府、新しい経済対策を発表\n台風10号九州に接近\nLinux6.8released");
const QString sjisText = QStringLiteral("①新製品を発表\n価格は１００円\uff5e２００円\n髙橋選手が優勝");
const QString titlesText = QStringLiteral("it'satest\nabc\nx&y\n空白のある見出し\n太字\n末尾");
const QString plugInFailed = QStringLiteral("プラグインが失敗しました（終了コード 1）");

// clang-format off
const PassCase passes[] = {
    {"Rss2Utf8", "/rss2_utf8.xml", "0", "1", "feed11.so", std::nullopt, utf8Text, ""},
    {"Rss2ShiftJis", "/rss2_sjis.xml", "0", "1", "feed11.so", std::nullopt, sjisText, ""},
    {"Rss2ShiftJisConverted", "/rss2_sjis.xml", "1", "1", "feed11.so", std::nullopt, sjisText, ""},
    {"Rss1EucJp", "/rss1_eucjp.rdf", "1", "1", "feed11.so", QStringLiteral("古い見出し"),
     QStringLiteral("ＰＣの新製品\n窓の杜今日のソフト"), ""},
    {"AtomWithBom", "/atom_bom.xml", "0", "1", "feed11.so", std::nullopt, QStringLiteral("Atomの記事一\n記事二"), ""},
    {"Iso2022Jp", "/iso2022jp.xml", "0", "1", "feed11.so", std::nullopt, QStringLiteral("ＪＩＳの見出し\n二つ目の見出し"), ""},
    {"Iso2022JpConverted", "/iso2022jp.xml", "1", "1", "feed11.so", std::nullopt, QStringLiteral("ＪＩＳの見出し\n二つ目の見出し"), ""},
    // The apostrophe is stored, compared and shown as itself.
    {"Titles", "/titles.xml", "0", "1", "feed11.so", QStringLiteral("it''satest"), titlesText, ""},
    {"TitlesUnchanged", "/titles.xml", "0", "1", "feed11.so", titlesText, std::nullopt, ""},
    {"Truncated", "/truncated.xml", "0", "1", "feed11.so", QStringLiteral("前の見出し"), std::nullopt, "プラグインが失敗しました（終了コード 1）"},
    {"NotFound", "/status/404", "0", "1", "feed11.so", QStringLiteral("前の見出し"), std::nullopt, "サーバがエラーを返しました (HTTP 404)"},
    {"Redirect", "/redirect?to=/rss2_utf8.xml", "0", "1", "feed11.so", std::nullopt, utf8Text, ""},
    {"Slow", "/slow", "0", "1", "feed11.so", QStringLiteral("前の見出し"), std::nullopt, "時間内に応答がありません", Peer::plain, Scene::alone, true},
    {"Huge", "/huge", "0", "1", "feed11.so", std::nullopt, std::nullopt, "データが大きすぎます"},
    {"SelfSignedHttps", "/rss2_utf8.xml", "0", "1", "feed11.so", std::nullopt, std::nullopt, "サーバの証明書を確認できません", Peer::secure},
    {"NoUrl", "", "0", "1", "feed11.so", QStringLiteral("前の見出し"), std::nullopt, "ページのアドレスがありません", Peer::none},
    {"VerFlagNullRuns11", "/rss2_utf8.xml", "0", "", "feed11.so", std::nullopt, utf8Text, ""},
    {"VerFlag0Runs10", "/rss2_utf8.xml", "0", "0", "feed10.so", std::nullopt, utf8Text, ""},
    {"VerFlag2Runs11", "/rss2_utf8.xml", "0", "2", "feed11.so", std::nullopt, utf8Text, ""},
    {"VerFlag0With11PlugIn", "/rss2_utf8.xml", "0", "0", "feed11.so", std::nullopt, std::nullopt, "プラグインが失敗しました（終了コード 1）"},
    {"VerFlag1With10PlugIn", "/rss2_utf8.xml", "0", "1", "feed10.so", std::nullopt, std::nullopt, "プラグインが失敗しました（終了コード 1）"},
    // covflg 2 makes no input: the runner cannot open it.
    {"Covflg2", "/rss2_utf8.xml", "2", "1", "feed11.so", QStringLiteral("前の見出し"), std::nullopt, "プラグインが失敗しました（終了コード 1）"},
    {"NameWithApostrophe", "/rss2_utf8.xml", "0", "1", "feed11.so", std::nullopt, utf8Text, "", Peer::plain, Scene::apostrophe},
    {"OneDllNameOnTwoRows", "/rss2_utf8.xml", "0", "1", "feed11.so", std::nullopt, utf8Text, "", Peer::plain, Scene::sharedDllName},
    // Longer files of an earlier pass lie where this one writes (the plug-in hands its input back).
    {"StaleLongerFiles", "/plain.txt", "0", "1", "cat11.so", std::nullopt, QStringLiteral("一行目\n二行目"), "", Peer::plain, Scene::staleFiles},
    {"EmptyResult", "/plain_empty.txt", "0", "1", "cat11.so", QStringLiteral("前の見出し"), std::nullopt, "ヘッドラインが読み取れませんでした"},
};
// clang-format on

class OneSite : public HeadlineWindow, public ::testing::WithParamInterface<PassCase> {
protected:
    static void SetUpTestSuite() {
        HeadlineWindow::SetUpTestSuite();
        pages().write(QStringLiteral("plain_empty.txt"), QByteArray());
    }
};

TEST_P(OneSite, StoresWhatThePlugInReadOrKeepsWhatWasThere) {
    const PassCase& c = GetParam();
    const QString site =
        c.scene == Scene::apostrophe ? QStringLiteral("it's news") : QStringLiteral("テストサイト");
    const QString address = c.peer == Peer::none     ? QString()
                            : c.peer == Peer::secure ? secureUrl(QLatin1String(c.path))
                                                     : url(QLatin1String(c.path));
    std::vector<Row> rows{{0, site, QStringLiteral("test_site"), QLatin1String(c.verFlag),
                           QLatin1String(c.covflg), address, QLatin1String(c.plugin)}};
    // Another site: its row must stay as it is, unless it shares the plug-in name.
    rows.push_back({1, QStringLiteral("it"),
                    c.scene == Scene::sharedDllName ? QStringLiteral("test_site") : QStringLiteral("other"),
                    QStringLiteral("1"), QStringLiteral("0"), url(QStringLiteral("/rss2_utf8.xml"))});
    ASSERT_TRUE(build(rows));
    if (c.before)
        storeBefore(0, *c.before);
    storeBefore(1, QStringLiteral("別のサイト"));
    hls* window = open();
    ASSERT_TRUE(window);
    if (c.quickLimits) {
        headline::Limits quick;
        quick.fetch.total = std::chrono::milliseconds(2000);
        window->engine.setLimits(quick);
    }
    if (c.scene == Scene::staleFiles) {
        QDir().mkpath(handOff(QString()));
        for (const char* name : {"temp2.tmp", "tempx.txt", "temp.txt", "temp2.txt"}) {
            QFile stale(handOff(QLatin1String(name)));
            ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
            stale.write(QByteArray(100000, 'z'));
        }
    }
    const QByteArray databaseBefore = table();
    flag::state.VoicePath = QStringLiteral("/tmp/temp5.mp3"); // the clip of an earlier line
    select(window, site);

    window->Command1->click();
    EXPECT_FALSE(window->Command1->isEnabled());
    EXPECT_FALSE(window->Command4->isEnabled());
    EXPECT_TRUE(window->ProgressOne());
    ASSERT_TRUE(idle(window));

    const bool stored = c.after.has_value();
    EXPECT_EQ(data(0), stored ? c.after : c.before);
    EXPECT_EQ(lastDate(0), stored     ? std::optional(kNowStored)
                           : c.before ? std::optional(kEarlier)
                                      : std::nullopt);
    if (c.scene == Scene::sharedDllName) {
        EXPECT_EQ(data(1), c.after);
        EXPECT_EQ(lastDate(1), kNowStored);
    } else {
        EXPECT_EQ(data(1), QStringLiteral("別のサイト"));
        EXPECT_EQ(lastDate(1), kEarlier);
    }
    if (!stored) {
        EXPECT_EQ(table(), databaseBefore) << "nothing may be written";
    }
    EXPECT_EQ(balloons(), QStringList{QStringLiteral("ShowFuki ") + site + (stored ? kStored : kNotUpdated)});
    EXPECT_TRUE(flag::state.VoicePath.isEmpty());
    EXPECT_EQ(window->StatusBar1->currentMessage(), QString::fromUtf8(c.status));
    EXPECT_EQ(window->Text1->toPlainText(), stored ? *c.after : c.before.value_or(QString()));
    EXPECT_EQ(window->Label1->text(), stored     ? kNowShown
                                      : c.before ? QStringLiteral("最終更新日時：2024/12/31 23:59:59")
                                                 : QStringLiteral("最終更新日時："));
    EXPECT_FALSE(window->ProgressOne());
    for (QPushButton* b : {window->Command1, window->Command2, window->Command3, window->Command4})
        EXPECT_TRUE(b->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Passes, OneSite, ::testing::ValuesIn(passes),
                         [](const auto& info) { return std::string(info.param.name); });

using HeadlineSingle = HeadlineWindow;

// covflg 1 hands the plug-in UTF-8 under a declaration that says so (this plug-in hands its input
// back as it got it).
TEST_F(HeadlineSingle, ConversionHandsThePlugInUtf8) {
    ASSERT_TRUE(
        build({{0, QStringLiteral("変換"), QStringLiteral("conv"), QStringLiteral("1"), QStringLiteral("1"),
                url(QStringLiteral("/rss2_sjis.xml")), QStringLiteral("cat11.so")}}));
    hls* window = open();
    select(window, QStringLiteral("変換"));
    window->Command1->click();
    ASSERT_TRUE(idle(window));
    QString expected = platform::codec::fromCp932(fileBytes(kFixtures + QStringLiteral("/rss2_sjis.xml")));
    expected.replace(QStringLiteral("encoding=\"Shift_JIS\""), QStringLiteral("encoding=\"UTF-8\""));
    expected.remove(QLatin1Char(' '));
    EXPECT_EQ(data(0), expected);
}

// While the main balloon is up only its text changes; the refusals always open it.
TEST_F(HeadlineSingle, TheBalloonRule) {
    ASSERT_TRUE(build({{0, QStringLiteral("サイト"), QStringLiteral("s"), QStringLiteral("1"),
                        QStringLiteral("0"), url(QStringLiteral("/rss2_utf8.xml"))}}));
    hls* window = open();
    talk->fukiOpen = true;
    window->list1->setCurrentRow(-1);
    window->Command1->click();
    stage.items[Stage::Item::getto] = false;
    select(window, QStringLiteral("サイト"));
    window->Command1->click();
    window->Command4->click();
    EXPECT_FALSE(window->engine.busy());
    stage.items[Stage::Item::getto] = true;
    window->Command1->click();
    ASSERT_TRUE(idle(window));
    EXPECT_EQ(balloons(), (QStringList{QStringLiteral("ShowFuki サイトが選ばれていません"),
                                       QStringLiteral("ShowFuki ネットワークに接続されていません"),
                                       QStringLiteral("ShowFuki ネットワークに接続されていません"),
                                       QStringLiteral("SetFukiText サイト") + kStored}));
    EXPECT_EQ(data(0), utf8Text);
}

// キャンセル gives the buttons back at once; the update ends storing nothing, and the text box does
// not stay at "更新中".
TEST_F(HeadlineSingle, CancelStoresNothing) {
    ASSERT_TRUE(build({{0, QStringLiteral("遅い"), QStringLiteral("slow"), QStringLiteral("1"),
                        QStringLiteral("0"), url(QStringLiteral("/slow"))}}));
    storeBefore(0, QStringLiteral("前の見出し"));
    hls* window = open();
    select(window, QStringLiteral("遅い"));
    window->Command1->click();
    EXPECT_EQ(window->Text1->toPlainText(), QStringLiteral("更新中"));
    ASSERT_TRUE(window->ProgressOne());
    EXPECT_EQ(window->ProgressOne()->Label1->text(), QStringLiteral("遅いを更新してます"));
    QTest::qWait(300);
    QElapsedTimer took;
    took.start();
    window->ProgressOne()->Command1->click();
    EXPECT_FALSE(window->ProgressOne());
    EXPECT_TRUE(window->Command1->isEnabled());
    ASSERT_TRUE(idle(window));
    EXPECT_LT(took.elapsed(), 3000);
    EXPECT_EQ(window->Text1->toPlainText(), QStringLiteral("前の見出し"));
    EXPECT_EQ(window->StatusBar1->currentMessage(), QStringLiteral("中止しました"));
    EXPECT_EQ(data(0), QStringLiteral("前の見出し"));
    EXPECT_EQ(lastDate(0), kEarlier);
    EXPECT_TRUE(balloons().isEmpty());
}

// Closing the window ends its update: the runner is killed, nothing is stored, nothing waits.
TEST_F(HeadlineSingle, ClosingTheWindowCancelsTheRun) {
    ASSERT_TRUE(
        build({{0, QStringLiteral("眠い"), QStringLiteral("sleepy"), QStringLiteral("1"), QStringLiteral("0"),
                url(QStringLiteral("/rss2_utf8.xml")), QStringLiteral("sleepy.so")}}));
    hls* window = open();
    select(window, QStringLiteral("眠い"));
    window->Command1->click();
    QTest::qWait(800);
    QElapsedTimer took;
    took.start();
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(hls::Instance(), nullptr);
    EXPECT_LT(took.elapsed(), 5000);
    EXPECT_FALSE(headline::Engine::anyBusy());
    EXPECT_EQ(data(0), std::nullopt);
}

// ---- all sites ----

// Rows 0 to 21 less 7, each on one of the feeds (a path, made an address by the test), the anime
// schedule last. The runner and the page's handling vary from row to row.
std::vector<Row> allSites(const QString& animeBase) {
    const char* feeds[] = {"/rss2_utf8.xml", "/rss2_sjis.xml", "/rss1_eucjp.rdf", "/atom_bom.xml",
                           "/iso2022jp.xml"};
    std::vector<Row> rows;
    for (qint64 id = 0; id <= 20; ++id) {
        if (id == 7)
            continue;
        const bool version10 = id % 3 == 0;
        rows.push_back({id, QStringLiteral("サイト%1").arg(id), QStringLiteral("site%1").arg(id),
                        version10 ? QStringLiteral("0") : QStringLiteral("1"), QString::number(id % 2),
                        QLatin1String(feeds[id % 5]),
                        version10 ? QStringLiteral("feed10.so") : QStringLiteral("feed11.so")});
    }
    // Its ver_flag and covflg are not consulted.
    rows.push_back({21, QStringLiteral("アニメ放送予定"), QStringLiteral("moeanime"), QStringLiteral("1"),
                    QStringLiteral("1"), animeBase, QStringLiteral("schedule_day.so"),
                    QStringLiteral("schedule_show.so")});
    return rows;
}

QString expectedFor(qint64 id) {
    switch (id % 5) {
    case 0:
        return utf8Text;
    case 1:
        return sjisText;
    case 2:
        return QStringLiteral("ＰＣの新製品\n窓の杜今日のソフト");
    case 3:
        return QStringLiteral("Atomの記事一\n記事二");
    }
    return QStringLiteral("ＪＩＳの見出し\n二つ目の見出し");
}

const QString januaryText = QStringLiteral("■1日(水)新春特番_スペシャル／魔法少女①\n■3日(金)宇宙の旅");

class AllSites : public HeadlineWindow {
protected:
    std::vector<Row> rows(const QString& animeBase) {
        std::vector<Row> all = allSites(animeBase);
        for (Row& row : all)
            if (row.id != 21)
                row.url = url(row.url);
        return all;
    }
    // Runs 一括更新 and watches the progress: the highest value it reached.
    int runAll(hls* window, const std::function<void(qint64)>& onPass = {}) {
        int highest = 0;
        QObject::connect(&window->engine, &headline::Engine::passStarted, window, [&, window](qint64 id) {
            if (onPass)
                onPass(id);
            highest = std::max<int>(highest, window->progress);
        });
        QObject::connect(&window->engine, &headline::Engine::passEnded, window,
                         [&, window] { highest = std::max<int>(highest, window->progress); });
        window->Command4->click();
        EXPECT_TRUE(window->ProgressAll());
        EXPECT_FALSE(window->Command4->isEnabled());
        EXPECT_FALSE(window->Command1->isEnabled());
        EXPECT_TRUE(idle(window));
        return highest;
    }
};

TEST_F(AllSites, StoresEverySiteThenTheAnimeSchedule) {
    ASSERT_TRUE(build(rows(url(QStringLiteral("/anime/")))));
    hls* window = open();
    const int highest = runAll(window);
    for (qint64 id = 0; id <= 20; ++id) {
        SCOPED_TRACE(id);
        EXPECT_EQ(data(id), id == 7 ? std::nullopt : std::optional(expectedFor(id)));
    }
    EXPECT_EQ(data(21), januaryText);
    EXPECT_EQ(lastDate(21), kNowStored);
    EXPECT_EQ(window->site_count, 21);
    EXPECT_EQ(window->progress, 21);
    // The anime schedule's pass names its site too.
    EXPECT_EQ(window->site_name, QStringLiteral("アニメ放送予定"));
    EXPECT_LE(highest, 21);
    EXPECT_EQ(window->list1->currentItem()->text(), QStringLiteral("アニメ放送予定"));
    EXPECT_EQ(window->Text1->toPlainText(), januaryText);
    EXPECT_EQ(window->Label1->text(), kNowShown);
    EXPECT_EQ(balloons(), QStringList{QStringLiteral("ShowFuki 一括更新が完了しました")});
    EXPECT_FALSE(window->ProgressAll());
    EXPECT_EQ(window->stop_flag, 0);
    EXPECT_TRUE(window->Command4->isEnabled());
    EXPECT_TRUE(window->Command1->isEnabled());
}

// 中　　止 during pass k: pass k ends and is stored, the run stops at the next pass, and the anime
// schedule is not done.
TEST_F(AllSites, StopEndsTheRunAfterThePassThatRuns) {
    constexpr qint64 k = 4;
    std::vector<Row> all = rows(url(QStringLiteral("/anime/")));
    for (Row& row : all)
        if (row.id == k)
            row.url = url(QStringLiteral("/delay/1500/rss1_eucjp.rdf")); // long enough to press 中止
    ASSERT_TRUE(build(all));
    hls* window = open();
    runAll(window, [window](qint64 id) {
        if (id == k && window->ProgressAll()) {
            EXPECT_EQ(window->ProgressAll()->Command1->text(), QStringLiteral("中\u3000\u3000止"));
            window->ProgressAll()->Command1->click();
            EXPECT_EQ(window->ProgressAll()->Label1->text(), QStringLiteral("中断処理中です"));
            EXPECT_FALSE(window->ProgressAll()->Command1->isEnabled());
        }
    });
    for (qint64 id = 0; id <= 20; ++id) {
        SCOPED_TRACE(id);
        EXPECT_EQ(data(id), id <= k && id != 7
                                ? std::optional(id == k ? QStringLiteral("ＰＣの新製品\n窓の杜今日のソフト")
                                                        : expectedFor(id))
                                : std::nullopt);
    }
    EXPECT_EQ(data(21), std::nullopt);
    EXPECT_EQ(window->site_name, QStringLiteral("サイト%1").arg(k + 1));
    // The list stays on the last site whose pass ended.
    ASSERT_TRUE(window->list1->currentItem());
    EXPECT_EQ(window->list1->currentItem()->text(), QStringLiteral("サイト%1").arg(k));
    EXPECT_EQ(balloons(), QStringList{QStringLiteral("ShowFuki 処理を中断しました")});
    EXPECT_EQ(window->stop_flag, 0);
    EXPECT_FALSE(window->ProgressAll());
}

// 中　　止 during the last site's pass, or during the anime schedule's, is said as a stop too: the
// run did not do all it was asked to.
TEST_F(AllSites, StopDuringTheLastPassesIsSaidAsAStop) {
    for (const qint64 k : {qint64(20), qint64(21)}) {
        SCOPED_TRACE(k);
        std::vector<Row> all = rows(url(k == 21 ? QStringLiteral("/delay/1500/anime/") : QStringLiteral("/anime/")));
        for (Row& row : all)
            if (row.id == k && k != 21)
                row.url = url(QStringLiteral("/delay/1500/rss1_eucjp.rdf"));
        ASSERT_TRUE(build(all));
        talk->calls.clear();
        hls* window = open();
        runAll(window, [window, k](qint64 id) {
            if (id == k && window->ProgressAll())
                window->ProgressAll()->Command1->click();
        });
        EXPECT_EQ(balloons(), QStringList{QStringLiteral("ShowFuki 処理を中断しました")});
        // The stop is seen only at the start of a site's pass: after the last one the schedule
        // still runs.
        EXPECT_EQ(data(21), januaryText);
        window->close();
        QTest::qWait(50);
    }
}

// Each pass's store is in the database when the pass ends, not at the end of the run: a site is
// kept as soon as it was read.
TEST_F(AllSites, EachPassIsStoredWhenItEnds) {
    ASSERT_TRUE(build(rows(url(QStringLiteral("/anime/")))));
    hls* window = open();
    int checked = 0;
    QObject::connect(&window->engine, &headline::Engine::passEnded, window,
                     [&](const headline::PassResult& pass) {
                         if (pass.outcome != headline::Outcome::stored)
                             return;
                         SCOPED_TRACE(pass.id);
                         EXPECT_EQ(data(pass.id), pass.text);
                         EXPECT_EQ(lastDate(pass.id), kNowStored);
                         ++checked;
                     });
    runAll(window);
    EXPECT_EQ(checked, 21);
    EXPECT_EQ(balloons(), QStringList{QStringLiteral("ShowFuki 一括更新が完了しました")});
}

// A site table that cannot be read in the middle of a run ends it there: said in the status bar,
// said as a stop, the sites before it kept, and no pass run on files that are not there.
TEST_F(AllSites, ATableThatCannotBeReadEndsTheRun) {
    constexpr qint64 k = 3;
    std::vector<Row> all = rows(url(QStringLiteral("/anime/")));
    for (Row& row : all)
        if (row.id == k)
            row.url = url(QStringLiteral("/delay/1000/rss2_utf8.xml")); // the table goes meanwhile
    ASSERT_TRUE(build(all));
    hls* window = open();
    std::vector<qint64> ended;
    QObject::connect(&window->engine, &headline::Engine::passEnded, window,
                     [&](const headline::PassResult& pass) { ended.push_back(pass.id); });
    runAll(window, [this](qint64 id) {
        if (id == k)
            runSql(copy(), "ALTER TABLE hedline RENAME TO hedline_away");
    });
    EXPECT_EQ(window->StatusBar1->currentMessage(), QStringLiteral("ヘッドラインのデータベースを読み込めません"));
    EXPECT_EQ(balloons(), QStringList{QStringLiteral("ShowFuki 処理を中断しました")});
    EXPECT_EQ(ended, (std::vector<qint64>{0, 1, 2, 3}));
    EXPECT_FALSE(window->ProgressAll());
    EXPECT_TRUE(window->Command4->isEnabled());
    runSql(copy(), "ALTER TABLE hedline_away RENAME TO hedline");
    for (qint64 id = 0; id < k; ++id) {
        SCOPED_TRACE(id);
        EXPECT_EQ(data(id), expectedFor(id));
    }
}

// A run that finds every site as stored writes nothing and leaves the time shown as it was.
TEST_F(AllSites, NothingChangedWritesNothing) {
    std::vector<Row> all = rows(QString()); // the anime schedule without an address, as shipped
    ASSERT_TRUE(build(all));
    for (const Row& row : all)
        if (row.id != 21)
            storeBefore(row.id, expectedFor(row.id));
    hls* window = open();
    select(window, QStringLiteral("サイト3"));
    const QString shown = window->Label1->text();
    EXPECT_EQ(shown, QStringLiteral("最終更新日時：2024/12/31 23:59:59"));
    const QByteArray before = table();
    ASSERT_FALSE(before.isEmpty());
    runAll(window);
    EXPECT_EQ(table(), before);
    EXPECT_EQ(window->Label1->text(), shown);
    EXPECT_EQ(balloons(), QStringList{QStringLiteral("ShowFuki 一括更新が完了しました")});
    // A row without an address is none of the run's failures.
    EXPECT_EQ(window->StatusBar1->currentMessage(), QString());
}

// A pass that fails ends as one that found nothing new: the list moves to its site and the text box
// shows what that site keeps.
TEST_F(AllSites, AFailedPassIsShownAsUnchanged) {
    ASSERT_TRUE(build({{0, QStringLiteral("読める"), QStringLiteral("a"), QStringLiteral("1"),
                        QStringLiteral("0"), url(QStringLiteral("/rss2_utf8.xml"))},
                       {1, QStringLiteral("読めない"), QStringLiteral("b"), QStringLiteral("1"),
                        QStringLiteral("0"), url(QStringLiteral("/status/404"))}}));
    storeBefore(1, QStringLiteral("前の見出し"));
    hls* window = open();
    runAll(window);
    EXPECT_EQ(data(0), utf8Text);
    EXPECT_EQ(data(1), QStringLiteral("前の見出し"));
    ASSERT_TRUE(window->list1->currentItem());
    EXPECT_EQ(window->list1->currentItem()->text(), QStringLiteral("読めない"));
    EXPECT_EQ(window->Text1->toPlainText(), QStringLiteral("前の見出し"));
    EXPECT_EQ(window->Label1->text(), kNowShown);
    EXPECT_EQ(window->StatusBar1->currentMessage(), QStringLiteral("更新できなかったサイト：読めない"));
    // The bar cuts a long list at its edge; its tooltip holds it whole.
    EXPECT_EQ(window->StatusBar1->toolTip(), QStringLiteral("更新できなかったサイト：読めない"));
}

// Two sites of one plug-in name: each pass compares with what the passes before it stored, so both
// rows end with the text of the site updated last, as when every pass writes at once.
TEST_F(AllSites, ASharedPlugInNameEndsWithTheLastSitesText) {
    ASSERT_TRUE(build({{0, QStringLiteral("一つ目"), QStringLiteral("shared"), QStringLiteral("1"),
                        QStringLiteral("0"), url(QStringLiteral("/rss2_utf8.xml"))},
                       {1, QStringLiteral("二つ目"), QStringLiteral("shared"), QStringLiteral("1"),
                        QStringLiteral("0"), url(QStringLiteral("/rss2_sjis.xml"))}}));
    // The second site's page reads as it was stored; the first one's does not.
    storeBefore(0, sjisText);
    storeBefore(1, sjisText);
    hls* window = open();
    runAll(window);
    EXPECT_EQ(data(0), sjisText);
    EXPECT_EQ(data(1), sjisText);
    EXPECT_EQ(lastDate(1), kNowStored);
    EXPECT_EQ(window->Text1->toPlainText(), sjisText);
}

// An update of all sites that cannot open the database does not say it is done: the status bar says
// why nothing ran.
TEST_F(AllSites, ADatabaseThatCannotBeOpenedIsSaid) {
    ASSERT_TRUE(build({{0, QStringLiteral("サイト"), QStringLiteral("s"), QStringLiteral("1"),
                        QStringLiteral("0"), url(QStringLiteral("/rss2_utf8.xml"))}}));
    hls* window = open();
    window->engine.setDatabase(home.file(QStringLiteral("gone/morvik_heart.mdb")));
    runAll(window);
    EXPECT_TRUE(balloons().isEmpty());
    EXPECT_EQ(window->StatusBar1->currentMessage(), QStringLiteral("データベースを開けません"));
    EXPECT_TRUE(window->Command4->isEnabled());
    EXPECT_FALSE(window->ProgressAll());
}

TEST_F(AllSites, AnEmptyTableIsNoError) {
    ASSERT_TRUE(build({}));
    hls* window = open();
    const int highest = runAll(window);
    EXPECT_EQ(window->site_count, 0);
    EXPECT_EQ(highest, 0);
    EXPECT_EQ(window->progress, 0);
    EXPECT_EQ(balloons(), QStringList{QStringLiteral("ShowFuki 一括更新が完了しました")});
}

// ---- the anime schedule ----

struct Month {
    QDate today;
    std::optional<QString> stored;
};

TEST_F(HeadlineSingle, TheAnimeScheduleOfTheMonth) {
    const Month months[] = {
        {QDate(2025, 1, 15), januaryText},
        {QDate(2024, 12, 31), QStringLiteral("■24日(火)聖夜の物語\n■25日(水)年末総集編")},
        {QDate(2025, 2, 1), std::nullopt}, // no page for February
    };
    for (const Month& month : months) {
        SCOPED_TRACE(month.today.toString(Qt::ISODate).toStdString());
        TestHome fresh;
        talk->calls.clear();
        talk->fukiOpen = false;
        ASSERT_TRUE(build({{21, QStringLiteral("アニメ放送予定"), QStringLiteral("moeanime"),
                            QStringLiteral("1"), QStringLiteral("1"), url(QStringLiteral("/anime/")),
                            QStringLiteral("schedule_day.so"), QStringLiteral("schedule_show.so")}}));
        platform::clock::setFake(QDateTime(month.today, QTime(9, 5, 3)));
        hls* window = open();
        select(window, QStringLiteral("アニメ放送予定"));
        window->Command1->click();
        ASSERT_TRUE(idle(window));
        EXPECT_EQ(data(21), month.stored);
        EXPECT_EQ(balloons(), QStringList{QStringLiteral("ShowFuki アニメ放送予定") +
                                          (month.stored ? kStored : kNotUpdated)});
        if (!month.stored) {
            EXPECT_EQ(window->StatusBar1->currentMessage(),
                      QStringLiteral("サーバがエラーを返しました (HTTP 404)"));
        }
        hls::Unload();
        waitFor([] { return hls::Instance() == nullptr; });
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// Both schedule plug-ins must exit with 0 before anything is merged.
TEST_F(HeadlineSingle, TheAnimeScheduleNeedsBothPlugIns) {
    ASSERT_TRUE(build({{21, QStringLiteral("アニメ放送予定"), QStringLiteral("moeanime"), QStringLiteral("1"),
                        QStringLiteral("1"), url(QStringLiteral("/anime/")),
                        QStringLiteral("schedule_day.so"), QStringLiteral("feed10.so")}}));
    storeBefore(21, QStringLiteral("前の予定"));
    hls* window = open();
    select(window, QStringLiteral("アニメ放送予定"));
    window->Command1->click();
    ASSERT_TRUE(idle(window));
    EXPECT_EQ(data(21), QStringLiteral("前の予定"));
    EXPECT_EQ(lastDate(21), kEarlier);
    EXPECT_EQ(window->StatusBar1->currentMessage(), plugInFailed);
}

// ---- the window ----

using Window = HeadlineWindow;

// xdg-open put first on PATH while it lives: it notes each argument it gets, each followed by "--",
// and exits with the status given.
class Opener {
public:
    explicit Opener(int status = 0) : path_(qgetenv("PATH")) {
        QFile opener(bin_.filePath(QStringLiteral("xdg-open")));
        EXPECT_TRUE(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n--\\n' \"$a\"; done >> \"$RECORD\"\nexit " +
                     QByteArray::number(status) + "\n");
        opener.close();
        opener.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        qputenv("PATH", bin_.path().toUtf8() + ":" + path_);
        qputenv("RECORD", record().toUtf8());
    }
    ~Opener() { qputenv("PATH", path_); }
    Opener(const Opener&) = delete;
    Opener& operator=(const Opener&) = delete;

    QString record() const { return bin_.filePath(QStringLiteral("argv")); }
    // What it was given once it has run, or nothing after ms.
    std::optional<QString> opened(int ms = 10000) const {
        if (!waitFor([&] { return fileBytes(record()).endsWith("--\n"); }, ms))
            return std::nullopt;
        return QString::fromUtf8(fileBytes(record()));
    }

private:
    QTemporaryDir bin_;
    QByteArray path_;
};

// A page opened by HP表示 clears a refusal of its own, never the list of sites an update could not
// fetch.
TEST_F(AllSites, HpLeavesTheListOfSitesNotUpdated) {
    const Opener opener;
    ASSERT_TRUE(build({{0, QStringLiteral("読める"), QStringLiteral("a"), QStringLiteral("1"),
                        QStringLiteral("0"), url(QStringLiteral("/rss2_utf8.xml")), QStringLiteral("feed11.so"),
                        QString(), QStringLiteral("https://example.invalid/")},
                       {1, QStringLiteral("読めない"), QStringLiteral("b"), QStringLiteral("1"),
                        QStringLiteral("0"), url(QStringLiteral("/status/404"))}}));
    hls* window = open();
    runAll(window);
    const QString list = QStringLiteral("更新できなかったサイト：読めない");
    ASSERT_EQ(window->StatusBar1->currentMessage(), list);
    select(window, QStringLiteral("読める"));
    window->Command2->click();
    ASSERT_TRUE(opener.opened());
    EXPECT_EQ(window->StatusBar1->currentMessage(), list);
    EXPECT_EQ(window->StatusBar1->toolTip(), list);
}

struct SizeCase {
    const char* name;
    const char* width;
    const char* height;
    QSize inner;
};

TEST_F(Window, TheSavedSizeIsPixelsLessTheFrame) {
    ASSERT_TRUE(build({}));
    const SizeCase cases[] = {
        {"none", "", "", {hls::kDesignWidth, hls::kDesignHeight}},
        {"saved", "700", "500", {692, 473}},
        {"beyond the screen", "2185", "500", {hls::kDesignWidth, hls::kDesignHeight}},
        {"not a number", "abc", "500", {hls::kDesignWidth, hls::kDesignHeight}},
        {"one missing", "700", "", {hls::kDesignWidth, hls::kDesignHeight}},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.name);
        key("hlsWidth", QLatin1String(c.width));
        key("hlsheight", QLatin1String(c.height));
        hls* window = open();
        EXPECT_EQ(window->size(), c.inner);
        // 閉じる saves what the next load takes off again.
        window->Command3->click();
        EXPECT_EQ(keyValue("hlsWidth"), QString::number(c.inner.width() + 8));
        EXPECT_EQ(keyValue("hlsheight"), QString::number(c.inner.height() + 27));
        waitFor([] { return hls::Instance() == nullptr; });
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        hls* again = open();
        EXPECT_EQ(again->size(), c.inner);
        // Closed another way, it saves nothing.
        again->resize(c.inner.width() + 40, c.inner.height() + 40);
        again->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(keyValue("hlsWidth"), QString::number(c.inner.width() + 8));
    }
    // A window as wide and as high as the screen's room opens so again.
    const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size();
    key("hlsWidth", QString::number(room.width() + 8));
    key("hlsheight", QString::number(room.height() + 27));
    hls* full = open();
    EXPECT_EQ(full->size(), room);
    full->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(Window, NeverSmallerThan4000Twips) {
    ASSERT_TRUE(build({}));
    EXPECT_EQ(hls::TwipsPerPixel(96), 15);
    EXPECT_EQ(hls::TwipsPerPixel(120), 12);
    EXPECT_EQ(hls::FloorPixels(15), 267);
    EXPECT_EQ(hls::FloorPixels(12), 334);
    hls* window = open();
    window->resize(100, 100);
    const int floor = hls::FloorPixels(hls::TwipsPerPixel(window->screen()->logicalDotsPerInchY()));
    EXPECT_EQ(window->frameGeometry().size(), QSize(floor, floor));
    // The buttons and the label keep to the window's foot.
    EXPECT_EQ(window->Command3->geometry().topLeft(), QPoint(window->width() - 88, window->height() - 49));
    EXPECT_EQ(window->Label1->y(), window->height() - 37);
    EXPECT_EQ(window->Text1->size(), QSize(window->width() - 155, window->height() - 60));
}

// At 120 dpi (12 twips to the pixel) the saved size is still pixels and the text starts at 7
// points. The screen's dpi is settled when the program starts: this runs in a program of its own,
// whose screen Qt does not scale (else it shows 96 dpi in pixels of its own).
TEST_F(Window, At120Dpi) {
    if (qgetenv("QT_FONT_DPI") != "120") {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_FONT_DPI"), QStringLiteral("120"));
        environment.insert(QStringLiteral("QT_ENABLE_HIGHDPI_SCALING"), QStringLiteral("0"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=Window.At120Dpi")});
        ASSERT_TRUE(child.waitForFinished(60000));
        EXPECT_EQ(child.exitCode(), 0);
        return;
    }
    ASSERT_TRUE(build({}));
    key("hlsWidth", QStringLiteral("700"));
    key("hlsheight", QStringLiteral("500"));
    hls* window = open();
    ASSERT_EQ(hls::TwipsPerPixel(window->screen()->logicalDotsPerInchY()), 12);
    EXPECT_EQ(window->size(), QSize(692, 473));
    EXPECT_EQ(window->Text1->font().pointSize(), 7);
    window->resize(100, 100);
    EXPECT_EQ(window->frameGeometry().size(), QSize(334, 334));
    window->resize(692, 473);
    window->Command3->click();
    EXPECT_EQ(keyValue("hlsWidth"), QStringLiteral("700"));
    EXPECT_EQ(keyValue("hlsheight"), QStringLiteral("500"));
}

TEST_F(Window, TheFontIsSavedAndTakenBack) {
    ASSERT_TRUE(build({}));
    hls* window = open();
    EXPECT_EQ(window->Text1->font().family(), QStringLiteral("Noto Sans CJK JP"));
    EXPECT_EQ(window->Text1->font().pointSize(), 10);
    QFont chosen(QStringLiteral("Noto Serif CJK JP"));
    chosen.setPointSizeF(12.5);
    chosen.setBold(true);
    hls::ChooseFont = [&chosen](const QFont&, QWidget*) { return chosen; };
    window->Command5->click();
    EXPECT_EQ(keyValue("hlsFontName"), QStringLiteral("Noto Serif CJK JP"));
    EXPECT_EQ(keyValue("hlsFontSize"), QStringLiteral("12.5"));
    EXPECT_EQ(keyValue("hlsFontBold"), QStringLiteral("True"));
    // A cancelled dialog gives the font back: it stays, and is saved again.
    hls::ChooseFont = [](const QFont& current, QWidget*) { return current; };
    key("hlsFontBold", QStringLiteral("False"));
    window->Command5->click();
    EXPECT_EQ(keyValue("hlsFontBold"), QStringLiteral("True"));
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    key("hlsFontSize", QStringLiteral("abc"));
    key("hlsFontBold", QStringLiteral("False"));
    hls* again = open();
    EXPECT_EQ(again->Text1->font().family(), QStringLiteral("Noto Serif CJK JP"));
    EXPECT_EQ(again->Text1->font().pointSize(), 10); // a size that is no number is ignored
    EXPECT_FALSE(again->Text1->font().bold());
}

// The names of the shipped sites, from the table's source.
QStringList shippedNames() {
    QFile source(QStringLiteral(MORVIK_HEDLINE_SOURCE));
    if (!source.open(QIODevice::ReadOnly))
        return {};
    QStringList names;
    for (const QString& line : QString::fromUtf8(source.readAll()).split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QStringLiteral(" | "));
        bool numbered = false;
        fields.front().toInt(&numbered);
        if (numbered && fields.size() > 1)
            names << fields[1];
    }
    return names;
}

// Whether a label shows its whole text.
bool showsWhole(const QLabel* label) {
    if (label->wordWrap())
        return label->heightForWidth(label->width()) <= label->height();
    return label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width();
}

// Whether a button's caption fits inside its frame.
bool showsWhole(const QPushButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    return button->fontMetrics().horizontalAdvance(button->text()) <= room.width();
}

// Every caption, and every shipped site's name in the progress windows, shows whole; the site list's
// rows are of one height, Japanese or not.
TEST_F(Window, TextsShowWhole) {
    const QStringList names = shippedNames();
    ASSERT_GE(names.size(), 22);
    std::vector<Row> rows;
    for (int i = 0; i < names.size(); ++i)
        rows.push_back({i, names[i], QStringLiteral("site%1").arg(i), QStringLiteral("1"),
                        QStringLiteral("0"), QString()});
    ASSERT_TRUE(build(rows));
    hls* window = open();
    for (QPushButton* b :
         {window->Command1, window->Command2, window->Command3, window->Command4, window->Command5}) {
        SCOPED_TRACE(b->text().toStdString());
        EXPECT_TRUE(showsWhole(b));
    }
    const int rowHeight = window->list1->visualItemRect(window->list1->item(0)).height();
    for (int row = 0; row < window->list1->count(); ++row) {
        const QString name = window->list1->item(row)->text();
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(window->list1->visualItemRect(window->list1->item(row)).height(), rowHeight);
        window->site_name = name;
        sinCH all(window);
        EXPECT_TRUE(showsWhole(all.Label1));
        EXPECT_TRUE(showsWhole(all.Command1));
        window->list1->setCurrentRow(row);
        hiCH one(window);
        EXPECT_TRUE(showsWhole(one.Label1));
        EXPECT_TRUE(showsWhole(one.Command1));
    }
}

TEST_F(Window, APressOnASiteShowsItsHeadlinesAndTime) {
    ASSERT_TRUE(build({{0, QStringLiteral("まだ"), QStringLiteral("a"), QStringLiteral("1"),
                        QStringLiteral("0"), url(QStringLiteral("/x"))},
                       {1, QStringLiteral("済み"), QStringLiteral("b"), QStringLiteral("1"),
                        QStringLiteral("0"), url(QStringLiteral("/x"))},
                       {2, QStringLiteral("it's"), QStringLiteral("c"), QStringLiteral("1"),
                        QStringLiteral("0"), url(QStringLiteral("/x"))}}));
    storeBefore(1, QStringLiteral("一\n二"), QStringLiteral("2025-03-04 05:06:07"));
    storeBefore(2, QStringLiteral("it's mine"), QStringLiteral("2025-11-12 13:14:15"));
    hls* window = open();
    EXPECT_EQ(window->list1->count(), 3);
    EXPECT_EQ(window->list1->item(2)->text(), QStringLiteral("it's"));
    select(window, QStringLiteral("済み"));
    EXPECT_EQ(window->Text1->toPlainText(), QStringLiteral("一\n二"));
    EXPECT_EQ(window->Label1->text(), QStringLiteral("最終更新日時：2025/03/04 5:06:07"));
    select(window, QStringLiteral("まだ"));
    EXPECT_EQ(window->Text1->toPlainText(), QString());
    EXPECT_EQ(window->Label1->text(), QStringLiteral("最終更新日時："));
    select(window, QStringLiteral("it's"));
    EXPECT_EQ(window->Text1->toPlainText(), QStringLiteral("it's mine"));
    EXPECT_EQ(window->Label1->text(), QStringLiteral("最終更新日時：2025/11/12 13:14:15"));
}

// HP表示 hands the address to xdg-open as one argument, whatever it holds; only http and https
// with a host are opened.
TEST_F(Window, HpOpensOnlyWebAddressesAsOneArgument) {
    const Opener opener;
    const QString record = opener.record();
    const QString odd = QStringLiteral("http://127.0.0.1/a b;touch pwned;$(touch pwned2)`id`");
    struct Case {
        const char* name;
        QString jump;
        bool opened;
    };
    const Case cases[] = {
        // Each open follows a refusal: the refusal must not stay in the status bar.
        {"file", QStringLiteral("file:///etc/passwd"), false},
        {"plain", QStringLiteral("https://example.invalid/"), true},
        {"javascript", QStringLiteral("javascript:alert(1)"), false},
        {"odd", odd, true},
        {"no host", QStringLiteral("http:///x"), false},
        {"empty", QString(), false},
    };
    std::vector<Row> rows;
    for (int i = 0; i < int(std::size(cases)); ++i)
        rows.push_back({i, QLatin1String(cases[i].name), QLatin1String(cases[i].name), QStringLiteral("1"),
                        QStringLiteral("0"), QString(), QStringLiteral("feed11.so"), QString(),
                        QStringLiteral("x")});
    ASSERT_TRUE(build(rows));
    for (int i = 0; i < int(std::size(cases)); ++i)
        runSql(shipped(), "UPDATE hedline SET jump = ?1 WHERE id = ?2", {cases[i].jump, QString::number(i)});
    hls* window = open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(record);
        select(window, QLatin1String(c.name));
        window->Command2->click();
        if (c.opened) {
            ASSERT_TRUE(waitFor([&] { return fileBytes(record).endsWith("--\n"); }, 10000));
            EXPECT_EQ(QString::fromUtf8(fileBytes(record)), c.jump + QStringLiteral("\n--\n"));
            EXPECT_TRUE(window->StatusBar1->currentMessage().isEmpty());
        } else {
            QTest::qWait(200);
            EXPECT_FALSE(QFile::exists(record));
            EXPECT_FALSE(window->StatusBar1->currentMessage().isEmpty());
        }
    }
    EXPECT_FALSE(QFile::exists(QStringLiteral("pwned")));
    EXPECT_FALSE(QFile::exists(QStringLiteral("pwned2")));
}

// While an update runs the list holds its site: a press on another row, the keys and a selection made
// by the code leave the updating row highlighted and its text shown, so HP表示 and 更新 act on the
// site that was updated; after the run the list picks again.
TEST_F(Window, WhileAnUpdateRunsTheListKeepsItsSite) {
    const Opener opener;
    // ITmedia's page comes 1.5 s late: its pass runs meanwhile (the first pass of 一括更新 too).
    ASSERT_TRUE(build({{0, QStringLiteral("ITmedia"), QStringLiteral("itmedia"), QStringLiteral("1"),
                        QStringLiteral("0"), url(QStringLiteral("/delay/1500/rss2_utf8.xml")),
                        QStringLiteral("feed11.so"), QString(), QStringLiteral("https://itmedia.invalid/")},
                       {1, QStringLiteral("NHK"), QStringLiteral("nhk"), QStringLiteral("1"),
                        QStringLiteral("0"), url(QStringLiteral("/rss2_sjis.xml")),
                        QStringLiteral("feed11.so"), QString(), QStringLiteral("https://nhk.invalid/")}}));
    storeBefore(0, QStringLiteral("ITmediaの前の見出し"));
    storeBefore(1, QStringLiteral("NHKの前の見出し"));
    hls* window = open();
    QListWidget* list = window->list1;
    const auto row = [list](const QString& name) {
        return list->row(list->findItems(name, Qt::MatchExactly).front());
    };
    const auto press = [list](int at) {
        const QPoint where = list->visualItemRect(list->item(at)).center();
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, where);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, where);
    };
    const auto highlighted = [list] {
        QStringList names;
        for (const QListWidgetItem* item : list->selectedItems())
            names << item->text();
        return (list->currentItem() ? list->currentItem()->text() : QStringLiteral("none")) + " | " +
               names.join(QStringLiteral(","));
    };
    const int itmedia = row(QStringLiteral("ITmedia")), nhk = row(QStringLiteral("NHK"));
    const QString held = QStringLiteral("ITmedia | ITmedia");

    struct Case {
        const char* name;
        QPushButton* hls::*start;
        QString textDuring;
        QString siteAfter, textAfter, jumpAfter; // the site the list follows last, and what it shows
    };
    const Case cases[] = {
        // The window follows each pass's site: NHK's is the last.
        {"一括更新", &hls::Command4, QStringLiteral("ITmediaの前の見出し"), QStringLiteral("NHK"), sjisText,
         QStringLiteral("https://nhk.invalid/")},
        {"更新", &hls::Command1, QStringLiteral("更新中"), QStringLiteral("ITmedia"), utf8Text,
         QStringLiteral("https://itmedia.invalid/")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        press(itmedia);
        ASSERT_EQ(highlighted(), held);
        (window->*c.start)->click();
        ASSERT_TRUE(window->engine.busy());
        const std::pair<const char*, std::function<void()>> picks[] = {
            {"a press on NHK", [&] { press(nhk); }},
            {"the down key", [&] { QTest::keyClick(list, Qt::Key_Down); }},
            {"the end key", [&] { QTest::keyClick(list, Qt::Key_End); }},
            {"setCurrentRow", [&] { list->setCurrentRow(nhk); }},
            {"setCurrentItem", [&] { list->setCurrentItem(list->item(nhk)); }},
        };
        for (const auto& [how, pick] : picks) {
            SCOPED_TRACE(how);
            pick();
            EXPECT_EQ(highlighted(), held);
            EXPECT_EQ(window->Text1->toPlainText(), c.textDuring);
        }
        ASSERT_TRUE(window->engine.busy()) << "the picks came after the run";
        ASSERT_TRUE(idle(window));
        EXPECT_EQ(highlighted(), c.siteAfter + " | " + c.siteAfter);
        EXPECT_EQ(window->Text1->toPlainText(), c.textAfter);

        QFile::remove(opener.record());
        window->Command2->click();
        EXPECT_EQ(opener.opened(), c.jumpAfter + "\n--\n");
        window->Command1->click();
        ASSERT_TRUE(window->ProgressOne());
        EXPECT_EQ(window->ProgressOne()->Label1->text(), hls::Updating(c.siteAfter));
        ASSERT_TRUE(idle(window));
        EXPECT_EQ(talk->calls.last(), "SetFukiText " + c.siteAfter + kNotUpdated);
    }
    // Free again: a press picks a site and shows what it keeps.
    press(nhk);
    EXPECT_EQ(highlighted(), "NHK | NHK");
    EXPECT_EQ(window->Text1->toPlainText(), sjisText);
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(highlighted(), held);
    EXPECT_EQ(window->Text1->toPlainText(), utf8Text);
}

// HP表示 that opens nothing, with no xdg-open to start or one that ends in failure (status 3:
// nothing to open with): the status bar tells every click, standard error says once which address
// and why.
TEST_F(Window, HpThatOpensNothingIsSaidOnce) {
    const QString address = QStringLiteral("https://example.invalid/");
    ASSERT_TRUE(
        build({{0, QStringLiteral("site"), QStringLiteral("site"), QStringLiteral("1"), QStringLiteral("0"),
                QString(), QStringLiteral("feed11.so"), QString(), QStringLiteral("x")}}));
    runSql(shipped(), "UPDATE hedline SET jump = ?1 WHERE id = 0", {address});
    hls* window = open();
    select(window, QStringLiteral("site"));
    const struct {
        const char* name;
        std::optional<int> status; // of the stand-in xdg-open, or none on PATH
        QString why;               // what standard error says after the address, or "" for any
    } cases[] = {{"no program", std::nullopt, QString()},
                 {"nothing to open with", 3, QStringLiteral("it exited with status 3")}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<Opener> opener;
        const QTemporaryDir noPrograms;
        const QByteArray path = qgetenv("PATH");
        if (c.status)
            opener.emplace(*c.status);
        else
            qputenv("PATH", noPrograms.path().toUtf8());
        const auto told = [&] {
            return waitFor(
                [&] {
                    return window->StatusBar1->currentMessage() == QStringLiteral("ブラウザを起動できません");
                },
                10000);
        };
        testing::internal::CaptureStderr();
        window->Command2->click();
        const bool first = told();
        window->StatusBar1->clearMessage();
        window->Command2->click();
        const bool second = told();
        const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());
        if (!c.status)
            qputenv("PATH", path);
        EXPECT_TRUE(first);
        EXPECT_TRUE(second);
        EXPECT_EQ(said.count(QStringLiteral("morvik: ")), 1) << said.toStdString();
        EXPECT_TRUE(said.contains(QStringLiteral("morvik: cannot open ") + address +
                                  QStringLiteral(" with xdg-open: ") + c.why))
            << said.toStdString();
    }
}

} // namespace

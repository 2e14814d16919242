// The headline engine's parts without the window: the plug-in export, the hand-off folder, the page
// conversion and the runner's text, the anime schedule's address and merge, and passes that end in a
// limit or a cancel while the runner runs.
#include "app/headline/anime.h"
#include "app/headline/engine.h"
#include "app/headline/hand_off.h"
#include "app/headline/page_text.h"
#include "app/headline/site_table.h"
#include "headline_fixture.h"
#include "platform/codec.h"

#include <QRandomGenerator>
#include <thread>

using namespace headline_test;
using headline::HandOff;
using headline::Outcome;

namespace {

class EngineParts : public HeadlineTest {};

QByteArray randomBytes(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

TEST_F(EngineParts, ExportsEqualTheirBlobsAtEveryPieceBoundary) {
    const QString file = home.file(QStringLiteral("exports.mdb"));
    runSql(file,
           "CREATE TABLE hedline (id INTEGER PRIMARY KEY NOT NULL, name TEXT, dll_name TEXT, data TEXT, "
           "last_date TEXT, ver_flag INTEGER, covflg INTEGER, url TEXT, dlldata BLOB, dlldata2 BLOB, jump "
           "TEXT)");
    auto db = sqlite_db::open(file, sqlite_db::Mode::readWrite);
    ASSERT_TRUE(db);
    const HandOff files = HandOff::open();
    ASSERT_TRUE(files.ok());
    for (const qsizetype size : {0, 1, 16383, 16384, 16385, 32768, 40000}) {
        SCOPED_TRACE(size);
        const QByteArray blob = randomBytes(size);
        sqlite_db::Statement insert(*db, "INSERT OR REPLACE INTO hedline (id, dlldata) VALUES (3, ?1)");
        insert.bind(1, blob);
        ASSERT_EQ(insert.step(), sqlite_db::Statement::Step::done);
        // A longer file there before is replaced, never written over in place.
        ASSERT_TRUE(files.write(QStringLiteral("temp3.tmp"), QByteArray(50000, 'x')));
        ASSERT_TRUE(headline::exportPlugin(*db, 3, headline::PluginColumn::dlldata,
                                           files.path(QStringLiteral("temp3.tmp"))));
        EXPECT_EQ(fileBytes(files.path(QStringLiteral("temp3.tmp"))), blob);
    }
    // A Null plug-in gives an empty file; a missing row none at all.
    ASSERT_TRUE(headline::exportPlugin(*db, 3, headline::PluginColumn::dlldata2,
                                       files.path(QStringLiteral("moe2.tmp"))));
    EXPECT_TRUE(QFileInfo::exists(files.path(QStringLiteral("moe2.tmp"))));
    EXPECT_EQ(QFileInfo(files.path(QStringLiteral("moe2.tmp"))).size(), 0);
    EXPECT_FALSE(headline::exportPlugin(*db, 4, headline::PluginColumn::dlldata,
                                        files.path(QStringLiteral("temp4.tmp"))));
    EXPECT_FALSE(QFileInfo::exists(files.path(QStringLiteral("temp4.tmp"))));
}

TEST_F(EngineParts, MakeDllExportsEveryRowTheAnimeRowToo) {
    ASSERT_TRUE(
        build({{0, QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("1"), QStringLiteral("0"),
                url(QStringLiteral("/x")), QStringLiteral("feed11.so")},
               {5, QStringLiteral("b"), QStringLiteral("b"), QStringLiteral("0"), QStringLiteral("0"),
                url(QStringLiteral("/x")), QStringLiteral("feed10.so")},
               {21, QStringLiteral("c"), QStringLiteral("c"), QStringLiteral("0"), QStringLiteral("0"),
                QString(), QStringLiteral("schedule_day.so"), QStringLiteral("schedule_show.so")}}));
    ASSERT_TRUE(heart::ensureCopy().ok);
    auto db = sqlite_db::open(copy(), sqlite_db::Mode::readWrite);
    ASSERT_TRUE(db);
    headline::PassContext context{*db, HandOff::open(), QStringLiteral(RUNNER_FOLDER), {}, nullptr};
    ASSERT_TRUE(headline::makeDll(context).value);
    EXPECT_EQ(fileBytes(handOff(QStringLiteral("temp0.tmp"))),
              fileBytes(QStringLiteral(HEADLINE_PLUGIN_FOLDER "/feed11.so")));
    EXPECT_EQ(fileBytes(handOff(QStringLiteral("temp5.tmp"))),
              fileBytes(QStringLiteral(HEADLINE_PLUGIN_FOLDER "/feed10.so")));
    EXPECT_EQ(fileBytes(handOff(QStringLiteral("temp21.tmp"))),
              fileBytes(QStringLiteral(HEADLINE_PLUGIN_FOLDER "/schedule_day.so")));
    EXPECT_FALSE(QFileInfo::exists(handOff(QStringLiteral("temp1.tmp"))));
}

// A read that fails is not a missing row: a database another program holds locked past the busy
// wait says so, and a missing row stays a missing row.
TEST_F(EngineParts, AReadThatFailsIsNotAMissingRow) {
    ASSERT_TRUE(build({{0, QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("1"), QStringLiteral("0"),
                        QString()}}));
    ASSERT_TRUE(heart::ensureCopy().ok);
    auto db = sqlite_db::open(copy(), sqlite_db::Mode::readWrite);
    ASSERT_TRUE(db);
    const QString locked = QStringLiteral("ヘッドラインのデータベースが使用中で読み込めません");
    {
        sqlite3* holder = nullptr;
        ASSERT_EQ(sqlite3_open(copy().toUtf8().constData(), &holder), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE; UPDATE hedline SET name = name", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        const auto site = headline::siteById(*db, 0);
        EXPECT_FALSE(site.value);
        EXPECT_EQ(site.failure, locked);
        const auto sites = headline::listSites(*db);
        EXPECT_TRUE(sites.value.empty());
        EXPECT_EQ(sites.failure, locked);
        sqlite3_close(holder); // rolls back
    }
    EXPECT_TRUE(headline::siteById(*db, 0).value);
    const auto missing = headline::siteById(*db, 5);
    EXPECT_FALSE(missing.value);
    EXPECT_FALSE(missing.failed());
    ASSERT_TRUE(db->exec("DROP TABLE hedline"));
    EXPECT_EQ(headline::siteById(*db, 0).failure, QStringLiteral("ヘッドラインのデータベースを読み込めません"));
    EXPECT_TRUE(headline::siteCount(*db).failed());
}

// The main balloon's clean-up deletes "*.tmp" and "*.txt" of the temporary folder: the hand-off
// folder is not in its reach, and the engine's own clean-up reaches nothing else.
TEST_F(EngineParts, TheHandOffFolderIsItsOwn) {
    const HandOff files = HandOff::open();
    ASSERT_TRUE(files.ok());
    ASSERT_TRUE(files.write(QStringLiteral("temp2.tmp"), "plug-in"));
    ASSERT_TRUE(files.write(QStringLiteral("tempx.txt"), "page"));
    QFile beside(platform::tempFolder() + QStringLiteral("/temp5.mp3"));
    ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
    beside.close();
    platform::deleteTempFiles(QStringLiteral("*.tmp"));
    platform::deleteTempFiles(QStringLiteral("*.txt"));
    EXPECT_EQ(fileBytes(files.path(QStringLiteral("temp2.tmp"))), "plug-in");
    EXPECT_EQ(fileBytes(files.path(QStringLiteral("tempx.txt"))), "page");
    EXPECT_EQ(files.deleteFiles(QStringLiteral("*")), 2);
    EXPECT_TRUE(beside.exists());
    EXPECT_EQ(files.folder(), platform::tempFolder() + QStringLiteral("/headline"));
    EXPECT_EQ(QFileInfo(files.folder()).permissions() & (QFile::ReadOther | QFile::ReadGroup),
              QFile::Permissions());
}

TEST(PageText, TheEncodingIsFoundByMarkDeclarationOrBytes) {
    namespace codec = platform::codec;
    using headline::page_text::Encoding;
    const QString words = QStringLiteral("①新製品～髙橋");
    struct Case {
        const char* name;
        QByteArray page;
        Encoding encoding;
    };
    const Case cases[] = {
        {"bom", "\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a/>", Encoding::utf8},
        {"declared cp932",
         "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a>" + codec::toCp932(words) + "</a>",
         Encoding::cp932},
        {"declared euc",
         "<?xml version='1.0' encoding='EUC-JP'?><a>" +
             codec::encode(QStringLiteral("新製品"), codec::kEucJpMs) + "</a>",
         Encoding::eucJp},
        // A declaration the bytes are not valid in is not believed.
        {"misdeclared", "<?xml version=\"1.0\" encoding=\"EUC-JP\"?><a>" + words.toUtf8() + "</a>",
         Encoding::utf8},
        {"undeclared cp932", "<a>" + codec::toCp932(words) + "</a>", Encoding::cp932},
        {"undeclared jis", "<a>" + codec::encode(QStringLiteral("新製品"), codec::kIso2022Jp) + "</a>",
         Encoding::iso2022Jp},
        {"ascii", "<a>plain</a>", Encoding::utf8},
        // Shift_JIS kana whose bytes lie in EUC-JP's ranges but are no EUC-JP character.
        {"undeclared kana", "<a>" + codec::toCp932(QStringLiteral("ｯﾄ ﾆｭｰｽ")) + "</a>", Encoding::cp932},
        {"undeclared euc", "<a>" + codec::encode(QStringLiteral("日本語の見出し"), codec::kEucJpMs) + "</a>",
         Encoding::eucJp},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(headline::page_text::detect(c.page), c.encoding);
    }
}

TEST(PageText, ConversionGivesUtf8AndRenamesTheDeclaration) {
    const QByteArray sjis = fileBytes(kFixtures + QStringLiteral("/rss2_sjis.xml"));
    const QByteArray utf8 = headline::page_text::toUtf8(sjis);
    EXPECT_TRUE(utf8.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss"));
    EXPECT_TRUE(utf8.contains(QStringLiteral("①新製品を発表").toUtf8()));
    EXPECT_TRUE(utf8.contains(QStringLiteral("価格は１００円\uff5e２００円").toUtf8()));
    EXPECT_TRUE(utf8.contains(QStringLiteral("髙橋選手が優勝").toUtf8()));
    const QByteArray bom = fileBytes(kFixtures + QStringLiteral("/atom_bom.xml"));
    EXPECT_EQ(headline::page_text::toUtf8(bom),
              bom.mid(3).replace("encoding=\"utf-8\"", "encoding=\"UTF-8\""));
    const QByteArray jis =
        headline::page_text::toUtf8(fileBytes(kFixtures + QStringLiteral("/iso2022jp.xml")));
    EXPECT_TRUE(jis.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    EXPECT_TRUE(jis.contains(QStringLiteral("ＪＩＳの見出し").toUtf8()));
}

TEST(PageText, TheRunnersTextAndItsCleaning) {
    using headline::page_text::clean;
    using headline::page_text::runnerText;
    const QByteArray header =
        "getversion() returns length 12 and strings HEADLINE/1.1.\r\nexecute() returns length 9.\r\n";
    EXPECT_EQ(runnerText(header + "a\r\nb c\r\n"), QStringLiteral("a\nb c"));
    // A CR the plug-in wrote stays (the runner turns its CR LF into CR CR LF).
    EXPECT_EQ(runnerText(header + "a\r\r\nb\r\n"), QStringLiteral("a\r\nb"));
    EXPECT_EQ(runnerText(header + "\r\n"), QStringLiteral(""));
    EXPECT_EQ(runnerText("getversion() returns length 12 and strings HEADLINE/1.1.\r\n"), std::nullopt);
    EXPECT_EQ(runnerText(header + QStringLiteral("日本語\r\n").toUtf8()), QStringLiteral("日本語"));
    EXPECT_EQ(clean(QStringLiteral("a&nbsp;b c")), QStringLiteral("abc"));
    EXPECT_EQ(clean(QStringLiteral("x&amp;y")), QStringLiteral("x&y"));
    EXPECT_EQ(clean(QStringLiteral("it's")), QStringLiteral("it's"));
    EXPECT_EQ(clean(QStringLiteral("全角\u3000空白 と 半角")), QStringLiteral("全角\u3000空白と半角"));
}

TEST(Anime, TheMonthsPageHasTheYearTwiceAndATwoDigitMonth) {
    const QString base = QStringLiteral("http://127.0.0.1/anime/");
    EXPECT_EQ(headline::anime::address(base, QDate(2025, 1, 31)), base + QStringLiteral("2025/202501.html"));
    EXPECT_EQ(headline::anime::address(base, QDate(2024, 12, 1)), base + QStringLiteral("2024/202412.html"));
}

TEST(Anime, TheMergeJoinsThePairsAndLeavesOutTheDaysWithoutAProgramme) {
    struct Case {
        const char* name;
        QStringList days, programmes;
        std::optional<QString> merged;
    };
    const QString none = QStringLiteral("■ 視聴するアニメなし ");
    const Case cases[] = {
        {"pairs", {"■ 1日 ", "■ 2日 "}, {"　番組A", "　番組B"}, QStringLiteral("■ 1日 番組A\n■ 2日 番組B")},
        {"dropped", {"■ 1日 ", none, "■ 3日 "}, {"A", "", "C"}, QStringLiteral("■ 1日 A\n■ 3日 C")},
        {"without the trailing blank",
         {QStringLiteral("■ 視聴するアニメなし")},
         {"X"},
         QStringLiteral("■ 視聴するアニメなしX")},
        // "_" leaves the day line only, U+3000 the programme line only; CR both.
        {"underscores and spaces", {"■_1日\u3000_\r"}, {"_番\u3000組\r"}, QStringLiteral("■1日\u3000_番組")},
        {"underscore makes the drop text", {"■ 視聴する_アニメなし "}, {"X"}, QStringLiteral("")},
        {"programmes run out", {"■ 1日 ", "■ 2日 "}, {"A"}, std::nullopt},
        {"more programmes", {"■ 1日 "}, {"A", "B"}, QStringLiteral("■ 1日 A")},
        {"nothing", {}, {}, QStringLiteral("")},
        {"nothing to watch at all", {none, none}, {"", ""}, QStringLiteral("")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(headline::anime::merge(c.days, c.programmes), c.merged);
    }
    EXPECT_EQ(headline::anime::lines(QString()), QStringList());
    EXPECT_EQ(headline::anime::lines(QStringLiteral("a\n")), QStringList({QStringLiteral("a"), QString()}));
}

// A runner that hangs is killed at the limit, or at once when the update is cancelled; nothing is
// stored either way.
TEST_F(EngineParts, AHangingRunnerEndsInItsLimitOrByCancel) {
    ASSERT_TRUE(
        build({{0, QStringLiteral("眠い"), QStringLiteral("sleepy"), QStringLiteral("1"), QStringLiteral("0"),
                url(QStringLiteral("/rss2_utf8.xml")), QStringLiteral("sleepy.so")}}));
    storeBefore(0, QStringLiteral("前の見出し"));
    ASSERT_TRUE(heart::ensureCopy().ok);
    auto db = sqlite_db::open(copy(), sqlite_db::Mode::readWrite);
    ASSERT_TRUE(db);
    const HandOff files = HandOff::open();
    const auto site = headline::siteById(*db, 0).value;
    ASSERT_TRUE(site);
    ASSERT_TRUE(headline::exportPlugin(*db, 0, headline::PluginColumn::dlldata,
                                       files.path(QStringLiteral("temp2.tmp"))));

    headline::Limits limits;
    limits.runner = std::chrono::milliseconds(1000);
    headline::PassContext limited{*db, files, QStringLiteral(RUNNER_FOLDER), limits, nullptr};
    QElapsedTimer took;
    took.start();
    headline::PassResult pass = headline::updateSite(limited, *site, QStringLiteral("temp2.tmp"));
    EXPECT_LT(took.elapsed(), 8000);
    EXPECT_EQ(pass.outcome, Outcome::failed);
    EXPECT_EQ(pass.reason, QStringLiteral("プラグインが時間内に終わりませんでした"));
    EXPECT_EQ(pass.text, QStringLiteral("前の見出し"));

    std::atomic_bool cancel{false};
    headline::PassContext cancellable{*db, files, QStringLiteral(RUNNER_FOLDER), {}, &cancel};
    std::thread canceller([&cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        cancel = true;
    });
    took.restart();
    pass = headline::updateSite(cancellable, *site, QStringLiteral("temp2.tmp"));
    canceller.join();
    EXPECT_LT(took.elapsed(), 8000);
    EXPECT_EQ(pass.outcome, Outcome::cancelled);
    EXPECT_EQ(data(0), QStringLiteral("前の見出し"));
    EXPECT_EQ(lastDate(0), kEarlier);
}

} // namespace

// Our headline plug-ins (runner/plugins) as the engine runs them: through the real runners, on the
// feeds and schedule pages of tests/fixtures/headline, in every encoding they read. Each row is one
// run: the lines the plug-in must give (or its failure), exactly as the runner prints them.
#include <QDir>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct PluginRun {
    const char* name;
    const char* runner;
    const char* plugin;
    const char* input;
    int exitCode;
    QStringList lines; // exit 0: the result's lines
};

void PrintTo(const PluginRun& run, std::ostream* out) {
    *out << run.name;
}

const QString fixtures = QStringLiteral(MORVIK_HEADLINE_FIXTURES);

// clang-format off
const PluginRun runs[] = {
    {"Rss2Utf8", "vorla11", "feed11", "rss2_utf8.xml", 0,
     {"政府、新しい経済対策を発表", "台風10号 九州に接近", "Linux 6.8 released"}},
    {"Rss2Utf8Version10", "vorla10", "feed10", "rss2_utf8.xml", 0,
     {"政府、新しい経済対策を発表", "台風10号 九州に接近", "Linux 6.8 released"}},
    // Shift_JIS is read as CP932: ① and ～ (U+FF5E) are Windows' characters, 髙 is there.
    {"Rss2ShiftJis", "vorla11", "feed11", "rss2_sjis.xml", 0,
     {"①新製品を発表", "価格は１００円\uff5e２００円", "髙橋選手が優勝"}},
    {"Rss1EucJp", "vorla11", "feed11", "rss1_eucjp.rdf", 0, {"ＰＣの新製品", "窓の杜 今日のソフト"}},
    {"AtomWithBom", "vorla11", "feed11", "atom_bom.xml", 0, {"Atomの記事一", "記事 二"}},
    {"Iso2022Jp", "vorla11", "feed11", "iso2022jp.xml", 0, {"ＪＩＳの見出し", "二つ目の見出し"}},
    // One level of entities, "&amp;" and "&nbsp;" left for the engine's clean step; markup removed;
    // line breaks inside a title are blanks; an empty title gives no line.
    {"TitlesAsTheParserDecodesThem", "vorla11", "feed11", "titles.xml", 0,
     {"it's a test", "a&nbsp;b c", "x&amp;y", "空白  の   ある  見出し", "太字", "末尾"}},
    // Entities declared in the feed, and HTML ones known without a DTD.
    {"EntitiesOfAnRss091Doctype", "vorla11", "feed11", "entities_rss091.xml", 0,
     {"café news", "news of example.jp today"}},
    {"UndeclaredHtmlEntities", "vorla11", "feed11", "entities_undeclared.xml", 0,
     {"a\u00a0b", "続き…", "Málaga", "x&unknown;y", "普通の見出し"}},
    {"EntityBombRefused", "vorla11", "feed11", "entity_bomb.xml", 1, {}},
    {"Atom03", "vorla11", "feed11", "atom03.xml", 0, {"Atom 0.3の記事", "太字の記事", "base64の題"}},
    {"Rss090", "vorla11", "feed11", "rss090.rdf", 0, {"RSS 0.90の記事", "二つ目"}},
    {"Rss1ItemsWithoutNamespace", "vorla11", "feed11", "rss1_no_namespace.rdf", 0, {"名前空間のない記事"}},
    {"Rss2InANamespace", "vorla11", "feed11", "rss2_namespace.xml", 0, {"名前空間つきの記事"}},
    // An RSS title is HTML, references escaped twice included.
    {"RssTitlesAsHtml", "vorla11", "feed11", "html_titles.xml", 0,
     {"Example RSS", "AT&T", "a < b > c", "斜体とあ"}},
    {"AtomTitleTypes", "vorla11", "feed11", "atom_forms.xml", 0,
     {"Example Atom", "<b> stays", "xhtml", "Atomのbase64"}},
    {"DcTitleWithoutTitle", "vorla11", "feed11", "dc_title.xml", 0, {"dcだけの題", "本来の題"}},
    {"Utf16LeWithoutBom", "vorla11", "feed11", "utf16le_nobom.xml", 0, {"ユニコードの見出し"}},
    {"Utf16BeWithoutBom", "vorla11", "feed11", "utf16be_nobom.xml", 0, {"ユニコードの見出し"}},
    {"Utf32LeWithBom", "vorla11", "feed11", "utf32le_bom.xml", 0, {"ユニコードの見出し"}},
    {"Utf32BeWithoutBom", "vorla11", "feed11", "utf32be_nobom.xml", 0, {"ユニコードの見出し"}},
    // Bytes in EUC-JP's ranges that are no EUC-JP character: Shift_JIS kana.
    {"UnlabelledKanaIsShiftJis", "vorla11", "feed11", "unlabelled_kana.xml", 0, {"ｯﾄ ﾆｭｰｽ"}},
    {"UnlabelledEucJp", "vorla11", "feed11", "unlabelled_eucjp.xml", 0, {"日本語の見出し"}},
    // The entity names a file beside the feed: it is never read.
    {"ExternalEntityNotRead", "vorla11", "feed11", "entity.xml", 0, {"before  after"}},
    {"ExternalParameterEntityNotRead", "vorla11", "feed11", "entity_parameter.xml", 0, {"before in after"}},
    // Nor the DTD it names, so its entity stays as written.
    {"ExternalDtdNotRead", "vorla11", "feed11", "entity_dtd.xml", 0, {"before &secret; after"}},
    {"TruncatedFeed", "vorla11", "feed11", "truncated.xml", 1, {}},
    {"NotAFeed", "vorla11", "feed11", "not_a_feed.xml", 1, {}},
    {"ScheduleDays", "vorla10", "schedule_day", "schedule_202501.html", 0,
     {"■ 1日(水) ", "■ 視聴するアニメなし ", "■ 3日(金) "}},
    {"SchedulePrograms", "vorla10", "schedule_show", "schedule_202501.html", 0,
     {"　新春特番_スペシャル／魔法少女①", "", "　宇宙の 旅"}},
    {"ScheduleEucJpDays", "vorla10", "schedule_day", "schedule_202412.html", 0, {"■ 24日(火) ", "■ 25日(水) "}},
    {"ScheduleEucJpPrograms", "vorla10", "schedule_show", "schedule_202412.html", 0,
     {"　聖夜の物語", "　年末　総集編"}},
    {"ScheduleOfAFeed", "vorla10", "schedule_day", "rss2_utf8.xml", 1, {}},
};
// clang-format on

class HeadlinePlugins : public ::testing::TestWithParam<PluginRun> {};

TEST_P(HeadlinePlugins, GiveTheirLinesThroughTheRunner) {
    const PluginRun& run = GetParam();
    // The feed's own folder is the current one: a file it names beside itself would be found.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const QString& name : QDir(fixtures).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(fixtures + QLatin1Char('/') + name, folder.filePath(name)));
    QProcess runner;
    runner.setWorkingDirectory(folder.path());
    runner.setStandardOutputFile(folder.filePath(QStringLiteral("out")));
    runner.start(
        QStringLiteral(RUNNER_FOLDER "/") + QLatin1String(run.runner),
        {QStringLiteral(HEADLINE_PLUGIN_FOLDER "/") + QLatin1String(run.plugin) + QStringLiteral(".so"),
         QLatin1String(run.input)});
    ASSERT_TRUE(runner.waitForFinished(20000));
    EXPECT_EQ(runner.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(runner.exitCode(), run.exitCode);
    QFile file(folder.filePath(QStringLiteral("out")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray out = file.readAll();
    const QByteArray version = QByteArrayLiteral("getversion() returns length 12 and strings ") +
                               (QByteArray(run.runner) == "vorla10" ? "HEADLINE/1.0" : "HEADLINE/1.1") +
                               ".\r\n";
    if (run.exitCode != 0) {
        EXPECT_EQ(out, version + "execute() returns NULL handle.\r\n");
        return;
    }
    const QByteArray text = run.lines.join(QLatin1Char('\n')).toUtf8();
    QByteArray printed = text;
    printed.replace("\n", "\r\n");
    EXPECT_EQ(out, version + "execute() returns length " + QByteArray::number(text.size()) + ".\r\n" +
                       printed + "\r\n");
    EXPECT_FALSE(out.contains("SECRET"));
}

INSTANTIATE_TEST_SUITE_P(Feeds, HeadlinePlugins, ::testing::ValuesIn(runs),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

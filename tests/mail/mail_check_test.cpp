// The mail check and its summary on the character, on a stage without a window.
#include "mail_fixture.h"

#include "app/mail/mail_cache.h"
#include "app/window/Trei.h"

namespace {

const QString kFail = QStringLiteral("サーバの接続に失敗しました");
const QString kNone = QStringLiteral("メールはありません");
QString offer(int n) {
    return QStringLiteral("%1通のメールが来ています\r\n内容を確認しますか？").arg(n);
}
FakeMailbox box(const char* stat, QStringList subjects = {}) {
    return {QString::fromLatin1(stat), subjects, false, -1};
}
FakeMailbox failing() {
    return {std::nullopt, {}, false, -1};
}

struct CheckCase {
    const char* name;
    bool second, third;
    std::optional<FakeMailbox> ann, bob, cid;
    bool quiet; // MHfuki "1"
    bool manual;
    std::array<int, 3> counts;
    QString summary;
    QStringList spoken;
};

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << c.name;
}

class Check : public MailStage, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(Check, CountsSummaryAndWhatSheSays) {
    const CheckCase& c = GetParam();
    setAccounts(c.second, c.third);
    if (c.ann)
        servers.boxes[QStringLiteral("ann")] = *c.ann;
    if (c.bob)
        servers.boxes[QStringLiteral("bob")] = *c.bob;
    if (c.cid)
        servers.boxes[QStringLiteral("cid")] = *c.cid;
    key("MHfuki", QLatin1String(c.quiet ? "1" : "0"));
    flag::state.ManualCheck = c.manual ? 1 : 0;

    mail::CheckMail();

    EXPECT_EQ(mail::state.Count1, c.counts[0]);
    EXPECT_EQ(mail::state.Count2, c.counts[1]);
    EXPECT_EQ(mail::state.Count3, c.counts[2]);
    const int total = c.counts[0] + c.counts[1] + c.counts[2];
    EXPECT_EQ(flag::state.NewMail, total);
    EXPECT_EQ(mail::state.MailCount, total);
    EXPECT_EQ(mail::state.Summary, c.summary);
    EXPECT_EQ(spoken(), c.spoken);
    EXPECT_EQ(flag::state.ManualCheck, 0);
    EXPECT_EQ(flag::state.MailBusy, 0);
    // Busy during every call, timed checks too; the server text carries the port.
    for (int busy : servers.busyDuringCalls)
        EXPECT_EQ(busy, 1);
    for (const QString& call : servers.calls)
        EXPECT_TRUE(call.contains(QLatin1Char('\t'))) << call.toStdString();
    // No cache: again is hidden after every check.
    EXPECT_EQ(stage.items.value(Stage::Item::again, true), false);
}

const QStringList kThree = {QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三")};

INSTANTIATE_TEST_SUITE_P(
    Accounts, Check,
    ::testing::Values(
        CheckCase{"ManualThreeMessages",
                  false,
                  false,
                  box("3 4567", kThree),
                  {},
                  {},
                  false,
                  true,
                  {3, 0, 0},
                  QStringLiteral("■アカウント１■■■■■\r\n一\r\n二\r\n三\r\n"),
                  {QStringLiteral("PlayCommonVoice 17"), QStringLiteral("ShowFuki ") + offer(3),
                   QStringLiteral("AskFuki")}},
        CheckCase{"ManualEmpty",
                  false,
                  false,
                  box("0 0"),
                  {},
                  {},
                  false,
                  true,
                  {0, 0, 0},
                  QString(),
                  {QStringLiteral("PlayCommonVoice 11"), QStringLiteral("ShowFuki ") + kNone}},
        CheckCase{"AutomaticEmptySaysNothing",
                  true,
                  true,
                  box("0 0"),
                  box("0 0"),
                  box("0 0"),
                  false,
                  false,
                  {0, 0, 0},
                  QString(),
                  {}},
        CheckCase{"AutomaticMailSaysNothing",
                  true,
                  false,
                  box("2 10", {QStringLiteral("a"), QStringLiteral("b")}),
                  box("1 5", {QStringLiteral("c")}),
                  {},
                  false,
                  false,
                  {2, 1, 0},
                  QStringLiteral("■アカウント１■■■■■\r\na\r\nb\r\n■アカウント２■■■■■\r\nc\r\n"),
                  {}},
        CheckCase{"ThirdWithoutSecond",
                  false,
                  true,
                  box("1 1", {QStringLiteral("x")}),
                  box("5 5"),
                  box("1 1", {QStringLiteral("z")}),
                  false,
                  false,
                  {1, 0, 1},
                  QStringLiteral("■アカウント１■■■■■\r\nx\r\n■アカウント３■■■■■\r\nz\r\n"),
                  {}},
        // A failure is never said as "no mail", and said once.
        CheckCase{"ManualFailure",
                  false,
                  false,
                  failing(),
                  {},
                  {},
                  false,
                  true,
                  {0, 0, 0},
                  QString(),
                  {QStringLiteral("PlayCommonVoice 16"), QStringLiteral("ShowFuki ") + kFail}},
        CheckCase{"ManualFailureQuietStillEndsOnIt",
                  false,
                  false,
                  failing(),
                  {},
                  {},
                  true,
                  true,
                  {0, 0, 0},
                  QString(),
                  {QStringLiteral("PlayCommonVoice 16"), QStringLiteral("ShowFuki ") + kFail}},
        CheckCase{"ManualTwoFailuresSaidOnce",
                  true,
                  false,
                  failing(),
                  failing(),
                  {},
                  false,
                  true,
                  {0, 0, 0},
                  QString(),
                  {QStringLiteral("PlayCommonVoice 16"), QStringLiteral("ShowFuki ") + kFail}},
        CheckCase{"AutomaticFailure",
                  false,
                  false,
                  failing(),
                  {},
                  {},
                  false,
                  false,
                  {0, 0, 0},
                  QString(),
                  {QStringLiteral("PlayCommonVoice 16"), QStringLiteral("ShowFuki ") + kFail}},
        CheckCase{"AutomaticFailureQuiet",
                  true,
                  false,
                  failing(),
                  box("1 1", {QStringLiteral("y")}),
                  {},
                  true,
                  false,
                  {0, 1, 0},
                  QStringLiteral("■アカウント２■■■■■\r\ny\r\n"),
                  {}},
        // The failure opens the balloon; the offer then takes its text without a second opening.
        CheckCase{"ManualFailureThenMail",
                  true,
                  false,
                  box("1 1", {QStringLiteral("y")}),
                  failing(),
                  {},
                  false,
                  true,
                  {1, 0, 0},
                  QStringLiteral("■アカウント１■■■■■\r\ny\r\n"),
                  {QStringLiteral("PlayCommonVoice 16"), QStringLiteral("ShowFuki ") + kFail,
                   QStringLiteral("PlayCommonVoice 17"), QStringLiteral("SetFukiText ") + offer(1),
                   QStringLiteral("AskFuki")}},
        // A STAT without a number is a failure, not an empty mailbox.
        CheckCase{"StatWithoutNumber",
                  false,
                  false,
                  box("OK"),
                  {},
                  {},
                  false,
                  true,
                  {0, 0, 0},
                  QString(),
                  {QStringLiteral("PlayCommonVoice 16"), QStringLiteral("ShowFuki ") + kFail}},
        // The whole number: 120 is 120, not 12; a short LIST gives only the lines it has.
        CheckCase{"WholeCountShortList",
                  false,
                  false,
                  box("120 99", {QStringLiteral("p"), QStringLiteral("q")}),
                  {},
                  {},
                  false,
                  false,
                  {120, 0, 0},
                  QStringLiteral("■アカウント１■■■■■\r\np\r\nq\r\n"),
                  {}},
        CheckCase{"CountClamped",
                  false,
                  false,
                  box("99999 1"),
                  {},
                  {},
                  false,
                  false,
                  {32767, 0, 0},
                  QStringLiteral("■アカウント１■■■■■\r\n"),
                  {}}),
    [](const ::testing::TestParamInfo<CheckCase>& info) { return std::string(info.param.name); });

TEST(MailCount, TheWholeLeadingNumber) {
    EXPECT_EQ(mail::countOf(QStringLiteral("3 4567")), 3);
    EXPECT_EQ(mail::countOf(QStringLiteral("12 1")), 12);
    EXPECT_EQ(mail::countOf(QStringLiteral("120 1")), 120);
    EXPECT_EQ(mail::countOf(QStringLiteral("0")), 0);
    EXPECT_EQ(mail::countOf(QStringLiteral("40000 1")), 32767);
    EXPECT_EQ(mail::countOf(QString()), std::nullopt);
    EXPECT_EQ(mail::countOf(QStringLiteral(" 3")), std::nullopt);
    EXPECT_EQ(mail::countOf(QStringLiteral("-1")), std::nullopt);
}

using CheckOnStage = MailStage;

TEST_F(CheckOnStage, SubjectLinesAreCharactersNineToFortyEight) {
    const QString sixty = QString(52, QLatin1Char('s'));
    servers.boxes[QStringLiteral("ann")] = box("3 1", {sixty, QStringLiteral("twelve chars"), QString()});
    mail::CheckMail();
    EXPECT_EQ(mail::state.Summary, QStringLiteral("■アカウント１■■■■■\r\n") + QString(40, QLatin1Char('s')) +
                                       QStringLiteral("\r\ntwelve chars\r\n\r\n"));
}

TEST_F(CheckOnStage, ManualCheckPosesAndPauses) {
    servers.boxes[QStringLiteral("ann")] = box("0 0");
    flag::state.ManualCheck = 1;
    mail::CheckMail();
    QStringList poses;
    for (const QString& call : stage.calls)
        if (call.startsWith(QStringLiteral("ShowPose")))
            poses << call;
    EXPECT_EQ(poses, QStringList({"ShowPose RgnCall.ShapePose07 gra2.Image1(0)",
                                  "ShowPose RgnCall.ShapePose08 gra2.Image1(1)",
                                  "ShowPose RgnCall.ShapePose09 gra2.Image1(2)",
                                  "ShowPose RgnCall.ShapePose08 gra2.Image1(1)",
                                  "ShowPose RgnCall.ShapePose07 gra2.Image1(0)"}));
    EXPECT_EQ(recorder.events.filter(QStringLiteral("sleep")),
              QStringList({"sleep 200", "sleep 500", "sleep 300", "sleep 200"}));
    EXPECT_EQ(stage.items.value(Stage::Item::mail_look, true), false);
}

TEST_F(CheckOnStage, NoMailTakesTheSignDown) {
    servers.boxes[QStringLiteral("ann")] = box("0 0");
    stage.shown = gra::Image1(6);
    stage.running = Stage::SignSwap;
    mail::CheckMail();
    EXPECT_FALSE(stage.running.testFlag(Stage::SignSwap));
    EXPECT_TRUE(stage.calls.contains(QStringLiteral("GiveBackStage")));
    EXPECT_EQ(stage.items.value(Stage::Item::mail_look, true), false);
    EXPECT_EQ(stage.trayTip, Trei::kStartTip);
}

TEST_F(CheckOnStage, AFailedAccountKeepsTheSignAndStartsNoBlinking) {
    servers.boxes[QStringLiteral("ann")] = failing();
    key("MHfuki", QStringLiteral("1"));
    for (int picture : {6, 7}) {
        stage.calls.clear();
        stage.shown = gra::Image1(picture);
        stage.running = Stage::SignSwap;
        mail::CheckMail();
        EXPECT_TRUE(stage.running.testFlag(Stage::SignSwap)) << picture;
        EXPECT_FALSE(stage.running.testFlag(Stage::Blink)) << picture;
        EXPECT_FALSE(stage.calls.contains(QStringLiteral("GiveBackStage"))) << picture;
    }
}

TEST_F(CheckOnStage, MailLeavesTheSignAndStartsTheIdleWatches) {
    servers.boxes[QStringLiteral("ann")] = box("1 1", {QStringLiteral("a")});
    stage.shown = gra::Image1(6);
    mail::CheckMail();
    EXPECT_TRUE(stage.running.testFlag(Stage::Blink));
    EXPECT_TRUE(stage.running.testFlag(Stage::Idle));
    EXPECT_FALSE(stage.calls.contains(QStringLiteral("GiveBackStage")));
}

TEST_F(CheckOnStage, AnExistingCacheLeavesAgainAsItIs) {
    servers.boxes[QStringLiteral("ann")] = box("0 0");
    ASSERT_TRUE(mail::cache::create());
    mail::CheckMail();
    EXPECT_FALSE(stage.items.contains(Stage::Item::again));
}

// The balloon says a failure as ever; the tray tip says why, per account, until the account
// answers again, and standard error says it when it is news.
TEST_F(CheckOnStage, TheTrayTipSaysWhyAnAccountFailedUntilItAnswers) {
    setAccounts(true, false);
    servers.boxes[QStringLiteral("ann")] = box("1 1", {QStringLiteral("a")});
    FakeMailbox refused = failing();
    refused.why = QStringLiteral("ユーザー名かパスワードが違います");
    servers.boxes[QStringLiteral("bob")] = refused;
    const auto check = [this] {
        stage.calls.clear();
        talk->calls.clear();
        testing::internal::CaptureStderr();
        mail::CheckMail();
        return QString::fromStdString(testing::internal::GetCapturedStderr());
    };

    EXPECT_EQ(check(), "morvik: mail: account 2 (bob at b.example): ユーザー名かパスワードが違います\n");
    EXPECT_EQ(stage.trayTip,
              Trei::kStartTip + QStringLiteral("\r\nアカウント２：ユーザー名かパスワードが違います"));
    EXPECT_EQ(talk->calls.filter(QStringLiteral("ShowFuki")), QStringList{"ShowFuki " + kFail});
    // The summary puts the reason in place of the count.
    mail::ShowCheckSummary();
    EXPECT_EQ(stage.trayTip,
              "アカウント１：1\r\nアカウント２：ユーザー名かパスワードが違います\r\nアカウント３：0");

    // The same failure a minute later: nothing new to say, and the tip stands.
    EXPECT_EQ(check(), "");
    EXPECT_EQ(stage.calls.filter(QStringLiteral("SetTrayTip")), QStringList());
    // Another reason is news.
    servers.boxes[QStringLiteral("bob")].why = QStringLiteral("サーバの証明書を確かめられません");
    EXPECT_EQ(check(), "morvik: mail: account 2 (bob at b.example): サーバの証明書を確かめられません\n");
    EXPECT_EQ(stage.trayTip,
              "アカウント１：1\r\nアカウント２：サーバの証明書を確かめられません\r\nアカウント３：0");

    // Answering again, the account's count is back.
    servers.boxes[QStringLiteral("bob")] = box("0 0");
    EXPECT_EQ(check(), "");
    EXPECT_EQ(stage.trayTip, "アカウント１：1\r\nアカウント２：0\r\nアカウント３：0");
    // The sign coming down takes the start-up tip back, with nothing to add.
    servers.boxes[QStringLiteral("ann")] = box("0 0");
    stage.shown = gra::Image1(6);
    check();
    EXPECT_EQ(stage.trayTip, Trei::kStartTip);
}

// An account that is switched off is not asked, and what was said of it goes.
TEST_F(CheckOnStage, AnAccountSwitchedOffLeavesTheTip) {
    setAccounts(true, false);
    servers.boxes[QStringLiteral("ann")] = box("0 0");
    servers.boxes[QStringLiteral("bob")] = failing();
    testing::internal::CaptureStderr();
    mail::CheckMail();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(stage.trayTip, Trei::kStartTip + QStringLiteral("\r\nアカウント２：サーバに接続できません"));
    setAccounts(false, false);
    mail::CheckMail();
    EXPECT_EQ(stage.trayTip, Trei::kStartTip);
}

TEST_F(CheckOnStage, OnceTheExitHasBegunNothingSpeaks) {
    servers.boxes[QStringLiteral("ann")] = box("3 1", kThree);
    flag::state.ManualCheck = 1;
    flag::state.Exiting = 1;
    mail::CheckMail();
    EXPECT_TRUE(servers.calls.isEmpty());
    EXPECT_TRUE(spoken().isEmpty());
}

// The summary on her: two digits, the sign, the voice the first time, the tip and the tooltip.
struct SummaryCase {
    int total;
    const char* tens;
    const char* ones;
};

void PrintTo(const SummaryCase& c, std::ostream* os) {
    *os << c.total;
}

class Summary : public MailStage, public ::testing::WithParamInterface<SummaryCase> {};

TEST_P(Summary, Digits) {
    flag::state.NewMail = qint16(GetParam().total);
    mail::ShowCheckSummary();
    EXPECT_EQ(stage.tens.name, QLatin1String(GetParam().tens));
    EXPECT_EQ(stage.ones.name, QLatin1String(GetParam().ones));
    EXPECT_EQ(stage.Sign().name, "gra3.ImageList2(13)");
    EXPECT_EQ(stage.shown, gra::Image1(6));
    EXPECT_TRUE(stage.running.testFlag(Stage::SignSwap));
}

INSTANTIATE_TEST_SUITE_P(Totals, Summary,
                         ::testing::Values(SummaryCase{7, "gra3.ImageList1(11)", "gra3.ImageList1(7)"},
                                           SummaryCase{10, "gra3.ImageList1(1)", "gra3.ImageList1(10)"},
                                           SummaryCase{23, "gra3.ImageList1(2)", "gra3.ImageList1(3)"},
                                           SummaryCase{99, "gra3.ImageList1(9)", "gra3.ImageList1(9)"},
                                           SummaryCase{123, "gra3.ImageList1(9)", "gra3.ImageList1(9)"}));

using SummaryOnStage = MailStage;

TEST_F(SummaryOnStage, VoiceOnceTipsAndTooltip) {
    flag::state.NewMail = 23;
    mail::state.Count1 = 20;
    mail::state.Count2 = 3;
    mail::state.Summary = QStringLiteral("■アカウント１■■■■■\r\na\r\n");
    stage.hidden = Stage::SignBoard;
    mail::ShowCheckSummary();
    mail::ShowCheckSummary();
    EXPECT_EQ(spoken(), QStringList({"PlayCommonVoice 18", "PlayVoice"}));
    EXPECT_EQ(stage.trayTip, "アカウント１：20\r\nアカウント２：3\r\nアカウント３：0");
    EXPECT_EQ(stage.toolTip, mail::state.Summary);
    EXPECT_FALSE(stage.running.testFlag(Stage::Blink));
    EXPECT_EQ(recorder.events.filter(QStringLiteral("sleep")), QStringList({"sleep 100", "sleep 100"}));
}

TEST_F(SummaryOnStage, TheBatteryGaugeUpMeansNoVoice) {
    flag::state.NewMail = 1;
    stage.ShowSign(gra3::ImageList2(3));
    mail::ShowCheckSummary();
    EXPECT_TRUE(spoken().isEmpty());
    EXPECT_EQ(stage.Sign().name, "gra3.ImageList2(13)");
}

TEST_F(SummaryOnStage, PausedChangesNothing) {
    flag::state.NewMail = 5;
    stage.paused = true;
    mail::ShowCheckSummary();
    EXPECT_TRUE(stage.calls.isEmpty());
    EXPECT_TRUE(talk->calls.isEmpty());
}

} // namespace

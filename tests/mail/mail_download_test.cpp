// The download into the cache, on a stage without a window.
#include "mail_fixture.h"

#include "app/mail/mail_cache.h"
#include "app/window/Trei.h"
#include "app/window/morvik.h"

#include <QDir>
#include <QSemaphore>
#include <QTimer>

namespace {

class Download : public MailStage {
protected:
    void SetUp() override {
        MailStage::SetUp();
        setAccounts(true, false);
        servers.boxes[QStringLiteral("ann")] = {QStringLiteral("3 300"), {"a1", "a2", "a3"}, false, -1};
        servers.boxes[QStringLiteral("bob")] = {QStringLiteral("2 200"), {"b1", "b2"}, false, -1};
    }
    QStringList rows() const {
        QStringList out;
        const auto all = mail::cache::readAll();
        if (!all)
            return {QStringLiteral("(no cache)")};
        for (const mail::cache::Row& row : *all)
            out << QStringLiteral("%1 %2 %3").arg(row.id).arg(row.subject, row.user);
        return out;
    }
    // Steps 9 to 14 ran: her timers back, the busy animation off, the standard pose, no longer busy.
    void expectEndRan() {
        EXPECT_EQ(flag::state.MailBusy, 0);
        EXPECT_TRUE(stage.running.testFlag(Stage::Battery));
        EXPECT_TRUE(stage.running.testFlag(Stage::Blink));
        EXPECT_TRUE(stage.running.testFlag(Stage::Idle));
        EXPECT_FALSE(stage.running.testFlag(Stage::BusyAnimation));
        EXPECT_EQ(stage.shown, gra::Image1(0));
        EXPECT_EQ(stage.items.value(Stage::Item::mail_look, true), false);
    }
};

TEST_F(Download, ThreeAndTwoRowsInOrder) {
    mail::DownloadAllMail();
    EXPECT_EQ(rows(), QStringList({"1 Subject:a1 ann", "2 Subject:a2 ann", "3 Subject:a3 ann",
                                   "4 Subject:b1 bob", "5 Subject:b2 bob"}));
    EXPECT_EQ(mail::cache::read(5)->body, "Body:text 1");
    EXPECT_EQ(flag::state.NewMail, 1);
    EXPECT_EQ(flag::state.MailAbort, 0);
    for (int busy : servers.busyDuringCalls)
        EXPECT_EQ(busy, 1);
    // The host with its port; the files in a folder of their own.
    EXPECT_TRUE(servers.calls.contains(QStringLiteral("SAVEALL bob b.example\t1110")));
    EXPECT_EQ(recorder.events.filter(QStringLiteral("sleep")), QStringList({"sleep 400", "sleep 400"}));
    // The busy pose and animation from before the first call to after the last.
    const int busyOn = int(stage.calls.indexOf(QStringLiteral("Start BusyAnimation")));
    EXPECT_GT(busyOn, stage.calls.indexOf(QStringLiteral("ShowPose RgnCall2.ShapePose14 gra2.Image1(5)")));
    EXPECT_GE(busyOn, 0);
    expectEndRan();
}

// The row ids are 16-bit: a download that reaches the last one keeps the rows it has and drops the
// rest, also those of the next account, rather than numbering them from the negative end.
TEST_F(Download, RowsPastTheLastIdAreDropped) {
    QStringList many;
    for (int i = 0; i < 32767; ++i)
        many << QString::number(i);
    servers.boxes[QStringLiteral("ann")] = {QStringLiteral("32767 9"), many, false, -1};
    mail::DownloadAllMail();
    const auto all = mail::cache::readAll();
    ASSERT_TRUE(all);
    ASSERT_EQ(all->size(), 32767u);
    EXPECT_EQ(all->front().id, 1);
    EXPECT_EQ(all->back().id, 32767);
    for (const mail::cache::Row& row : *all)
        ASSERT_EQ(row.user, QStringLiteral("ann")) << row.id;
    EXPECT_EQ(flag::state.MailAbort, 0);
}

TEST_F(Download, ANewDownloadStartsAtOneAndTakesOnlyItsOwnFiles) {
    mail::DownloadAllMail();
    QDir().mkpath(mail::messageFolder());
    QFile left(mail::messageFolder() + QStringLiteral("/old.tmp"));
    ASSERT_TRUE(left.open(QIODevice::WriteOnly));
    left.close();
    QFile kept(mail::messageFolder() + QStringLiteral("/note.txt"));
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.close();
    setAccounts(false, false);
    mail::DownloadAllMail();
    EXPECT_EQ(rows().size(), 3);
    EXPECT_EQ(rows().first(), "1 Subject:a1 ann");
    EXPECT_FALSE(QFile::exists(left.fileName()));
    EXPECT_TRUE(QFile::exists(kept.fileName()));
}

TEST_F(Download, AFailingFirstAccountStopsTheRestAndNamesItsUser) {
    servers.boxes[QStringLiteral("ann")].saveFails = true;
    mail::DownloadAllMail();
    EXPECT_EQ(flag::state.MailAbort, 1);
    EXPECT_EQ(rows(), QStringList());
    for (const QString& call : servers.calls)
        EXPECT_FALSE(call.contains(QStringLiteral("bob"))) << call.toStdString();
    EXPECT_EQ(
        talk->calls.filter(QStringLiteral("ShowFuki")),
        QStringList(
            {"ShowFuki アカウントann\r\nのメールサーバーへのアクセスに失敗しました\r\n処理を中断します"}));
    EXPECT_TRUE(flag::state.VoicePath.isEmpty());
    expectEndRan();
}

// The balloon names the account's user as ever; the tray tip says why it failed, and an account
// the failure left out keeps what the check found of it.
TEST_F(Download, TheTrayTipSaysWhyTheDownloadStopped) {
    setAccounts(true, true);
    servers.boxes[QStringLiteral("cid")] = {
        std::nullopt, {}, false, -1, QStringLiteral("サーバの応答がありません")};
    testing::internal::CaptureStderr();
    mail::CheckMail();
    servers.boxes[QStringLiteral("bob")].saveFails = true;
    servers.boxes[QStringLiteral("bob")].why = QStringLiteral("サーバとの接続が途中で切れました");
    mail::DownloadAllMail();
    const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(said, "morvik: mail: account 3 (cid at c.example): サーバの応答がありません\n"
                    "morvik: mail: account 2 (bob at b.example): サーバとの接続が途中で切れました\n");
    EXPECT_EQ(stage.trayTip,
              Trei::kStartTip + QStringLiteral("\r\nアカウント２：サーバとの接続が途中で切れました"
                                               "\r\nアカウント３：サーバの応答がありません"));
    EXPECT_EQ(talk->calls.filter(QStringLiteral("アカウントbob\r\nのメールサーバー")).size(), 1);
    // A message file that cannot be read is the account's failure too.
    servers.boxes[QStringLiteral("bob")] = {QStringLiteral("2 200"), {"b1", "b2"}, false, 1};
    flag::state.MailAbort = 0;
    mail::DownloadAllMail();
    EXPECT_EQ(stage.trayTip, Trei::kStartTip + QStringLiteral("\r\nアカウント２：メールのファイルを読めません"
                                                              "\r\nアカウント３：サーバの応答がありません"));
}

TEST_F(Download, AFailureMidAccountRollsBackOnlyItsOwnRows) {
    servers.boxes[QStringLiteral("bob")].readFailsAt = 1;
    mail::DownloadAllMail();
    EXPECT_EQ(rows(), QStringList({"1 Subject:a1 ann", "2 Subject:a2 ann", "3 Subject:a3 ann"}));
    EXPECT_EQ(flag::state.MailAbort, 1);
    EXPECT_EQ(talk->calls.filter(QStringLiteral("ShowFuki")).size(), 1);
    expectEndRan();
}

TEST_F(Download, AnEmptyMailboxIsNotFetched) {
    servers.boxes[QStringLiteral("ann")].stat = QStringLiteral("0 0");
    setAccounts(false, false);
    mail::DownloadAllMail();
    EXPECT_EQ(servers.calls, QStringList({"STAT ann a.example\t110"}));
    EXPECT_EQ(flag::state.NewMail, 0);
    EXPECT_EQ(rows(), QStringList());
}

TEST_F(Download, StatFailingButRowsStoredIsNewMail) {
    // STAT fails, SAVEALL stores: the rows are the proof that mail was there.
    FakeServers& s = servers;
    s.boxes[QStringLiteral("ann")].stat = QStringLiteral("3 300");
    setAccounts(false, false);
    mail::setTransfer({[&s](unsigned, const QString& server, const QString& user, const QString& password,
                            const QString& command, const QString& folder) -> std::optional<QStringList> {
                           if (command == QStringLiteral("STAT"))
                               return std::nullopt;
                           return s.rcv(server, user, password, command, folder);
                       },
                       [&s](const QString& file, const QString&, const QString&) { return s.read(file); },
                       [] {}, [] { return 0u; }, [] { return FakeServers::lastReason(); }});
    mail::DownloadAllMail();
    EXPECT_EQ(rows().size(), 3);
    EXPECT_EQ(flag::state.NewMail, 1);
}

TEST_F(Download, HerCommandsAndTheTimedCheckDoNothingMeanwhile) {
    services::install(std::make_unique<MailService>());
    morvik::EndProgram = [] {};
    morvik::MessageBox = [](const QString&) {};
    morvik character;
    QSemaphore tried;
    servers.duringSave = [&tried] { tried.acquire(); };
    bool fired = false;
    // Runs on the GUI thread while the download waits for the servers.
    QTimer::singleShot(0, [&] {
        fired = true;
        const int calls = int(servers.calls.size());
        character.getto_Click();
        character.Timer10_Timer();
        character.mail_look_Click();
        character.again_Click();
        EXPECT_EQ(servers.calls.size(), calls);
        tried.release(2);
    });
    mail::DownloadAllMail();
    EXPECT_TRUE(fired);
    EXPECT_EQ(rows().size(), 5);
    EXPECT_EQ(servers.calls.filter(QStringLiteral("STAT")).size(), 2);
    EXPECT_TRUE(talk->calls.filter(QStringLiteral("ShowFuki")).isEmpty());
}

TEST_F(Download, TheExitCancelsAndNothingSpeaksAfter) {
    servers.duringSave = [] {
        // The exit begins while the server is asked.
        flag::state.Exiting = 1;
    };
    servers.boxes[QStringLiteral("ann")].saveFails = true;
    mail::DownloadAllMail();
    EXPECT_TRUE(talk->calls.filter(QStringLiteral("ShowFuki")).isEmpty());
    EXPECT_EQ(flag::state.MailBusy, 0);
    mail::Cancel();
    EXPECT_EQ(servers.calls.last(), "cancel");
}

} // namespace

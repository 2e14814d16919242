// Her window, the real talk and the mail together: the menu's check finds three messages, she asks,
// and "はい" brings them into the cache.
#include "app/mail/mail.h"
#include "app/mail/mail_cache.h"
#include "app/mail/mail_state.h"
#include "app/settings/settings_db.h"
#include "app/state/state.h"
#include "app/talk/fuki.h"
#include "app/talk/talk_service.h"
#include "app/window/morvik.h"
#include "fake_transfer.h"
#include "platform/clock.h"
#include "platform/pace.h"
#include "test_home.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>

namespace {

// Her window on the stage with the real talk and mail, fake servers behind the transfer table.
class MailWindow : public ::testing::Test {
protected:
    void SetUp() override {
        state::resetAll();
        mail::state.reset();
        platform::clock::setFake(QDateTime(QDate(2026, 12, 10), QTime(11, 20, 1)));
        services::install(std::make_unique<TalkService>());
        services::install(std::make_unique<MailService>());
        servers.boxes[QStringLiteral("ann")] = {QStringLiteral("3 3000"), {"一", "二", "三"}, false, -1};
        mail::setTransfer(servers.table());
        mail::setAccountsReader([] { return fakeAccounts(false, false); });
        morvik::EndProgram = [this] { ++ended; };
        morvik::MessageBox = [](const QString&) {};
        character = std::make_unique<morvik>();
        character->move(300, 300);
        Stage::Install(character.get());
        character->show();
    }
    void TearDown() override {
        fuki::Unload();
        Stage::Install(nullptr);
        character.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        mail::setTransfer({});
        mail::setAccountsReader({});
        services::reset();
        platform::clock::setFake(std::nullopt);
    }

    TestHome home;
    FakeServers servers;
    std::unique_ptr<morvik> character;
    int ended = 0;
};

// While the servers are asked she keeps drawing: her busy animation runs through the download.
TEST_F(MailWindow, TheBusyAnimationRunsWhileTheServerIsAsked) {
    servers.duringSave = [] { QThread::msleep(400); };
    platform::pace::Recorder recorder;
    mail::DownloadAllMail();
    EXPECT_TRUE(recorder.events.contains(QStringLiteral("shape ShapePose15")))
        << recorder.events.join(u' ').toStdString();
    EXPECT_FALSE(character->Timer8.Enabled());
    EXPECT_EQ(mail::cache::readAll()->size(), 3u);
}

// The session ends her while a server is asked: the transfer is cancelled, the download ends
// without a word, and the program ends once.
TEST_F(MailWindow, TheSessionEndCancelsTheTransfer) {
    std::atomic<bool> cancelled{false};
    mail::Transfer table = servers.table();
    table.cancel = [&cancelled] { cancelled = true; };
    const auto rcv = table.RcvMail;
    table.RcvMail = [&cancelled, rcv](unsigned mark, const QString& server, const QString& user,
                                      const QString& password, const QString& command,
                                      const QString& folder) -> std::optional<QStringList> {
        if (command != QStringLiteral("SAVEALL"))
            return rcv(mark, server, user, password, command, folder);
        QElapsedTimer waited;
        waited.start();
        while (!cancelled && waited.elapsed() < 5000) // a server that never answers
            QThread::msleep(5);
        return std::nullopt;
    };
    mail::setTransfer(table);
    QTimer::singleShot(50, character.get(), [this] { character->close(); });
    QElapsedTimer took;
    took.start();
    {
        platform::pace::Recorder quick;
        mail::DownloadAllMail();
    }
    EXPECT_TRUE(cancelled);
    EXPECT_LT(took.elapsed(), 4000);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(fuki::Instance(), nullptr); // the failure is not said
    EXPECT_EQ(flag::state.MailBusy, 0);
}

TEST(MailOffscreen, CheckAskAndDownload) {
    TestHome home;
    state::resetAll();
    mail::state.reset();
    platform::clock::setFake(QDateTime(QDate(2026, 12, 10), QTime(11, 20, 1)));
    services::install(std::make_unique<TalkService>());
    services::install(std::make_unique<MailService>());
    FakeServers servers;
    servers.boxes[QStringLiteral("ann")] = {QStringLiteral("3 3000"), {"一", "二", "三"}, false, -1};
    mail::setTransfer(servers.table());
    mail::setAccountsReader([] { return fakeAccounts(false, false); });
    ASSERT_TRUE(settings_db::updateRow(QStringLiteral("mail"), 1, {"Server", "User", "pass"},
                                       {"a.example", "ann", "pw1"}));
    morvik::EndProgram = [] {};
    morvik::MessageBox = [](const QString&) {};
    {
        morvik character;
        character.move(300, 300);
        Stage::Install(&character);
        character.show();
        {
            platform::pace::Recorder quick; // the animations' pauses take no time
            character.getto_Click();
        }
        ASSERT_TRUE(fuki::Instance());
        EXPECT_EQ(fuki::Instance()->Label1->text(), "3通のメールが来ています\r\n内容を確認しますか？");
        ASSERT_TRUE(fuki::Instance()->Command1->isVisible());
        {
            platform::pace::Recorder quick;
            fuki::Instance()->Command1->click();
        }
        const auto rows = mail::cache::readAll();
        ASSERT_TRUE(rows);
        ASSERT_EQ(rows->size(), 3u);
        EXPECT_EQ((*rows)[2].subject, "Subject:三");
        EXPECT_EQ(flag::state.MailBusy, 0);
        fuki::Unload();
        Stage::Install(nullptr);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    mail::setTransfer({});
    mail::setAccountsReader({});
    services::reset();
    platform::clock::setFake(std::nullopt);
}

} // namespace

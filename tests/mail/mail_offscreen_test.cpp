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
#include <gtest/gtest.h>

namespace {

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

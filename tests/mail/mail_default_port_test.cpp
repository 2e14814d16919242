// A stored account without a port is asked on port 110: the check through the real library to a
// scripted POP3 peer that holds port 110 in a network of the test's own.
#include "../platform/net/pop3_peer.h"
#include "app/mail/accounts.h"
#include "app/settings/settings_db.h"
#include "mail_fixture.h"

namespace {

using MailDefaultPort = MailStage;

TEST_F(MailDefaultPort, NoStoredPortIs110) {
    mail::setTransfer({});
    mail::setAccountsReader({}); // the stored values, as while the settings dialog is closed
    Pop3Peer peer({Pop3Peer::message("one"), Pop3Peer::message("two")}, Pop3Peer::None, 110);
    ASSERT_TRUE(peer.listening()) << "port 110 is taken";
    ASSERT_TRUE(settings_db::ensure());
    ASSERT_TRUE(settings_db::updateRow(
        QStringLiteral("mail"), 1, {QStringLiteral("Server"), QStringLiteral("User"), QStringLiteral("pass")},
        {QStringLiteral("127.0.0.1"), QStringLiteral("me"), QStringLiteral("pw")}));
    mail::CheckMail();
    EXPECT_EQ(mail::state.Count1, 2);
    EXPECT_TRUE(peer.commands().contains("USER me")) << peer.commands().join(' ').constData();
}

} // namespace

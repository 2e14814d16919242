// The exit's cancel against the real mail transfer library and a scripted POP3 peer on 127.0.0.1:
// it holds from the moment it is asked, also while a transfer's worker is still on its way to the
// library.
#include "../platform/net/pop3_peer.h"
#include "app/mail/transfer.h"
#include "mail_fixture.h"
#include "platform/net/mail_transfer.h"

#include <QCoreApplication>
#include <QMutex>
#include <QSemaphore>
#include <QThread>

namespace {

class MailCancel : public MailStage {
protected:
    void SetUp() override {
        MailStage::SetUp();
        mail_transfer::setLimits({1000, 1000});
    }
    void TearDown() override {
        mail_transfer::setLimits({});
        MailStage::TearDown();
    }
    void accountOn(const Pop3Peer& peer) {
        const QString port = QString::number(peer.port());
        mail::setAccountsReader([port] {
            mail::Accounts accounts;
            accounts[0] = {QStringLiteral("127.0.0.1"), port, QStringLiteral("me"), QStringLiteral("pw"),
                           true};
            return accounts;
        });
    }

    // What the library's table saw, written on the GUI thread or the worker, read after the call.
    QMutex lock;
    bool markedOnTheGuiThread = true;
    QStringList errors; // lastError() after each gated call, on its worker
};

// The call is asked, then the exit cancels from the GUI thread while the worker has not reached the
// library yet: that call fails as cancelled and connects nowhere.
TEST_F(MailCancel, ACancelBeforeTheWorkerReachesTheLibraryHolds) {
    const struct {
        const char* name;
        const char* gated; // the command whose call the cancel overtakes
        void (*run)();
        int connections; // of the peer: the download's STAT went before the cancel
    } cases[] = {
        {"the check's STAT", "STAT", &mail::CheckMail, 0},
        {"the download's SAVEALL", "SAVEALL", &mail::DownloadAllMail, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        state::resetAll();
        errors.clear();
        markedOnTheGuiThread = true;
        Pop3Peer peer({Pop3Peer::message("one")});
        ASSERT_TRUE(peer.listening());
        accountOn(peer);
        mail::setTransfer({});
        mail::Transfer table = mail::transfer();
        const auto realMark = table.mark;
        const auto realRcv = table.RcvMail;
        table.mark = [this, realMark] {
            QMutexLocker locked(&lock);
            markedOnTheGuiThread &= QThread::currentThread() == QCoreApplication::instance()->thread();
            return realMark();
        };
        const QString gated = QString::fromLatin1(c.gated);
        table.RcvMail = [this, realRcv, gated](unsigned mark, const QString& server, const QString& user,
                                               const QString& password, const QString& command,
                                               const QString& folder) -> std::optional<QStringList> {
            if (command != gated)
                return realRcv(mark, server, user, password, command, folder);
            QSemaphore cancelled;
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [&cancelled] {
                    mail::Cancel();
                    cancelled.release();
                },
                Qt::QueuedConnection);
            EXPECT_TRUE(cancelled.tryAcquire(1, 5000));
            const std::optional<QStringList> result = realRcv(mark, server, user, password, command, folder);
            QMutexLocker locked(&lock);
            errors << mail_transfer::lastError();
            return result;
        };
        mail::setTransfer(table);
        c.run();
        EXPECT_EQ(errors, QStringList{"受信を中断しました"});
        EXPECT_EQ(peer.connections(), c.connections);
        EXPECT_FALSE(peer.commands().contains("RETR 1"));
        EXPECT_TRUE(markedOnTheGuiThread);
        EXPECT_EQ(flag::state.MailBusy, 0);
    }
}

} // namespace

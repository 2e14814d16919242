// The worker thread on its own: order, results, the quit request and waking up after an empty
// queue, against a scripted server.
#include "control/SakuraThread.h"
#include "qt_printers.h"
#include "sstp_server.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

namespace {

class SakuraThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.listening());
        socket.SetServerAddress(server.address());
        ASSERT_TRUE(worker.Start());
    }

    // Waits (10 s at most, only if the test fails) until count notices have come.
    bool waitForNotices(int count) {
        std::unique_lock lock(mutex);
        return noticed.wait_for(lock, std::chrono::seconds(10), [&] { return notices >= count; });
    }

    SstpServer server;
    CSstpSocket socket;
    std::mutex mutex;
    std::condition_variable noticed;
    int notices = 0;
    CSakuraThread worker{socket, [this] {
                             const std::lock_guard lock(mutex);
                             ++notices;
                             noticed.notify_all();
                         }};
};

TEST_F(SakuraThreadTest, SendsInQueueOrderWithOneResultEach) {
    server.script({{SstpServer::Step::Answer, "SSTP/1.4 200 OK\r\n"},
                   {SstpServer::Step::Answer, "SSTP/1.4 204 No Content\r\n"},
                   {SstpServer::Step::Answer, "SSTP/1.4 210 Break\r\n"}});
    EXPECT_EQ(worker.QueueSend("one", 0), 0);
    EXPECT_EQ(worker.QueueExecute("two"), 0);
    EXPECT_EQ(worker.QueueSendEx("three", "e", 7), 0);
    ASSERT_TRUE(waitForNotices(3));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_TRUE(requests[0].contains("Script: one\\e"));
    EXPECT_TRUE(requests[1].contains("Command: two"));
    EXPECT_TRUE(requests[2].contains("HWnd: 7\r\nScript: three\\e\r\nEntry: e"));
    const int32_t statuses[] = {200, 204, 210};
    for (int32_t status : statuses) {
        CSstpResult result;
        ASSERT_TRUE(worker.GetResult(result));
        EXPECT_EQ(result.result, 0);
        EXPECT_EQ(result.statusCode, status);
        EXPECT_TRUE(result.reply.startsWith("SSTP/1.4 " + QByteArray::number(status)));
    }
    CSstpResult none;
    EXPECT_FALSE(worker.GetResult(none));
}

TEST_F(SakuraThreadTest, AFailedRequestGivesItsCodeWithNoStatusAndNoReply) {
    ASSERT_EQ(worker.QueueSend("ok", 0), 0);
    ASSERT_TRUE(waitForNotices(1));
    const RefusingAddress refusing;
    socket.SetServerAddress(refusing.host().toLatin1());
    worker.QueueGiveSongname("song");
    ASSERT_TRUE(waitForNotices(2));
    CSstpResult result;
    ASSERT_TRUE(worker.GetResult(result));
    ASSERT_TRUE(worker.GetResult(result));
    EXPECT_EQ(result.result, 102);
    EXPECT_EQ(result.statusCode, 0);
    EXPECT_EQ(result.reply, "");
}

TEST_F(SakuraThreadTest, QuitSendsWhatWasQueuedBeforeItAndNothingAfter) {
    worker.QueueSend2("one", "a");
    worker.QueueCommunicate("two");
    worker.QueueQuit();
    worker.QueueExecute("never");
    worker.Wait();
    EXPECT_EQ(worker.ExitCode(), CSakuraThread::kQuitExitCode);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].startsWith("SEND SSTP/1.2\r\n"));
    EXPECT_TRUE(requests[1].startsWith("COMMUNICATE SSTP/1.1\r\n"));
    EXPECT_EQ(notices, 2);
}

TEST_F(SakuraThreadTest, ARequestQueuedAfterTheQueueRanEmptyIsStillSent) {
    // Each round lets the worker find its queue empty and go to sleep, or be about to.
    for (int round = 1; round <= 50; ++round) {
        worker.QueueGiveDocument("doc" + QByteArray::number(round));
        ASSERT_TRUE(waitForNotices(round)) << "round " << round;
    }
    EXPECT_EQ(server.requests().size(), 50u);
}

TEST(SakuraThreadLifetime, DestroyingARunningWorkerSendsNothingOfWhatIsLeft) {
    // The first request's server keeps the worker waiting for a reply until the socket's time
    // limit, so the worker is inside it while the rest is queued and the worker destroyed.
    SstpServer server;
    ASSERT_TRUE(server.listening());
    server.script({{SstpServer::Step::AnswerAfterHangup, "SSTP/1.4 200 OK\r\n"},
                   {SstpServer::Step::Answer, "SSTP/1.4 200 OK\r\n"}});
    CSstpSocket socket;
    socket.SetServerAddress(server.address());
    socket.setTimeout(std::chrono::seconds(1));
    {
        CSakuraThread worker(socket, [] {});
        ASSERT_TRUE(worker.Start());
        worker.QueueSend("first", 0);
        ASSERT_EQ(server.waitForRequests(1).size(), 1u);
        for (int i = 0; i < 19; ++i)
            worker.QueueSend("left", 0);
    }
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].contains("Script: first"));
}

} // namespace

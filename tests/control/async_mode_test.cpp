// The control's asynchronous mode: requests go through the worker and their outcomes come back as
// StatusUpdateEvent on the host's thread, in order; switching the mode off sends what was queued.
#include "control/BrindokCtrl.h"
#include "control/brindok_ids.h"
#include "control/com/dispatch.h"
#include "qt_printers.h"
#include "sstp_server.h"

#include <QCoreApplication>
#include <QTest>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

using namespace brindok;
using com::Variant;

namespace {

// An event sink as a host would advise it: records each StatusUpdateEvent and the thread it came on.
class EventSink final : public com::IDispatch {
public:
    struct Event {
        int32_t result;
        int32_t statusCode;
        QString response;
        std::thread::id thread;
    };
    std::vector<Event> events;
    std::function<void()> onEvent;

    com::HResult QueryInterface(const com::Guid& iid, void** object) override {
        if (iid == com::IID_IUnknown || iid == com::IID_IDispatch || iid == kDiidBrindokEvents) {
            *object = static_cast<com::IDispatch*>(this);
            AddRef();
            return com::S_OK;
        }
        *object = nullptr;
        return com::E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override { return --references; }
    com::HResult Invoke(com::DispId id, uint16_t flags, std::span<const Variant> args, Variant*,
                        com::ExcepInfo*, uint32_t*) override {
        EXPECT_EQ(id, kStatusUpdateEvent);
        EXPECT_EQ(flags, com::DISPATCH_METHOD);
        EXPECT_EQ(args.size(), 3u);
        EXPECT_EQ(args[2].type(), Variant::Type::StringRef);
        Event e{0, 0, {}, std::this_thread::get_id()};
        args[0].toLong(&e.result);
        args[1].toLong(&e.statusCode);
        args[2].toString(&e.response);
        events.push_back(e);
        if (onEvent)
            onEvent();
        return com::S_OK;
    }
    uint32_t references = 1;
};

class AsyncModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.listening());
        ctrl = new CBrindokCtrl;
        ctrl->SetRemoteAddress(server.host());
        auto source =
            com::Ptr<com::IEventSource>::query(static_cast<com::IDispatch*>(ctrl), com::IID_IEventSource);
        ASSERT_EQ(source->Advise(kDiidBrindokEvents, &sink, &cookie), com::S_OK);
        ctrl->SetAsyncMode();
        ASSERT_EQ(ctrl->AsyncMode(), 1);
    }
    void TearDown() override {
        if (ctrl)
            ctrl->Release();
        QCoreApplication::processEvents();
        EXPECT_EQ(sink.references, 1u);
    }

    bool waitForEvents(size_t count) {
        return QTest::qWaitFor([&] { return sink.events.size() >= count; }, 10000);
    }

    SstpServer server;
    EventSink sink;
    uint32_t cookie = 0;
    CBrindokCtrl* ctrl = nullptr;
};

TEST_F(AsyncModeTest, ThreeRequestsGiveThreeEventsInOrderOnTheHostsThread) {
    server.script({{SstpServer::Step::Answer, "SSTP/1.4 200 OK\r\n"},
                   {SstpServer::Step::Answer, "SSTP/1.4 204 No Content\r\n"},
                   {SstpServer::Step::Answer, "SSTP/1.4 210 Break\r\n"}});
    EXPECT_EQ(ctrl->Send("one", 0), 0);
    EXPECT_EQ(ctrl->Send2("two", "e"), 0);
    EXPECT_EQ(ctrl->Execute("three"), 0);
    EXPECT_TRUE(sink.events.empty()); // events come from the event loop, never inside a call
    ASSERT_TRUE(waitForEvents(3));

    const std::pair<int32_t, QString> expected[] = {{200, QStringLiteral("SSTP/1.4 200 OK\r\n")},
                                                    {204, QStringLiteral("SSTP/1.4 204 No Content\r\n")},
                                                    {210, QStringLiteral("SSTP/1.4 210 Break\r\n")}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(sink.events[i].result, 0);
        EXPECT_EQ(sink.events[i].statusCode, expected[i].first);
        EXPECT_EQ(sink.events[i].response, expected[i].second);
        EXPECT_EQ(sink.events[i].thread, std::this_thread::get_id());
    }
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_TRUE(requests[0].startsWith("SEND SSTP/1.1\r\n"));
    EXPECT_TRUE(requests[1].startsWith("SEND SSTP/1.2\r\n"));
    EXPECT_TRUE(requests[2].startsWith("EXECUTE SSTP/1.0\r\n"));
}

TEST_F(AsyncModeTest, ARefusedRequestArrivesAs102WithNoStatusAndNoText) {
    const RefusingAddress refusing;
    ctrl->SetRemoteAddress(refusing.host());
    EXPECT_EQ(ctrl->GiveDocument("doc"), 0);
    ASSERT_TRUE(waitForEvents(1));
    EXPECT_EQ(sink.events[0].result, 102);
    EXPECT_EQ(sink.events[0].statusCode, 0);
    EXPECT_EQ(sink.events[0].response, QString());
}

TEST_F(AsyncModeTest, SwitchingOffSendsWhatWasQueuedAndEndsTheWorker) {
    ctrl->Communicate("one");
    ctrl->GiveSongname("two");
    ctrl->SetAsyncMode();
    EXPECT_EQ(ctrl->AsyncMode(), 0);
    // Both were sent before the set returned.
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].contains("Sentence: one"));
    EXPECT_TRUE(requests[1].contains("Songname: two"));
    // Their notices went with the worker: nothing arrives later, nothing reads a freed result.
    QCoreApplication::processEvents();
    EXPECT_TRUE(sink.events.empty());
    // Synchronous again.
    EXPECT_EQ(ctrl->Execute("three"), 0);
    EXPECT_EQ(server.requests().size(), 3u);
}

TEST_F(AsyncModeTest, AfterSwitchingOffAndOnOnlyTheNewWorkersOutcomeArrives) {
    server.script({{SstpServer::Step::Answer, "SSTP/1.4 200 OK\r\n"},
                   {SstpServer::Step::Answer, "SSTP/1.4 204 No Content\r\n"}});
    ctrl->Send("first", 0);
    ctrl->SetAsyncMode(); // off: the first request is sent, its notice still waits in the event loop
    ctrl->SetAsyncMode(); // on again, with a new worker
    ctrl->Send("second", 0);
    // The first request's notice was posted before the second's, so once the second's outcome has
    // arrived, the first's notice has been handled too.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return std::any_of(sink.events.begin(), sink.events.end(),
                               [](const EventSink::Event& e) { return e.statusCode == 204; });
        },
        10000));
    QCoreApplication::processEvents();
    ASSERT_EQ(sink.events.size(), 1u);
    EXPECT_EQ(sink.events[0].result, 0);
    EXPECT_EQ(sink.events[0].statusCode, 204);
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(AsyncModeTest, TheHostMayLetGoOfTheControlInsideTheEvent) {
    server.script({{SstpServer::Step::Answer, "SSTP/1.4 200 OK\r\n"}});
    sink.onEvent = [this] {
        ctrl->Release();
        ctrl = nullptr;
    };
    ctrl->Send("one", 0);
    ctrl->Send("two", 0);
    ASSERT_TRUE(waitForEvents(1));
    QCoreApplication::processEvents();
    EXPECT_EQ(sink.events.size(), 1u);
    EXPECT_EQ(ctrl, nullptr);
}

TEST_F(AsyncModeTest, DestroyingTheControlInAsynchronousModeEndsTheWorker) {
    ctrl->Send("one", 0);
    ctrl->Send("two", 0);
    ctrl->Release();
    ctrl = nullptr;
    EXPECT_EQ(server.requests().size(), 2u);
    QCoreApplication::processEvents();
    EXPECT_TRUE(sink.events.empty());
}

TEST_F(AsyncModeTest, PropertiesMayBeReadAndSetWhileTheWorkerSends) {
    for (int i = 0; i < 20; ++i) {
        ctrl->Send("x", 0);
        ctrl->SetSender(QStringLiteral("sender%1").arg(i));
        ctrl->Response();
        ctrl->SendString();
    }
    ASSERT_TRUE(waitForEvents(20));
    for (const QByteArray& request : server.requests())
        EXPECT_TRUE(request.contains("\r\nSender: localhost\r\n") || request.contains("\r\nSender: sender"));
}

} // namespace

// The moments of a LookBatch: one per batch, shared by the batches inside it, new whenever the
// thread's event loop runs inside it, and none outside.
#include "platform/look_batch.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

using platform::LookBatch;

TEST(LookBatch, OneMomentPerBatchSharedByTheBatchesInsideIt) {
    EXPECT_EQ(LookBatch::moment(), 0u);
    quint64 first = 0;
    {
        const LookBatch outer;
        first = LookBatch::moment();
        EXPECT_NE(first, 0u);
        {
            const LookBatch inner;
            EXPECT_EQ(LookBatch::moment(), first);
        }
        EXPECT_EQ(LookBatch::moment(), first);
    }
    EXPECT_EQ(LookBatch::moment(), 0u);
    const LookBatch next;
    EXPECT_NE(LookBatch::moment(), 0u);
    EXPECT_NE(LookBatch::moment(), first);
}

// A handler that yields or waits lets anything happen meanwhile: what it looks at afterwards is
// looked at again.
TEST(LookBatch, TheEventLoopRunningInsideABatchStartsANewMoment) {
    const LookBatch batch;
    const quint64 before = LookBatch::moment();
    QCoreApplication::processEvents();
    const quint64 afterYield = LookBatch::moment();
    EXPECT_NE(afterYield, before);
    EXPECT_NE(afterYield, 0u);
    QTimer::singleShot(1, [] {});
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_NE(LookBatch::moment(), afterYield);
}

TEST(LookBatch, AnotherThreadHasMomentsOfItsOwn) {
    const LookBatch batch;
    const quint64 mine = LookBatch::moment();
    quint64 outside = 1, inside = 0;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        outside = LookBatch::moment();
        const LookBatch theirs;
        inside = LookBatch::moment();
    }));
    thread->start();
    thread->wait();
    EXPECT_EQ(outside, 0u);
    EXPECT_NE(inside, 0u);
    EXPECT_NE(inside, mine);
    EXPECT_EQ(LookBatch::moment(), mine);
}

} // namespace

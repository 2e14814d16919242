#include "look_batch.h"

#include <QAbstractEventDispatcher>
#include <QObject>
#include <QPointer>
#include <atomic>

namespace platform {
namespace {

std::atomic<quint64> lastMoment{0};

struct ThreadBatches {
    int depth = 0;
    quint64 moment = 0;
    // The dispatcher whose awake() starts a new moment while a batch is open; connected once.
    QPointer<QAbstractEventDispatcher> watched;
};

thread_local ThreadBatches batches;

quint64 nextMoment() {
    return lastMoment.fetch_add(1, std::memory_order_relaxed) + 1;
}

// Every processEvents() of the thread says awake(), nested ones included.
void followEventLoop() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher || batches.watched == dispatcher)
        return;
    batches.watched = dispatcher;
    QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, dispatcher, [] {
        if (batches.depth > 0)
            batches.moment = nextMoment();
    });
}

} // namespace

LookBatch::LookBatch() {
    if (batches.depth++ > 0)
        return;
    followEventLoop();
    batches.moment = nextMoment();
}

LookBatch::~LookBatch() {
    if (--batches.depth == 0)
        batches.moment = 0;
}

quint64 LookBatch::moment() {
    return batches.moment;
}

} // namespace platform

#include "quiet.h"

#include <atomic>

namespace platform::quiet {
namespace {
std::atomic<quint64> looks{0};
}

void unannounced() {
    looks.fetch_add(1, std::memory_order_relaxed);
}

quint64 unannouncedLooks() {
    return looks.load(std::memory_order_relaxed);
}

} // namespace platform::quiet

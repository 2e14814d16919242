#include "palk_peers.h"

namespace palk_peers {
namespace {

// Until the program's headline engine and clock setting are joined to palk: nothing runs and
// nothing is set, and palk says so.
class NoHeadlines : public Headlines {
public:
    bool UpdateAll(const Progress&) override { return false; }
    void DeleteHandOffFiles() override {}
    void Cancel() override {}
};

class NoClock : public Clock {
public:
    bool BySntp(const QString&) override { return false; }
    bool ByPage() override { return false; }
    void Cancel() override {}
};

template <typename T> std::unique_ptr<T>& slot();
template <> std::unique_ptr<Headlines>& slot<Headlines>() {
    static std::unique_ptr<Headlines> held = std::make_unique<NoHeadlines>();
    return held;
}
template <> std::unique_ptr<Clock>& slot<Clock>() {
    static std::unique_ptr<Clock> held = std::make_unique<NoClock>();
    return held;
}

} // namespace

Headlines& headlines() {
    return *slot<Headlines>();
}
Clock& clock() {
    return *slot<Clock>();
}

void install(std::unique_ptr<Headlines> implementation) {
    slot<Headlines>() = implementation ? std::move(implementation) : std::make_unique<NoHeadlines>();
}
void install(std::unique_ptr<Clock> implementation) {
    slot<Clock>() = implementation ? std::move(implementation) : std::make_unique<NoClock>();
}

} // namespace palk_peers

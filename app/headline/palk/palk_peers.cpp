#include "palk_peers.h"

#ifdef MORVIK_HAVE_MAIL
#include "app/mail/clock_setting.h"
#endif

namespace palk_peers {
namespace {

// Until the program's headline engine is joined to palk: nothing runs.
class NoHeadlines : public Headlines {
public:
    bool UpdateAll(const Progress&) override { return false; }
    void DeleteHandOffFiles() override {}
    void Cancel() override {}
};

#ifdef MORVIK_HAVE_MAIL
// The program's clock setting, which says nothing itself: palk says how it went.
class ProgramClock : public Clock {
public:
    bool Set() override { return clock_setting::setClock().outcome == clock_setting::Outcome::Set; }
    void Cancel() override { clock_setting::cancel(); }
};
#else
// A build without the clock setting: the clock is never set.
class ProgramClock : public Clock {
public:
    bool Set() override { return false; }
    void Cancel() override {}
};
#endif

template <typename T> std::unique_ptr<T>& slot();
template <> std::unique_ptr<Headlines>& slot<Headlines>() {
    static std::unique_ptr<Headlines> held = std::make_unique<NoHeadlines>();
    return held;
}
template <> std::unique_ptr<Clock>& slot<Clock>() {
    static std::unique_ptr<Clock> held = std::make_unique<ProgramClock>();
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
    slot<Clock>() = implementation ? std::move(implementation) : std::make_unique<ProgramClock>();
}

} // namespace palk_peers

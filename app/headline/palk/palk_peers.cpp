#include "palk_peers.h"

#ifdef MORVIK_HAVE_MAIL
#include "app/mail/clock_setting.h"
#endif
#ifdef MORVIK_HAVE_HEADLINE_ENGINE
#include "app/headline/engine.h"
#include "app/talk/heart_db.h"
#include "platform/pace.h"

#include <cstdio>
#endif

namespace palk_peers {
namespace {

#ifdef MORVIK_HAVE_HEADLINE_ENGINE
// The program's headline engine, on the program folder's copy of the dialogue database. The update
// runs on the engine's thread while palk waits without taking user input, so he keeps floating and
// blinking and no command nests in his chore.
class ProgramHeadlines : public Headlines {
public:
    Run UpdateAll(const Progress& progress) override {
        if (headline::Engine::anyBusy())
            return Run::busy;
        if (const heart::CopyResult copy = heart::ensureCopy(); !copy.ok) {
            std::fprintf(stderr, "morvik: palk: the headlines: %s\n", qPrintable(copy.error));
            return Run::failed;
        }
        headline::Engine engine;
        engine.setDatabase(heart::copyPath());
        platform::pace::Wait wait;
        // The schedule's pass has its own words, not the row's name.
        QObject::connect(&engine, &headline::Engine::passStarted, &engine, [&](qint64 id, const QString& name) {
            progress(id == headline::kAnimeId ? Pass::anime : Pass::site, name);
        });
        QObject::connect(&engine, &headline::Engine::finished, &engine, [&](const headline::RunResult& run) {
            // He has no status bar: a run that a failed read ended short is told here.
            if (!run.failure.isEmpty())
                std::fprintf(stderr, "morvik: palk: the headlines: %s\n", qPrintable(run.failure));
            wait.finish();
        });
        if (!engine.updateAll())
            return headline::Engine::anyBusy() ? Run::busy : Run::failed;
        running_ = &engine;
        wait.run();
        running_ = nullptr;
        return Run::ran;
    }
    void DeleteHandOffFiles() override {
        const headline::HandOff files = headline::HandOff::open();
        if (files.ok())
            files.deleteFiles(QStringLiteral("*.tmp"));
    }
    void Cancel() override {
        if (running_)
            running_->cancel();
    }

private:
    headline::Engine* running_ = nullptr;
};
#else
// A build without the headline engine: no update ever runs.
class ProgramHeadlines : public Headlines {
public:
    Run UpdateAll(const Progress&) override { return Run::failed; }
    void DeleteHandOffFiles() override {}
    void Cancel() override {}
};
#endif

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
    static std::unique_ptr<Headlines> held = std::make_unique<ProgramHeadlines>();
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
    slot<Headlines>() = implementation ? std::move(implementation) : std::make_unique<ProgramHeadlines>();
}
void install(std::unique_ptr<Clock> implementation) {
    slot<Clock>() = implementation ? std::move(implementation) : std::make_unique<ProgramClock>();
}

} // namespace palk_peers

#pragma once
// What palk's chores ask of the rest of the program beyond the dial-up object (VBRas32.h), the mail
// check (services::Mail) and the settings: the update of every headline site, and setting the
// clock. Each call returns once its work has ended, while her windows keep drawing; each says how
// it went, and palk chooses the words. The installed ones are the program's own; tests install
// recording ones through install(). GUI thread only.
#include <QString>
#include <functional>
#include <memory>

namespace palk_peers {

// The update of every headline site, without the headline window.
class Headlines {
public:
    virtual ~Headlines() = default;

    enum class Pass {
        site,  // a site of the ids 0 to 20, by its name
        anime, // the anime schedule, last
    };
    using Progress = std::function<void(Pass pass, const QString& name)>;

    enum class Run {
        ran,
        busy,   // not run: another update of the headlines runs
        failed, // not run: it could not start (no dialogue database, no hand-off folder)
    };
    // Exports every site's plug-in, updates the sites of the ids 0 to 20 in order (an id without a
    // row is skipped) and then the anime schedule, telling progress before each pass.
    virtual Run UpdateAll(const Progress& progress) = 0;
    // Deletes the hand-off files of the update (the plug-ins exported for it), in the headline
    // folder only.
    virtual void DeleteHandOffFiles() = 0;
    // Ends a running update soon (the program is ending).
    virtual void Cancel() = 0;
};

// Setting the clock the way the settings say (SNTP from `sntpTXT` or the default server, or the
// time page when `HttpTime` is "1"), one setting at a time in the whole program.
class Clock {
public:
    virtual ~Clock() = default;
    // True when the clock was set.
    virtual bool Set() = 0;
    // Ends a setting in progress soon (the program is ending).
    virtual void Cancel() = 0;
};

Headlines& headlines();
Clock& clock();

// Installs a stand-in; null puts the program's own back.
void install(std::unique_ptr<Headlines> implementation);
void install(std::unique_ptr<Clock> implementation);

} // namespace palk_peers

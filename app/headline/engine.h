#pragma once
// The headline engine: fetches a site's page, hands it to the site's plug-in through a runner
// (vorla11, or vorla10 for HEADLINE/1.0) and stores what the plug-in read. No window code: the
// headline window hls drives it, and so may palk.
//
// A pass over one site (its row of site_table.h), in order: the previous pass's hand-off files go
// (hand_off.h); the page is fetched (platform/http, with Limits: by default 10 s to connect, 30 s
// in all, 8 MiB) into tempx.txt; temp.txt is made from it by the row's covflg; the runner runs the
// plug-in on temp.txt with its standard output in temp2.txt, as a process of its own started
// without a shell, always waited for and killed after Limits::runner; the runner must exit with 0;
// its text (page_text::runnerText) is cleaned (page_text::clean) and compared with the row's data:
// the same text is left alone, another one is stored in every row of the row's dll_name with
// last_date now (platform::clock).
//
// A pass that fails anywhere (no url, a fetch that fails or is refused, a limit, a runner that does
// not exit with 0, an empty text) stores nothing: data and last_date stay, and the pass says why.
// A cancel ends the pass at once, kills its runner and stores nothing.
//
// The anime schedule (row 21) is a pass of its own: its two plug-ins (dlldata, dlldata2) run through
// vorla10 on the page of the month (anime.h) as it was fetched, both waited for; their lines are
// merged only when both exited with 0, and a merge that gives text is stored in row 21 alone; one
// that gives none stores nothing and deletes temp.txt and temp2.txt.
//
// Each pass writes its store when it ends, in an update of all sites too: a site is kept as soon as
// it was read, whatever befalls the run after it, and the site list shows it at once.
//
// The engine runs one update at a time in the whole program, on a thread of its own, so the
// windows keep drawing; its signals arrive on the thread that made it.
#include "hand_off.h"
#include "platform/http/http.h"
#include "platform/sqlite_db/sqlite_db.h"
#include "site_table.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

class QThread;

namespace headline {

struct Limits {
    platform::http::Limits fetch{std::chrono::seconds(10), std::chrono::seconds(30), 8 * 1024 * 1024};
    std::chrono::milliseconds runner{std::chrono::seconds(20)};
};

enum class Outcome {
    stored,    // a new text was stored
    unchanged, // the plug-in read the text already stored
    failed,    // nothing stored; reason says why
    skipped,   // no row of that id
    cancelled, // the update was cancelled during the pass
};

// How long the steps of a pass took, in milliseconds.
struct StepTimes {
    double exportMs = 0, fetchMs = 0, convertMs = 0, runMs = 0, storeMs = 0;
};

struct PassResult {
    qint64 id = -1;
    QString name;
    Outcome outcome = Outcome::failed;
    QString text;     // stored or unchanged: the site's headlines; else the row's data as it stays
    QString lastDate; // the row's last_date after the pass (stored form; empty when Null)
    QString reason;   // failed or cancelled: why, in Japanese
    bool noAddress = false; // failed only because the row has no page address to fetch
    StepTimes times;
};

struct RunResult {
    bool all = false;         // an update of all sites
    bool stopped = false;     // stop() ended it at the start of a pass
    bool cancelled = false;   // cancel() ended it
    QString failure;          // a read of the site table failed and ended it there: why
    std::vector<PassResult> passes;
};

// What the passes work with, on the thread that runs them.
struct PassContext {
    sqlite_db::Connection& db;
    HandOff files;
    QString runnerFolder; // where vorla11 and vorla10 are
    Limits limits;
    const std::atomic_bool* cancel = nullptr;

    bool cancelled() const { return cancel && cancel->load(); }
};

// The passes themselves, synchronous, for the engine's thread (and the tests and the benchmark).
//
// A site whose plug-in is already in the hand-off file plugin ("temp2.tmp", "temp7.tmp").
PassResult updateSite(PassContext& context, const Site& site, const QString& plugin);
// The anime schedule of the month of today.
PassResult updateAnime(PassContext& context, const QDate& today);
// Exports every row's plug-in to temp<id>.tmp, row 21's too: true when all were exported, false at
// the first that was not; a failure when the table could not be read.
Read<bool> makeDll(PassContext& context);

class Engine : public QObject {
    Q_OBJECT
public:
    explicit Engine(QObject* parent = nullptr);
    // Cancels a running update and waits for its end.
    ~Engine() override;

    // The dialogue database to work on (its program-folder copy, made by heart::ensureCopy()).
    void setDatabase(const QString& path) { database_ = path; }
    void setLimits(const Limits& limits) { limits_ = limits; }
    const Limits& limits() const { return limits_; }

    // Whether an update of this engine runs (until its finished() has been sent).
    bool busy() const { return busy_; }
    // Whether an update of any engine runs.
    static bool anyBusy();

    // Starts the update of the site of that name (row 21: the anime schedule). False when an update
    // runs already, here or in another engine, or the hand-off folder cannot be made.
    bool updateSite(const QString& name);
    // Starts the update of all sites: every plug-in exported, the ids 0 to 20 in order (an id
    // without a row is skipped), then the anime schedule. A read of the table that fails ends it
    // there (RunResult::failure); the stores of the passes before it stay.
    bool updateAll();

    // The update of all sites ends at the start of its next site's pass (after that pass's row was
    // read): the pass that runs finishes, and the anime schedule is not done, unless the stop came
    // during the last site's pass. Either way the run ends as stopped.
    void stop();
    // Ends the update now: the fetch is abandoned, the runner killed, nothing more is stored.
    void cancel();

signals:
    // A pass of the update of all sites begins on the site of that row (the anime schedule's too).
    void passStarted(qint64 id, const QString& name);
    // A pass ended (in an update of all sites, also for an id without a row: skipped).
    void passEnded(const headline::PassResult& pass);
    // The update ended; the engine is no longer busy.
    void finished(const headline::RunResult& run);

private:
    bool begin(bool all, const QString& name);
    void runJob(bool all, const QString& name, HandOff files, QString database, QString runners,
                Limits limits, QDate today);
    void runOne(PassContext& context, const QString& name, const QDate& today, RunResult& run);
    void runAll(PassContext& context, const QDate& today, RunResult& run);
    // Sends passEnded on the engine's own thread.
    void report(const PassResult& pass);

    QString database_;
    Limits limits_;
    bool busy_ = false;
    bool holdsGuard_ = false;
    std::atomic_bool stop_{false};
    std::atomic_bool cancel_{false};
    std::unique_ptr<QThread> thread_;
};

} // namespace headline

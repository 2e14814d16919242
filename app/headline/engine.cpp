#include "engine.h"

#include "anime.h"
#include "page_text.h"
#include "platform/clock.h"
#include "platform/program_folder.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

namespace headline {
namespace {

std::atomic_bool anyRunning{false};

const QString kPage = QStringLiteral("tempx.txt");
const QString kInput = QStringLiteral("temp.txt");
const QString kOutput = QStringLiteral("temp2.txt");

// Reasons, as the window's status bar says them.
QString noAddress() {
    return QStringLiteral("ページのアドレスがありません");
}
QString cannotWrite() {
    return QStringLiteral("一時ファイルを書き込めません");
}
QString cannotStore() {
    return QStringLiteral("ヘッドラインを保存できません");
}
QString nothingRead() {
    return QStringLiteral("ヘッドラインが読み取れませんでした");
}
QString cancelledReason() {
    return QStringLiteral("中止しました");
}

// A pass that ends without storing: the row's stored text and time stay, and so does what it shows.
PassResult unstored(const Site& site, Outcome outcome, const QString& reason, const StepTimes& times) {
    PassResult pass;
    pass.id = site.id;
    pass.name = site.name;
    pass.outcome = outcome;
    pass.text = site.data.value_or(QString());
    pass.lastDate = site.lastDate.value_or(QString());
    pass.reason = reason;
    pass.times = times;
    return pass;
}

// A row without a page address: nothing to fetch, which the row's owner, not the run, has to mend.
PassResult unaddressed(const Site& site, const StepTimes& times) {
    PassResult pass = unstored(site, Outcome::failed, noAddress(), times);
    pass.noAddress = true;
    return pass;
}

// One runner run: plug-in and input as its two arguments, standard output into the output file.
struct Run {
    enum Kind { exited, notStarted, timedOut, cancelled } kind = notStarted;
    int code = 0; // exited: the exit code; a crash counts as not 0
};

Run runRunner(const PassContext& context, bool version10, const QString& plugin, const QString& input,
              const QString& output) {
    Run run;
    QProcess process;
    process.setProgram(context.runnerFolder +
                       (version10 ? QStringLiteral("/vorla10") : QStringLiteral("/vorla11")));
    process.setArguments({plugin, input});
    process.setWorkingDirectory(context.files.folder());
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(output, QIODevice::Truncate);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(10000))
        return run;
    QElapsedTimer took;
    took.start();
    while (process.state() != QProcess::NotRunning && !process.waitForFinished(50)) {
        const bool cancelled = context.cancelled();
        if (cancelled || took.elapsed() >= context.limits.runner.count()) {
            process.kill();
            process.waitForFinished(5000);
            run.kind = cancelled ? Run::cancelled : Run::timedOut;
            return run;
        }
    }
    run.kind = Run::exited;
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return run;
}

// Why a run did not give a text; empty when it exited with 0.
QString runFailure(const Run& run) {
    switch (run.kind) {
    case Run::exited:
        return run.code == 0  ? QString()
               : run.code < 0 ? QStringLiteral("プラグインが異常終了しました")
                              : QStringLiteral("プラグインが失敗しました（終了コード %1）").arg(run.code);
    case Run::notStarted:
        return QStringLiteral("プラグインを実行できません");
    case Run::timedOut:
        return QStringLiteral("プラグインが時間内に終わりませんでした");
    case Run::cancelled:
        return cancelledReason();
    }
    return {};
}

// Fetches the page into tempx.txt; an empty text when it is there, else why not.
QString fetchPage(PassContext& context, const QString& url, QByteArray& page, bool& cancelled) {
    const platform::http::Response response = platform::http::get(url, context.limits.fetch, context.cancel);
    cancelled = response.failure == platform::http::Failure::Cancelled || context.cancelled();
    if (!response.ok())
        return response.reason;
    page = response.body;
    return context.files.write(kPage, page) ? QString() : cannotWrite();
}

double lap(QElapsedTimer& timer) {
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    return ms;
}

// Writes a pass's store: every row of the plug-in name, or the one row of the id.
bool store(PassContext& context, qint64 id, const QString& dllName, const QString& text, const QString& date) {
    return id >= 0 ? storeById(context.db, id, text, date) : storeByDllName(context.db, dllName, text, date);
}

// Each pass commits its own store, so a commit must not cost a sync of the disk: with the
// write-ahead log and synchronous=NORMAL it syncs only at a checkpoint, and a crash still loses
// no committed store short of a power cut. (The journal mode stays with the file: readers of
// the database are then never locked out by a store either.) A file system without the shared
// memory it needs keeps its rollback journal and full syncs.
void keepStoresCheap(sqlite_db::Connection& db) {
    sqlite_db::Statement mode(db, "PRAGMA journal_mode = WAL");
    if (mode.step() == sqlite_db::Statement::Step::row && mode.text(0) == QStringLiteral("wal"))
        db.exec("PRAGMA synchronous = NORMAL");
}

} // namespace

PassResult updateSite(PassContext& context, const Site& site, const QString& plugin) {
    StepTimes times;
    QElapsedTimer timer;
    timer.start();
    const HandOff& files = context.files;
    files.remove({"tempx.txt", "temp.txt", "temp2.txt"});
    if (context.cancelled())
        return unstored(site, Outcome::cancelled, cancelledReason(), times);
    if (!site.url || site.url->isEmpty())
        return unaddressed(site, times);

    QByteArray page;
    bool cancelled = false;
    const QString fetched = fetchPage(context, *site.url, page, cancelled);
    times.fetchMs = lap(timer);
    if (cancelled)
        return unstored(site, Outcome::cancelled, cancelledReason(), times);
    if (!fetched.isEmpty())
        return unstored(site, Outcome::failed, fetched, times);

    // covflg 1 converts, 0 hands the page on as it came, any other value makes no input (and the
    // runner then fails on it).
    const qint64 covflg = site.covflg.value_or(0);
    if ((covflg == 0 || covflg == 1) && !files.write(kInput, covflg == 1 ? page_text::toUtf8(page) : page))
        return unstored(site, Outcome::failed, cannotWrite(), times);
    times.convertMs = lap(timer);

    const Run run =
        runRunner(context, site.speaks10(), files.path(plugin), files.path(kInput), files.path(kOutput));
    times.runMs = lap(timer);
    if (run.kind == Run::cancelled || context.cancelled())
        return unstored(site, Outcome::cancelled, cancelledReason(), times);
    if (const QString failure = runFailure(run); !failure.isEmpty())
        return unstored(site, Outcome::failed, failure, times);

    const std::optional<QByteArray> output = files.read(kOutput);
    const std::optional<QString> read = output ? page_text::runnerText(*output) : std::nullopt;
    const QString text = read ? page_text::clean(*read) : QString();
    if (text.isEmpty())
        return unstored(site, Outcome::failed, nothingRead(), times);

    PassResult pass = unstored(site, Outcome::unchanged, QString(), times);
    pass.text = text;
    if (text != site.data.value_or(QString())) {
        const QString date = storedDate(platform::clock::now());
        if (!store(context, -1, site.dllName, text, date))
            return unstored(site, Outcome::failed, cannotStore(), times);
        pass.outcome = Outcome::stored;
        pass.lastDate = date;
    }
    pass.times.storeMs = lap(timer);
    files.remove({"temp.txt", "temp2.txt", "tempx.txt"});
    return pass;
}

PassResult updateAnime(PassContext& context, const QDate& today) {
    StepTimes times;
    QElapsedTimer timer;
    timer.start();
    const HandOff& files = context.files;
    const Read<std::optional<Site>> found = siteById(context.db, kAnimeId);
    if (!found.value) {
        PassResult pass;
        pass.id = kAnimeId;
        pass.outcome = found.failed() ? Outcome::failed : Outcome::skipped;
        pass.reason = found.failure;
        return pass;
    }
    const Site& site = *found.value;
    files.remove({"moe1.tmp", "moe2.tmp", "tempx.txt", "temp.txt", "temp1.txt", "temp2.txt", "temp3.txt"});
    if (context.cancelled())
        return unstored(site, Outcome::cancelled, cancelledReason(), times);
    if (!exportPlugin(context.db, kAnimeId, PluginColumn::dlldata, files.path(QStringLiteral("moe1.tmp"))) ||
        !exportPlugin(context.db, kAnimeId, PluginColumn::dlldata2, files.path(QStringLiteral("moe2.tmp"))))
        return unstored(site, Outcome::failed, cannotWrite(), times);
    times.exportMs = lap(timer);
    if (!site.url || site.url->isEmpty())
        return unaddressed(site, times);

    QByteArray page;
    bool cancelled = false;
    const QString fetched = fetchPage(context, anime::address(*site.url, today), page, cancelled);
    times.fetchMs = lap(timer);
    if (cancelled)
        return unstored(site, Outcome::cancelled, cancelledReason(), times);
    if (!fetched.isEmpty())
        return unstored(site, Outcome::failed, fetched, times);
    // The schedule's plug-ins read the page as it came, whatever the row's covflg says.
    if (!files.write(kInput, page))
        return unstored(site, Outcome::failed, cannotWrite(), times);

    // Both plug-ins speak HEADLINE/1.0, whatever the row's ver_flag says; both are waited for.
    const QString input = files.path(kInput);
    QString outputs[2];
    const QString plugins[2] = {QStringLiteral("moe1.tmp"), QStringLiteral("moe2.tmp")};
    const QString outputFiles[2] = {QStringLiteral("temp1.txt"), QStringLiteral("temp2.txt")};
    for (int i = 0; i < 2; ++i) {
        const Run run = runRunner(context, true, files.path(plugins[i]), input, files.path(outputFiles[i]));
        if (run.kind == Run::cancelled || context.cancelled())
            return unstored(site, Outcome::cancelled, cancelledReason(), times);
        if (const QString failure = runFailure(run); !failure.isEmpty())
            return unstored(site, Outcome::failed, failure, times);
        const std::optional<QByteArray> output = files.read(outputFiles[i]);
        const std::optional<QString> read = output ? page_text::runnerText(*output) : std::nullopt;
        if (!read)
            return unstored(site, Outcome::failed, nothingRead(), times);
        outputs[i] = *read;
    }
    times.runMs = lap(timer);

    const std::optional<QString> merged = anime::merge(anime::lines(outputs[0]), anime::lines(outputs[1]));
    if (!merged)
        return unstored(site, Outcome::failed, QStringLiteral("放送予定の日付と番組が揃いませんでした"),
                        times);
    files.write(QStringLiteral("temp3.txt"), merged->toUtf8());
    const QString text = page_text::clean(*merged);
    if (text.isEmpty()) {
        // Nothing to store: the page's input and the programmes go, as after a store.
        files.remove({"temp.txt", "temp2.txt"});
        return unstored(site, Outcome::failed, QStringLiteral("放送予定がありませんでした"), times);
    }
    const QString date = storedDate(platform::clock::now());
    if (!store(context, kAnimeId, QString(), text, date))
        return unstored(site, Outcome::failed, cannotStore(), times);
    PassResult pass = unstored(site, Outcome::stored, QString(), times);
    pass.text = text;
    pass.lastDate = date;
    pass.times.storeMs = lap(timer);
    files.remove({"temp.txt", "temp2.txt", "tempx.txt"});
    return pass;
}

Read<bool> makeDll(PassContext& context) {
    const Read<std::vector<ListedSite>> sites = listSites(context.db);
    if (sites.failed())
        return {false, sites.failure};
    for (const ListedSite& site : sites.value) {
        const QString file = QStringLiteral("temp%1.tmp").arg(site.id);
        if (!exportPlugin(context.db, site.id, PluginColumn::dlldata, context.files.path(file)))
            return {false, {}};
    }
    return {true, {}};
}

Engine::Engine(QObject* parent) : QObject(parent) {}

Engine::~Engine() {
    if (thread_) {
        stop_ = true;
        cancel_ = true;
        thread_->wait();
    }
    if (holdsGuard_)
        anyRunning = false;
}

bool Engine::anyBusy() {
    return anyRunning.load();
}

bool Engine::updateSite(const QString& name) {
    return begin(false, name);
}

bool Engine::updateAll() {
    return begin(true, QString());
}

void Engine::stop() {
    stop_ = true;
}

void Engine::cancel() {
    cancel_ = true;
    stop_ = true;
}

bool Engine::begin(bool all, const QString& name) {
    if (busy_)
        return false;
    bool expected = false;
    if (!anyRunning.compare_exchange_strong(expected, true))
        return false;
    const HandOff files = HandOff::open();
    if (!files.ok()) {
        anyRunning = false;
        return false;
    }
    if (thread_) {
        thread_->wait();
        thread_.reset();
    }
    holdsGuard_ = true;
    busy_ = true;
    stop_ = false;
    cancel_ = false;
    // Settled here, on the thread that knows the program's folders and clock.
    const QString runners = platform::programBinFolder();
    const QDate today = platform::clock::now().date();
    thread_.reset(
        QThread::create([=, this] { runJob(all, name, files, database_, runners, limits_, today); }));
    thread_->start();
    return true;
}

void Engine::runJob(bool all, const QString& name, HandOff files, QString database, QString runners,
                    Limits limits, QDate today) {
    RunResult run;
    run.all = all;
    std::optional<sqlite_db::Connection> db = sqlite_db::open(database, sqlite_db::Mode::readWrite);
    if (!db) {
        PassResult pass;
        pass.name = name;
        pass.reason = QStringLiteral("データベースを開けません");
        run.passes.push_back(pass);
    } else {
        keepStoresCheap(*db);
        PassContext context{*db, files, runners, limits, &cancel_};
        if (all)
            runAll(context, today, run);
        else
            runOne(context, name, today, run);
    }
    QMetaObject::invokeMethod(
        this,
        [this, run] {
            busy_ = false;
            holdsGuard_ = false;
            anyRunning = false;
            emit finished(run);
        },
        Qt::QueuedConnection);
}

void Engine::report(const PassResult& pass) {
    QMetaObject::invokeMethod(
        this, [this, pass] { emit passEnded(pass); }, Qt::QueuedConnection);
}

void Engine::runOne(PassContext& context, const QString& name, const QDate& today, RunResult& run) {
    const HandOff& files = context.files;
    const Read<std::optional<Site>> found = siteByName(context.db, name);
    const std::optional<Site>& site = found.value;
    PassResult pass;
    if (!site) {
        pass.name = name;
        pass.reason = found.failed() ? found.failure : QStringLiteral("サイトが見つかりません");
    } else if (site->id == kAnimeId) {
        pass = updateAnime(context, today);
    } else {
        files.deleteFiles(QStringLiteral("*.tmp"));
        const QString plugin = QStringLiteral("temp2.tmp");
        pass = exportPlugin(context.db, site->id, PluginColumn::dlldata, files.path(plugin))
                   ? headline::updateSite(context, *site, plugin)
                   : unstored(*site, Outcome::failed, cannotWrite(), {});
    }
    run.cancelled = pass.outcome == Outcome::cancelled;
    run.passes.push_back(pass);
    report(pass);
}

void Engine::runAll(PassContext& context, const QDate& today, RunResult& run) {
    context.files.deleteFiles(QStringLiteral("*.tmp"));
    // A plug-in that could not be exported fails its own pass, at its runner; a table that cannot
    // be read ends the run, since every pass after it would work on files that are not there.
    if (const Read<bool> made = makeDll(context); made.failed()) {
        run.failure = made.failure;
        return;
    }
    for (qint64 id = 0; id <= kLastSiteId; ++id) {
        const Read<std::optional<Site>> found = siteById(context.db, id);
        if (found.failed()) {
            run.failure = found.failure;
            return;
        }
        const std::optional<Site>& site = found.value;
        if (site)
            QMetaObject::invokeMethod(
                this, [this, id, name = site->name] { emit passStarted(id, name); }, Qt::QueuedConnection);
        if (stop_ || cancel_) {
            run.stopped = !cancel_;
            run.cancelled = cancel_;
            break;
        }
        PassResult pass;
        if (site) {
            pass = headline::updateSite(context, *site, QStringLiteral("temp%1.tmp").arg(id));
        } else {
            pass.id = id;
            pass.outcome = Outcome::skipped;
        }
        run.passes.push_back(pass);
        report(pass);
        if (pass.outcome == Outcome::cancelled) {
            run.cancelled = true;
            break;
        }
    }
    // A stop is seen only at the start of a site's pass: pressed during the last one, it lets the
    // schedule run still, and the run is said as stopped all the same.
    if (!run.stopped && !run.cancelled) {
        const Read<std::optional<Site>> anime = siteById(context.db, kAnimeId);
        if (anime.failed()) {
            run.failure = anime.failure;
            return;
        }
        if (anime.value)
            QMetaObject::invokeMethod(
                this, [this, name = anime.value->name] { emit passStarted(kAnimeId, name); },
                Qt::QueuedConnection);
        const PassResult pass = updateAnime(context, today);
        run.cancelled = pass.outcome == Outcome::cancelled;
        run.stopped = stop_ && !run.cancelled;
        run.passes.push_back(pass);
        report(pass);
    }
}

} // namespace headline

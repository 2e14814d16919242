// Runs the update of all sites of a dialogue database with the headline engine (app/headline), the
// way 一括更新 does, RUNS times, each from stored headlines cleared (so every pass fetches, runs and
// stores), and prints each run's seconds and their split by step: fetch, conversion, runner, the
// reading of the runner's text with each pass's store, and the rest: the plug-ins' export, the
// passes' clean-up and the thread.
// bench/headline.sh runs it beside the runners alone.
// headline_bench DATABASE RUNS
#include "app/headline/engine.h"
#include "platform/sqlite_db/sqlite_db.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const QString database = QString::fromLocal8Bit(argv[1]);
    const int runs = std::atoi(argv[2]);
    std::printf("run total rest fetch convert runner read stored\n");
    for (int run = 1; run <= runs; ++run) {
        {
            auto db = sqlite_db::open(database, sqlite_db::Mode::readWrite);
            if (!db || !db->exec("UPDATE hedline SET data = NULL, last_date = NULL"))
                return 1;
        }
        headline::Engine engine;
        engine.setDatabase(database);
        headline::StepTimes sum;
        int stored = 0;
        QObject::connect(&engine, &headline::Engine::passEnded, [&](const headline::PassResult& pass) {
            sum.fetchMs += pass.times.fetchMs;
            sum.convertMs += pass.times.convertMs;
            sum.runMs += pass.times.runMs;
            sum.storeMs += pass.times.storeMs;
            sum.exportMs += pass.times.exportMs;
            if (pass.outcome == headline::Outcome::stored)
                ++stored;
            else if (pass.outcome != headline::Outcome::skipped)
                std::fprintf(stderr, "site %lld: %s\n", static_cast<long long>(pass.id),
                             qPrintable(pass.reason));
        });
        QEventLoop loop;
        QObject::connect(&engine, &headline::Engine::finished, &loop, &QEventLoop::quit);
        QElapsedTimer took;
        took.start();
        if (!engine.updateAll())
            return 1;
        loop.exec();
        const double total = double(took.nsecsElapsed()) / 1e6;
        const double rest = total - sum.fetchMs - sum.convertMs - sum.runMs - sum.storeMs;
        std::printf("%d %.3f %.3f %.3f %.3f %.3f %.3f %d\n", run, total / 1000.0, rest / 1000.0,
                    sum.fetchMs / 1000.0, sum.convertMs / 1000.0, sum.runMs / 1000.0, sum.storeMs / 1000.0,
                    stored);
    }
    return 0;
}

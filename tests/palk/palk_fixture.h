#pragma once
// What the palk tests share: a stage for her corner, a program folder of their own, a fake clock,
// and recording stand-ins for what his chores call besides the dial-up (the headline update, the
// clock, the mail check). Each stand-in notes its call in one list together with what his balloon
// shows at that moment, so a test reads the chores and their words in order. The dial-up service is
// the default one (none) unless a test puts NetworkManager's behind it (palk_chores_test.cpp).
#include "app/headline/palk/palk.h"
#include "app/headline/palk/palk_peers.h"
#include "app/settings/IniManage.h"
#include "app/settings/settings_db.h"
#include "app/state/state.h"
#include "app/talk/fuki3.h"
#include "app/window/services.h"
#include "fake_stage.h"
#include "platform/clock.h"
#include "test_home.h"

#include <QApplication>
#include <QCoreApplication>
#include <functional>
#include <gtest/gtest.h>

namespace palk_test {

inline QStringList calls;

// Every text his balloon takes, in order, as its window title shows it (line breaks as blanks),
// without the design's "label1" each new balloon starts with: an event filter on the application
// while it lives.
class BalloonWords : public QObject {
public:
    BalloonWords() { qApp->installEventFilter(this); }
    ~BalloonWords() override { qApp->removeEventFilter(this); }
    QStringList words;
    // Runs with each word as it is said.
    std::function<void(const QString&)> onWord;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::WindowTitleChange || watched->objectName() != QStringLiteral("fuki3"))
            return false;
        const QString title = static_cast<QWidget*>(watched)->windowTitle();
        if (title == QStringLiteral("label1"))
            return false;
        words << title;
        if (onWord)
            onWord(title);
        return false;
    }
};

// What his balloon shows: "-" when it is not loaded, its text with "/" for each line break, after
// "hidden " when it is loaded but not shown.
inline QString said() {
    const fuki3* shown = fuki3::Instance();
    if (!shown)
        return QStringLiteral("-");
    QString text = shown->Label1->text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("/"));
    return (shown->isVisible() ? QString() : QStringLiteral("hidden ")) + text;
}

struct Headlines : palk_peers::Headlines {
    QStringList sites{QStringLiteral("サイトA"), QStringLiteral("サイトB")};
    Run run = Run::ran;           // busy or failed: the update does not run
    std::function<void()> during; // runs in the middle of the update, after the first site
    Run UpdateAll(const Progress& progress) override {
        calls << QStringLiteral("UpdateAll ") + said();
        if (run != Run::ran)
            return run;
        for (const QString& site : sites) {
            progress(Pass::site, site);
            calls << QStringLiteral("site ") + said();
            if (during && site == sites.front())
                during();
        }
        progress(Pass::anime, QStringLiteral("アニメ"));
        calls << QStringLiteral("anime ") + said();
        return Run::ran;
    }
    void DeleteHandOffFiles() override { calls << QStringLiteral("DeleteHandOffFiles ") + said(); }
    void Cancel() override { calls << QStringLiteral("Cancel headlines"); }
};

struct Clock : palk_peers::Clock {
    bool set = true;
    std::function<void()> during; // the setting's work, after its call is noted
    bool Set() override {
        calls << QStringLiteral("SetClock ") + said();
        if (during)
            during();
        return set;
    }
    void Cancel() override { calls << QStringLiteral("Cancel clock"); }
};

struct Mail : services::Mail {
    void CheckMail() override {
        calls << QStringLiteral("CheckMail manual=%1 ").arg(flag::state.ManualCheck) + said();
    }
};

class Fixture : public ::testing::Test {
protected:
    void SetUp() override {
        state::resetAll();
        calls.clear();
        platform::clock::setFake(QDateTime(QDate(2026, 12, 10), QTime(11, 20, 0)));
        stage.corner = QPoint(300, 300);
        Stage::Install(&stage);
        auto h = std::make_unique<Headlines>();
        headlines = h.get();
        palk_peers::install(std::move(h));
        auto c = std::make_unique<Clock>();
        clock = c.get();
        palk_peers::install(std::move(c));
        services::install(std::make_unique<Mail>());
    }
    void TearDown() override {
        palk::Unload();
        fuki3::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        palk_peers::install(std::unique_ptr<palk_peers::Headlines>());
        palk_peers::install(std::unique_ptr<palk_peers::Clock>());
        services::reset();
        Stage::Install(nullptr);
        platform::clock::setFake(std::nullopt);
    }
    static void key(const QString& name, const QString& value) {
        IniManage::BeginBatch();
        IniManage::WriteIni(name, value);
    }
    static void entry(const QString& name, const QString& user, const QString& password) {
        ASSERT_TRUE(settings_db::updateRow(
            QStringLiteral("net_entry"), 1,
            {QStringLiteral("net_ent"), QStringLiteral("net_user"), QStringLiteral("net_pass")},
            {name, user, password}));
    }
    // Unloads palk and lets the deferred deletions happen, so the next Show() loads anew.
    static void unload() {
        palk::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    static QAction* item(const QMenu* menu, const QString& key) {
        for (QAction* action : menu->actions())
            if (action->data().toString() == key)
                return action;
        return nullptr;
    }

    TestHome home;
    FakeStage stage;
    Headlines* headlines = nullptr;
    Clock* clock = nullptr;
};

} // namespace palk_test

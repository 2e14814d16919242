// The character's life: start-up, timers, idle and sleep, menu, mouse and exit, with the other
// subsystems replaced by recording stand-ins and every animation recorded instead of waited for.
#include "app/settings/IniManage.h"
#include "app/settings/settings_db.h"
#include "app/settings/settings_keys.h"
#include "app/shapes/RgnCall.h"
#include "app/window/Trei.h"
#include "app/window/morvik.h"
#include "fakes.h"
#include "file_times.h"
#include "platform/clock.h"
#include "platform/pace.h"
#include "platform/power.h"
#include "platform/program_folder.h"
#include "platform/random.h"
#include "test_files.h"
#include "test_home.h"
#include "tests/platform/file_size_limit.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

using files::writeFile;

// A power-supply folder: no supply (a desktop), or mains plus one battery.
void powerSupply(const QString& root, std::optional<bool> mains, std::optional<int> percent) {
    QDir(root).removeRecursively();
    QDir().mkpath(root);
    if (mains) {
        writeFile(root + "/AC/type", "Mains\n");
        writeFile(root + "/AC/online", *mains ? "1\n" : "0\n");
    }
    if (percent) {
        writeFile(root + "/BAT0/type", "Battery\n");
        writeFile(root + "/BAT0/capacity", QByteArray::number(*percent) + "\n");
        writeFile(root + "/BAT0/status", mains.value_or(false) ? "Charging\n" : "Discharging\n");
    }
}

class Character : public ::testing::Test {
protected:
    void SetUp() override {
        state::resetAll();
        auto t = std::make_unique<FakeTalk>();
        auto m = std::make_unique<FakeMail>();
        auto s = std::make_unique<FakeSstp>();
        auto w = std::make_unique<FakeWindows>();
        talk = t.get(), mail = m.get(), sstp = s.get(), windows = w.get();
        services::install(std::move(t));
        services::install(std::move(m));
        dialup::install(ras);
        services::install(std::move(s));
        services::install(std::move(w));
        powerRoot = home.file("power");
        powerSupply(powerRoot, std::nullopt, std::nullopt);
        platform::power::setRoot(powerRoot);
        platform::clock::setFake(QDateTime(QDate(2026, 12, 10), QTime(7, 30)));
        platform::random::setSequence({0.0});
        morvik::InstanceName = QStringLiteral("morvik-test-%1").arg(getpid());
        morvik::EndProgram = [this] { ++ended; };
        morvik::MessageBox = [this](const QString& text) { messages << text; };
        IniManage::BeginBatch();
        configureDialUp();
        window = std::make_unique<morvik>();
        Trei::MainWindow = window.get();
    }
    void TearDown() override {
        window.reset();
        morvik::FarewellLimitMs = morvik::kDefaultFarewellLimitMs;
        services::reset();
        dialup::install(nullptr);
        platform::power::setRoot({});
        platform::clock::setFake(std::nullopt);
        platform::random::setSequence({});
    }
    void key(const char* name, const char* value) {
        IniManage::BeginBatch();
        IniManage::WriteIni(QString::fromUtf8(name), QString::fromUtf8(value));
    }
    // The dial-up entry "isp" in the settings database, and whether the backend has it connected.
    static void configureDialUp() {
        ASSERT_TRUE(settings_db::updateRow("net_entry", 1, {"net_ent", "net_user", "net_pass"},
                                           {"isp", "me", "secret"}));
    }
    void connected(bool on) {
        ras->connections = on ? QList{dialup::Connection{7, "isp"}} : QList<dialup::Connection>{};
    }
    // Runs start-up with every pause recorded.
    QStringList start() {
        platform::pace::Recorder recorder;
        EXPECT_TRUE(window->Form_Load());
        return recorder.events;
    }

    TestHome home;
    QString powerRoot;
    FakeTalk* talk;
    FakeMail* mail;
    std::shared_ptr<FakeRas> ras = std::make_shared<FakeRas>();
    FakeSstp* sstp;
    FakeWindows* windows;
    std::unique_ptr<morvik> window;
    int ended = 0;
    QStringList messages;
};

// ---- decision tables -------------------------------------------------------------------------

struct GreetingCase {
    const char* name;
    const char* kido;
    int hour;
    int row;
    const char* master;
    const char* text;
};
void PrintTo(const GreetingCase& c, std::ostream* os) { *os << c.name; }
class Greeting : public ::testing::TestWithParam<GreetingCase> {};

TEST_P(Greeting, RowAndText) {
    const GreetingCase& c = GetParam();
    EXPECT_EQ(morvik::GreetingRow(QString::fromUtf8(c.kido), c.hour), c.row);
    EXPECT_EQ(morvik::GreetingText("おはようございます、", QString::fromUtf8(c.master),
                                   "今日も一日がんばりましょう"),
              QString::fromUtf8(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Greeting,
    ::testing::Values(
        GreetingCase{"hour_0", "", 0, 0, "", "おはようございます、マスター\r\n今日も一日がんばりましょう"},
        GreetingCase{"hour_23", "0", 23, 23, "", "おはようございます、マスター\r\n今日も一日がんばりましょう"},
        GreetingCase{"fixed_greeting", "1", 7, 100, "太郎", "おはようございます、太郎さん\r\n今日も一日がんばりましょう"},
        GreetingCase{"kido_other_text", "yes", 12, 12, "Ann", "おはようございます、Annさん\r\n今日も一日がんばりましょう"}),
    [](const auto& info) { return std::string(info.param.name); });

struct WindowCase {
    const char* name;
    int h1, m1, h2, m2;
    int hour, minute;
    bool inside;
};
void PrintTo(const WindowCase& c, std::ostream* os) { *os << c.name; }
class FlatRate : public ::testing::TestWithParam<WindowCase> {};

TEST_P(FlatRate, Window) {
    const WindowCase& c = GetParam();
    const settings_keys::FlatRateWindow w{c.h1, c.m1, c.h2, c.m2};
    EXPECT_EQ(w.contains(c.hour, c.minute), c.inside);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FlatRate,
    ::testing::Values(WindowCase{"night_before", 23, 0, 8, 0, 22, 59, false},
                      WindowCase{"night_start", 23, 0, 8, 0, 23, 0, true},
                      WindowCase{"night_midnight", 23, 0, 8, 0, 0, 0, true},
                      WindowCase{"night_end", 23, 0, 8, 0, 8, 0, true},
                      WindowCase{"night_after", 23, 0, 8, 0, 8, 1, false},
                      WindowCase{"day_before", 9, 0, 17, 0, 8, 59, false},
                      WindowCase{"day_start", 9, 0, 17, 0, 9, 0, true},
                      WindowCase{"day_end", 9, 0, 17, 0, 17, 0, true},
                      WindowCase{"day_after", 9, 0, 17, 0, 17, 1, false},
                      WindowCase{"day_midnight", 9, 0, 17, 0, 0, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Character, FlatRateKeysFallBackToTheirDefaults) {
    key("tele01", "");
    key("tele02", "x");
    key("tele03", "300");
    key("tele04", "15");
    const auto w = settings_keys::flatRateWindow();
    EXPECT_EQ(w.startHour, 23);
    EXPECT_EQ(w.startMinute, 0);
    EXPECT_EQ(w.endHour, 8);
    EXPECT_EQ(w.endMinute, 15);
}

TEST(Gauge, ItemByPercent) {
    const std::vector<std::pair<int, int>> cases{{0, 10},  {9, 10},  {10, 9},  {19, 9}, {20, 8}, {55, 5},
                                                 {89, 2},  {90, 1},  {100, 1}, {109, 1}, {110, 0}, {255, 0}};
    for (auto [percent, item] : cases)
        EXPECT_EQ(morvik::GaugeItem(percent), item) << percent << "%";
}

// ---- battery -------------------------------------------------------------------------------------

TEST_F(Character, BatteryBandsPoseGaugeAndTimers) {
    struct Case {
        int percent;
        const char* pose;
        const char* picture;
        bool timer2, timer3;
        int gauge;
    };
    for (const Case c : {Case{19, "shape ShapePose06", "picture gra3.Image1(8)", false, true, 9},
                         Case{20, "shape ShapePose05", "picture gra.Image1(6)", true, false, 8}}) {
        flag::state.PowerState = "2"; // already on battery: only the band is shown
        powerSupply(powerRoot, false, c.percent);
        platform::pace::Recorder recorder;
        window->Timer1_Timer();
        EXPECT_EQ(recorder.events, (QStringList{QString::fromUtf8(c.pose), QString::fromUtf8(c.picture)}))
            << c.percent;
        EXPECT_EQ(window->Timer2.Enabled(), c.timer2) << c.percent;
        EXPECT_EQ(window->Timer3.Enabled(), c.timer3) << c.percent;
        EXPECT_EQ(window->Gauge(), gra3::ImageList2(c.gauge)) << c.percent;
        EXPECT_EQ(window->Label1->text(), QStringLiteral("%1%").arg(c.percent));
        EXPECT_TRUE(window->Image2->isVisibleTo(window.get()));
        // The gauge and the figures lie on the face of the board she holds, in either pose.
        const QImage shown = window->Shown().pixmap.toImage();
        for (const QLabel* overlay : {window->Image2, window->Label1}) {
            const QRect place = overlay->geometry();
            int off = 0;
            for (int y = place.top(); y <= place.bottom(); ++y)
                for (int x = place.left(); x <= place.right(); ++x)
                    off += qGray(shown.pixel(x, y)) < 200 || qAlpha(shown.pixel(x, y)) < 255;
            EXPECT_EQ(off, 0) << c.percent << "% " << overlay->objectName().toStdString() << " at "
                              << place.x() << "," << place.y();
        }
    }
}

TEST_F(Character, BatteryChangeBothWays) {
    flag::state.PowerState = "1";
    powerSupply(powerRoot, false, 50);
    platform::pace::Recorder unplug;
    window->Timer1_Timer();
    EXPECT_EQ(unplug.events,
              (QStringList{"shape ShapePose04", "picture gra3.Image1(5)", "sleep 400",
                           "shape ShapePose03", "picture gra3.Image1(4)", "sleep 400",
                           "shape ShapePose05", "picture gra.Image1(6)"}));
    EXPECT_EQ(flag::state.PowerState, "2");
    EXPECT_TRUE(talk->calls.contains("PlayCommonVoice 13"));

    powerSupply(powerRoot, true, 50);
    talk->calls.clear();
    platform::pace::Recorder plug;
    window->Timer1_Timer();
    EXPECT_EQ(plug.events,
              (QStringList{"shape ShapePose03", "picture gra3.Image1(4)", "sleep 400",
                           "shape ShapePose04", "picture gra3.Image1(5)", "sleep 400",
                           "shape ShapeStandard", "picture gra.Image1(0)"}));
    EXPECT_EQ(flag::state.PowerState, "1");
    EXPECT_TRUE(window->Timer2.Enabled());
    EXPECT_TRUE(window->Timer5.Enabled());
    EXPECT_FALSE(window->Image2->isVisibleTo(window.get()));
    EXPECT_TRUE(talk->calls.contains("PlayCommonVoice 13"));
}

TEST_F(Character, BatteryNotWatchedOrDesktopShowsNothing) {
    key("batflag", "0");
    flag::state.PowerState = "2";
    powerSupply(powerRoot, false, 10);
    platform::pace::Recorder off;
    window->Timer1_Timer();
    EXPECT_TRUE(off.events.isEmpty());
    EXPECT_EQ(flag::state.PowerState, "1");

    key("batflag", "");
    powerSupply(powerRoot, std::nullopt, std::nullopt); // a desktop: mains, charge unknown
    platform::pace::Recorder desktop;
    window->Timer1_Timer();
    EXPECT_TRUE(desktop.events.isEmpty());
}

// ---- idle and sleep ------------------------------------------------------------------------------

struct IdleCase {
    const char* name;
    int count;        // flag.IdleCount before the tick
    bool sleepflag;
    double random;
    QStringList events;
    int after;
    bool timer2;      // Timer2 enabled after the tick (it is on before)
};
void PrintTo(const IdleCase& c, std::ostream* os) { *os << c.name; }

class IdleBands : public Character, public ::testing::WithParamInterface<IdleCase> {};

TEST_P(IdleBands, Tick) {
    const IdleCase& c = GetParam();
    if (c.sleepflag)
        key("sleepflag", "1");
    platform::random::setSequence({c.random});
    flag::state.IdleCount = qint16(c.count);
    window->Timer2.setEnabled(true);
    platform::pace::Recorder recorder;
    window->Timer5_Timer();
    EXPECT_EQ(recorder.events, c.events);
    EXPECT_EQ(flag::state.IdleCount, c.after);
    EXPECT_EQ(window->Timer2.Enabled(), c.timer2);
}

const QStringList kDrowsy{"shape ShapePose10", "picture gra.Image1(14)", "sleep 100",
                          "picture gra.Image1(13)", "sleep 400"};
const QStringList kDrowsier{"shape ShapePose10", "picture gra.Image1(14)", "sleep 400",
                            "picture gra.Image1(13)"};
const QStringList kAsleep{"shape ShapePose11", "picture gra.Image1(16)", "sleep 600",
                          "shape ShapePose12", "sleep 600"};
const QStringList kDoze{"shape ShapePose10", "picture gra.Image1(14)", "sleep 600",
                        "shape ShapePose10", "picture gra.Image1(13)", "sleep 1200"};
const QStringList kDozeGesture{"shape ShapePose10", "picture gra.Image1(14)", "sleep 600",
                               "shape ShapePose13", "picture gra.Image1(10)", "sleep 200",
                               "picture gra.Image1(11)", "sleep 200", "picture gra.Image1(10)", "sleep 200",
                               "picture gra.Image1(11)", "sleep 600",
                               "shape ShapePose10", "picture gra.Image1(13)", "sleep 1200"};

INSTANTIATE_TEST_SUITE_P(
    Table, IdleBands,
    ::testing::Values(
        IdleCase{"touched", 0, false, 0, {"shape ShapeStandard", "picture gra.Image1(0)"}, 1, true},
        IdleCase{"awake_499", 499, false, 0, {}, 500, true},
        IdleCase{"drowsy_500", 500, false, 0, kDrowsy, 501, false},
        IdleCase{"drowsier_699", 699, false, 0, kDrowsier, 700, false},
        IdleCase{"asleep_999", 999, false, 0, kAsleep, 1000, false},
        IdleCase{"dozing", 999, true, 0.4, kDoze, 1000, false},
        IdleCase{"doze_gesture", 1500, true, 0.55, kDozeGesture, 1501, false},
        IdleCase{"saturates", 32767, true, 0.1, kDoze, 32767, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Character, TouchWakesTheSleeperDrowsy) {
    flag::state.IdleCount = 999;
    window->Timer5_Timer(); // falls asleep
    ASSERT_EQ(window->Shown(), gra::Image1(16));
    flag::state.IdleCount = 0; // the user touched her
    talk->calls.clear();
    window->Timer5_Timer();
    EXPECT_TRUE(talk->calls.contains("PlayCommonVoice 4"));
    EXPECT_EQ(flag::state.IdleCount, 501);
}

// ---- media-end watchers --------------------------------------------------------------------------

TEST_F(Character, Mp3EndByPlayMode) {
    struct Case {
        int mode, state;
        QStringList calls;
        bool timer7After;
        int modeAfter;
        int ended;
    };
    for (const Case& c : {Case{0, 0, {}, true, 0, 0},
                          Case{1, 1, {}, true, 1, 0},
                          Case{1, 0, {"CloseFuki"}, false, 1, 0},
                          Case{2, 0, {"vbmp3_close"}, false, 0, 0},
                          Case{3, 0, {}, true, 3, 1}}) {
        talk->calls.clear();
        talk->state = c.state;
        flag::state.PlayMode = qint16(c.mode);
        flag::state.VoicePath = "/nonexistent/farewell.mp3";
        ended = 0;
        window->Timer7.setEnabled(true);
        window->Timer2.setEnabled(false);
        window->dance_check.setEnabled(true);
        window->Timer7_Timer();
        EXPECT_EQ(talk->calls, c.calls) << "mode " << c.mode;
        EXPECT_EQ(window->Timer7.Enabled(), c.timer7After) << "mode " << c.mode;
        EXPECT_EQ(flag::state.PlayMode, c.modeAfter);
        EXPECT_EQ(ended, c.ended) << "mode " << c.mode;
        if (c.mode == 1 && c.state == 0) {
            EXPECT_TRUE(window->Timer2.Enabled());
            EXPECT_FALSE(window->dance_check.Enabled());
        }
        if (c.mode == 2) {
            EXPECT_TRUE(flag::state.VoicePath.isEmpty());
        }
    }
}

// ---- dances ---------------------------------------------------------------------------------------

// What a dance tick records: each frame's outline and picture, then its pause.
QStringList danceFrames(int dance, std::initializer_list<int> frames, std::initializer_list<int> pauses) {
    const int store = dance == 1 ? 5 : dance + 5;
    QStringList events;
    auto pause = pauses.begin();
    for (int k : frames) {
        events << QStringLiteral("shape ShapeDance%1_%2").arg(dance).arg(k)
               << QStringLiteral("picture gra%1.Image1(%2)").arg(store).arg(k);
        if (pause != pauses.end())
            events << QStringLiteral("sleep %1").arg(*pause++);
    }
    return events;
}

const std::initializer_list<int> kFirstHalfPauses{100, 100, 100, 100, 50};
const std::initializer_list<int> kSecondHalfPauses{100, 100, 100, 100, 100, 100, 100, 150, 100, 100, 50};

struct DanceCase {
    int dance;
    QStringList firstHalf, secondHalf;
};
void PrintTo(const DanceCase& c, std::ostream* os) {
    *os << "dance " << c.dance;
}

class Dances : public Character, public ::testing::WithParamInterface<DanceCase> {
protected:
    platform::Timer& timer() {
        platform::Timer* timers[] = {&window->dance_check, &window->Dance_check2, &window->Dance_check3,
                                     &window->Dance_check4};
        return *timers[GetParam().dance - 1];
    }
    QStringList tick() {
        platform::pace::Recorder recorder;
        switch (GetParam().dance) {
        case 1:
            window->dance_check_Timer();
            break;
        case 2:
            window->Dance_check2_Timer();
            break;
        case 3:
            window->Dance_check3_Timer();
            break;
        default:
            window->Dance_check4_Timer();
        }
        return recorder.events;
    }
};

// From the program's start the flag selects the second half: two ticks play the whole cycle,
// starting in its middle, and each completed half turns the idle blinking off.
TEST_P(Dances, TwoTicksPlayTheCycleFromItsSecondHalf) {
    window->Timer7.setEnabled(true);
    ASSERT_EQ(flag::state.DanceHalf, 0);
    window->Timer2.setEnabled(true);
    EXPECT_EQ(tick(), GetParam().secondHalf);
    EXPECT_EQ(flag::state.DanceHalf, 1);
    EXPECT_FALSE(window->Timer2.Enabled());
    window->Timer2.setEnabled(true);
    EXPECT_EQ(tick(), GetParam().firstHalf);
    EXPECT_EQ(flag::state.DanceHalf, 0);
    EXPECT_FALSE(window->Timer2.Enabled());
}

// The song has ended before the tick: one frame of the half the flag selects, then the base pose;
// the flag and the idle blinking stay as they were, so the next dance plays that half again.
TEST_P(Dances, SongEndedShowsOneFrameThenTheBasePose) {
    const QStringList basePose{"shape ShapeStandard", "picture gra.Image1(0)"};
    for (int half : {1, 0, 7}) {
        flag::state.DanceHalf = qint16(half);
        window->Timer7.setEnabled(false);
        window->Timer2.setEnabled(true);
        const QStringList& played = half == 1 ? GetParam().firstHalf : GetParam().secondHalf;
        EXPECT_EQ(tick(), played.mid(0, 2) + basePose) << "half flag " << half;
        EXPECT_EQ(flag::state.DanceHalf, half);
        EXPECT_TRUE(window->Timer2.Enabled());
        EXPECT_EQ(window->Shown(), gra::Image1(0));
    }
}

// Counts the handler's yields to pending events (one posted event is handled per yield, as an event
// posted while posted events are handled waits for the next round) and runs an action at one of them.
class AtYield : public QObject {
public:
    AtYield(int yield, std::function<void()> action) : left_(yield), action_(std::move(action)) {
        QCoreApplication::postEvent(this, new QEvent(QEvent::User));
    }

protected:
    void customEvent(QEvent*) override {
        if (--left_ == 0)
            action_();
        else
            QCoreApplication::postEvent(this, new QEvent(QEvent::User));
    }

private:
    int left_;
    std::function<void()> action_;
};

// The song ends while the dance plays (Timer7 stops during the yield after a frame): the next frame
// is the last, then the base pose, and the half is not counted.
TEST_P(Dances, SongEndingMidHalfStopsAfterTheNextFrame) {
    const QStringList basePose{"shape ShapeStandard", "picture gra.Image1(0)"};
    for (int half : {0, 1}) {
        for (int yield : {1, 3}) {
            flag::state.DanceHalf = qint16(half);
            window->Timer7.setEnabled(true);
            window->Timer2.setEnabled(true);
            QStringList events;
            {
                AtYield end(yield, [this] { window->Timer7.setEnabled(false); });
                events = tick();
            }
            const QStringList& played = half == 1 ? GetParam().firstHalf : GetParam().secondHalf;
            // Each frame is three events (outline, picture, pause); the last drawn has no pause.
            const QStringList expected = played.mid(0, 3 * yield + 2) + basePose;
            EXPECT_EQ(events, expected) << "half flag " << half << ", yield " << yield;
            EXPECT_EQ(flag::state.DanceHalf, half);
            EXPECT_TRUE(window->Timer2.Enabled());
        }
    }
}

// The drop handler starts a dance through the stage; the song's end and the return to rest stop all.
TEST_P(Dances, StartedThroughTheStageAndStoppedByTheEnd) {
    window->Start(Stage::Dance(GetParam().dance));
    EXPECT_TRUE(timer().Enabled());
    EXPECT_TRUE(window->Running(Stage::Dance(GetParam().dance)));
    EXPECT_EQ(timer().Interval(), 100);
    window->reset_timer();
    EXPECT_FALSE(timer().Enabled());
    window->Start(Stage::Dance(GetParam().dance));
    flag::state.PlayMode = 1;
    talk->state = 0;
    window->Timer7.setEnabled(true);
    window->Timer7_Timer();
    EXPECT_FALSE(timer().Enabled());
}

INSTANTIATE_TEST_SUITE_P(
    AllFour, Dances,
    ::testing::Values(DanceCase{1, danceFrames(1, {0, 1, 2, 3, 4}, kFirstHalfPauses),
                                danceFrames(1, {3, 2, 1, 0, 5, 6, 7, 8, 7, 6, 5}, kSecondHalfPauses)},
                      // The second dance turns the other way: 8, 7, 6, 5 before 6, 7, 8.
                      DanceCase{2, danceFrames(2, {0, 1, 2, 3, 4}, kFirstHalfPauses),
                                danceFrames(2, {3, 2, 1, 0, 8, 7, 6, 5, 6, 7, 8}, kSecondHalfPauses)},
                      DanceCase{3, danceFrames(3, {0, 1, 2, 3, 4}, kFirstHalfPauses),
                                danceFrames(3, {3, 2, 1, 0, 5, 6, 7, 8, 7, 6, 5}, kSecondHalfPauses)},
                      DanceCase{4, danceFrames(4, {0, 1, 2, 3, 4}, kFirstHalfPauses),
                                danceFrames(4, {3, 2, 1, 0, 5, 6, 7, 8, 7, 6, 5}, kSecondHalfPauses)}),
    [](const ::testing::TestParamInfo<DanceCase>& info) {
        return "Dance" + std::to_string(info.param.dance);
    });

// The half is shared: a dance that follows another goes on with the half the last one finished.
TEST_F(Character, DancesShareTheHalf) {
    window->Timer7.setEnabled(true);
    {
        platform::pace::Recorder recorder;
        window->dance_check_Timer();
    }
    platform::pace::Recorder recorder;
    window->Dance_check3_Timer();
    EXPECT_EQ(recorder.events, danceFrames(3, {0, 1, 2, 3, 4}, kFirstHalfPauses));
}

TEST_F(Character, MidiEndClosesTheBalloonOnceStopped) {
    window->Timer6.setEnabled(true);
    talk->mciMode = "playing";
    window->Timer6_Timer();
    EXPECT_TRUE(window->Timer6.Enabled());
    talk->mciMode = " stopped ";
    window->Timer6_Timer();
    EXPECT_FALSE(window->Timer6.Enabled());
    EXPECT_TRUE(window->Timer2.Enabled());
    EXPECT_TRUE(talk->calls.contains("CloseFuki"));
}

// ---- failing steps ------------------------------------------------------------------------------

TEST_F(Character, AFailingStartUpStepIsNamedOnStandardErrorAndTheNextStepsRun) {
    talk->greetingFails = true;
    ::testing::internal::CaptureStderr();
    start();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("morvik: start-up: load the greeting failed: the dialogue database cannot be read\n"),
              std::string::npos)
        << said;
    // The wake-up animation, the MP3 layer and the greeting's balloon come after it.
    EXPECT_EQ(window->Shown(), gra::Image1(0));
    EXPECT_TRUE(talk->calls.contains("vbmp3_init"));
    EXPECT_EQ(talk->calls.filter(QRegularExpression("^ShowFuki")).size(), 1);
    EXPECT_EQ(flag::state.StartupDone, 1);
}

TEST_F(Character, AFailingTimerIsNamedOnceAndKeepsTicking) {
    key("mailcheckF", "1");
    mail->checkFails = true;
    ::testing::internal::CaptureStderr();
    window->Timer10.setInterval(1);
    window->Timer10.setEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([this] { return mail->calls.count("CheckMail") >= 3; }, 5000));
    window->Timer10.setEnabled(false);
    const QString said = QString::fromStdString(::testing::internal::GetCapturedStderr());
    EXPECT_EQ(said.count("morvik: Timer10 failed: no mail server\n"), 1) << said.toStdString();
}

// ---- mail-check arming and the periodic check ----------------------------------------------------

TEST_F(Character, ArmingTable) {
    struct Case {
        bool paused;
        const char* proxy;
        bool connected;
        const char* mailcheckF;
        int interval;
    };
    for (const Case& c : {Case{true, "1", true, "1", 0}, Case{false, "1", false, "1", 60000},
                          Case{false, "1", false, "3", 60000}, Case{false, "1", false, "0", 0},
                          Case{false, "1", false, "", 0}, Case{false, "0", false, "1", 0},
                          Case{false, "0", true, "1", 60000}, Case{false, "", true, "abc", 0}}) {
        window->mail_sub_cut->setChecked(c.paused);
        key("proxy", c.proxy);
        key("mailcheckF", c.mailcheckF);
        connected(c.connected);
        window->Timer10.setInterval(12345);
        window->Timer9_Timer();
        EXPECT_EQ(window->Timer10.Interval(), c.interval)
            << c.paused << " proxy=" << c.proxy << " connected=" << c.connected << " mailcheckF=" << c.mailcheckF;
    }
}

TEST_F(Character, PeriodicCheckHonoursTheFlatRateWindow) {
    key("mailcheckF", "1");
    key("Tereho", "1");
    key("tele01", "9");
    key("tele03", "17");
    for (auto [hour, minute, checks] : {std::tuple{8, 59, false}, {9, 0, true}, {17, 0, true}, {17, 1, false}, {3, 0, false}}) {
        mail->calls.clear();
        platform::clock::setFake(QDateTime(QDate(2026, 12, 10), QTime(hour, minute)));
        window->Timer10_Timer();
        EXPECT_EQ(mail->calls.contains("CheckMail"), checks) << hour << ":" << minute;
    }
    flag::state.NewMail = 2;
    mail->calls.clear();
    window->Timer10_Timer(); // 03:00: no check, but the waiting mail is still summarised
    EXPECT_EQ(mail->calls, QStringList{"ShowCheckSummary"});
}

// ---- hourly chime --------------------------------------------------------------------------------

TEST_F(Character, ChimesOncePerHourWithAFakeClock) {
    key("jiho", "1");
    const QDateTime from(QDate(2026, 12, 10), QTime(9, 59, 50));
    int chimes = 0;
    for (int s = 0; s < 2 * 3600; ++s) {
        platform::clock::setFake(from.addSecs(s));
        talk->calls.clear();
        window->Timer12_Timer();
        chimes += !talk->calls.filter(QRegularExpression("^LoadChime")).isEmpty();
        EXPECT_EQ(flag::state.HoldBalloon, 1);
    }
    EXPECT_EQ(chimes, 2); // 10:00 and 11:00
}

TEST_F(Character, ChimeIsNotLostWhenMinuteOneIsMissed) {
    key("jiho", "1");
    for (QTime t : {QTime(10, 0, 5), QTime(10, 0, 40), QTime(11, 0, 2), QTime(11, 0, 3)}) {
        platform::clock::setFake(QDateTime(QDate(2026, 12, 10), t));
        window->Timer12_Timer();
    }
    EXPECT_EQ(talk->calls.filter(QRegularExpression("^LoadChime")), (QStringList{"LoadChime 10", "LoadChime 11"}));
    EXPECT_EQ(speak::state.TalkText, "11時です");
    EXPECT_EQ(flag::state.VoicePath, "/tmp/jiho11.mp3");
}

TEST_F(Character, NoChimeWhenOff) {
    platform::clock::setFake(QDateTime(QDate(2026, 12, 10), QTime(10, 0, 0)));
    window->Timer12_Timer();
    EXPECT_TRUE(talk->calls.isEmpty());
}

// ---- start-up ------------------------------------------------------------------------------------

TEST_F(Character, WakeUpAnimation) {
    key("top", "100");
    key("left", "300");
    const QStringList events = start();
    const QStringList expected{"shape ShapePose05", "picture action.Image1(0)",
                               "sleep 1000",
                               "shape ShapeStandard", "picture gra.Image1(0)", "sleep 400",
                               "shape ShapePose01", "picture gra.Image1(2)", "sleep 100",
                               "shape ShapePose02", "picture gra.Image1(3)", "sleep 600",
                               "shape ShapePose01", "picture gra.Image1(2)", "sleep 100",
                               "shape ShapeStandard", "picture gra.Image1(0)", "sleep 600"};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(window->pos(), QPoint(100, 300));
    EXPECT_EQ(window->Shown(), gra::Image1(0));
    EXPECT_EQ(flag::state.StartupDone, 1);
    EXPECT_TRUE(window->Timer1.Enabled());
    EXPECT_TRUE(window->Timer9.Enabled());
    EXPECT_TRUE(window->Timer12.Enabled());
    EXPECT_TRUE(window->net_check.Enabled());
    EXPECT_FALSE(window->Timer2.Enabled());
    EXPECT_TRUE(window->clsSubclass && window->clsSubclass->ProcOrg());
    EXPECT_TRUE(Trei::TipExists());
}

TEST_F(Character, FirstRunWelcomeAndGreetingOfTheHour) {
    start();
    EXPECT_EQ(talk->calls.value(0), "LoadGreeting 1 7");
    EXPECT_EQ(speak::state.TalkText, "はじめましてマスター\r\nこれからよろしくお願いします");
    window.reset();
    window = std::make_unique<morvik>();
    talk->calls.clear();
    key("top", "10");
    key("left", "20");
    key("MasterName", "ご主人");
    key("kido", "1");
    start();
    EXPECT_EQ(talk->calls.value(0), "LoadGreeting 0 100");
    EXPECT_EQ(speak::state.TalkText, "おはようございます、ご主人さん\r\n今日も一日がんばりましょう");
    EXPECT_EQ(flag::state.VoicePath, "/tmp/aisatu7.mp3");
}

TEST_F(Character, SecondInstanceEndsAtOnce) {
    platform::SingleInstance other(morvik::InstanceName);
    ASSERT_TRUE(other.acquired());
    platform::pace::Recorder recorder;
    EXPECT_FALSE(window->Form_Load());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(talk->calls.isEmpty());
}

// Only another instance's lock ends the program: a lock that cannot be made is said on standard
// error and she starts.
TEST_F(Character, StartsWhenTheInstanceLockCannotBeMade) {
    const QString path = platform::SingleInstance::lockPath(morvik::InstanceName);
    QFile::remove(path);              // left by an earlier test of this process
    ASSERT_TRUE(QDir().mkpath(path)); // a folder where the lock file belongs
    testing::internal::CaptureStderr();
    const bool started = window->Form_Load();
    const std::string said = testing::internal::GetCapturedStderr();
    QDir().rmdir(path);
    EXPECT_TRUE(started);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(flag::state.StartupDone, 1);
    EXPECT_NE(said.find("morvik: cannot open " + path.toStdString()), std::string::npos) << said;
}

TEST_F(Character, StartUpCleansOnlyItsOwnTemporaryFiles) {
    const QString temp = platform::tempFolder();
    writeFile(temp + "/old.tmp", "x");
    writeFile(temp + "/temp.mdb", "x");
    writeFile(home.file("mine.tmp"), "user");
    writeFile(home.file("temp.mdb"), "user");
    // What a settings write killed midway left beside the settings file, and the user's own copies
    // beside it, some of them named as a temporary file of another program would be.
    writeFile(home.file(".mailSet.ini.morvik-tmp-a1B2c3"), "half");
    const QStringList users{"mailSet.ini.backup", "mailSet.ini.bak",    "mailSet.ini.2024-01",
                            "classes.reg.backup", "mailSet.ini.bPFmWN", "notes.txt.bPFmWN"};
    for (const QString& name : users)
        writeFile(home.file(name), "user");
    start();
    EXPECT_FALSE(QFile::exists(temp + "/old.tmp"));
    EXPECT_FALSE(QFile::exists(temp + "/temp.mdb"));
    EXPECT_TRUE(QFile::exists(home.file("mine.tmp")));
    EXPECT_TRUE(QFile::exists(home.file("temp.mdb")));
    EXPECT_FALSE(QFile::exists(home.file(".mailSet.ini.morvik-tmp-a1B2c3")));
    for (const QString& name : users)
        EXPECT_EQ(files::readFile(home.file(name)), "user") << name.toStdString();
}

TEST_F(Character, MenuVisibilityFromSettingsAndSiblings) {
    struct Case {
        const char* sibling; // a file put in the program folder or beside the executable, or ""
        bool besideExecutable;
        const char* shutdownKey;
        const char* proxy;
        bool connected;
        const char* temae;
    };
    QTemporaryDir bin;
    const QByteArray previousBin = qgetenv("MORVIK_BIN");
    qputenv("MORVIK_BIN", QFile::encodeName(bin.path()));
    for (const Case& c : {Case{"", false, "", "1", false, ""}, Case{"palk", false, "1", "0", false, "0"},
                          Case{"vens", false, "0", "", true, "1"}, Case{"vens", true, "", "", false, "1"},
                          Case{"palk", true, "", "", false, "1"}, Case{"dwim", false, "1", "", false, "x"}}) {
        window.reset();
        window = std::make_unique<morvik>();
        Trei::MainWindow = window.get();
        QDir(home.path()).removeRecursively();
        QDir().mkpath(home.path());
        QDir(bin.path()).removeRecursively();
        QDir().mkpath(bin.path());
        configureDialUp();
        if (*c.sibling)
            writeFile((c.besideExecutable ? bin.path() : home.path()) + "/" + QString::fromUtf8(c.sibling),
                      "");
        key("shutdown", c.shutdownKey);
        key("proxy", c.proxy);
        key("temae", c.temae);
        connected(c.connected);
        start();
        const std::string what = std::string(c.sibling) +
                                 (c.besideExecutable ? " beside the executable" : "") + " proxy=" + c.proxy;
        EXPECT_EQ(window->open_palk->isVisible(), std::string(c.sibling) == "palk") << what;
        EXPECT_EQ(window->open_vens->isVisible(), std::string(c.sibling) == "vens") << what;
        // dwim is no program of this system: its item stays hidden as without the file.
        EXPECT_FALSE(window->open_dwim->isVisible()) << what;
        EXPECT_EQ(window->line3->isVisible(), *c.sibling != 0 && std::string(c.sibling) != "dwim") << what;
        EXPECT_EQ(window->shutdown->isVisible(), std::string(c.shutdownKey) == "1") << what;
        const bool lan = std::string(c.proxy) == "1";
        EXPECT_EQ(window->net_cut->isVisible(), !lan && c.connected) << what;
        EXPECT_EQ(window->net_connect->isVisible(), !lan && !c.connected) << what;
        const bool onTop = std::string(c.temae) != "0";
        EXPECT_EQ(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop) << what;
        EXPECT_EQ(window->temae->text(),
                  onTop ? QStringLiteral("常に手前に表示を解除") : QStringLiteral("常に手前に表示"))
            << what;
    }
    qputenv("MORVIK_BIN", previousBin);
}

TEST_F(Character, StartUpMailCheckAndSstpGreeting) {
    key("mailcheckF", "1");
    key("proxy", "1");
    sstp->server = 1;
    start();
    EXPECT_EQ(mail->calls, QStringList{"CheckMail"});
    const QString greeting = QStringLiteral("\\h\\s0ちっ、でやがったな、無表情ロボめ"
                                            "\\w5\\u\\s0そーゆーことは、本人のいないところで言うもんやで\\e");
    EXPECT_EQ(speak::state.SstpScript, greeting);
    EXPECT_EQ(sstp->sent, QStringList{greeting + "|0"});
}

// ---- mouse ---------------------------------------------------------------------------------------

TEST_F(Character, PressMatrix) {
    struct Case {
        const char* name;
        Qt::MouseButton button;
        bool startupDone;
        int fukiShown;
        bool fukiOpen, fukiAsks;
        bool menuOpens;
        bool balloonCloses;
        int fukiShownAfter;
    };
    for (const Case& c : {Case{"before_startup", Qt::LeftButton, false, 1, true, false, false, false, 1},
                          Case{"left_plain_message", Qt::LeftButton, true, 1, true, false, false, true, 0},
                          Case{"left_question", Qt::LeftButton, true, 1, true, true, false, false, 1},
                          Case{"left_after_balloon_closed", Qt::LeftButton, true, 1, false, false, false, false, 0},
                          Case{"left_drags", Qt::LeftButton, true, 0, false, false, false, false, 0},
                          Case{"right_question", Qt::RightButton, true, 1, true, true, true, true, 0},
                          Case{"right_plain", Qt::RightButton, true, 0, false, false, true, false, 0}}) {
        flag::state.StartupDone = c.startupDone;
        flag::state.FukiShown = c.fukiShown;
        flag::state.IdleCount = 77;
        talk->fukiOpen = c.fukiOpen;
        talk->fukiAsks = c.fukiAsks;
        talk->calls.clear();
        window->settei->hide();
        window->show();
        QTest::mousePress(window.get(), c.button, {}, QPoint(80, 120));
        QTest::mouseRelease(window.get(), c.button, {}, QPoint(80, 120));
        EXPECT_EQ(window->settei->isVisible(), c.menuOpens) << c.name;
        EXPECT_EQ(talk->calls.contains("CloseFuki"), c.balloonCloses) << c.name;
        EXPECT_EQ(flag::state.FukiShown, c.fukiShownAfter) << c.name;
        EXPECT_EQ(flag::state.IdleCount, 0) << c.name; // any press on the picture is activity
        window->settei->hide();
    }
}

TEST_F(Character, RightPressOffersTheMailWhileTheSignShows) {
    struct Case {
        int item;    // the picture of the gauge box
        bool shown;  // the box is visible
        int abort;   // flag.MailAbort
        bool offered;
    };
    flag::state.StartupDone = 1;
    window->show();
    for (const Case& c : {Case{13, true, 0, true}, Case{13, true, 1, false}, Case{13, false, 0, false},
                          Case{5, true, 0, false}}) {
        window->mail_look->setVisible(false);
        window->ShowImage2(gra3::ImageList2(c.item));
        window->Image2->setVisible(c.shown);
        flag::state.MailAbort = qint16(c.abort);
        window->Form_MouseDown(2, QPoint(0, 0));
        EXPECT_EQ(window->mail_look->isVisible(), c.offered) << c.item << " " << c.shown << " " << c.abort;
        window->settei->hide();
    }
}

TEST_F(Character, DoubleClickTalksOnlyWhenFree) {
    for (auto [done, busy, talks] : {std::tuple{0, 0, false}, {1, 1, false}, {1, 0, true}}) {
        flag::state.StartupDone = qint16(done);
        flag::state.MailBusy = qint16(busy);
        talk->calls.clear();
        QTest::mouseDClick(window.get(), Qt::LeftButton, {}, QPoint(80, 120));
        EXPECT_EQ(talk->calls.contains("RandomTalk"), talks) << done << busy;
    }
}

// A command given inside a pause of hers (a movement's frame) is judged as it is given: one its
// guard refuses then never runs, also once the guard would let it. One that passes runs after the
// pause, unless it would replace a line she said meanwhile that still stands.
TEST_F(Character, ACommandGivenDuringAPauseIsJudgedThenAndKeepsHerLastWords) {
    enum class Given { doubleClick, getto, temae };
    enum class Meanwhile { nothing, checkEnds, says, saysAndCloses };
    struct Case {
        const char* name;
        Given given;
        bool mailBusy; // a check runs as it is given
        Meanwhile meanwhile;
        bool runs;
    };
    // clang-format off
    const Case cases[] = {
        {"double-click, free", Given::doubleClick, false, Meanwhile::nothing, true},
        {"double-click in a check that ends", Given::doubleClick, true, Meanwhile::checkEnds, false},
        {"double-click, she says a line", Given::doubleClick, false, Meanwhile::says, false},
        {"double-click, her line has closed", Given::doubleClick, false, Meanwhile::saysAndCloses, true},
        {"メールを確認する in a check that ends", Given::getto, true, Meanwhile::checkEnds, false},
        {"常に手前に表示, she says a line", Given::temae, false, Meanwhile::says, true},
    };
    // clang-format on
    flag::state.StartupDone = 1;
    window->show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        flag::state.MailBusy = c.mailBusy ? 1 : 0;
        flag::state.TopMost = QStringLiteral("0");
        talk->fukiOpen = false;
        talk->calls.clear();
        bool ranInThePause = false;
        const auto ran = [&] {
            switch (c.given) {
            case Given::doubleClick:
                return talk->calls.contains("RandomTalk");
            case Given::getto:
                return talk->calls.contains("ShowFuki メールの設定が行われていません");
            case Given::temae:
                return flag::state.TopMost == QStringLiteral("1");
            }
            return false;
        };
        QTimer::singleShot(50, window.get(), [&] {
            if (c.given == Given::doubleClick)
                QTest::mouseDClick(window.get(), Qt::LeftButton, {}, QPoint(80, 120));
            else
                (c.given == Given::getto ? window->getto : window->temae)->trigger();
            ranInThePause = ran();
        });
        QTimer::singleShot(120, window.get(), [&] {
            if (c.meanwhile == Meanwhile::checkEnds)
                flag::state.MailBusy = 0;
            if (c.meanwhile == Meanwhile::says || c.meanwhile == Meanwhile::saysAndCloses) {
                speak::state.TalkText = QStringLiteral("デスクトップの結果");
                talk->ShowFuki();
            }
            if (c.meanwhile == Meanwhile::saysAndCloses)
                talk->CloseFuki();
        });
        platform::pace::sleep(250);
        EXPECT_FALSE(ranInThePause);
        QTest::qWait(50);
        EXPECT_EQ(ran(), c.runs) << talk->calls.join(QLatin1Char('|')).toStdString();
    }
}

// 終了 chosen inside a pause of hers, when she says a line meanwhile: her farewell does not replace
// it, and the exit is not lost either: it comes once that line has closed.
TEST_F(Character, HerExitGivenDuringAPauseComesOnceWhatSheSaidMeanwhileHasClosed) {
    flag::state.StartupDone = 1;
    window->show();
    QTimer::singleShot(50, window.get(), [&] { window->end->trigger(); });
    QTimer::singleShot(120, window.get(), [&] {
        speak::state.TalkText = QStringLiteral("デスクトップの結果");
        talk->ShowFuki();
    });
    platform::pace::sleep(250);
    QTest::qWait(50);
    EXPECT_FALSE(flag::state.Exiting);
    EXPECT_FALSE(talk->calls.contains("FarewellTalk"));

    // Her frames pass at once from here.
    platform::pace::Recorder instant;
    talk->CloseFuki();
    QTest::qWait(50);
    EXPECT_TRUE(flag::state.Exiting);
    EXPECT_TRUE(talk->calls.contains("FarewellTalk")) << talk->calls.join(QLatin1Char('|')).toStdString();
}

TEST_F(Character, TrayRightClickOpensTheMenuEvenBeforeStartUp) {
    window->Picture1_MouseMove(512);
    EXPECT_FALSE(window->settei->isVisible());
    window->Picture1_MouseMove(516);
    EXPECT_TRUE(window->settei->isVisible());
    window->settei->hide();
}

// The tray's right-click comes over D-Bus, past the input gate of a wait: during one it opens no
// menu, neither then nor once the wait is over.
TEST_F(Character, TrayRightClickDuringAWaitOpensNoMenu) {
    bool duringWait = false;
    QTimer::singleShot(20, [&] {
        duringWait = platform::pace::waiting();
        window->Picture1_MouseMove(516);
    });
    platform::pace::hold(150);
    ASSERT_TRUE(duringWait);
    QTest::qWait(50);
    EXPECT_FALSE(window->settei->isVisible());
    window->Picture1_MouseMove(516);
    EXPECT_TRUE(window->settei->isVisible());
    window->settei->hide();
}

TEST_F(Character, TheMailSummaryTipAppearsWhereTheMouseRestsOnTheSign) {
    key("top", "100");
    key("left", "300");
    start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    // She holds up her sign board with the new-mail sign on it.
    RgnCall::ShapePose05(window.get());
    window->ShowPicture(gra::Image1(6));
    window->ShowImage2(gra3::ImageList2(13));
    const QString summary = QStringLiteral("お知らせ\nご注文の確認");
    Trei::SetTipText(summary);
    // The user works in a window of their own: hers is not the active one.
    QWidget theirs;
    theirs.show();
    theirs.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&theirs));
    ASSERT_FALSE(window->isActiveWindow());

    QTest::mouseMove(window->windowHandle(), window->Image2->geometry().center());
    for (int waited = 0; waited < 5000 && !QToolTip::isVisible(); waited += 50)
        QTest::qWait(50);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), summary);
    QToolTip::hideText();

    // The sign still passes her presses on: a right press on it opens the menu that offers the mail.
    QTest::mousePress(window->windowHandle(), Qt::RightButton, {}, window->Image2->geometry().center());
    QTest::mouseRelease(window->windowHandle(), Qt::RightButton, {}, window->Image2->geometry().center());
    EXPECT_TRUE(window->settei->isVisible());
    EXPECT_TRUE(window->mail_look->isVisible());
    window->settei->hide();
}

// ---- menu commands -------------------------------------------------------------------------------

TEST_F(Character, MenuCommands) {
    window->temae_Click(); // flag.TopMost empty: nothing
    EXPECT_EQ(flag::state.TopMost, "");
    flag::state.TopMost = "1";
    window->temae_Click();
    EXPECT_EQ(flag::state.TopMost, "0");
    EXPECT_EQ(window->temae->text(), "常に手前に表示");

    const bool before = window->mail_sub_cut->isChecked();
    window->mail_sub_cut->trigger();
    window->mail_sub_cut->trigger();
    EXPECT_EQ(window->mail_sub_cut->isChecked(), before);

    window->move(70, 80);
    window->show();
    window->not_vis_Click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->vis->isVisible());
    window->vis_Click();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), QPoint(70, 80));

    key("AutoEnd", "1");
    window->open_palk_Click();
    EXPECT_EQ(windows->calls, (QStringList{"ShowPalk", "UnloadPalk"}));
    EXPECT_TRUE(talk->calls.contains("CloseFuki3"));
}

TEST_F(Character, WithoutATrayIconHidingHerIsNotOffered) {
    // No tray host on this desktop: once hidden, nothing could bring her back.
    key("proxy", "1");
    start();
    ASSERT_EQ(Trei::Tray(), nullptr);
    QTest::mousePress(window.get(), Qt::RightButton, {}, QPoint(80, 120));
    ASSERT_TRUE(window->settei->isVisible());
    EXPECT_FALSE(window->not_vis->isVisible());
    EXPECT_FALSE(window->vis->isVisible());
    window->settei->hide();
}

// Making her dial-up object lists NetworkManager's profiles over the system bus: that waits until
// her window is shown.
TEST_F(Character, TheDialUpObjectIsMadeOnceHerWindowShows) {
    struct Listing : FakeRas {
        std::function<void()> listed;
        Entries EnumEntries() override {
            listed();
            return FakeRas::EnumEntries();
        }
    };
    auto listing = std::make_shared<Listing>();
    std::optional<bool> shownWhenListed;
    listing->listed = [&] { shownWhenListed = shownWhenListed.value_or(window->isVisible()); };
    dialup::install(listing);
    EXPECT_EQ(window->RasSample, nullptr);
    start();
    ASSERT_NE(window->RasSample, nullptr);
    ASSERT_TRUE(shownWhenListed.has_value());
    EXPECT_TRUE(*shownWhenListed);
}

TEST_F(Character, MailCommandsWithoutSetupOrCache) {
    window->getto_Click(); // no accounts in the settings database
    EXPECT_TRUE(talk->calls.contains("PlayCommonVoice 9"));
    EXPECT_EQ(speak::state.TalkText, "メールの設定が行われていません");
    EXPECT_TRUE(mail->calls.isEmpty());

    window->again->setVisible(true);
    window->again_Click();
    EXPECT_EQ(speak::state.TalkText, "チェック履歴はありません");
    EXPECT_FALSE(window->again->isVisible());

    window->mail_look_Click();
    EXPECT_EQ(mail->calls, QStringList{"DownloadAllMail"});
    EXPECT_EQ(speak::state.TalkText, "メールはありません");

    writeFile(platform::tempFolder() + "/temp.mdb", "x");
    window->Timer13_Timer();
    EXPECT_TRUE(window->again->isVisible());
    QFile::remove(platform::tempFolder() + "/temp.mdb");
    window->Timer13_Timer();
    EXPECT_TRUE(window->again->isVisible());
}

// Whether done() comes true while her timers tick on (ten seconds at most).
bool waitFor(const std::function<bool()>& done) {
    return QTest::qWaitFor(done, 10000);
}

// Her 100 ms timers ticking on their own beat act on whatever changed between two ticks: a settings
// file edited by hand, the dial-up connection, the settings database changed by another program,
// the mail cache made.
TEST_F(Character, TheBeatActsOnWhatChangedBetweenTwoTicks) {
    connected(true);
    key("proxy", "0");
    key("mailcheckF", "1");
    const QString ini = IniManage::state.IniPath;
    window->Timer10.setInterval(12345);
    window->Timer9.setEnabled(true);
    window->Timer13.setEnabled(true);
    ASSERT_TRUE(waitFor([&] { return window->Timer10.Interval() == 60000; }));

    const QByteArray settings = files::readFile(ini);
    ASSERT_FALSE(settings.isEmpty());
    writeFile(ini, QByteArray(settings).replace("mailcheckF=1", "mailcheckF=0"));
    EXPECT_TRUE(waitFor([&] { return window->Timer10.Interval() == 0; })) << "the edited file";
    writeFile(ini, settings);
    ASSERT_TRUE(waitFor([&] { return window->Timer10.Interval() == 60000; }));

    connected(false);
    EXPECT_TRUE(waitFor([&] { return window->Timer10.Interval() == 0; })) << "the connection gone";
    connected(true);
    ASSERT_TRUE(waitFor([&] { return window->Timer10.Interval() == 60000; }));

    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(settings_db::path()).constData(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, "UPDATE net_entry SET net_ent = 'other' WHERE ID = 1", nullptr, nullptr,
                               nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    EXPECT_TRUE(waitFor([&] { return window->Timer10.Interval() == 0; })) << "the changed dial-up entry";

    EXPECT_FALSE(window->again->isVisible());
    writeFile(platform::tempFolder() + "/temp.mdb", "x");
    EXPECT_TRUE(waitFor([&] { return window->again->isVisible(); })) << "the mail cache";
    window->Timer9.setEnabled(false);
    window->Timer13.setEnabled(false);
}

// Her mail arming rests while nothing it looks at changes (through a proxy she asks no connection):
// a settings file edited by hand, or replaced by rename, wakes it at once.
TEST_F(Character, ARestingBeatWakesForTheSettingsFileEditedOrReplaced) {
    key("proxy", "1");
    key("mailcheckF", "1");
    const QString ini = IniManage::state.IniPath;
    window->Timer10.setInterval(12345);
    window->Timer9.setEnabled(true);
    ASSERT_TRUE(waitFor([&] { return window->Timer10.Interval() == 60000; }));
    ASSERT_TRUE(waitFor([&] { return window->Timer9.resting(); }));

    const QByteArray settings = files::readFile(ini);
    ASSERT_FALSE(settings.isEmpty());
    writeFile(ini, QByteArray(settings).replace("mailcheckF=1", "mailcheckF=0"));
    EXPECT_TRUE(waitFor([&] { return window->Timer10.Interval() == 0; })) << "the edited file";
    ASSERT_TRUE(waitFor([&] { return window->Timer9.resting(); }));

    writeFile(ini + ".new", settings);
    ASSERT_EQ(::rename(QFile::encodeName(ini + ".new").constData(), QFile::encodeName(ini).constData()), 0);
    EXPECT_TRUE(waitFor([&] { return window->Timer10.Interval() == 60000; })) << "the file replaced";
    window->Timer9.setEnabled(false);
}

// Her mail arming and her dial-up watch ask the same answer in one beat: whichever asks second
// does not rest on an answer whose look nothing announces (here the test's own connection list).
TEST_F(Character, NoWatchRestsOnAConnectionAnswerNothingAnnounces) {
    connected(false);
    key("proxy", "0");
    key("mailcheckF", "1");
    window->Timer9.setEnabled(true);
    window->net_check.setEnabled(true);
    ASSERT_TRUE(waitFor([&] { return window->net_connect->isVisible(); }));
    QTest::qWait(300);
    EXPECT_FALSE(window->Timer9.resting());
    EXPECT_FALSE(window->net_check.resting());
    connected(true);
    EXPECT_TRUE(waitFor([&] { return window->net_cut->isVisible(); }));
    EXPECT_TRUE(waitFor([&] { return window->Timer10.Interval() == 60000; }));
    window->Timer9.setEnabled(false);
    window->net_check.setEnabled(false);
}

// While a check or download runs, her mail commands and the timed check start nothing.
TEST_F(Character, MailCommandsWhileMailIsBusy) {
    flag::state.MailBusy = 1;
    writeFile(platform::tempFolder() + "/temp.mdb", "x");
    window->getto_Click();
    window->mail_look_Click();
    window->again_Click();
    window->TimeSet_Click();
    window->Timer10_Timer();
    EXPECT_TRUE(mail->calls.isEmpty());
    EXPECT_TRUE(talk->calls.isEmpty());
}

// An aborted download has said so itself: no "メールはありません" over it.
TEST_F(Character, MailLookAfterAnAbortedDownload) {
    mail->downloadAborts = true;
    window->mail_look_Click();
    EXPECT_EQ(mail->calls, QStringList{"DownloadAllMail"});
    EXPECT_FALSE(talk->calls.contains("PlayCommonVoice 11"));
    EXPECT_EQ(flag::state.MailAbort, 0);
}

TEST_F(Character, ResetTimerWhileTheSwapRuns) {
    window->Timer11.setEnabled(true);
    window->Timer7.setEnabled(true);
    window->Label1->show();
    window->ShowPicture(gra::Image1(6));
    window->reset_timer();
    EXPECT_FALSE(window->Timer7.Enabled());
    EXPECT_TRUE(window->Timer9.Enabled());
    EXPECT_FALSE(window->Timer1.Enabled());
    EXPECT_FALSE(window->Label1->isVisibleTo(window.get()));
    EXPECT_EQ(window->Shown(), gra::Image1(6));
    window->Timer11.setEnabled(false);
    window->reset_timer();
    EXPECT_TRUE(window->Timer1.Enabled());
    EXPECT_TRUE(window->Timer2.Enabled());
    EXPECT_EQ(window->Shown(), gra::Image1(0));
}

// ---- exit ----------------------------------------------------------------------------------------

TEST_F(Character, ExitSequence) {
    key("proxy", "1");
    start();
    window->move(100, 300);
    sstp->server = 1;
    const QString temp = platform::tempFolder();
    writeFile(temp + "/temp7.mp3", "clip");
    writeFile(temp + "/x.tmp", "x");
    writeFile(temp + "/mail/1.tmp", "a fetched message");
    writeFile(home.file("song.mp3"), "the user's own");
    talk->calls.clear();
    platform::pace::Recorder recorder;
    window->end_Click();
    // A transfer in progress is ended first; the fetched messages go with the other leftovers.
    EXPECT_EQ(mail->calls.value(0), "Cancel");
    EXPECT_FALSE(QFile::exists(temp + "/mail/1.tmp"));
    EXPECT_EQ(recorder.events,
              (QStringList{"shape ShapePose01", "picture gra.Image1(2)", "sleep 100",
                           "shape ShapePose02", "picture gra.Image1(3)", "sleep 600",
                           "shape ShapePose01", "picture gra.Image1(2)", "sleep 100",
                           "shape ShapeStandard", "picture gra.Image1(0)", "sleep 100",
                           "sleep 600"}));
    EXPECT_EQ(talk->calls, QStringList{"FarewellTalk"});
    EXPECT_EQ(flag::state.PlayMode, 3);
    EXPECT_TRUE(window->Timer7.Enabled());
    EXPECT_FALSE(Trei::TipExists());
    EXPECT_FALSE(window->clsSubclass);
    const QString farewell = QStringLiteral("\\h\\s0ふっ、勝った\\w5\\u\\s0なんのはなしや？\\e");
    EXPECT_EQ(speak::state.SstpScript, farewell);
    EXPECT_EQ(sstp->sent, QStringList{farewell + "|0"});
    IniManage::BeginBatch();
    EXPECT_EQ(IniManage::GetIni("top"), "100");
    EXPECT_EQ(IniManage::GetIni("left"), "300");
    EXPECT_EQ(IniManage::GetIni("right"), "250");
    EXPECT_EQ(IniManage::GetIni("bottom"), "470");
    EXPECT_EQ(IniManage::GetIni("temae"), "1");
    EXPECT_FALSE(QFile::exists(temp + "/temp7.mp3"));
    EXPECT_FALSE(QFile::exists(temp + "/x.tmp"));
    EXPECT_TRUE(QFile::exists(home.file("song.mp3")));

    // Nothing else may speak now: the chime, the battery voice and a double-click stay quiet.
    key("jiho", "1");
    platform::clock::setFake(QDateTime(QDate(2026, 12, 10), QTime(8, 0, 0)));
    talk->calls.clear();
    window->Timer12_Timer();
    window->Form_DblClick();
    window->shutdown->trigger();
    EXPECT_TRUE(talk->calls.isEmpty());
    EXPECT_EQ(flag::state.PlayMode, 3);

    talk->state = 1; // the farewell still plays
    window->Timer7_Timer();
    EXPECT_EQ(ended, 0);
    talk->state = 0;
    window->Timer7_Timer();
    EXPECT_EQ(ended, 1);
}

// Hidden from the menu, she is still ended by the session, and keeps her place.
TEST_F(Character, SessionEndWhileHiddenKeepsHerPlace) {
    key("proxy", "1");
    start();
    window->move(60, 80);
    window->not_vis_Click();
    window->close();
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(mail->calls.contains("Cancel"));
    IniManage::BeginBatch();
    EXPECT_EQ(IniManage::GetIni("top"), "60");
    EXPECT_EQ(IniManage::GetIni("left"), "80");
}

// The session ends her (the window closed, as SIGTERM does) during her farewell: the program ends
// then, once, and not when the farewell would have.
TEST_F(Character, SessionEndDuringTheFarewellEndsHer) {
    key("proxy", "1");
    start();
    talk->state = 1; // the farewell plays on
    {
        platform::pace::Recorder instant;
        window->end_Click();
    }
    ASSERT_EQ(ended, 0);
    window->move(70, 90);
    window->close();
    EXPECT_EQ(ended, 1);
    IniManage::BeginBatch();
    EXPECT_EQ(IniManage::GetIni("top"), "70");
    EXPECT_EQ(IniManage::GetIni("left"), "90");
    talk->state = 0;
    window->Timer7_Timer();
    window->close();
    EXPECT_EQ(ended, 1);
}

// Once the exit has begun no menu command runs, whichever item is chosen, and the tray's right click
// no longer opens the menu.
TEST_F(Character, NoCommandRunsOnceTheExitHasBegun) {
    key("proxy", "1");
    start();
    {
        platform::pace::Recorder instant;
        window->end_Click();
    }
    talk->calls.clear();
    mail->calls.clear();
    windows->calls.clear();
    const QPoint place = window->pos();
    for (QAction* action : window->settei->actions())
        action->trigger();
    EXPECT_EQ(talk->calls, QStringList());
    EXPECT_EQ(mail->calls, QStringList());
    EXPECT_EQ(windows->calls, QStringList());
    EXPECT_EQ(messages, QStringList());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), place);
    EXPECT_EQ(flag::state.PlayMode, 3);
    EXPECT_EQ(ended, 0);
    window->Picture1_MouseMove(516);
    EXPECT_FALSE(window->settei->isVisible());
}

// パルク goes with her; while a chore of his runs (the exit was chosen during one of its pauses) the
// program ends only once it has returned, whether her farewell ends or the session ends her.
TEST_F(Character, TheProgramEndsOnlyOncePalksChoreHasReturned) {
    key("proxy", "1");
    start();
    windows->palkBusy = true;
    {
        platform::pace::Recorder instant;
        window->end_Click();
    }
    EXPECT_EQ(windows->calls.value(0), "UnloadPalk");
    window->Timer7_Timer(); // the farewell has ended
    QTest::qWait(4 * morvik::PalkWaitMs);
    EXPECT_EQ(ended, 0);
    windows->palkBusy = false;
    QTRY_COMPARE_WITH_TIMEOUT(ended, 1, 5000);

    window->close(); // once ended, the session's end ends nothing more
    QTest::qWait(2 * morvik::PalkWaitMs);
    EXPECT_EQ(ended, 1);
}

TEST_F(Character, EndedByTheSessionDuringPalksChoreTheProgramEndsAfterIt) {
    key("proxy", "1");
    start();
    windows->palkBusy = true;
    window->close();
    EXPECT_TRUE(windows->calls.contains("UnloadPalk"));
    QTest::qWait(4 * morvik::PalkWaitMs);
    EXPECT_EQ(ended, 0);
    windows->palkBusy = false;
    QTRY_COMPARE_WITH_TIMEOUT(ended, 1, 5000);
}

TEST_F(Character, ExitEndsEvenIfTheFarewellNeverStops) {
    morvik::FarewellLimitMs = 300;
    talk->state = 1;
    platform::pace::Recorder instant; // the closing animation without its pauses
    window->end_Click();
    QTest::qWait(50);
    EXPECT_EQ(ended, 0);
    QTRY_COMPARE_WITH_TIMEOUT(ended, 1, morvik::FarewellLimitMs + 5000);
}

} // namespace

namespace {

TEST_F(Character, LeftDragMovesTheWindowAndAClickDoesNot) {
    flag::state.StartupDone = 1;
    window->move(100, 100);
    window->show();
    QTest::mousePress(window.get(), Qt::LeftButton, {}, QPoint(80, 120));
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, QPoint(80, 120));
    EXPECT_EQ(window->pos(), QPoint(100, 100));

    QTest::mousePress(window.get(), Qt::LeftButton, {}, QPoint(80, 120));
    QMouseEvent move(QEvent::MouseMove, QPointF(110, 150), window->mapToGlobal(QPointF(110, 150)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &move);
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, QPoint(110, 150));
    EXPECT_EQ(window->pos(), QPoint(130, 130));
}

} // namespace

namespace {

// ---- every tick acts on the settings as they are now ---------------------------------------------
// The settings file, MAIL.INI and the power-supply listing are kept in memory between ticks. In
// these tests every file's stamp is trusted at once and the files are dated long ago, so what the
// next tick sees of a change it sees by the stamps alone.

void renameOver(const QString& from, const QString& to) {
    ASSERT_EQ(::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()), 0);
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Edit {
    const char* name;
    // Replaces `from` by `to` in the file at path.
    std::function<void(const QString& path, const QByteArray& from, const QByteArray& to)> apply;
};
void PrintTo(const Edit& e, std::ostream* os) {
    *os << e.name;
}

const Edit kByHand{"by_hand", [](const QString& path, const QByteArray& from, const QByteArray& to) {
                       writeFile(path, readBytes(path).replace(from, to));
                   }};
const Edit kByRename{"by_rename", [](const QString& path, const QByteArray& from, const QByteArray& to) {
                         writeFile(path + ".new", readBytes(path).replace(from, to));
                         copyModified(path, path + ".new");
                         renameOver(path + ".new", path);
                     }};

class SettingsFileBetweenTicks : public Character, public ::testing::WithParamInterface<Edit> {};

TEST_P(SettingsFileBetweenTicks, TheBatteryWatchFollowsBatflag) {
    TrustedStamps trusted;
    key("batflag", "1");
    backdate(IniManage::state.IniPath);
    flag::state.PowerState = "2";
    powerSupply(powerRoot, false, 50);
    platform::pace::Recorder watched;
    window->Timer1_Timer();
    ASSERT_FALSE(watched.events.isEmpty());
    GetParam().apply(IniManage::state.IniPath, "batflag=1", "batflag=0");
    platform::pace::Recorder off;
    window->Timer1_Timer();
    EXPECT_TRUE(off.events.isEmpty());
    EXPECT_EQ(flag::state.PowerState, "1");
}

const Edit kSavedByTheProgram{
    "saved_by_the_program", [](const QString&, const QByteArray&, const QByteArray& to) {
        const QList<QByteArray> pair = to.split('=');
        IniManage::BeginBatch();
        ASSERT_TRUE(IniManage::WriteIni(QString::fromUtf8(pair[0]), QString::fromUtf8(pair[1])));
    }};

INSTANTIATE_TEST_SUITE_P(Edits, SettingsFileBetweenTicks,
                         ::testing::Values(kSavedByTheProgram, kByHand, kByRename),
                         [](const auto& info) { return std::string(info.param.name); });

class DialUpEntryBetweenTicks : public Character, public ::testing::WithParamInterface<Edit> {};

// Only "isp-two" is connected: the arming timer arms the check once the entry names it.
TEST_P(DialUpEntryBetweenTicks, TheArmingTimerLooksForTheNewEntry) {
    TrustedStamps trusted;
    key("proxy", "0");
    key("mailcheckF", "1");
    const QStringList columns{"net_ent", "net_user", "net_pass"};
    ASSERT_TRUE(settings_db::updateRow("net_entry", 1, columns, {"isp-one", "u", "p"}));
    ras->connections = {dialup::Connection{7, "isp-two"}};
    backdate(settings_db::path());
    window->Timer9_Timer();
    ASSERT_EQ(window->Timer10.Interval(), 0);
    GetParam().apply(settings_db::path(), "isp-one", "isp-two");
    window->Timer9_Timer();
    EXPECT_EQ(window->Timer10.Interval(), 60000);
}

// Changes the database as another program would: through SQLite, on the file or on a copy that
// then replaces it.
void sqlReplace(const QString& path, const QByteArray& from, const QByteArray& to) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr),
              SQLITE_OK);
    const QByteArray sql = "UPDATE net_entry SET net_ent = '" + to + "' WHERE net_ent = '" + from + "'";
    EXPECT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close_v2(db);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, DialUpEntryBetweenTicks,
    ::testing::Values(Edit{"saved_by_the_settings_dialog",
                           [](const QString&, const QByteArray&, const QByteArray& to) {
                               ASSERT_TRUE(settings_db::updateRow("net_entry", 1, {"net_ent"},
                                                                  {QString::fromUtf8(to)}));
                           }},
                      Edit{"by_hand", sqlReplace},
                      Edit{"by_rename",
                           [](const QString& path, const QByteArray& from, const QByteArray& to) {
                               ASSERT_TRUE(QFile::copy(path, path + ".new"));
                               sqlReplace(path + ".new", from, to);
                               renameOver(path + ".new", path);
                           }}),
    [](const auto& info) { return std::string(info.param.name); });

class PowerFolderBetweenTicks : public Character, public ::testing::WithParamInterface<Edit> {};

TEST_P(PowerFolderBetweenTicks, TheBatteryWatchSeesTheUnplugging) {
    TrustedStamps trusted;
    powerSupply(powerRoot, true, 50);
    for (const char* path : {"", "/AC", "/BAT0"})
        backdate(powerRoot + QString::fromUtf8(path));
    flag::state.PowerState = "1";
    platform::pace::Recorder onMains;
    window->Timer1_Timer();
    ASSERT_TRUE(onMains.events.isEmpty());
    GetParam().apply(powerRoot + "/AC/online", "1", "0");
    GetParam().apply(powerRoot + "/BAT0/status", "Charging", "Discharging");
    platform::pace::Recorder unplugged;
    window->Timer1_Timer();
    EXPECT_EQ(flag::state.PowerState, "2");
    EXPECT_TRUE(unplugged.events.contains("shape ShapePose04"));
}

INSTANTIATE_TEST_SUITE_P(Edits, PowerFolderBetweenTicks, ::testing::Values(kByHand, kByRename),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Character, TheBatteryWatchSeesABatteryPutIntoADesktop) {
    TrustedStamps trusted;
    backdate(powerRoot);
    flag::state.PowerState = "1";
    platform::pace::Recorder desktop;
    window->Timer1_Timer();
    ASSERT_TRUE(desktop.events.isEmpty());
    writeFile(powerRoot + "/BAT0/type", "Battery\n");
    writeFile(powerRoot + "/BAT0/capacity", "30\n");
    writeFile(powerRoot + "/BAT0/status", "Discharging\n");
    platform::pace::Recorder battery;
    window->Timer1_Timer();
    EXPECT_EQ(flag::state.PowerState, "2");
    EXPECT_EQ(window->Label1->text(), "30%");
}

// Her place and 常に手前 are kept in mailSet.ini; a file that cannot be rewritten is said once on
// standard error, with its name and why, however often she saves.
TEST_F(Character, APlaceThatCannotBeKeptIsSaidOnceWithTheFile) {
    const QString ini = IniManage::state.IniPath;
    QFile::remove(ini);
    ASSERT_TRUE(QDir().mkpath(ini)); // a folder where the file belongs
    flag::state.TopMost = "1";
    testing::internal::CaptureStderr();
    window->SavePosition();
    window->move(40, 50);
    window->SavePosition();
    const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());
    QDir().rmdir(ini);
    EXPECT_EQ(said.count("morvik: "), 1) << said.toStdString();
    EXPECT_TRUE(said.contains("morvik: cannot keep her place and 常に手前 in " + ini + ": ")) << said.toStdString();
}

// A full disk (a file size limit below the file's size) is said with the system's reason, and the
// file stays as it was.
TEST_F(Character, APlaceThatCannotBeKeptForAFullDiskSaysTheSystemsReason) {
    const QString ini = IniManage::state.IniPath;
    writeFile(ini, "[someone]\nnote=" + QByteArray(8000, 'x') + "\n");
    window->SavePosition(); // a save that works: anything said before is forgotten
    const QByteArray before = files::readFile(ini);
    window->move(40, 50);
    testing::internal::CaptureStderr();
    {
        const FileSizeLimit limit(4096);
        window->SavePosition();
    }
    const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_TRUE(said.contains("morvik: cannot keep her place and 常に手前 in " + ini +
                              ": cannot write: " + QString::fromLocal8Bit(std::strerror(EFBIG)) + "\n"))
        << said.toStdString();
    EXPECT_EQ(files::readFile(ini), before);
}

// ヘルプ that opens nothing, with no xdg-open to start or one that ends in failure (status 3:
// nothing to open with), is said once on standard error, with the file and why.
TEST_F(Character, HelpThatOpensNothingIsSaidOnce) {
    const QString help = platform::dataFolder() + "/help/morvik.html";
    const struct {
        const char* name;
        const char* opener; // the script put on PATH as xdg-open, or nullptr for none
        QString why;        // what is said after the file, or "" for any
    } cases[] = {{"no program", nullptr, ""},
                 {"nothing to open with", "#!/bin/sh\nexit 3\n", "xdg-open exited with status 3\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QTemporaryDir programs;
        if (c.opener) {
            writeFile(programs.filePath("xdg-open"), c.opener);
            QFile(programs.filePath("xdg-open")).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", programs.path().toUtf8());
        const QString said = [&] {
            testing::internal::CaptureStderr();
            window->help_Click();
            window->help_Click();
            // Both openers have ended once nothing of them is left under her.
            EXPECT_TRUE(waitFor([&] { return window->findChildren<QProcess*>().isEmpty(); }));
            return QString::fromStdString(testing::internal::GetCapturedStderr());
        }();
        qputenv("PATH", path);
        EXPECT_EQ(said.count("morvik: "), 1) << said.toStdString();
        EXPECT_TRUE(said.contains("morvik: cannot open the help " + help + ": " + c.why))
            << said.toStdString();
    }
}

} // namespace

// Setting the clock, against real peers on loopback and python-dbusmock's timedated on a private
// bus (which sets no clock): chrony and scripted SNTP peers, the time page from a real HTTP server
// of the test's own, the system's refusals, and what she says of each outcome.
#include "../window/fakes.h"
#include "app/mail/clock_setting.h"
#include "app/mail/mail.h"
#include "app/settings/IniManage.h"
#include "app/state/state.h"
#include "app/window/morvik.h"
#include "chrony.h"
#include "page_server.h"
#include "platform/codec.h"
#include "platform/pace.h"
#include "platform/power.h"
#include "sntp_peer.h"
#include "test_home.h"
#include "timedated_mock.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>
#include <gtest/gtest.h>
#include <optional>

namespace {

using clock_setting::Outcome;
using sntp_peer::Peer;
using timedated_mock::MockTimedated;

constexpr qint64 kUsec = 1000000;

// A page of the time page's layout in CP932, with Japanese before the date text on line 31: its
// 35th character is the date's first, though not its 35th byte.
QByteArray page(const QString& date) {
    QString text;
    for (int i = 0; i < 30; ++i)
        text += QStringLiteral("<p>日本標準時 %1</p>\n").arg(i);
    text += QStringLiteral("<p>日本標準時をお知らせします。現在の時刻は").leftJustified(34, u' ', true) +
            date + QStringLiteral(" JST</p>\n</body>\n");
    return platform::codec::toCp932(text);
}

// The same page with line 31 written as given.
QByteArray pageWithLine(const QByteArray& line31, const QByteArray& lineEnd = "\n") {
    QByteArray bytes;
    for (int i = 0; i < 30; ++i)
        bytes += "line " + QByteArray::number(i) + lineEnd;
    return bytes + line31 + lineEnd;
}

// 34 characters before the date text.
const QByteArray kPrefix = QByteArray("Japan Standard Time is now ........").left(34);

qint64 utcUsec(int year, int month, int day, int h, int m, int s) {
    return QDateTime(QDate(year, month, day), QTime(h, m, s), Qt::UTC).toSecsSinceEpoch() * kUsec;
}

class ClockSetting : public ::testing::Test {
protected:
    void SetUp() override {
        state::resetAll();
        talk = installTalk();
        services::install(std::make_unique<MailService>());
        ASSERT_TRUE(pages.isValid());
        QDir(pages.path()).mkpath(QStringLiteral("cgi-bin"));
        clock_setting::options().pageUrl = server.url(QStringLiteral("/cgi-bin/JST.cgi"));
        timedated.start();
    }
    void TearDown() override {
        clock_setting::options() = clock_setting::Options{};
        services::reset();
    }
    void key(const char* name, const QString& value) {
        IniManage::BeginBatch();
        IniManage::WriteIni(QLatin1String(name), value);
    }
    void serve(const QByteArray& bytes) {
        QFile file(pages.filePath(QStringLiteral("cgi-bin/JST.cgi")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    // The SetTime calls timedated answered, as (usec, relative, interactive).
    std::vector<QVariantList> setTimes() { return timedated.setTimes(); }
    QStringList spoken() const {
        QStringList out;
        for (const QString& call : talk->calls)
            if (call.startsWith(QStringLiteral("PlayCommonVoice")) ||
                call.startsWith(QStringLiteral("ShowFuki")) ||
                call.startsWith(QStringLiteral("SetFukiText")) || call == QStringLiteral("PlayVoice"))
                out << call;
        return out;
    }

    TestHome home;
    QTemporaryDir pages;
    PageServer server{pages.path()};
    MockTimedated timedated;
    FakeTalk* talk = nullptr;
};

// ---- the time page --------------------------------------------------------------------------

struct Page {
    const char* name;
    QByteArray bytes;
    const char* path; // where the page is asked for
    qint64 usec;      // the SetTime it gives, or -1 for none
};

void PrintTo(const Page& p, std::ostream* os) {
    *os << p.name;
}

class Pages : public ClockSetting, public ::testing::WithParamInterface<Page> {};

TEST_P(Pages, OnlyAValidDateSetsTheClockAsJapanTime) {
    const Page& p = GetParam();
    serve(p.bytes);
    clock_setting::options().pageUrl = server.url(QLatin1String(p.path));
    key("HttpTime", QStringLiteral("1"));
    flag::state.VoicePath = QStringLiteral("/tmp/temp20.mp3"); // an older clip that must not play again
    services::mail().SetSntpConnect();
    const auto calls = setTimes();
    if (p.usec < 0) {
        EXPECT_TRUE(calls.empty());
        EXPECT_EQ(spoken(), QStringList{"ShowFuki 時間を調整できませんでした"});
        EXPECT_TRUE(flag::state.VoicePath.isEmpty());
        return;
    }
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], (QVariantList{QVariant::fromValue(p.usec), false, true}));
    EXPECT_EQ(spoken(), (QStringList{"PlayCommonVoice 22", "ShowFuki 時間を調整しました"}));
    // The page's bytes are kept as they came.
    QFile copy(clock_setting::pageCopy());
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), p.bytes);
}

const QByteArray kExample = pageWithLine(kPrefix + "Wed May 14 13:53:09 2003 JST");

INSTANTIATE_TEST_SUITE_P(
    Table, Pages,
    ::testing::Values(
        Page{"the_example", kExample, "/cgi-bin/JST.cgi", utcUsec(2003, 5, 14, 4, 53, 9)},
        Page{"japanese_around_it", page(QStringLiteral("Wed May 14 13:53:09 2003")), "/cgi-bin/JST.cgi",
             utcUsec(2003, 5, 14, 4, 53, 9)},
        Page{"padded_day_before_midnight_utc", pageWithLine(kPrefix + "Mon Jun  2 08:00:00 2025"),
             "/cgi-bin/JST.cgi", utcUsec(2025, 6, 1, 23, 0, 0)},
        Page{"crlf", pageWithLine(kPrefix + "Wed May 14 13:53:09 2003", "\r\n"), "/cgi-bin/JST.cgi",
             utcUsec(2003, 5, 14, 4, 53, 9)},
        Page{"cr", pageWithLine(kPrefix + "Wed May 14 13:53:09 2003", "\r"), "/cgi-bin/JST.cgi",
             utcUsec(2003, 5, 14, 4, 53, 9)},
        Page{"29_february_2024", pageWithLine(kPrefix + "Thu Feb 29 12:00:00 2024"), "/cgi-bin/JST.cgi",
             utcUsec(2024, 2, 29, 3, 0, 0)},
        Page{"29_february_2023", pageWithLine(kPrefix + "Wed Feb 29 12:00:00 2023"), "/cgi-bin/JST.cgi", -1},
        Page{"lower_case_month", pageWithLine(kPrefix + "Wed may 14 13:53:09 2003"), "/cgi-bin/JST.cgi", -1},
        Page{"short_line", pageWithLine(kPrefix + "Wed May 14 13:53:09 200"), "/cgi-bin/JST.cgi", -1},
        Page{"30_lines", kExample.left(kExample.lastIndexOf("line 29\n") + 8), "/cgi-bin/JST.cgi", -1},
        Page{"hour_24", pageWithLine(kPrefix + "Wed May 14 24:00:00 2003"), "/cgi-bin/JST.cgi", -1},
        Page{"minute_60", pageWithLine(kPrefix + "Wed May 14 13:60:09 2003"), "/cgi-bin/JST.cgi", -1},
        Page{"second_60", pageWithLine(kPrefix + "Wed May 14 13:53:60 2003"), "/cgi-bin/JST.cgi", -1},
        Page{"day_0", pageWithLine(kPrefix + "Wed May  0 13:53:09 2003"), "/cgi-bin/JST.cgi", -1},
        Page{"day_31_of_a_30_day_month", pageWithLine(kPrefix + "Wed Jun 31 13:53:09 2003"),
             "/cgi-bin/JST.cgi", -1},
        Page{"three_digit_year", pageWithLine(kPrefix + "Wed May 14 13:53:09  203"), "/cgi-bin/JST.cgi", -1},
        Page{"colon_out_of_place", pageWithLine(kPrefix + "Wed May 14 13-53:09 2003"), "/cgi-bin/JST.cgi",
             -1},
        Page{"blank_out_of_place", pageWithLine(kPrefix + "Wed May-14 13:53:09 2003"), "/cgi-bin/JST.cgi",
             -1},
        Page{"one_character_later", pageWithLine(kPrefix + " Wed May 14 13:53:09 2003"), "/cgi-bin/JST.cgi",
             -1},
        Page{"404", kExample, "/status/404", -1}, Page{"oversize", kExample, "/huge", -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ClockSetting, ThePageIsReadInWholeSecondsOfJapanTimeWhateverTheZone) {
    const QByteArray previous = qgetenv("TZ");
    for (const char* zone : {"UTC", "America/New_York", "Asia/Tokyo"}) {
        qputenv("TZ", zone);
        tzset();
        EXPECT_EQ(clock_setting::pageTime(kExample), utcUsec(2003, 5, 14, 4, 53, 9)) << zone;
    }
    qputenv("TZ", previous);
    tzset();
}

TEST_F(ClockSetting, ASilentPageServerEndsWithinTenSeconds) {
    serve(kExample);
    clock_setting::options().pageUrl = server.url(QStringLiteral("/silent"));
    key("HttpTime", QStringLiteral("1"));
    QElapsedTimer took;
    took.start();
    services::mail().SetSntpConnect();
    EXPECT_LT(took.elapsed(), 10500);
    EXPECT_TRUE(setTimes().empty());
    EXPECT_EQ(spoken(), QStringList{"ShowFuki 時間を調整できませんでした"});
}

// "1" takes the page, whatever sntpTXT names: not one datagram goes out.
TEST_F(ClockSetting, HttpTimeOneSendsNoDatagram) {
    Peer peer([](const QByteArray&) { return QList{sntp_peer::sentAt(QDateTime::currentDateTimeUtc())}; });
    clock_setting::options().sntpPort = peer.port();
    key("sntpTXT", QStringLiteral("127.0.0.1"));
    key("HttpTime", QStringLiteral("1"));
    serve(kExample);
    services::mail().SetSntpConnect();
    EXPECT_EQ(setTimes().size(), 1u);
    EXPECT_TRUE(peer.questions.isEmpty());
}

// ---- SNTP -----------------------------------------------------------------------------------

TEST_F(ClockSetting, ChronyEndToEnd) {
    if (!Chrony::available())
        GTEST_SKIP() << "chronyd is not unpacked in the build tree (scripts/test does it)";
    Chrony chrony;
    ASSERT_TRUE(chrony.ready()) << chrony.log().toStdString();
    clock_setting::options().sntpPort = chrony.port();
    key("sntpTXT", QStringLiteral("127.0.0.1"));
    services::mail().SetSntpConnect();
    const auto calls = setTimes();
    ASSERT_EQ(calls.size(), 1u);
    const qint64 usec = calls[0][0].toLongLong();
    EXPECT_EQ(usec % kUsec, 0);
    EXPECT_LT(std::abs(usec - QDateTime::currentMSecsSinceEpoch() * 1000), 2 * kUsec);
    EXPECT_EQ(calls[0].mid(1), (QVariantList{false, true}));
    EXPECT_EQ(spoken(), (QStringList{"PlayCommonVoice 22", "ShowFuki 時間を調整しました"}));
}

TEST_F(ClockSetting, AFractionOfASecondIsDropped) {
    // Later than the program's own sources: an earlier time is never set.
    const QDateTime at(QDate(2035, 5, 14), QTime(4, 53, 9), Qt::UTC);
    Peer peer([&](const QByteArray&) { return QList{sntp_peer::sentAt(at, 700000)}; });
    clock_setting::options().sntpPort = peer.port();
    key("sntpTXT", QStringLiteral("127.0.0.1"));
    services::mail().SetSntpConnect();
    const auto calls = setTimes();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0][0].toLongLong(), at.toSecsSinceEpoch() * kUsec);
}

TEST_F(ClockSetting, NoValidReplyIsSaidWithVoice16AndSetsNothing) {
    struct Case {
        const char* name;
        std::function<QList<sntp_peer::Fields>()> answers;
    } cases[] = {
        {"stratum 0",
         [] {
             auto f = sntp_peer::sentAt(QDateTime::currentDateTimeUtc());
             f.stratum = 0;
             return QList{f};
         }},
        {"leap 3",
         [] {
             auto f = sntp_peer::sentAt(QDateTime::currentDateTimeUtc());
             f.leap = 3;
             return QList{f};
         }},
        {"silence", [] { return QList<sntp_peer::Fields>{}; }},
        // Well formed, but from before the program's own sources.
        {"1990",
         [] { return QList{sntp_peer::sentAt(QDateTime(QDate(1990, 6, 1), QTime(12, 0), Qt::UTC))}; }},
    };
    clock_setting::options().sntpLimitMs = 500;
    key("sntpTXT", QStringLiteral("127.0.0.1"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        talk->calls.clear();
        talk->fukiOpen = false;
        Peer peer([&](const QByteArray&) { return c.answers(); });
        clock_setting::options().sntpPort = peer.port();
        services::mail().SetSntpConnect();
        EXPECT_TRUE(setTimes().empty());
        EXPECT_EQ(spoken(), (QStringList{"PlayCommonVoice 16", "ShowFuki サーバの接続に失敗しました"}));
        EXPECT_EQ(flag::state.VoicePath, services::commonVoicePath(QStringLiteral("16")));
    }
}

TEST_F(ClockSetting, AnEmptyServerKeyAsksTheDefaultServer) {
    QStringList asked;
    clock_setting::options().ask = [&](const QString& host, quint16 port, int limitMs,
                                       const std::atomic_bool*) {
        asked << QStringLiteral("%1:%2 %3").arg(host).arg(port).arg(limitMs);
        platform::sntp::Result unknown;
        unknown.failure = platform::sntp::Failure::Resolve;
        return unknown;
    };
    key("sntpTXT", QString());
    services::mail().SetSntpConnect();
    EXPECT_EQ(asked, QStringList{"ntp.nict.jp:123 5000"});
    EXPECT_EQ(spoken(), (QStringList{"PlayCommonVoice 16", "ShowFuki サーバの接続に失敗しました"}));
}

// ---- the system's answer --------------------------------------------------------------------

TEST_F(ClockSetting, ARefusalIsSaidAsFailureWithoutAVoice) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    Peer peer([&](const QByteArray&) { return QList{sntp_peer::sentAt(now)}; });
    clock_setting::options().sntpPort = peer.port();
    key("sntpTXT", QStringLiteral("127.0.0.1"));
    for (const QString& refusal :
         {QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
          QStringLiteral("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"),
          QStringLiteral("org.freedesktop.timedate1.AutomaticTimeSyncEnabled")}) {
        SCOPED_TRACE(refusal.toStdString());
        MockTimedated refusing;
        refusing.start();
        refusing.refuse(refusal);
        talk->calls.clear();
        talk->fukiOpen = false;
        flag::state.VoicePath = QStringLiteral("/tmp/temp16.mp3");
        services::mail().SetSntpConnect();
        EXPECT_EQ(spoken(), QStringList{"ShowFuki 時間を調整できませんでした"});
        EXPECT_TRUE(flag::state.VoicePath.isEmpty());
    }
}

TEST_F(ClockSetting, NoTimeServiceIsSaidAsFailure) {
    private_bus::SystemBusMock empty; // a system bus without timedated
    Peer peer([](const QByteArray&) { return QList{sntp_peer::sentAt(QDateTime::currentDateTimeUtc())}; });
    clock_setting::options().sntpPort = peer.port();
    key("sntpTXT", QStringLiteral("127.0.0.1"));
    services::mail().SetSntpConnect();
    EXPECT_EQ(spoken(), QStringList{"ShowFuki 時間を調整できませんでした"});
}

// ---- one at a time, and the exit ------------------------------------------------------------

TEST_F(ClockSetting, OneAtATime) {
    Peer peer([](const QByteArray&) { return QList<sntp_peer::Fields>{}; });
    clock_setting::options().sntpPort = peer.port();
    clock_setting::options().sntpLimitMs = 400;
    key("sntpTXT", QStringLiteral("127.0.0.1"));
    clock_setting::Result nested{Outcome::Set, {}};
    QTimer::singleShot(100, [&] { nested = clock_setting::setClock(); });
    services::mail().SetSntpConnect();
    EXPECT_EQ(nested.outcome, Outcome::Busy);
    EXPECT_EQ(peer.questions.size(), 1);
    EXPECT_EQ(spoken(), (QStringList{"PlayCommonVoice 16", "ShowFuki サーバの接続に失敗しました"}));
}

TEST_F(ClockSetting, TheExitEndsTheWaitAndSheSaysNothing) {
    Peer peer([](const QByteArray&) { return QList<sntp_peer::Fields>{}; });
    clock_setting::options().sntpPort = peer.port();
    key("sntpTXT", QStringLiteral("127.0.0.1"));
    QTimer::singleShot(100, [] {
        flag::state.Exiting = 1;
        services::mail().Cancel();
    });
    QElapsedTimer took;
    took.start();
    services::mail().SetSntpConnect();
    EXPECT_LT(took.elapsed(), 1500);
    EXPECT_TRUE(spoken().isEmpty());
    EXPECT_TRUE(setTimes().empty());
}

// ---- what each failure says ------------------------------------------------------------------

// Every way a setting fails that a test can bring about, with the code it ends by and the words it
// gives: a text moved to another code fails its row.
class Failures;
struct Failing {
    const char* name;
    std::function<void(Failures&)> arrange;
    // How the SNTP question ended (the first setting's, when a second one's result is read);
    // nothing: none was asked.
    std::optional<platform::sntp::Failure> sntp;
    Outcome outcome;
    const char* reason;
    bool second = false; // the result is a second setting's, asked while the first waits
};

void PrintTo(const Failing& f, std::ostream* os) {
    *os << f.name;
}

class Failures : public ClockSetting, public ::testing::WithParamInterface<Failing> {
public:
    // The peer the question goes to, answering each question with the fields given.
    void answer(QList<sntp_peer::Fields> answers) {
        peer = std::make_unique<Peer>([answers](const QByteArray&) { return answers; });
        clock_setting::options().sntpPort = peer->port();
    }
    // The page, asked for at the path given.
    void page(const QByteArray& bytes, const char* path = "/cgi-bin/JST.cgi") {
        serve(bytes);
        clock_setting::options().pageUrl = server.url(QLatin1String(path));
        key("HttpTime", QStringLiteral("1"));
    }
    void refuse(const QString& errorName) { timedated.refuse(errorName); }

    std::unique_ptr<Peer> peer;
    std::optional<QString> askedHost; // what the SNTP question asks in place of the key's server
    bool cancelOnceAnswered = false;  // the setting is cancelled as the question returns
};

sntp_peer::Fields goodNow() {
    return sntp_peer::sentAt(QDateTime::currentDateTimeUtc());
}

sntp_peer::Fields goodNowWith(std::function<void(sntp_peer::Fields&)> change) {
    sntp_peer::Fields f = goodNow();
    change(f);
    return f;
}

TEST_P(Failures, EachFailureGivesItsOwnReason) {
    const Failing& c = GetParam();
    key("sntpTXT", QStringLiteral("127.0.0.1"));
    clock_setting::options().sntpLimitMs = 3000;
    std::optional<platform::sntp::Failure> asked;
    clock_setting::options().ask = [&](const QString& host, quint16 port, int limitMs,
                                       const std::atomic_bool* cancel) {
        platform::sntp::Result reply = platform::sntp::query(askedHost.value_or(host), port, limitMs, cancel);
        asked = reply.failure;
        if (cancelOnceAnswered)
            clock_setting::cancel();
        return reply;
    };
    c.arrange(*this);
    std::optional<clock_setting::Result> second;
    if (c.second)
        QTimer::singleShot(100, [&] { second = clock_setting::setClock(); });
    const clock_setting::Result first = clock_setting::setClock();
    const clock_setting::Result result = c.second ? second.value_or(first) : first;
    EXPECT_EQ(asked, c.sntp);
    if (peer) {
        EXPECT_EQ(peer->questions.size(), 1); // one question, and none from a second setting
    }
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.reason, QString::fromUtf8(c.reason));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Failures,
    ::testing::Values(
        Failing{"unknown_server", [](Failures& t) { t.askedHost = QString(); },
                platform::sntp::Failure::Resolve, Outcome::NoServer, "サーバが見つかりません"},
        Failing{"closed_port",
                [](Failures&) {
                    QUdpSocket taken;
                    ASSERT_TRUE(taken.bind(QHostAddress::LocalHost, 0));
                    clock_setting::options().sntpPort = taken.localPort();
                },
                platform::sntp::Failure::Unreachable, Outcome::NoServer, "サーバに接続できません"},
        Failing{"silence",
                [](Failures& t) {
                    t.answer({});
                    clock_setting::options().sntpLimitMs = 300;
                },
                platform::sntp::Failure::NoReply, Outcome::NoServer, "時間内に応答がありません"},
        Failing{"client_mode", [](Failures& t) { t.answer({goodNowWith([](auto& f) { f.mode = 3; })}); },
                platform::sntp::Failure::BadReply, Outcome::NoServer,
                "サーバの応答ではありません（モード 3）"},
        Failing{"version_2", [](Failures& t) { t.answer({goodNowWith([](auto& f) { f.version = 2; })}); },
                platform::sntp::Failure::BadReply, Outcome::NoServer, "応答の版が違います（2）"},
        Failing{"unsynchronised", [](Failures& t) { t.answer({goodNowWith([](auto& f) { f.leap = 3; })}); },
                platform::sntp::Failure::BadReply, Outcome::NoServer, "サーバの時計が合っていません"},
        Failing{"stratum_16", [](Failures& t) { t.answer({goodNowWith([](auto& f) { f.stratum = 16; })}); },
                platform::sntp::Failure::BadReply, Outcome::NoServer, "サーバが時刻を出せません（階層 16）"},
        Failing{"no_transmit_time",
                [](Failures& t) { t.answer({goodNowWith([](auto& f) { f.transmit = 0; })}); },
                platform::sntp::Failure::BadReply, Outcome::NoServer, "応答に時刻がありません"},
        Failing{"cancelled",
                [](Failures& t) {
                    t.answer({});
                    QTimer::singleShot(100, [] { clock_setting::cancel(); });
                },
                platform::sntp::Failure::Cancelled, Outcome::NotSet, "中止しました"},
        Failing{"cancelled_once_answered",
                [](Failures& t) {
                    t.answer({goodNow()});
                    t.cancelOnceAnswered = true;
                },
                platform::sntp::Failure::None, Outcome::NotSet, "中止しました"},
        Failing{"another_setting_runs",
                [](Failures& t) {
                    t.answer({});
                    clock_setting::options().sntpLimitMs = 400;
                },
                platform::sntp::Failure::NoReply, Outcome::Busy, "時刻あわせの途中です", true},
        Failing{"system_refuses",
                [](Failures& t) {
                    t.answer({goodNow()});
                    t.refuse(QStringLiteral("org.freedesktop.timedate1.AutomaticTimeSyncEnabled"));
                },
                platform::sntp::Failure::None, Outcome::NotSet, "refused"},
        Failing{"page_not_found", [](Failures& t) { t.page(kExample, "/status/404"); }, std::nullopt,
                Outcome::NotSet, "サーバがエラーを返しました (HTTP 404)"},
        Failing{"page_cannot_be_kept",
                [](Failures& t) {
                    t.page(kExample);
                    ASSERT_TRUE(QDir().mkpath(clock_setting::pageCopy())); // a folder where the copy goes
                },
                std::nullopt, Outcome::NotSet, "ページを保存できません"},
        Failing{"page_without_a_date",
                [](Failures& t) { t.page(pageWithLine(kPrefix + "Wed May 14 24:00:00 2003")); }, std::nullopt,
                Outcome::NotSet, "ページに正しい日時がありません"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- her window while she waits ---------------------------------------------------------------

class ClockWindow : public ClockSetting {
protected:
    void SetUp() override {
        ClockSetting::SetUp();
        QDir().mkpath(home.file("power")); // a desktop: no battery to talk of
        platform::power::setRoot(home.file("power"));
        flag::state.PowerState = QStringLiteral("1"); // as after her start-up
        morvik::EndProgram = [] {};
        morvik::MessageBox = [](const QString&) {};
        character = std::make_unique<morvik>();
        Stage::Install(character.get());
        key("sntpTXT", QStringLiteral("127.0.0.1"));
        clock_setting::options().sntpPort = silent.port();
    }
    void TearDown() override {
        Stage::Install(nullptr);
        character.reset();
        platform::power::setRoot({});
        ClockSetting::TearDown();
    }

    Peer silent{[](const QByteArray&) { return QList<sntp_peer::Fields>{}; }};
    std::unique_ptr<morvik> character;
};

TEST_F(ClockWindow, HerBusyAnimationRunsWhileSheWaits) {
    clock_setting::options().sntpLimitMs = 500;
    platform::pace::Recorder recorder;
    character->TimeSet_Click();
    const QStringList frame{"shape ShapePose15", "picture gra2.Image1(5)", "sleep 1200",
                            "shape ShapePose16", "picture gra2.Image1(5)", "sleep 500"};
    const qsizetype first = recorder.events.indexOf(frame[0]);
    ASSERT_GE(first, 0) << recorder.events.join(u' ').toStdString();
    EXPECT_EQ(recorder.events.mid(first, frame.size()), frame);
    EXPECT_FALSE(character->Timer8.Enabled());
    EXPECT_EQ(spoken(), (QStringList{"PlayCommonVoice 16", "ShowFuki サーバの接続に失敗しました"}));
}

// Her animation pauses 1.2 s at a time while she waits: a silent server still ends it within a
// moment of its limit, whichever pause the limit falls in (the first, for 0.7 s).
TEST_F(ClockWindow, ASilentServerEndsItWithinAMomentOfTheLimit) {
    for (auto [limitMs, withinMs] : {std::pair{700, 1000}, {platform::sntp::kDefaultLimitMs, 5500}}) {
        SCOPED_TRACE(limitMs);
        clock_setting::options().sntpLimitMs = limitMs;
        talk->calls.clear();
        talk->fukiOpen = false;
        silent.questions.clear();
        QElapsedTimer took;
        took.start();
        character->TimeSet_Click();
        EXPECT_LT(took.elapsed(), withinMs);
        EXPECT_GE(took.elapsed(), limitMs - 50);
        EXPECT_EQ(silent.questions.size(), 1);
        EXPECT_EQ(spoken(), (QStringList{"PlayCommonVoice 16", "ShowFuki サーバの接続に失敗しました"}));
    }
}

} // namespace

#pragma once
// Setting the clock ("時刻あわせ"): by SNTP from the server of the key `sntpTXT` (empty:
// settings_keys::kDefaultSntpHost), or from the time page when the key `HttpTime` is "1". The clock
// is set through timedated (platform/timedated.h) in one SetTime of whole seconds of UTC, the
// fraction dropped; the system may refuse, as it does while automatic time synchronisation is on.
// Each wait yields, so her busy animation runs meanwhile and no user command nests: the SNTP
// question within 5 s, resolving included; the page within 10 s and 1 MiB; timedated's answer
// within 120 s, since the user may be asked to authorise. One setting runs at a time. An SNTP
// time from before the program's own sources is no time to set a clock by: said as a server that
// failed (Outcome::NoServer), and nothing is set.
//
// The time page: its bytes are kept unchanged as TimeTemp.txt in the temporary folder and read
// back as CP932 text, lines ended by CR LF, LF or CR. Line 31 must have at least 58 characters;
// from its 35th, 24 characters laid out like the C library's date text, "Www Mmm dd hh:mm:ss yyyy":
// the weekday (not read), a blank, a month name of kMonths (exactly), a blank, the day (two digits,
// or a blank and one digit) valid for the month and year, a blank, hours 00-23, ":", minutes 00-59,
// ":", seconds 00-59, a blank and a four-digit year. That is Japan time (UTC+9), whatever the local
// zone. A page not so makes no change to the clock.
//
// The core returns the outcome for whoever says it (the main window's SetSntpConnect, the palk
// window's chores); SetSntpConnect says it with her voice.
#include "platform/sntp/sntp.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>

namespace clock_setting {

// The time page: our server, the page's path "/cgi-bin/JST.cgi".
inline constexpr char16_t kTimePage[] = u"http://ntp.nict.jp/cgi-bin/JST.cgi";
// The month names of the page's date, January first.
inline const QStringList kMonths{QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"),
                                 QStringLiteral("Apr"), QStringLiteral("May"), QStringLiteral("Jun"),
                                 QStringLiteral("Jul"), QStringLiteral("Aug"), QStringLiteral("Sep"),
                                 QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")};

enum class Outcome {
    Set,      // the clock was set
    NoServer, // SNTP: the server is unknown, or gave no reply fit to set a clock by
    NotSet,   // the page could not be fetched or holds no valid date, or the system refused
    Busy,     // another setting runs; nothing was done
};

struct Result {
    Outcome outcome = Outcome::NotSet;
    QString reason; // why not, in Japanese; empty when set
};

// What tests change: where the SNTP question and the page go, their limits, timedated's, and the
// SNTP question itself.
struct Options {
    quint16 sntpPort = platform::sntp::kPort;
    int sntpLimitMs = platform::sntp::kDefaultLimitMs;
    QString pageUrl = QString::fromUtf16(kTimePage);
    int pageLimitMs = 10000;
    qint64 pageMaxBytes = 1024 * 1024;
    int setTimeLimitMs = 120000;
    std::function<platform::sntp::Result(const QString& host, quint16 port, int limitMs,
                                         const std::atomic_bool* cancel)>
        ask = platform::sntp::query;
};
Options& options();

// Sets the clock the way the settings say.
Result setClock();
// Sets the clock from the SNTP server host.
Result bySntp(const QString& host);
// Sets the clock from the time page.
Result byPage();

// The page's time, in µs since 1970-01-01 UTC; nothing when its line 31 holds no valid date.
std::optional<qint64> pageTime(const QByteArray& page);
// Where the page's bytes are kept.
QString pageCopy();

// Ends a setting in progress soon, as the exit does: it then sets nothing.
void cancel();

// The main window's "時刻あわせ": sets the clock and says how it went, with voice 22 "時間を
// 調整しました", voice 16 "サーバの接続に失敗しました", or "時間を調整できませんでした" without
// a voice. Once the exit has begun it says nothing.
void SetSntpConnect();

} // namespace clock_setting

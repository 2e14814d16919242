#include "clock_setting.h"

#include "app/settings/IniManage.h"
#include "app/settings/settings_keys.h"
#include "app/state/flag.h"
#include "balloon.h"
#include "platform/codec.h"
#include "platform/http/http.h"
#include "platform/pace.h"
#include "platform/program_folder.h"
#include "platform/timedated/timedated.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTime>

namespace clock_setting {
namespace {

constexpr qint64 kUsec = 1000000;
constexpr int kJapanAheadOfUtc = 9 * 3600;

#ifndef MORVIK_SOURCE_TIME
#define MORVIK_SOURCE_TIME 0
#endif
// No clock is set back before the time of the program's own sources (app/mail/source_time.cmake),
// as the system's own time daemons refuse to go below their build time: a server answering so is
// broken, not right.
constexpr qint64 kSourceTimeUsec = qint64(MORVIK_SOURCE_TIME) * kUsec;

std::atomic_bool cancelled{false};
bool running = false;

bool exiting() {
    return flag::state.Exiting != 0;
}

// The lines of a text, ended by CR LF, LF or CR.
QStringList lines(const QString& text) {
    QStringList out;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            out << line;
            line.clear();
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            continue;
        }
        line += c;
    }
    if (!line.isEmpty())
        out << line;
    return out;
}

// A whole number of ASCII digits, or nothing (a blank is taken as a leading zero only when asked).
std::optional<int> number(QStringView digits, bool blankLead = false) {
    int value = 0;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const QChar c = digits[i];
        if (blankLead && i == 0 && c == u' ' && digits.size() > 1)
            continue;
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// Sets the clock to the time, in whole seconds.
Result setTo(qint64 usecUtc) {
    if (cancelled || exiting())
        return {Outcome::NotSet, QStringLiteral("中止しました")};
    // The fraction is dropped: 13:53:09.7 sets 13:53:09.
    const qint64 seconds = usecUtc >= 0 ? usecUtc / kUsec : -((-usecUtc + kUsec - 1) / kUsec);
    const platform::timedated::Result set =
        platform::timedated::SetTime(seconds * kUsec, false, true, options().setTimeLimitMs);
    if (!set.ok)
        return {Outcome::NotSet, set.message.isEmpty() ? set.error : set.message};
    return {Outcome::Set, {}};
}

// One at a time: a second setting while one waits does nothing.
class Running {
public:
    Running() : busy_(running) { running = true; }
    ~Running() {
        if (!busy_)
            running = false;
    }
    bool busy() const { return busy_; }

private:
    bool busy_;
};

} // namespace

Options& options() {
    static Options current;
    return current;
}

QString pageCopy() {
    return platform::tempFolder() + QStringLiteral("/TimeTemp.txt");
}

std::optional<qint64> pageTime(const QByteArray& page) {
    const QStringList all = lines(platform::codec::fromCp932(page));
    if (all.size() < 31)
        return std::nullopt;
    const QString& line = all[30];
    if (line.size() < 58)
        return std::nullopt;
    const QStringView date = QStringView(line).mid(34, 24);
    for (int at : {3, 7, 10, 19})
        if (date[at] != u' ')
            return std::nullopt;
    if (date[13] != u':' || date[16] != u':')
        return std::nullopt;
    const qsizetype month = kMonths.indexOf(date.mid(4, 3).toString());
    const auto day = number(date.mid(8, 2), true);
    const auto hours = number(date.mid(11, 2)), minutes = number(date.mid(14, 2)),
               seconds = number(date.mid(17, 2));
    const auto year = number(date.mid(20, 4));
    if (month < 0 || !day || !hours || !minutes || !seconds || !year)
        return std::nullopt;
    if (*hours > 23 || *minutes > 59 || *seconds > 59)
        return std::nullopt;
    const QDate day0(*year, int(month) + 1, *day);
    if (!day0.isValid())
        return std::nullopt;
    const QDateTime asUtc(day0, QTime(*hours, *minutes, *seconds), Qt::UTC);
    return (asUtc.toSecsSinceEpoch() - kJapanAheadOfUtc) * kUsec;
}

Result bySntp(const QString& host) {
    platform::sntp::Result reply;
    const Options& o = options();
    platform::pace::await([&] { reply = o.ask(host, o.sntpPort, o.sntpLimitMs, &cancelled); });
    if (!reply.ok())
        return {reply.failure == platform::sntp::Failure::Cancelled ? Outcome::NotSet : Outcome::NoServer,
                reply.reason};
    const qint64 now = reply.nowUsec();
    if (now < kSourceTimeUsec)
        return {Outcome::NoServer, QStringLiteral("サーバの時刻がこのプログラムより古い日時です")};
    return setTo(now);
}

Result byPage() {
    const Options& o = options();
    platform::http::Response response;
    const platform::http::Limits limits{std::chrono::milliseconds(o.pageLimitMs),
                                        std::chrono::milliseconds(o.pageLimitMs), o.pageMaxBytes};
    platform::pace::await([&] { response = platform::http::get(o.pageUrl, limits, &cancelled); });
    if (!response.ok())
        return {Outcome::NotSet, response.reason};
    QDir().mkpath(platform::tempFolder());
    QFile copy(pageCopy());
    if (!copy.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        copy.write(response.body) != response.body.size())
        return {Outcome::NotSet, QStringLiteral("ページを保存できません")};
    copy.close();
    // Read back what was kept, as the page is read.
    QFile kept(pageCopy());
    if (!kept.open(QIODevice::ReadOnly))
        return {Outcome::NotSet, QStringLiteral("ページを読めません")};
    const std::optional<qint64> time = pageTime(kept.readAll());
    if (!time)
        return {Outcome::NotSet, QStringLiteral("ページに正しい日時がありません")};
    return setTo(*time);
}

Result setClock() {
    const Running one;
    if (one.busy())
        return {Outcome::Busy, QStringLiteral("時刻あわせの途中です")};
    cancelled = false;
    IniManage::BeginBatch();
    if (settings_keys::flag(QStringLiteral("HttpTime")))
        return byPage();
    return bySntp(settings_keys::sntpHost());
}

void cancel() {
    cancelled = true;
}

void SetSntpConnect() {
    if (exiting())
        return;
    const Result result = setClock();
    if (exiting())
        return;
    switch (result.outcome) {
    case Outcome::Set:
        mail::sayInBalloon(QStringLiteral("22"), QStringLiteral("時間を調整しました"));
        break;
    case Outcome::NoServer:
        mail::sayInBalloon(QStringLiteral("16"), QStringLiteral("サーバの接続に失敗しました"));
        break;
    case Outcome::NotSet:
        mail::sayInBalloon(QString(), QStringLiteral("時間を調整できませんでした"));
        break;
    case Outcome::Busy:
        break;
    }
}

} // namespace clock_setting

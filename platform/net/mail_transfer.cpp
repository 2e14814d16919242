#include "mail_transfer.h"

#include "cancel.h"
#include "mime.h"
#include "net_libraries.h"
#include "pop3_replies.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <atomic>
#include <curl/curl.h>
#include <memory>
#include <mutex>
#include <vector>

namespace mail_transfer {
namespace {

std::atomic<int> gConnectMs{Limits{}.connectMs};
std::atomic<int> gIdleMs{Limits{}.idleMs};
std::atomic<int> gQuitMs{Limits{}.quitMs};
std::atomic<unsigned> gCancelGeneration{0};
thread_local QString tLastError;

// Subjects seen in this run, by server, user and UIDL: a LIST of the same mailbox a minute later
// asks only for the new messages.
std::mutex gSubjectsMutex;
QHash<QString, QString> gSubjects;

bool fail(const QString& why) {
    tLastError = why;
    return false;
}

void initCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Server {
    QString host;
    int port = 110;
};

// "host" or "host" TAB "port".
std::optional<Server> parseServer(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('\t'));
    Server server;
    server.host = parts.value(0).trimmed();
    const QString port = parts.value(1).trimmed();
    if (parts.size() > 2 || server.host.isEmpty())
        return std::nullopt;
    if (port.isEmpty())
        return server;
    if (port.size() > 5 ||
        !std::all_of(port.begin(), port.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    server.port = port.toInt();
    if (server.port < 1 || server.port > 65535)
        return std::nullopt;
    return server;
}

struct CurlFree {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
    void operator()(char* s) const { curl_free(s); }
};

// One POP3 session: one easy handle, whose connection is kept from one transfer to the next and
// ends in QUIT when the handle is cleaned up.
class Session {
public:
    explicit Session(CancelMark mark) : watch_(mark.generation) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() {
        // libcurl says QUIT as the handle is cleaned up, where no callback of ours sees it go out;
        // whatever the server does then, the work is done.
        watch_.quitting(quitMs_);
        handle_.reset();
        watch_.stop();
    }

    bool open(const QString& serverText, const QString& user, const QString& password) {
        const std::optional<Server> server = parseServer(serverText);
        if (!server)
            return fail(u"サーバの指定が正しくありません"_qs);
        std::unique_ptr<CURLU, CurlFree> url(curl_url());
        const bool implicitTls = server->port == 995;
        const QByteArray host = server->host.toUtf8();
        const QByteArray port = QByteArray::number(server->port);
        if (!url ||
            curl_url_set(url.get(), CURLUPART_SCHEME, implicitTls ? "pop3s" : "pop3", 0) != CURLUE_OK ||
            curl_url_set(url.get(), CURLUPART_HOST, host.constData(), 0) != CURLUE_OK ||
            curl_url_set(url.get(), CURLUPART_PORT, port.constData(), 0) != CURLUE_OK)
            return fail(u"サーバの指定が正しくありません"_qs);
        char* text = nullptr;
        if (curl_url_get(url.get(), CURLUPART_URL, &text, 0) != CURLUE_OK)
            return fail(u"サーバの指定が正しくありません"_qs);
        std::unique_ptr<char, CurlFree> owned(text);
        // curl_url_set checks the host's characters; a name with blanks or slashes is refused above.
        url_ = QByteArray(text);
        // A line break would end USER or PASS early and send the rest as a command of its own.
        for (const QString& credential : {user, password}) {
            if (credential.contains(QLatin1Char('\r')) || credential.contains(QLatin1Char('\n')) ||
                credential.contains(QChar(0)))
                return fail(u"ユーザー名かパスワードに使えない文字があります"_qs);
        }
        user_ = user.toUtf8();
        password_ = password.toUtf8();

        initCurl();
        handle_.reset(curl_easy_init());
        if (!handle_)
            return fail(u"メールの受信を始められません"_qs);
        CURL* h = handle_.get();
        const int connectMs = gConnectMs.load();
        const int idleMs = gIdleMs.load();
        // libcurl's own limits only back the watch's up, a second later: were they to end a step
        // first, libcurl would wait for QUIT's reply under them once more.
        const long backupSeconds = long((idleMs + 999) / 1000) + 1;
        curl_easy_setopt(h, CURLOPT_URL, url_.constData());
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "pop3,pop3s");
        curl_easy_setopt(h, CURLOPT_USERNAME, user_.constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, password_.constData());
        // Passwords cross the network in clear only when the server offers nothing better.
        curl_easy_setopt(h, CURLOPT_USE_SSL, long(implicitTls ? CURLUSESSL_ALL : CURLUSESSL_TRY));
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(connectMs));
        curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, backupSeconds);
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, backupSeconds);
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &Session::onProgress);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &Session::onHeader);
        curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Session::onBody);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
        // Each command line libcurl sends, the log-in's included, starts its reply's limit.
        curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
        curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, &Session::onDebug);
        curl_easy_setopt(h, CURLOPT_DEBUGDATA, this);
        curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer_);
        curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, &internal::Watch::openSocket);
        curl_easy_setopt(h, CURLOPT_OPENSOCKETDATA, &watch_);
        curl_easy_setopt(h, CURLOPT_CLOSESOCKETFUNCTION, &internal::Watch::closeSocket);
        curl_easy_setopt(h, CURLOPT_CLOSESOCKETDATA, &watch_);
        connectMs_ = connectMs;
        idleMs_ = idleMs;
        quitMs_ = gQuitMs.load();
        watch_.start();
        return true;
    }

    // One command; a multi-line reply goes to body() or into sink. Fails when it fails or when the
    // connection had to be made again: libcurl takes a close in a message's midst for its end and
    // would silently log in anew for the next command.
    bool command(const QByteArray& line, bool multiLine, QFile* sink = nullptr) {
        if (watch_.cancelled())
            return fail(describe(CURLE_ABORTED_BY_CALLBACK)); // before any connection is made
        CURL* h = handle_.get();
        header_.clear();
        body_.clear();
        sink_ = sink;
        sinkFailed_ = false;
        errorBuffer_[0] = 0;
        // On a connection kept open the command goes out at once (and sets its own limit); the
        // first connects and must be greeted within the connect limit.
        watch_.begin(transfers_ == 0 ? connectMs_ : idleMs_);
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, line.constData());
        curl_easy_setopt(h, CURLOPT_NOBODY, multiLine ? 0L : 1L);
        const CURLcode result = curl_easy_perform(h);
        lastResult_ = result;
        long connects = 0;
        curl_easy_getinfo(h, CURLINFO_NUM_CONNECTS, &connects);
        const bool reconnected = transfers_ > 0 && connects > 0;
        ++transfers_;
        if (result != CURLE_OK)
            return fail(describe(result));
        if (reconnected)
            return fail(u"サーバとの接続が途中で切れました"_qs);
        if (sinkFailed_)
            return fail(u"受信したメールを保存できません"_qs);
        return true;
    }

    // The text after "+OK " of the last command's reply.
    QByteArray reply() const { return pop3::okText(header_); }
    const QByteArray& body() const { return body_; }

    // Whether the server answered the last command with -ERR (libcurl then closes the connection).
    bool refused() const { return lastResult_ == CURLE_WEIRD_SERVER_REPLY && !watch_.timedOut(); }
    // The next command may log in again (after a refused one).
    void allowNewConnection() { transfers_ = 0; }

    QString key() const { return QString::fromUtf8(url_ + '\n' + user_ + '\n'); }

private:
    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        return static_cast<Session*>(self)->watch_.overdue() ? 1 : 0;
    }
    static int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self) {
        if (type != CURLINFO_HEADER_OUT)
            return 0;
        auto* s = static_cast<Session*>(self);
        const QByteArray line = QByteArray::fromRawData(data, qsizetype(size)).left(5).toUpper();
        if (line.startsWith("QUIT"))
            s->watch_.quitAfterStep(s->quitMs_); // after a refusal or a failure
        else if (s->sink_ && line.startsWith("RETR"))
            s->watch_.download(s->idleMs_);
        else
            s->watch_.within(s->idleMs_);
        return 0;
    }
    static size_t onHeader(char* data, size_t size, size_t count, void* self) {
        auto* s = static_cast<Session*>(self);
        s->watch_.received(size * count);
        s->header_.append(data, qsizetype(size * count));
        return size * count;
    }
    static size_t onBody(char* data, size_t size, size_t count, void* self) {
        auto* s = static_cast<Session*>(self);
        s->watch_.received(size * count);
        const qsizetype n = qsizetype(size * count);
        if (!s->sink_) {
            s->body_.append(data, n);
            return n;
        }
        if (s->sink_->write(data, n) != n) {
            s->sinkFailed_ = true;
            return 0;
        }
        return n;
    }

    QString describe(CURLcode code) const {
        if (watch_.cancelled())
            return u"受信を中断しました"_qs;
        if (watch_.timedOut())
            return u"サーバの応答がありません"_qs;
        switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
            return u"サーバが見つかりません"_qs;
        case CURLE_COULDNT_CONNECT:
            return u"サーバに接続できません"_qs;
        case CURLE_OPERATION_TIMEDOUT:
            return u"サーバの応答がありません"_qs;
        case CURLE_LOGIN_DENIED:
            return u"ユーザー名かパスワードが違います"_qs;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CONNECT_ERROR:
            return u"サーバの証明書を確かめられません"_qs;
        case CURLE_WEIRD_SERVER_REPLY:
            return u"サーバがエラーを返しました"_qs;
        case CURLE_WRITE_ERROR:
            return u"受信したメールを保存できません"_qs;
        default:
            return u"メールの受信に失敗しました（%1）"_qs.arg(
                QString::fromUtf8(errorBuffer_[0] ? errorBuffer_ : curl_easy_strerror(code)));
        }
    }

    // Declared first: it outlives the handle, whose cleanup still uses its sockets.
    internal::Watch watch_;
    std::unique_ptr<CURL, CurlFree> handle_;
    QByteArray url_, user_, password_;
    QByteArray header_, body_;
    QFile* sink_ = nullptr;
    bool sinkFailed_ = false;
    CURLcode lastResult_ = CURLE_OK;
    int connectMs_ = 0, idleMs_ = 0, quitMs_ = 0;
    int transfers_ = 0;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
};

std::optional<QStringList> stat(Session& session) {
    if (!session.command("STAT", false))
        return std::nullopt;
    const QByteArray reply = session.reply();
    if (!pop3::messageCount(reply)) {
        fail(u"サーバの応答が読めません"_qs);
        return std::nullopt;
    }
    return QStringList{QString::fromLatin1(reply)};
}

std::optional<QString> subjectOf(Session& session, int number) {
    if (!session.command("TOP " + QByteArray::number(number) + " 0", true))
        return std::nullopt;
    return pop3::subjectOf(session.body());
}

std::optional<QStringList> list(Session& session) {
    QStringList out;
    const QString prefix = u"Subject:"_qs;
    if (session.command("UIDL", true)) {
        for (const pop3::Uid& uid : pop3::uidList(session.body())) {
            const QString key = session.key() + QString::fromLatin1(uid.id);
            {
                std::lock_guard lock(gSubjectsMutex);
                if (const auto it = gSubjects.constFind(key); it != gSubjects.constEnd()) {
                    out << prefix + *it;
                    continue;
                }
            }
            const std::optional<QString> subject = subjectOf(session, uid.number);
            if (!subject)
                return std::nullopt;
            {
                std::lock_guard lock(gSubjectsMutex);
                gSubjects.insert(key, *subject);
            }
            out << prefix + *subject;
        }
        return out;
    }
    if (!session.refused())
        return std::nullopt;
    // No UIDL here: every message's header, by number.
    session.allowNewConnection();
    const std::optional<QStringList> counted = stat(session);
    if (!counted)
        return std::nullopt;
    const int count = *pop3::messageCount(counted->first().toLatin1());
    for (int number = 1; number <= count; ++number) {
        const std::optional<QString> subject = subjectOf(session, number);
        if (!subject)
            return std::nullopt;
        out << prefix + *subject;
    }
    return out;
}

std::optional<QStringList> saveAll(Session& session, const QString& folder) {
    const std::optional<QStringList> counted = stat(session);
    if (!counted)
        return std::nullopt;
    const int count = *pop3::messageCount(counted->first().toLatin1());
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists()) {
        fail(u"メールを保存するフォルダがありません"_qs);
        return std::nullopt;
    }
    // Named by a random stem of this call and the message's number, each made anew (a temporary
    // file of the system's kind costs more than the message here).
    const QString stem =
        u"mail%1_"_qs.arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'));
    std::vector<std::unique_ptr<QFile>> files;
    auto removeAll = [&files] {
        for (auto& file : files)
            file->remove();
    };
    for (int number = 1; number <= count; ++number) {
        auto file = std::make_unique<QFile>(dir.filePath(stem + u"%1.tmp"_qs.arg(number)));
        if (!file->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            removeAll();
            fail(u"受信したメールを保存できません"_qs);
            return std::nullopt;
        }
        files.push_back(std::move(file));
        if (!session.command("RETR " + QByteArray::number(number), true, files.back().get())) {
            removeAll();
            return std::nullopt;
        }
        // Closed at once: a mailbox of thousands would otherwise hold as many descriptors.
        if (!files.back()->flush()) {
            removeAll();
            fail(u"受信したメールを保存できません"_qs);
            return std::nullopt;
        }
        files.back()->close();
    }
    // The last message is whole only if the connection outlived it.
    if (!session.command("NOOP", false)) {
        removeAll();
        return std::nullopt;
    }
    QStringList out;
    for (auto& file : files)
        out << file->fileName();
    return out;
}

} // namespace

void setLimits(const Limits& limits) {
    gConnectMs = limits.connectMs;
    gIdleMs = limits.idleMs;
    gQuitMs = limits.quitMs;
}

Limits limits() {
    return {gConnectMs.load(), gIdleMs.load(), gQuitMs.load()};
}

std::optional<QStringList> RcvMail(const QString& server, const QString& user, const QString& password,
                                   const QString& command, const QString& folder) {
    return RcvMailMarked(cancelMark(), server, user, password, command, folder);
}

std::optional<QStringList> RcvMailMarked(CancelMark mark, const QString& server, const QString& user,
                                         const QString& password, const QString& command,
                                         const QString& folder) {
    tLastError.clear();
    if (const QString missing = internal::missingLibraries(true, true); !missing.isEmpty()) {
        fail(missing);
        return std::nullopt;
    }
    Session session(mark);
    if (!session.open(server, user, password))
        return std::nullopt;
    const QString what = command.trimmed().toUpper();
    if (what == u"STAT"_qs)
        return stat(session);
    if (what == u"LIST"_qs)
        return list(session);
    if (what == u"SAVEALL"_qs)
        return saveAll(session, folder);
    fail(u"知らないコマンドです"_qs);
    return std::nullopt;
}

std::optional<QStringList> ReadMail(const QString& file, const QString& fields, const QString& folder) {
    Q_UNUSED(fields);
    Q_UNUSED(folder);
    tLastError.clear();
    if (const QString missing = internal::missingLibraries(false, true); !missing.isEmpty()) {
        fail(missing);
        return std::nullopt;
    }
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        fail(u"メールのファイルを読めません"_qs);
        return std::nullopt;
    }
    const platform::mime::Message message = platform::mime::read(in.readAll());
    return QStringList{u"Subject:"_qs + message.subject, u"From:"_qs + message.from,
                       u"Date:"_qs + message.date, message.attachments.join(QLatin1Char('\t')),
                       u"Body:"_qs + message.body};
}

void cancel() {
    ++gCancelGeneration;
}

CancelMark cancelMark() {
    return {gCancelGeneration.load()};
}

unsigned internal::cancelGeneration() {
    return gCancelGeneration.load();
}

QString lastError() {
    return tLastError;
}

} // namespace mail_transfer

#include "platform/http/http.h"

#include "platform/curl/curl_library.h"

#include <QUrl>

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace platform::http {
namespace {

struct Transfer {
    const Limits* limits = nullptr;
    const std::atomic_bool* cancel = nullptr;
    QByteArray body;
    bool tooLarge = false;
};

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const qint64 n = qint64(size * count);
    if (t->body.size() + n > t->limits->maxBytes) {
        t->tooLarge = true;
        return CURL_WRITEFUNC_ERROR;
    }
    t->body.append(data, n);
    return size_t(n);
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    return t->cancel && t->cancel->load() ? 1 : 0;
}

struct CurlFree {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};

Failure failureOf(CURLcode code) {
    switch (code) {
    case CURLE_OK:
        return Failure::None;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return Failure::Resolve;
    case CURLE_COULDNT_CONNECT:
        return Failure::Connect;
    case CURLE_OPERATION_TIMEDOUT:
        return Failure::Timeout;
    case CURLE_FILESIZE_EXCEEDED:
        return Failure::TooLarge;
    case CURLE_ABORTED_BY_CALLBACK:
        return Failure::Cancelled;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
        return Failure::Tls;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return Failure::BadAddress;
    default:
        return Failure::Other;
    }
}

} // namespace

QString describe(Failure failure, long status) {
    switch (failure) {
    case Failure::None:
        return {};
    case Failure::BadAddress:
        return QStringLiteral("アドレスが正しくありません");
    case Failure::Resolve:
        return QStringLiteral("サーバが見つかりません");
    case Failure::Connect:
        return QStringLiteral("サーバに接続できません");
    case Failure::Timeout:
        return QStringLiteral("時間内に応答がありません");
    case Failure::TooLarge:
        return QStringLiteral("データが大きすぎます");
    case Failure::Status:
        return QStringLiteral("サーバがエラーを返しました (HTTP %1)").arg(status);
    case Failure::Tls:
        return QStringLiteral("サーバの証明書を確認できません");
    case Failure::Cancelled:
        return QStringLiteral("中止しました");
    case Failure::Other:
        break;
    }
    return QStringLiteral("取得に失敗しました");
}

Response get(const QString& url, const Limits& limits, const std::atomic_bool* cancel) {
    Response response;
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || parsed.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        response.failure = Failure::BadAddress;
        response.reason = describe(response.failure);
        return response;
    }

    if (!platform::curl::library().available()) {
        response.reason = QStringLiteral("ライブラリ %1 を読み込めません")
                              .arg(QString::fromUtf8(platform::curl::library().file()));
        return response;
    }
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    std::unique_ptr<CURL, CurlFree> handle(curl_easy_init());
    if (!handle) {
        response.reason = describe(response.failure);
        return response;
    }
    CURL* h = handle.get();
    Transfer transfer;
    transfer.limits = &limits;
    transfer.cancel = cancel;
    const QByteArray address = parsed.toEncoded();
    curl_easy_setopt(h, CURLOPT_URL, address.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(limits.connect.count()));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, long(limits.total.count()));
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(limits.maxBytes));
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, ""); // any encoding libcurl can undo
    curl_easy_setopt(h, CURLOPT_USERAGENT, "morvik");
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);

    const CURLcode code = curl_easy_perform(h);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &response.status);
    if (char* last = nullptr; curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &last) == CURLE_OK && last)
        response.finalUrl = QString::fromUtf8(last);

    if (transfer.tooLarge)
        response.failure = Failure::TooLarge;
    else if (code == CURLE_WRITE_ERROR && cancel && cancel->load())
        response.failure = Failure::Cancelled;
    else
        response.failure = failureOf(code);
    if (response.failure == Failure::None && (response.status < 200 || response.status > 299))
        response.failure = Failure::Status;
    if (response.ok())
        response.body = std::move(transfer.body);
    else
        response.reason = describe(response.failure, response.status);
    return response;
}

} // namespace platform::http

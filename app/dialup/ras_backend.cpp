#include "ras_backend.h"

#include <QMap>

namespace dialup {

QString errorText(qint32 code) {
    // NetworkManager's reasons for an activation's end, in its own order.
    static const char16_t* const reasons[] = {
        u"原因のわからないまま接続が終わりました",
        u"接続が終わりました",
        u"接続が切断されました",
        u"機器の接続が切れました",
        u"接続のサービスが止まりました",
        u"IPアドレスの設定を受け取れませんでした",
        u"接続が時間切れになりました",
        u"接続のサービスが時間内に始まりませんでした",
        u"接続のサービスを始められませんでした",
        u"接続に必要なパスワードなどがありません",
        u"ログインに失敗しました",
        u"接続の設定が削除されました",
        u"先に必要な接続に失敗しました",
        u"機器を使える状態にできませんでした",
        u"機器が取り外されました",
    };
    static const QMap<qint32, const char16_t*> ours{
        {kNoProfile, u"この名前の接続の設定がありません"},
        {kNoNetworkManager, u"NetworkManagerに接続できません"},
        {kNotAuthorised, u"接続する権限がありません"},
        {kNoDevice, u"接続に使える機器がありません"},
        {kTimeLimit, u"時間内に接続できませんでした"},
        {kDialling, u"ほかの接続の途中です"},
        {kNoConnection, u"切断する接続がありません"},
        {kFailed, u"NetworkManagerが接続を受け付けませんでした"},
    };
    constexpr qint32 count = qint32(std::size(reasons));
    if (code >= kReasonBase && code < kReasonBase + count)
        return QString::fromUtf16(reasons[code - kReasonBase]);
    const auto it = ours.constFind(code);
    return it == ours.constEnd() ? QString() : QString::fromUtf16(*it);
}

Backend::Entries NoDialUp::EnumEntries() {
    return {};
}
Backend::Dialled NoDialUp::Dial(const QString&) {
    return {kNoEntry, 0};
}
qint32 NoDialUp::HangUp(quint32) {
    return kNoConnection;
}
Backend::Connections NoDialUp::EnumConnections() {
    return {};
}

namespace {

std::shared_ptr<Backend>& held() {
    static std::shared_ptr<Backend> current = std::make_shared<NoDialUp>();
    return current;
}

} // namespace

std::shared_ptr<Backend> backend() {
    return held();
}

void install(std::shared_ptr<Backend> implementation) {
    held() = implementation ? std::move(implementation) : std::make_shared<NoDialUp>();
}

} // namespace dialup

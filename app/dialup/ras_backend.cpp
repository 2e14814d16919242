#include "ras_backend.h"

namespace dialup {

Backend::Entries NoDialUp::EnumEntries(const QString&) {
    return {};
}
Backend::Dialled NoDialUp::Dial(const QString&, const DialParams&) {
    return {kNoEntry, 0};
}
qint32 NoDialUp::HangUp(quint32) {
    return 0;
}
QString NoDialUp::ErrorString(qint32 code) {
    return code == kNoEntry ? QStringLiteral("ダイヤルアップの接続先が見つかりません") : QString();
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

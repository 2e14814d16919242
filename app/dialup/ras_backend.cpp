#include "ras_backend.h"

namespace dialup {
namespace {

// A desktop without dial-up: nothing to list, nothing connected, nothing to dial.
class NoDialUp : public Backend {
public:
    Entries EnumEntries(const QString&) override { return {}; }
    Dialled Dial(const QString&, const DialParams&) override { return {kNoEntry, 0}; }
    qint32 HangUp(quint32) override { return 0; }
    QString ErrorString(qint32 code) override {
        return code == kNoEntry ? QStringLiteral("ダイヤルアップの接続先が見つかりません") : QString();
    }
    Connections EnumConnections() override { return {}; }
};

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

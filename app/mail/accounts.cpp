#include "accounts.h"

#include "app/settings/IniManage.h"
#include "app/settings/settings_db.h"

namespace mail {
namespace {
std::function<Accounts()>& reader() {
    static std::function<Accounts()> installed;
    return installed;
}
} // namespace

Accounts storedAccounts() {
    Accounts accounts;
    for (int i = 0; i < 3; ++i) {
        Account& account = accounts[std::size_t(i)];
        const auto row =
            settings_db::readRow(QStringLiteral("mail"), i + 1,
                                 {QStringLiteral("Server"), QStringLiteral("User"), QStringLiteral("pass")});
        if (row) {
            account.host = (*row)[0].value_or(QString());
            account.user = (*row)[1].value_or(QString());
            account.password = (*row)[2].value_or(QString());
        }
        account.port = IniManage::GetIni(QStringLiteral("portSV%1").arg(i + 1));
        if (account.port.isEmpty())
            account.port = QStringLiteral("110");
        account.used =
            i == 0 || IniManage::GetIni(QStringLiteral("flag%1").arg(i + 1)) == QStringLiteral("1");
    }
    return accounts;
}

Accounts readAccounts() {
    return reader() ? reader()() : storedAccounts();
}

void setAccountsReader(std::function<Accounts()> installed) {
    reader() = std::move(installed);
}

} // namespace mail

#include "accounts.h"

#include "app/settings/IniManage.h"
#include "app/settings/settings_db.h"

namespace mail {
namespace {
AccountsReader& reader() {
    static AccountsReader installed;
    return installed;
}
} // namespace

Accounts storedAccounts() {
    Accounts accounts;
    IniManage::BeginBatch();
    for (int i = 0; i < 3; ++i) {
        Account& account = accounts[std::size_t(i)];
        const auto row =
            settings_db::readRow(QStringLiteral("mail"), i + 1,
                                 {QStringLiteral("Server"), QStringLiteral("User"), QStringLiteral("pass")});
        if (row && row->size() == 3 && (*row)[0] && (*row)[1] && (*row)[2]) {
            account.host = *(*row)[0];
            account.user = *(*row)[1];
            account.password = *(*row)[2];
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
    if (const AccountsReader& installed = reader())
        if (std::optional<Accounts> open = installed())
            return *open;
    return storedAccounts();
}

void setAccountsReader(AccountsReader installed) {
    reader() = std::move(installed);
}

} // namespace mail

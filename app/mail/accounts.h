#pragma once
// The three POP3 accounts as the check and the download read them at the moment they ask: the
// settings dialog's values while it holds them, else the stored ones (settings database rows 1 to
// 3, the settings file's ports and the switches of accounts 2 and 3). The reader is replaceable so
// that the dialog, or a test, can hand over its own values.
#include <QString>
#include <array>
#include <functional>

namespace mail {

struct Account {
    QString host, port, user, password;
    bool used = false; // account 1 is always used
    // The server text of the transfer: host TAB port.
    QString server() const { return host + QLatin1Char('\t') + port; }
};
using Accounts = std::array<Account, 3>;

// The stored values: Null columns read as empty texts, an empty port as "110".
Accounts storedAccounts();

// The reader in use (storedAccounts until another is set); an empty function puts it back.
Accounts readAccounts();
void setAccountsReader(std::function<Accounts()> reader);

} // namespace mail

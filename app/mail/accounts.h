#pragma once
// The three POP3 accounts as the check and the download read them at the moment they ask: while
// the settings dialog is open, the texts of its boxes and its switches as they stand, saved or not;
// else the values its load would put there (settings database rows 1 to 3, the settings file's
// ports and the switches of accounts 2 and 3), read without loading it. The program installs the
// dialog's reader at start-up (UserData::MailAccounts); tests may install their own.
#include <QString>
#include <array>
#include <functional>
#include <optional>

namespace mail {

struct Account {
    QString host, port, user, password;
    bool used = false; // account 1 is always used
    // The server text of the transfer: host TAB port.
    QString server() const { return host + QLatin1Char('\t') + port; }
};
using Accounts = std::array<Account, 3>;

// The stored values, as the dialog's load shows them: a row that cannot be read or holds a Null
// gives three empty texts, an absent or empty port "110"; accounts 2 and 3 are used when their
// switch (flag2, flag3) is "1".
Accounts storedAccounts();

// The open dialog's values, or nothing while it is not open.
using AccountsReader = std::function<std::optional<Accounts>()>;

// The installed reader's values, else the stored ones.
Accounts readAccounts();
// An empty function leaves the stored values alone.
void setAccountsReader(AccountsReader reader);

} // namespace mail

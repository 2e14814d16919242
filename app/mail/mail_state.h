#pragma once
// The module mail's state: what the last check found, read by the summary on the character, and
// the download's row counter. Only the GUI thread touches it. Tests start from mail::state.reset().
#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>

namespace mail {

struct State {
    qint16 Count1 = 0, Count2 = 0, Count3 = 0; // messages waiting per account at the last check
    qint16 MailCount = 0;                      // the check's total; the download's next cache row id
    QString Summary; // per account with mail: its header line, then a subject line a message
    // Why each account failed at the last check or download that asked it, "" when it did not.
    std::array<QString, 3> Failures;
    // What the tray tip shows: the summary's counts (nothing: the start-up tip), and the failures
    // it tells.
    std::optional<std::array<qint16, 3>> TipCounts;
    std::array<QString, 3> TipFailures;

    void reset() { *this = State{}; }
};

inline State state;

} // namespace mail

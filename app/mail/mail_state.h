#pragma once
// The module mail's state: what the last check found, read by the summary on the character, and
// the download's row counter. Only the GUI thread touches it. Tests start from mail::state.reset().
#include <QString>
#include <QtGlobal>

namespace mail {

struct State {
    qint16 Count1 = 0, Count2 = 0, Count3 = 0; // messages waiting per account at the last check
    qint16 MailCount = 0;                      // the check's total; the download's next cache row id
    QString Summary; // per account with mail: its header line, then a subject line a message

    void reset() { *this = State{}; }
};

inline State state;

} // namespace mail

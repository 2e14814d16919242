#pragma once
// The module Module1's state: the target file of the clip export and the mail cache that the
// start-up and the exit delete. Only the GUI thread touches it. Tests start from
// Module1::state.reset().
#include <QString>

namespace Module1 {

struct State {
    QString VoiceFile;  // target file of the clip export in progress or just done
    QString CleanPath2; // the mail cache being deleted, in the program's private temporary folder

    void reset() { *this = State{}; }
};

inline State state;

} // namespace Module1

#pragma once
// Every module's shared state, and the one call that puts it all back to a program's first moment
// (for tests: each starts from there).
#include "app/state/IniManage.h"
#include "app/state/Module1.h"
#include "app/state/flag.h"
#include "app/state/speak.h"

namespace state {

inline void resetAll() {
    flag::state.reset();
    speak::state.reset();
    Module1::state.reset();
    IniManage::state.reset();
}

} // namespace state

#pragma once
// The module IniManage's state: the settings file and the user's section that GetIni and WriteIni
// act on (its procedures: app/settings/IniManage.h). Only the GUI thread touches it.
#include <QString>

namespace IniManage {

struct State {
    QString IniPath;
    QString Section;

    void reset() { *this = State{}; }
};

inline State state;

} // namespace IniManage

#pragma once
// The main window's hold on the SSTP control, its member `nh`. Made with the window, it registers
// the control (as an installer would) unless the class registry already names this program's own
// library with the build version this program was made with: a registration left by another build
// is replaced, never loaded, since the two sides use each other's interfaces as raw function
// tables. It then creates the control by its ProgID and from then on talks to it through its
// dispatch interface only: it reads Sakura and calls Send. The control stays synchronous and its
// events are not listened to.
//
// Without the library (not built, not installed, or it fails to load or register) the site says
// so once on standard error, Sakura reads 0 and Send sends nothing.
//
// The library is $MORVIK_BRINDOK_LIBRARY when set, else libbrindok.so in the library folder of the
// executable's prefix (<bin>/../lib, the installed library folder, or the build tree's lib).
#include "control/com/com.h"

#include <QString>
#include <optional>

class BrindokSite {
public:
    BrindokSite();
    BrindokSite(const BrindokSite&) = delete;
    BrindokSite& operator=(const BrindokSite&) = delete;

    bool available() const { return bool(control_); }

    // 1 when an SSTP server runs on this computer, else 0.
    int32_t Sakura() const;
    // SEND SSTP/1.1 of script with option (the program passes 0); the control's result code, or
    // nothing without the control.
    std::optional<int32_t> Send(const QString& script, int32_t option);

    static QString libraryPath();

private:
    com::Ptr<com::IDispatch> control_;
};

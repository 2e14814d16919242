#pragma once
// The SSTP control as the character window uses it: its `nh`, read for Sakura and sent scripts.
// Header only, and included by the program alone, which links the control (morvik_com) when it is
// built; the window's library itself knows the control only as services::Sstp.
#include "app/window/services.h"
#include "control/com/BrindokSite.h"

#include <memory>

class NhService : public services::Sstp {
public:
    int Sakura() override { return nh().Sakura(); }
    int Send(const QString& script, int option) override { return nh().Send(script, option).value_or(0); }

private:
    // Loading the control takes a few milliseconds; the start-up first asks it after her window is
    // up, so it is loaded then.
    BrindokSite& nh() {
        if (!nh_)
            nh_ = std::make_unique<BrindokSite>();
        return *nh_;
    }
    std::unique_ptr<BrindokSite> nh_;
};

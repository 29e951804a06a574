#pragma once

#include "platform/PressMonitor.h"

// Left-button presses anywhere on the X11 desktop, whichever client receives
// them or holds a grab: XInput 2.1 raw button events selected on the root.
class GlobalPressMonitor final : public PressMonitor {
public:
    std::unique_ptr<MonitorToken> addLeftPressMonitor(std::function<void()> handler) override;
};

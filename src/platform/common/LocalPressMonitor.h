#pragma once

#include "platform/PressMonitor.h"

// Left-button presses delivered to this program's own windows. The event goes
// on to its widget unchanged.
class LocalPressMonitor final : public PressMonitor {
public:
    std::unique_ptr<MonitorToken> addLeftPressMonitor(std::function<void()> handler) override;
};

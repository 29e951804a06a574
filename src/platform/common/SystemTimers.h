#pragma once

#include "platform/Timers.h"

// Qt's timers and a monotonic clock.
class SystemTimers final : public Timers {
public:
    std::unique_ptr<Timer> repeating(double seconds, std::function<void()> tick) override;
    std::unique_ptr<Timer> oneShot(double seconds, std::function<void()> fire) override;
    double now() const override;
};

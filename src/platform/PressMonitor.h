#pragma once

#include <functional>
#include <memory>

// Keeps a monitor installed; destroying it removes the monitor.
class MonitorToken {
public:
    virtual ~MonitorToken() = default;
};

// A source of left mouse-button presses.
class PressMonitor {
public:
    virtual ~PressMonitor() = default;
    // Returns nullptr when the monitor cannot be installed; it then never reports.
    virtual std::unique_ptr<MonitorToken> addLeftPressMonitor(std::function<void()> handler) = 0;
    // Whether it reports the start of a drag rather than the press itself,
    // where presses in other programs cannot be seen: that drag then began
    // after the press.
    virtual bool reportsDragStarts() const { return false; }
};

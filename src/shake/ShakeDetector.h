#pragma once

#include "shake/ShakeGesture.h"

#include <QPointF>
#include <functional>
#include <memory>
#include <vector>

class DragContents;
class MonitorToken;
class Pointer;
class PressMonitor;
class ShakeSource;
class Timer;
class Timers;

// What the detector needs from the desktop. The detector does not own them;
// they must outlive it.
struct ShakeServices {
    PressMonitor* globalPresses = nullptr; // presses in other programs
    PressMonitor* localPresses = nullptr;  // presses in this program's windows
    Pointer* pointer = nullptr;
    DragContents* drag = nullptr;
    Timers* timers = nullptr;
    ShakeSource* recognized = nullptr; // a desktop that recognises shakes itself
};

// Samples the cursor 25 times a second while the left button is held after a
// press, and as it moves where the desktop tells movements, and reports a
// shake made while something is being dragged.
class ShakeDetector {
public:
    static constexpr double sampleInterval = 0.04;

    explicit ShakeDetector(ShakeServices services);
    ~ShakeDetector();
    ShakeDetector(const ShakeDetector&) = delete;
    ShakeDetector& operator=(const ShakeDetector&) = delete;

    // Receives the cursor position, in screen points, of the tick that completed the shake.
    std::function<void(QPointF)> onShake;
    // Told once per press, when half a shake has been made during a drag:
    // what a shake opens can be made ready. Not where the desktop recognises
    // shakes itself.
    std::function<void()> onShakeUnderWay;

    // Whether a press starts looking for a shake; a change applies from the next press on.
    void setEnabled(bool enabled) { m_enabled = enabled; }
    // How many reversals make a shake; a change applies from the next sample on.
    void setMinReversals(int reversals);
    int minReversals() const { return static_cast<int>(m_gesture.core.minReversals); }

    // Installs the press monitors.
    void start();

    bool isSampling() const { return m_pollTimer != nullptr; }

private:
    void beginTracking(bool dragBegan);
    // A pointer that tells its movements is sampled as it moves, between ticks.
    void sampleNow();
    void poll();

    ShakeServices m_services;
    bool m_enabled = true;
    ShakeGesture m_gesture;
    std::vector<std::unique_ptr<MonitorToken>> m_monitors;
    std::unique_ptr<Timer> m_pollTimer;
    // Platform callbacks hold this weakly: once the detector is gone they do nothing.
    std::shared_ptr<ShakeDetector*> m_self;
};

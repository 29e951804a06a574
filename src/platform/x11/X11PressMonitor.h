#pragma once

#include "platform/PressMonitor.h"

#include <QPointer>

class X11Connection;

// Left-button presses anywhere on the X11 desktop, whichever client receives
// them or holds a grab: XInput 2.1 raw button events selected on the root.
class X11PressMonitor final : public PressMonitor {
public:
    // Without a connection (not on X11) nothing can be monitored.
    explicit X11PressMonitor(X11Connection* x11);

    std::unique_ptr<MonitorToken> addLeftPressMonitor(std::function<void()> handler) override;

private:
    QPointer<X11Connection> m_x11;
};

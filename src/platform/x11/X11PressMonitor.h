#pragma once

#include "platform/PressMonitor.h"

#include <QPointer>
#include <memory>

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
    // The tokens alive, which may outlive the monitor: the selection on the
    // root is one per connection, made for the first and dropped after the
    // last. One monitor per connection, then, as the program makes.
    std::shared_ptr<int> m_listeners = std::make_shared<int>(0);
};

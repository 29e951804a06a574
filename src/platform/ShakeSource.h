#pragma once

#include <QPointF>
#include <functional>

// Where the desktop recognises a shake itself, because only the compositor
// sees the pointer move over other programs, and confirms that something is
// being dragged before telling of it.
class ShakeSource {
public:
    virtual ~ShakeSource() = default;
    // How many reversals make a shake there, as the program's own setting says.
    virtual void setMinReversals(int reversals) = 0;
    // A shake of a drag, at the pointer in screen points.
    std::function<void(QPointF)> onShake;
};

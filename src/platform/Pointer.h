#pragma once

#include <QPointF>

// The mouse as the whole desktop sees it, not only this program's windows.
class Pointer {
public:
    virtual ~Pointer() = default;
    virtual bool leftButtonDown() const = 0;
    // In screen points: origin at the bottom-left of the primary screen, y up.
    virtual QPointF position() const = 0;
};

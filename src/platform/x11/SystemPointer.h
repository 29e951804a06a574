#pragma once

#include "platform/Pointer.h"

// The X server's pointer, seen from the root window, so that the button state
// and position stay true while another client drags.
class SystemPointer final : public Pointer {
public:
    bool leftButtonDown() const override;
    QPointF position() const override;
    Reading read() const override;
};

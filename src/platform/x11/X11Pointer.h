#pragma once

#include "platform/Pointer.h"

#include <QPointer>

class X11Connection;

// The X server's pointer, seen from the root window, so that the button state
// and position stay true while another client drags.
class X11Pointer final : public Pointer {
public:
    // Without a connection (not on X11) Qt's idea of the pointer is used.
    explicit X11Pointer(X11Connection* x11);

    Reading read() const override;

private:
    QPointer<X11Connection> m_x11;
};

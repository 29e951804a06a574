#include "platform/x11/X11Pointer.h"

#include "platform/common/ScreenPoints.h"
#include "platform/x11/X11Connection.h"

#include <QCursor>
#include <QGuiApplication>
#include <cstdlib>
#include <optional>
#include <xcb/xcb.h>

namespace {

struct PointerReading {
    QPoint root;
    bool left = false;
};

std::optional<PointerReading> queryPointer(X11Connection* x) {
    if (!x)
        return std::nullopt;
    auto* reply =
        xcb_query_pointer_reply(x->raw(), xcb_query_pointer(x->raw(), x->root()), nullptr);
    x->dispatchPending();
    if (!reply)
        return std::nullopt;
    PointerReading reading{QPoint(reply->root_x, reply->root_y),
                           (reply->mask & XCB_KEY_BUT_MASK_BUTTON_1) != 0};
    std::free(reply);
    return reading;
}

} // namespace

X11Pointer::X11Pointer(X11Connection* x11)
    : m_x11(x11) {}

Pointer::Reading X11Pointer::read() const {
    if (auto reading = queryPointer(m_x11))
        return {reading->left, ScreenPoints::fromNativePixels(reading->root)};
    return {QGuiApplication::mouseButtons().testFlag(Qt::LeftButton),
            ScreenPoints::fromQtGlobal(QPointF(QCursor::pos()))};
}

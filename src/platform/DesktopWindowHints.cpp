#include "platform/DesktopWindowHints.h"

#include "platform/X11Connection.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <xcb/xcb.h>

namespace {

constexpr uint32_t allDesktops = 0xFFFFFFFF;
constexpr uint32_t netWmStateAdd = 1;

void sendToRoot(X11Connection& x, xcb_window_t window, uint32_t type, const uint32_t (&data)[5]) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    for (int i = 0; i < 5; ++i)
        event.data.data32[i] = data[i];
    xcb_send_event(x.raw(), 0, x.root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
}

} // namespace

namespace DesktopWindowHints {

bool compositorRunning() {
    // A Wayland display server always composites.
    if (QGuiApplication::platformName() == QLatin1String("wayland"))
        return true;
    X11Connection* x = X11Connection::shared();
    if (!x)
        return false;
    // The manager of screen 0 owns "_NET_WM_CM_S0" while it composites.
    const uint32_t selection = x->atom("_NET_WM_CM_S0");
    auto* reply = xcb_get_selection_owner_reply(
        x->raw(), xcb_get_selection_owner(x->raw(), selection), nullptr);
    const bool running = reply && reply->owner != XCB_WINDOW_NONE;
    std::free(reply);
    return running;
}

void keepOnAllWorkspaces(QWidget* window) {
    X11Connection* x = X11Connection::shared();
    if (!x || !window)
        return;
    const auto id = static_cast<xcb_window_t>(window->winId());
    const uint32_t desktop = x->atom("_NET_WM_DESKTOP");
    const uint32_t state = x->atom("_NET_WM_STATE");
    xcb_change_property(x->raw(), XCB_PROP_MODE_REPLACE, id, desktop, XCB_ATOM_CARDINAL, 32, 1,
                        &allDesktops);
    if (window->isVisible()) {
        sendToRoot(*x, id, desktop, {allDesktops, 1, 0, 0, 0});
        sendToRoot(*x, id, state,
                   {netWmStateAdd, x->atom("_NET_WM_STATE_STICKY"),
                    x->atom("_NET_WM_STATE_SKIP_TASKBAR"), 1, 0});
        sendToRoot(*x, id, state, {netWmStateAdd, x->atom("_NET_WM_STATE_SKIP_PAGER"), 0, 1, 0});
    }
    xcb_flush(x->raw());
}

} // namespace DesktopWindowHints

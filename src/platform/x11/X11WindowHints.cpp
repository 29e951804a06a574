#include "platform/x11/X11WindowHints.h"

#include "platform/x11/X11Connection.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <optional>
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

std::optional<uint32_t> windowProperty(X11Connection& x, xcb_window_t window, uint32_t property,
                                       uint32_t type) {
    auto* reply = xcb_get_property_reply(
        x.raw(), xcb_get_property(x.raw(), 0, window, property, type, 0, 1), nullptr);
    std::optional<uint32_t> value;
    if (reply && reply->type == type && reply->format == 32 &&
        xcb_get_property_value_length(reply) >= 4)
        value = *static_cast<const uint32_t*>(xcb_get_property_value(reply));
    std::free(reply);
    return value;
}

bool isFullScreen(X11Connection& x, xcb_window_t window) {
    auto* reply = xcb_get_property_reply(
        x.raw(),
        xcb_get_property(x.raw(), 0, window, x.atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 0, 64),
        nullptr);
    bool fullScreen = false;
    if (reply && reply->format == 32) {
        const auto* states = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        const int count = xcb_get_property_value_length(reply) / 4;
        const uint32_t wanted = x.atom("_NET_WM_STATE_FULLSCREEN");
        fullScreen = std::find(states, states + count, wanted) != states + count;
    }
    std::free(reply);
    return fullScreen;
}

} // namespace

X11WindowHints::X11WindowHints(X11Connection* x11)
    : m_x11(x11) {}

bool X11WindowHints::compositorRunning() {
    X11Connection* x = m_x11;
    // Without X11 the program is a Wayland client, and a Wayland display
    // server always composites.
    if (!x)
        return QGuiApplication::platformName() == QLatin1String("wayland");
    // The manager of screen 0 owns "_NET_WM_CM_S0" while it composites.
    const uint32_t selection = x->atom("_NET_WM_CM_S0");
    auto* reply = xcb_get_selection_owner_reply(
        x->raw(), xcb_get_selection_owner(x->raw(), selection), nullptr);
    const bool running = reply && reply->owner != XCB_WINDOW_NONE;
    std::free(reply);
    return running;
}

void X11WindowHints::keepOnAllWorkspaces(QWindow* window) {
    X11Connection* x = m_x11;
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

void X11WindowHints::standAboveFocusedFullScreen(QWindow* window) {
    X11Connection* x = m_x11;
    if (!x || !window || !window->isVisible())
        return;
    const auto id = static_cast<xcb_window_t>(window->winId());
    const std::optional<uint32_t> active =
        windowProperty(*x, x->root(), x->atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
    // Qt makes its tool windows transient for the program's leader window; a
    // panel that stays tied to another program's window would follow it when
    // it is minimised.
    std::optional<uint32_t> owner = active;
    if (!active || *active == XCB_WINDOW_NONE || *active == id || !isFullScreen(*x, *active))
        owner = windowProperty(*x, id, x->atom("WM_CLIENT_LEADER"), XCB_ATOM_WINDOW);
    if (owner)
        xcb_change_property(x->raw(), XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_TRANSIENT_FOR,
                            XCB_ATOM_WINDOW, 32, 1, &*owner);
    xcb_flush(x->raw());
}

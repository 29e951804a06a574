#include "platform/x11/X11DragContents.h"

#include "platform/x11/X11Connection.h"

#include <QPointer>
#include <cstdlib>
#include <utility>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

struct X11DragContents::State {
    QPointer<X11Connection> connection;
    int handler = 0;
    uint32_t selection = XCB_ATOM_NONE;
    long count = 0;
    uint32_t owner = XCB_WINDOW_NONE;
    // The bits that name the client of a window, and those of the ignored client.
    uint32_t clientBits = 0;
    uint32_t ignoredClient = XCB_WINDOW_NONE;
    std::function<void()> onDragStarted;
};

namespace {

// The window the window manager names as its own on the root window.
uint32_t windowManagerWindow(X11Connection& x) {
    auto* reply = xcb_get_property_reply(x.raw(),
                                         xcb_get_property(x.raw(), 0, x.root(),
                                                          x.atom("_NET_SUPPORTING_WM_CHECK"),
                                                          XCB_ATOM_WINDOW, 0, 1),
                                         nullptr);
    uint32_t window = XCB_WINDOW_NONE;
    if (reply && xcb_get_property_value_length(reply) == sizeof window)
        window = *static_cast<const uint32_t*>(xcb_get_property_value(reply));
    std::free(reply);
    return window;
}

} // namespace

X11DragContents::X11DragContents(X11Connection* x, Owners counted)
    : m_state(std::make_shared<State>()) {
    if (!x || !x->hasXFixes())
        return;
    m_state->connection = x;
    m_state->selection = x->atom("XdndSelection");
    if (counted == Owners::exceptWindowManager) {
        // Every window of a client lies in the one range of ids the server gave it.
        m_state->clientBits = ~xcb_get_setup(x->raw())->resource_id_mask;
        m_state->ignoredClient = windowManagerWindow(*x) & m_state->clientBits;
    }

    if (auto* reply = xcb_get_selection_owner_reply(
            x->raw(), xcb_get_selection_owner(x->raw(), m_state->selection), nullptr)) {
        m_state->owner = reply->owner;
        std::free(reply);
    }

    const int notifyType = x->xfixesFirstEvent() + XCB_XFIXES_SELECTION_NOTIFY;
    std::weak_ptr<State> weak = m_state;
    m_state->handler = x->addHandler([weak, notifyType](const xcb_generic_event_t* e) {
        auto state = weak.lock();
        if (!state || (e->response_type & 0x7f) != notifyType)
            return;
        const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(e);
        if (notify->selection != state->selection)
            return;
        if (notify->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER) {
            state->owner = notify->owner;
            if (state->ignoredClient != XCB_WINDOW_NONE &&
                (notify->owner & state->clientBits) == state->ignoredClient)
                return;
            // A drag source keeps the selection after its drag ends, so the
            // owner alone says nothing; every new ownership is a new drag.
            if (state->onDragStarted)
                state->onDragStarted();
            ++state->count;
        } else {
            state->owner = XCB_WINDOW_NONE;
        }
    });
    xcb_xfixes_select_selection_input(x->raw(), x->root(), m_state->selection,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    xcb_flush(x->raw());
}

X11DragContents::~X11DragContents() {
    if (X11Connection* x = m_state->connection) {
        x->removeHandler(m_state->handler);
        xcb_xfixes_select_selection_input(x->raw(), x->root(), m_state->selection, 0);
        xcb_flush(x->raw());
    }
}

long X11DragContents::dragCount() const {
    if (X11Connection* x = m_state->connection)
        x->dispatchPending();
    return m_state->count;
}

bool X11DragContents::holdsItems() const {
    if (X11Connection* x = m_state->connection)
        x->dispatchPending();
    return m_state->owner != XCB_WINDOW_NONE;
}

void X11DragContents::setOnDragStarted(std::function<void()> onDragStarted) {
    m_state->onDragStarted = std::move(onDragStarted);
}

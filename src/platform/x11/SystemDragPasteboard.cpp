#include "platform/x11/SystemDragPasteboard.h"

#include "platform/x11/X11Connection.h"

#include <QPointer>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

struct SystemDragPasteboard::State {
    QPointer<X11Connection> connection;
    int handler = 0;
    uint32_t selection = XCB_ATOM_NONE;
    long count = 0;
    uint32_t owner = XCB_WINDOW_NONE;
};

SystemDragPasteboard::SystemDragPasteboard(X11Connection* x)
    : m_state(std::make_shared<State>()) {
    if (!x || !x->hasXFixes())
        return;
    m_state->connection = x;
    m_state->selection = x->atom("XdndSelection");

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
            // A drag source keeps the selection after its drag ends, so the
            // owner alone says nothing; every new ownership is a new drag.
            ++state->count;
            state->owner = notify->owner;
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

SystemDragPasteboard::~SystemDragPasteboard() {
    if (X11Connection* x = m_state->connection) {
        x->removeHandler(m_state->handler);
        xcb_xfixes_select_selection_input(x->raw(), x->root(), m_state->selection, 0);
        xcb_flush(x->raw());
    }
}

long SystemDragPasteboard::changeCount() const {
    if (X11Connection* x = m_state->connection)
        x->dispatchPending();
    return m_state->count;
}

bool SystemDragPasteboard::holdsItems() const {
    if (X11Connection* x = m_state->connection)
        x->dispatchPending();
    return m_state->owner != XCB_WINDOW_NONE;
}

bool SystemDragPasteboard::isWatching() const {
    return !m_state->connection.isNull();
}

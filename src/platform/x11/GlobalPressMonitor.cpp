#include "platform/x11/GlobalPressMonitor.h"

#include "platform/x11/X11Connection.h"

#include <QPointer>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace {

constexpr uint32_t leftButton = 1;

void selectRawPresses(X11Connection& x, bool on) {
    struct {
        xcb_input_event_mask_t head;
        uint32_t mask;
    } selection{};
    selection.head.deviceid = XCB_INPUT_DEVICE_ALL_MASTER;
    selection.head.mask_len = 1;
    selection.mask = on ? XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS : 0;
    xcb_input_xi_select_events(x.raw(), x.root(), 1, &selection.head);
    xcb_flush(x.raw());
}

class RawPressToken final : public MonitorToken {
public:
    RawPressToken(X11Connection* x, std::function<void()> handler)
        : m_connection(x) {
        ++s_listeners;
        if (s_listeners == 1)
            selectRawPresses(*x, true);
        const int opcode = x->xinputOpcode();
        m_handler =
            x->addHandler([opcode, handler = std::move(handler)](const xcb_generic_event_t* e) {
                if ((e->response_type & 0x7f) != XCB_GE_GENERIC)
                    return;
                const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(e);
                if (ge->extension != opcode || ge->event_type != XCB_INPUT_RAW_BUTTON_PRESS)
                    return;
                const auto* press = reinterpret_cast<const xcb_input_raw_button_press_event_t*>(e);
                if (press->detail == leftButton && handler)
                    handler();
            });
    }

    ~RawPressToken() override {
        if (!m_connection)
            return;
        m_connection->removeHandler(m_handler);
        if (--s_listeners == 0)
            selectRawPresses(*m_connection, false);
    }

private:
    static inline int s_listeners = 0;
    QPointer<X11Connection> m_connection;
    int m_handler = 0;
};

} // namespace

GlobalPressMonitor::GlobalPressMonitor(X11Connection* x11)
    : m_x11(x11) {}

std::unique_ptr<MonitorToken>
GlobalPressMonitor::addLeftPressMonitor(std::function<void()> handler) {
    X11Connection* x = m_x11;
    if (!x || !x->hasXInput21())
        return nullptr;
    return std::make_unique<RawPressToken>(x, std::move(handler));
}

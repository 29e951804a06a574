#include "platform/x11/X11PressMonitor.h"

#include "platform/x11/X11Connection.h"

#include <QPointer>
#include <cstdlib>
#include <memory>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace {

constexpr uint32_t leftButton = 1;

// Raw events carry the physical button; what the user calls the left button
// is whichever one the server's button map turns into button 1 (a
// left-handed setup swaps them). The map is read again after every change.
class ButtonMap {
public:
    explicit ButtonMap(X11Connection& x)
        : m_connection(&x) {}

    uint32_t logical(uint32_t physical) {
        if (m_stale && m_connection) {
            m_stale = false;
            m_map.clear();
            xcb_connection_t* c = m_connection->raw();
            if (auto* reply =
                    xcb_get_pointer_mapping_reply(c, xcb_get_pointer_mapping(c), nullptr)) {
                const uint8_t* map = xcb_get_pointer_mapping_map(reply);
                m_map.assign(map, map + xcb_get_pointer_mapping_map_length(reply));
                std::free(reply);
            }
        }
        return physical >= 1 && physical <= m_map.size() ? m_map[physical - 1] : physical;
    }

    void forget() { m_stale = true; }

private:
    QPointer<X11Connection> m_connection;
    std::vector<uint8_t> m_map;
    bool m_stale = true;
};

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
    RawPressToken(X11Connection* x, std::shared_ptr<int> listeners, std::function<void()> handler)
        : m_connection(x)
        , m_listeners(std::move(listeners)) {
        if (++*m_listeners == 1)
            selectRawPresses(*x, true);
        const int opcode = x->xinputOpcode();
        auto map = std::make_shared<ButtonMap>(*x);
        m_handler = x->addHandler(
            [opcode, map, handler = std::move(handler)](const xcb_generic_event_t* e) {
                const uint8_t type = e->response_type & 0x7f;
                if (type == XCB_MAPPING_NOTIFY) {
                    if (reinterpret_cast<const xcb_mapping_notify_event_t*>(e)->request ==
                        XCB_MAPPING_POINTER)
                        map->forget();
                    return;
                }
                if (type != XCB_GE_GENERIC)
                    return;
                const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(e);
                if (ge->extension != opcode || ge->event_type != XCB_INPUT_RAW_BUTTON_PRESS)
                    return;
                const auto* press = reinterpret_cast<const xcb_input_raw_button_press_event_t*>(e);
                if (map->logical(press->detail) == leftButton && handler)
                    handler();
            });
    }

    ~RawPressToken() override {
        if (!m_connection)
            return;
        m_connection->removeHandler(m_handler);
        if (--*m_listeners == 0)
            selectRawPresses(*m_connection, false);
    }

private:
    QPointer<X11Connection> m_connection;
    std::shared_ptr<int> m_listeners;
    int m_handler = 0;
};

} // namespace

X11PressMonitor::X11PressMonitor(X11Connection* x11)
    : m_x11(x11) {}

std::unique_ptr<MonitorToken> X11PressMonitor::addLeftPressMonitor(std::function<void()> handler) {
    X11Connection* x = m_x11;
    if (!x || !x->hasXInput21())
        return nullptr;
    return std::make_unique<RawPressToken>(x, m_listeners, std::move(handler));
}

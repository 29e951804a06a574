#include "platform/x11/SelectionOwnership.h"

#include "platform/common/OutgoingDrag.h"
#include "platform/x11/X11Connection.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

namespace {

xcb_connection_t* toolkitConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// X times are milliseconds that wrap around; "ahead" is within half the circle.
bool ahead(uint32_t time, uint32_t of) {
    return int32_t(time - of) > 0;
}

class TimeFilter final : public QAbstractNativeEventFilter {
public:
    TimeFilter(X11Connection& x, const OutgoingDrag& drag)
        : m_x11(&x)
        , m_drag(drag) {
        x.atoms({{"XdndPosition", &m_xdndPosition},
                 {"XdndDrop", &m_xdndDrop},
                 {"XdndSelection", &m_xdndSelection},
                 {"WM_PROTOCOLS", &m_wmProtocols},
                 {"QUOBLIN_SERVER_TIME", &m_clockProperty}});
        m_clockWindow = xcb_generate_id(x.raw());
        const uint32_t mask[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
        xcb_create_window(x.raw(), XCB_COPY_FROM_PARENT, m_clockWindow, x.root(), -1, -1, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          mask);
        xcb_flush(x.raw());
        x.addHandler([this](const xcb_generic_event_t* event) {
            if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                return;
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            if (notify->window == m_clockWindow && notify->atom == m_clockProperty)
                m_heard = notify->time;
        });
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t")
            return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        const uint8_t kind = event->response_type & 0x7f;
        if (kind == XCB_SELECTION_REQUEST) {
            auto* request = reinterpret_cast<xcb_selection_request_event_t*>(event);
            const std::optional<uint32_t> now = serverTimeIfBehind(request->time);
            if (!now)
                return false;
            // The toolkit hands out a drag's data only for a time it stamped
            // itself (the drag's latest position or its drop); with the time
            // replaced it would refuse a program that asks while the drag is
            // still moving over it. Such a request is answered here instead.
            if (request->selection == m_xdndSelection && answerFromLatestDrag(*request))
                return true;
            request->time = *now;
        } else if (kind == XCB_CLIENT_MESSAGE) {
            auto* client = reinterpret_cast<xcb_client_message_event_t*>(event);
            if (client->format != 32)
                return false;
            if (client->type == m_xdndPosition)
                keepBehindServer(client->data.data32[3]);
            else if (client->type == m_xdndDrop)
                keepBehindServer(client->data.data32[2]);
            else if (client->type == m_wmProtocols)
                keepBehindServer(client->data.data32[1]);
        }
        return false;
    }

private:
    void keepBehindServer(uint32_t& time) {
        if (const std::optional<uint32_t> now = serverTimeIfBehind(time))
            time = *now;
    }

    // The server's time when `time` lies ahead of it, else nothing.
    std::optional<uint32_t> serverTimeIfBehind(uint32_t time) {
        if (time == XCB_CURRENT_TIME)
            return std::nullopt;
        // Only a time well past our reckoning of the server's clock costs a
        // round trip to the server; nothing legitimate is ever ahead of it.
        if (m_reading &&
            !ahead(time, m_reading->time + uint32_t(m_reading->clock.elapsed()) + toleranceMs))
            return std::nullopt;
        const std::optional<uint32_t> now = serverTime();
        return now && ahead(time, *now) ? now : std::nullopt;
    }

    // Writes the latest drag's data in the asked-for form to the requestor
    // and tells it so; false, and nothing written, when that form is not one
    // the drag carries or needs more than one write.
    bool answerFromLatestDrag(const xcb_selection_request_event_t& request) {
        const QMimeData* data = m_drag.latest();
        if (!data || !m_x11)
            return false;
        xcb_connection_t* c = m_x11->raw();
        const QStringList formats = data->formats();
        const auto format = std::find_if(formats.begin(), formats.end(), [&](const QString& f) {
            return m_x11->atom(f.toLatin1().constData()) == request.target;
        });
        if (format == formats.end())
            return false;
        const QByteArray bytes = data->data(*format);
        if (bytes.size() > qsizetype(xcb_get_maximum_request_length(c)) * 4 - 64)
            return false;
        // Clients older than the current conventions name no property.
        const uint32_t property = request.property ? request.property : request.target;
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, request.target,
                            8, uint32_t(bytes.size()), bytes.constData());
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request.time;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        notify.property = property;
        xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&notify));
        xcb_flush(c);
        return true;
    }

    std::optional<uint32_t> serverTime() {
        if (!m_x11)
            return std::nullopt;
        // A property change comes back stamped with the server's time.
        m_heard.reset();
        xcb_change_property(m_x11->raw(), XCB_PROP_MODE_APPEND, m_clockWindow, m_clockProperty,
                            XCB_ATOM_STRING, 8, 0, nullptr);
        std::free(
            xcb_get_input_focus_reply(m_x11->raw(), xcb_get_input_focus(m_x11->raw()), nullptr));
        m_x11->dispatchPending();
        if (m_heard) {
            m_reading = Reading{*m_heard, {}};
            m_reading->clock.start();
        }
        return m_heard;
    }

    static constexpr uint32_t toleranceMs = 1000;

    struct Reading {
        uint32_t time = 0;
        QElapsedTimer clock;
    };

    QPointer<X11Connection> m_x11;
    const OutgoingDrag& m_drag;
    uint32_t m_xdndPosition = 0;
    uint32_t m_xdndDrop = 0;
    uint32_t m_xdndSelection = 0;
    uint32_t m_wmProtocols = 0;
    uint32_t m_clockProperty = 0;
    uint32_t m_clockWindow = 0;
    std::optional<uint32_t> m_heard;
    std::optional<Reading> m_reading;
};

} // namespace

namespace SelectionOwnership {

TimeGuard::TimeGuard(X11Connection& x11, const OutgoingDrag& drag) {
    if (!toolkitConnection())
        return;
    m_filter = std::make_unique<TimeFilter>(x11, drag);
    QCoreApplication::instance()->installNativeEventFilter(m_filter.get());
}

TimeGuard::~TimeGuard() {
    if (m_filter && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(m_filter.get());
}

bool clipboardHeldHere(X11Connection& x11) {
    return !toolkitConnection() || isToolkitWindow(clipboardOwner(x11));
}

uint32_t clipboardOwner(X11Connection& x11) {
    xcb_connection_t* c = x11.raw();
    auto* reply = xcb_get_selection_owner_reply(
        c, xcb_get_selection_owner(c, x11.atom("CLIPBOARD")), nullptr);
    const uint32_t owner = reply ? reply->owner : uint32_t(XCB_WINDOW_NONE);
    std::free(reply);
    x11.dispatchPending();
    return owner;
}

bool isToolkitWindow(uint32_t window) {
    xcb_connection_t* toolkit = toolkitConnection();
    if (!toolkit || window == XCB_WINDOW_NONE)
        return false;
    // Every window the toolkit makes carries an id from its connection's range.
    const xcb_setup_t* setup = xcb_get_setup(toolkit);
    return (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

} // namespace SelectionOwnership

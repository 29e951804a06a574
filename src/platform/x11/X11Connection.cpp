#include "platform/x11/X11Connection.h"

#include "platform/x11/GraphicalSession.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>
#include <xcb/xinput.h>

std::unique_ptr<X11Connection> X11Connection::connectToDisplay(const char* platform) {
    const bool runsHere = qGuiApp && QGuiApplication::platformName() == QLatin1String(platform);
    int screen = 0;
    // The probe reached the display Qt runs on only when Qt runs on X11; beside
    // Wayland, or broken, it would sit idle, so it goes.
    xcb_connection_t* held = GraphicalSession::takeProbeConnection(&screen);
    if (held &&
        (!runsHere || std::strcmp(platform, "xcb") != 0 || xcb_connection_has_error(held))) {
        xcb_disconnect(held);
        held = nullptr;
    }
    if (!runsHere)
        return nullptr;
    xcb_connection_t* c = held ? held : xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return nullptr;
    }
    return std::unique_ptr<X11Connection>(new X11Connection(c, screen));
}

std::unique_ptr<X11Connection> X11Connection::open() {
    return connectToDisplay("xcb");
}

std::unique_ptr<X11Connection> X11Connection::openXWayland() {
    return qEnvironmentVariableIsEmpty("DISPLAY") ? nullptr : connectToDisplay("wayland");
}

X11Connection::X11Connection(xcb_connection_t* connection, int screen)
    : m_connection(connection) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screen && it.rem; ++i)
        xcb_screen_next(&it);
    m_root = it.data ? it.data->root : 0;

    // Both extensions are asked at once: each round trip here is start-up time.
    xcb_prefetch_extension_data(m_connection, &xcb_input_id);
    xcb_prefetch_extension_data(m_connection, &xcb_xfixes_id);
    const xcb_query_extension_reply_t* input = xcb_get_extension_data(m_connection, &xcb_input_id);
    const xcb_query_extension_reply_t* xfixes =
        xcb_get_extension_data(m_connection, &xcb_xfixes_id);
    const bool askInput = input && input->present, askXFixes = xfixes && xfixes->present;
    // XInput 2.0 withholds presses while another client grabs the pointer, which
    // is exactly what a drag does; 2.1 delivers raw events regardless.
    const auto inputVersion = askInput ? xcb_input_xi_query_version(m_connection, 2, 2)
                                       : xcb_input_xi_query_version_cookie_t{};
    // The version handshake is mandatory before XFixes answers anything else.
    const auto xfixesVersion = askXFixes ? xcb_xfixes_query_version(m_connection, 5, 0)
                                         : xcb_xfixes_query_version_cookie_t{};
    if (askInput) {
        if (auto* reply = xcb_input_xi_query_version_reply(m_connection, inputVersion, nullptr)) {
            if (reply->major_version > 2 ||
                (reply->major_version == 2 && reply->minor_version >= 1))
                m_xinputOpcode = input->major_opcode;
            std::free(reply);
        }
    }
    if (askXFixes) {
        if (auto* reply = xcb_xfixes_query_version_reply(m_connection, xfixesVersion, nullptr)) {
            m_xfixesFirstEvent = xfixes->first_event;
            std::free(reply);
        }
    }

    m_notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_connection),
                                                   QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &X11Connection::dispatchPending);
}

X11Connection::~X11Connection() {
    m_notifier.reset();
    xcb_disconnect(m_connection);
}

uint32_t X11Connection::atom(const char* name) {
    uint32_t result = XCB_ATOM_NONE;
    atoms({{name, &result}});
    return result;
}

void X11Connection::atoms(std::initializer_list<std::pair<const char*, uint32_t*>> wanted) {
    std::vector<std::pair<const char*, xcb_intern_atom_cookie_t>> asked;
    for (const auto& [name, atom] : wanted) {
        if (!m_atoms.contains(std::string_view(name)))
            asked.emplace_back(name,
                               xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name));
    }
    for (const auto& [name, cookie] : asked) {
        auto* reply = xcb_intern_atom_reply(m_connection, cookie, nullptr);
        // A failed request is asked again next time rather than remembered.
        if (reply && reply->atom != XCB_ATOM_NONE)
            m_atoms.emplace(name, reply->atom);
        std::free(reply);
    }
    for (const auto& [name, atom] : wanted) {
        const auto known = m_atoms.find(std::string_view(name));
        *atom = known != m_atoms.end() ? known->second : uint32_t(XCB_ATOM_NONE);
    }
}

int X11Connection::addHandler(Handler handler) {
    const int id = m_nextHandler++;
    m_handlers.emplace(id, std::move(handler));
    return id;
}

void X11Connection::removeHandler(int id) {
    m_handlers.erase(id);
}

void X11Connection::dispatchPending() {
    if (m_dispatching)
        return;
    if (xcb_connection_has_error(m_connection)) {
        // The server is gone; stop listening rather than spin on a dead socket.
        m_notifier->setEnabled(false);
        return;
    }
    m_dispatching = true;
    for (;;) {
        Event event;
        if (!m_passedOver.empty()) {
            event = std::move(m_passedOver.front());
            m_passedOver.pop_front();
        } else {
            event.reset(xcb_poll_for_event(m_connection));
        }
        if (!event)
            break;
        // Handlers may add or remove handlers; walk a snapshot of the ids.
        std::vector<int> ids;
        ids.reserve(m_handlers.size());
        for (const auto& [id, handler] : m_handlers)
            ids.push_back(id);
        for (int id : ids) {
            auto it = m_handlers.find(id);
            if (it != m_handlers.end()) {
                Handler handler = it->second; // survives a handler removing itself
                handler(event.get());
            }
        }
    }
    m_dispatching = false;
}

X11Connection::Event
X11Connection::waitFor(const std::function<bool(const xcb_generic_event_t*)>& wanted,
                       QDeadlineTimer deadline) {
    for (;;) {
        while (Event event{xcb_poll_for_event(m_connection)}) {
            if (wanted(event.get()))
                return event;
            if (m_passedOver.empty())
                QMetaObject::invokeMethod(this, &X11Connection::dispatchPending,
                                          Qt::QueuedConnection);
            m_passedOver.push_back(std::move(event));
        }
        if (xcb_connection_has_error(m_connection) || deadline.hasExpired())
            return {};
        pollfd socket{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        const qint64 left = deadline.remainingTime();
        ::poll(&socket, 1, left < 0 ? -1 : int(std::min<qint64>(left, 60000)));
    }
}

#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <xcb/xcb.h>

class QSocketNotifier;

// The platform layer's own connection to the X server, apart from Qt's, so that
// global input, selection and key-grab traffic never mixes with the toolkit's.
// Events are read through a socket notifier on the GUI thread.
class X11Connection final : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const xcb_generic_event_t*)>;

    // A connection to the server the application runs on; nullptr when it
    // does not run on X11 (offscreen, Wayland without XWayland, no display).
    // Call after the application object exists, and close it before that goes.
    static std::unique_ptr<X11Connection> open();
    // A connection to XWayland's display ($DISPLAY) beside a toolkit that runs on
    // Wayland; nullptr when there is none. Connecting starts an XWayland that is
    // started on demand: ask only once it runs.
    static std::unique_ptr<X11Connection> openXWayland();

    ~X11Connection() override;

    xcb_connection_t* raw() const { return m_connection; }
    uint32_t root() const { return m_root; }

    // Extension state, queried once at opening.
    bool hasXInput21() const { return m_xinputOpcode >= 0; }
    int xinputOpcode() const { return m_xinputOpcode; }
    bool hasXFixes() const { return m_xfixesFirstEvent >= 0; }
    int xfixesFirstEvent() const { return m_xfixesFirstEvent; }

    // The server's atom for a name. An atom never changes while the server
    // runs, so each name costs one round trip per connection.
    uint32_t atom(const char* name);
    // Fills each of `wanted` with the atom for its name, asking for all the names
    // not yet known in one round trip; XCB_ATOM_NONE where the server failed.
    void atoms(std::initializer_list<std::pair<const char*, uint32_t*>> wanted);

    int addHandler(Handler handler);
    void removeHandler(int id);

    // Reads and dispatches whatever the server has sent. Call after own round
    // trips: a reply wait can queue events without the socket waking us again.
    void dispatchPending();

    struct FreeEvent {
        void operator()(xcb_generic_event_t* event) const { std::free(event); }
    };
    using Event = std::unique_ptr<xcb_generic_event_t, FreeEvent>;
    // Blocks until the server sends an event that `wanted` takes, for a caller
    // that cannot go back to the event loop; empty at the deadline or when the
    // server is gone. The events passed over meanwhile reach the handlers
    // afterwards, in their order, from the event loop.
    Event waitFor(const std::function<bool(const xcb_generic_event_t*)>& wanted,
                  QDeadlineTimer deadline);

private:
    explicit X11Connection(xcb_connection_t* connection, int screen);
    // $DISPLAY, when the toolkit runs on the platform so named.
    static std::unique_ptr<X11Connection> connectToDisplay(const char* platform);

    xcb_connection_t* m_connection = nullptr;
    uint32_t m_root = 0;
    int m_xinputOpcode = -1;
    int m_xfixesFirstEvent = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::map<std::string, uint32_t, std::less<>> m_atoms;
    std::map<int, Handler> m_handlers;
    int m_nextHandler = 1;
    bool m_dispatching = false;
    std::deque<Event> m_passedOver;
};

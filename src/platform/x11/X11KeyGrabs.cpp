#include "platform/x11/X11KeyGrabs.h"

#include "platform/x11/X11Connection.h"

#include <QPointer>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <map>
#include <ranges>
#include <xcb/xcb.h>

namespace {

using Key = X11KeyGrabs::Key;

constexpr uint16_t lockStates = XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2; // Caps Lock, Num Lock
constexpr uint16_t keyModifiers = 0x00ff; // the eight modifier bits; the rest are buttons

struct Registration {
    Key combination;
    std::function<void()> onPress;
};

void ungrabOnServer(X11Connection& x, Key combination) {
    for (uint16_t mask : X11KeyGrabs::grabbedMasks(combination.modifiers))
        xcb_ungrab_key(x.raw(), combination.keycode, x.root(), mask);
    xcb_flush(x.raw());
}

// Asks for every lock variant; the answers are read by settleGrabs.
std::vector<xcb_void_cookie_t> requestGrabs(X11Connection& x, Key combination) {
    std::vector<xcb_void_cookie_t> cookies;
    for (uint16_t mask : X11KeyGrabs::grabbedMasks(combination.modifiers))
        cookies.push_back(xcb_grab_key_checked(x.raw(), 0, x.root(), mask, combination.keycode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    return cookies;
}

// Another client holding the plain combination means the combination is not
// ours: whatever variants did succeed are given back. The first answer read
// waits for the server; those of requests sent before it are then at hand.
bool settleGrabs(X11Connection& x, Key combination, const std::vector<xcb_void_cookie_t>& cookies) {
    const std::vector<uint16_t> masks = X11KeyGrabs::grabbedMasks(combination.modifiers);
    std::vector<bool> granted;
    for (const xcb_void_cookie_t& cookie : cookies) {
        xcb_generic_error_t* error = xcb_request_check(x.raw(), cookie);
        granted.push_back(error == nullptr);
        std::free(error);
    }
    if (!granted.front()) {
        for (std::size_t i = 1; i < masks.size(); ++i) {
            if (granted[i])
                xcb_ungrab_key(x.raw(), combination.keycode, x.root(), masks[i]);
        }
        xcb_flush(x.raw());
    }
    return granted.front();
}

} // namespace

// The grabs made through one connection, and the one handler of its key events.
struct X11KeyGrabs::Table {
    std::map<int, Registration> registrations;
    int nextId = 1;
    // The time of each key's last release. The server's auto-repeat sends a
    // held key as a release and a press with one and the same time, so a
    // press at that very time is the key still held, not a new press.
    std::map<uint8_t, uint32_t> lastRelease;

    void regrabAll(X11Connection& x) const;
    void handleEvent(X11Connection& x, const xcb_generic_event_t* event);
};

void X11KeyGrabs::Table::regrabAll(X11Connection& x) const {
    // Errors of these requests (a variant someone else holds) arrive as
    // events and are ignored; a refused combination is not retried.
    for (const auto& [id, registration] : registrations) {
        for (uint16_t mask : X11KeyGrabs::grabbedMasks(registration.combination.modifiers))
            xcb_grab_key(x.raw(), 0, x.root(), mask, registration.combination.keycode,
                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    }
    xcb_flush(x.raw());
}

void X11KeyGrabs::Table::handleEvent(X11Connection& x, const xcb_generic_event_t* event) {
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        regrabAll(x);
        return;
    }
    if (type == XCB_KEY_RELEASE) {
        const auto* release = reinterpret_cast<const xcb_key_release_event_t*>(event);
        lastRelease[release->detail] = release->time;
        return;
    }
    if (type != XCB_KEY_PRESS)
        return;
    const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
    // One press runs its action once however long the key is held, even when
    // the repeats queued up while the program was busy.
    if (const auto it = lastRelease.find(press->detail);
        it != lastRelease.end() && it->second == press->time)
        return;
    const Key pressed = X11KeyGrabs::pressedCombination(press->detail, press->state);
    for (const auto& [id, registration] : registrations) {
        if (registration.combination == pressed) {
            // A copy: the action may well release its own grab.
            std::function<void()> action = registration.onPress;
            if (action)
                action();
            return;
        }
    }
}

namespace {

// Gives its grab back when it goes; nothing once the grabs or the connection
// are gone, which took the grab with them.
class RootKeyGrab final : public KeyGrabToken {
public:
    RootKeyGrab(std::weak_ptr<X11KeyGrabs::Table> table, X11Connection* x11, int id)
        : m_table(std::move(table))
        , m_x11(x11)
        , m_id(id) {}

    ~RootKeyGrab() override {
        const std::shared_ptr<X11KeyGrabs::Table> table = m_table.lock();
        if (!table)
            return;
        const auto it = table->registrations.find(m_id);
        if (it == table->registrations.end())
            return;
        const Key combination = it->second.combination;
        table->registrations.erase(it);
        if (m_x11)
            ungrabOnServer(*m_x11, combination);
    }

private:
    std::weak_ptr<X11KeyGrabs::Table> m_table;
    QPointer<X11Connection> m_x11;
    int m_id;
};

} // namespace

X11KeyGrabs::X11KeyGrabs(X11Connection* x11)
    : m_x11(x11)
    , m_table(std::make_shared<Table>()) {
    if (!x11)
        return;
    const std::weak_ptr<Table> weak = m_table;
    m_handlerId = x11->addHandler([weak, x11](const xcb_generic_event_t* event) {
        if (const std::shared_ptr<Table> table = weak.lock())
            table->handleEvent(*x11, event);
    });
}

X11KeyGrabs::~X11KeyGrabs() {
    if (m_x11)
        m_x11->removeHandler(m_handlerId);
}

std::vector<uint16_t> X11KeyGrabs::grabbedMasks(uint16_t modifiers) {
    const uint16_t base = modifiers & keyModifiers & ~lockStates;
    return {base, uint16_t(base | XCB_MOD_MASK_LOCK), uint16_t(base | XCB_MOD_MASK_2),
            uint16_t(base | lockStates)};
}

Key X11KeyGrabs::pressedCombination(uint8_t keycode, uint16_t state) {
    return {keycode, uint16_t(state & keyModifiers & ~lockStates)};
}

std::optional<Key> X11KeyGrabs::keyOf(QKeyCombination keys) {
    // The rows of a pc105 keyboard by their first keycode.
    static constexpr std::array<std::pair<uint8_t, const char*>, 4> rows{
        {{10, "1234567890"}, {24, "QWERTYUIOP"}, {38, "ASDFGHJKL"}, {52, "ZXCVBNM"}}};
    static constexpr std::array<std::pair<Qt::KeyboardModifier, uint16_t>, 4> masks{
        {{Qt::ShiftModifier, XCB_MOD_MASK_SHIFT},
         {Qt::ControlModifier, XCB_MOD_MASK_CONTROL},
         {Qt::AltModifier, XCB_MOD_MASK_1},
         {Qt::MetaModifier, XCB_MOD_MASK_4}}};
    Key key;
    const int code = keys.key();
    for (const auto& [first, row] : rows) {
        if (const char* at = code > 0 && code < 0x80 ? std::strchr(row, code) : nullptr)
            key.keycode = uint8_t(first + (at - row));
    }
    Qt::KeyboardModifiers unknown = keys.keyboardModifiers();
    for (const auto& [modifier, mask] : masks) {
        if (unknown.testFlag(modifier))
            key.modifiers |= mask;
        unknown &= ~modifier;
    }
    // A modifier the grab cannot express would silently widen the combination.
    if (key.keycode == 0 || unknown)
        return std::nullopt;
    return key;
}

std::unique_ptr<KeyGrabToken> X11KeyGrabs::grabKey(QKeyCombination keys,
                                                   std::function<void()> onPress) {
    std::vector<KeyGrabRequest> one;
    one.push_back({keys, std::move(onPress)});
    return std::move(grabKeys(std::move(one)).front());
}

std::vector<std::unique_ptr<KeyGrabToken>>
X11KeyGrabs::grabKeys(std::vector<KeyGrabRequest> requests) {
    std::vector<std::unique_ptr<KeyGrabToken>> tokens(requests.size());
    X11Connection* x = m_x11;
    if (!x)
        return tokens;
    struct Asked {
        std::size_t index;
        Key combination;
        std::vector<xcb_void_cookie_t> cookies;
    };
    std::vector<Asked> asked;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const std::optional<Key> key = keyOf(requests[i].keys);
        if (!key)
            continue;
        // The server would let us grab it twice; which action should a press run?
        const auto same = [&key](const auto& held) { return held.combination == *key; };
        if (std::ranges::any_of(asked, same) ||
            std::ranges::any_of(m_table->registrations | std::views::values, same))
            continue;
        asked.push_back({i, *key, requestGrabs(*x, *key)});
    }
    for (Asked& a : asked) {
        if (!settleGrabs(*x, a.combination, a.cookies))
            continue;
        const int id = m_table->nextId++;
        m_table->registrations.emplace(
            id, Registration{a.combination, std::move(requests[a.index].onPress)});
        tokens[a.index] = std::make_unique<RootKeyGrab>(m_table, x, id);
    }
    x->dispatchPending();
    return tokens;
}

#pragma once

#include "platform/KeyGrabs.h"

#include <QPointer>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class X11Connection;

// Key grabs on the root window of the X server.
class X11KeyGrabs final : public KeyGrabService {
public:
    // Without a connection (not on X11) every grab is refused.
    explicit X11KeyGrabs(X11Connection* x11);
    ~X11KeyGrabs() override;
    X11KeyGrabs(const X11KeyGrabs&) = delete;
    X11KeyGrabs& operator=(const X11KeyGrabs&) = delete;

    std::unique_ptr<KeyGrabToken> grabKey(QKeyCombination keys,
                                          std::function<void()> onPress) override;
    // All variants of every combination are asked for before any answer is
    // read: one round trip for all of them.
    std::vector<std::unique_ptr<KeyGrabToken>>
    grabKeys(std::vector<KeyGrabRequest> requests) override;

    // A physical key and the modifiers held with it, in the core protocol's
    // terms: a keycode and a modifier mask.
    struct Key {
        uint8_t keycode = 0;
        uint16_t modifiers = 0;
        friend bool operator==(const Key&, const Key&) = default;
    };
    // The key a letter or digit names is the key at its place on a pc105
    // keyboard (evdev code + 8), whatever the layout, as the hot keys have
    // always been; nothing for another key or for a keypad key.
    static std::optional<Key> keyOf(QKeyCombination keys);

    // The masks actually grabbed for a combination. Caps Lock and Num Lock are
    // states rather than held keys, so a combination must also work with
    // either or both of them on; the plain mask comes first.
    static std::vector<uint16_t> grabbedMasks(uint16_t modifiers);
    // The combination a key press stands for: the lock states and the mouse
    // buttons held with it are not part of it.
    static Key pressedCombination(uint8_t keycode, uint16_t state);

    // Every grab made through one object, shared with the tokens it hands out.
    struct Table;

private:
    QPointer<X11Connection> m_x11;
    std::shared_ptr<Table> m_table;
    int m_handlerId = 0;
};

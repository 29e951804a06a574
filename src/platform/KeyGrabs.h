#pragma once

#include <cstdint>
#include <functional>
#include <memory>

// A physical key and the modifier keys held with it, in the X11 core
// protocol's terms: a keycode and a modifier mask.
struct KeyCombination {
    uint8_t keycode = 0;
    uint16_t modifiers = 0;

    friend bool operator==(const KeyCombination&, const KeyCombination&) = default;
};

// The core protocol's modifier bits.
namespace KeyModifier {
inline constexpr uint16_t shift = 0x0001;
inline constexpr uint16_t lock = 0x0002; // Caps Lock
inline constexpr uint16_t control = 0x0004;
inline constexpr uint16_t mod1 = 0x0008; // Alt
inline constexpr uint16_t mod2 = 0x0010; // Num Lock
inline constexpr uint16_t mod4 = 0x0040; // Super
} // namespace KeyModifier

// Keeps a grab in place; destroying it releases the grab.
class KeyGrabToken {
public:
    virtual ~KeyGrabToken() = default;
};

// System-wide key combinations delivered to the program whichever window has
// the focus.
class KeyGrabService {
public:
    virtual ~KeyGrabService() = default;
    // Returns nullptr when the combination cannot be had (another client holds
    // it, it is already grabbed in this process, or there is no display); it
    // then never reports. onPress runs on the GUI thread.
    virtual std::unique_ptr<KeyGrabToken> grabKey(KeyCombination combination,
                                                  std::function<void()> onPress) = 0;
};

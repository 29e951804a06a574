#include "app/HotKey.h"

#include "platform/KeyGrabs.h"

#include <array>
#include <utility>

namespace {

// ANSI key positions and the X11 keycodes of the same physical keys (evdev
// code + 8) on a pc105 keyboard.
constexpr std::array<std::pair<uint32_t, uint8_t>, 47> keyPositions{{
    {0x00, 38}, // A
    {0x01, 39}, // S
    {0x02, 40}, // D
    {0x03, 41}, // F
    {0x04, 43}, // H
    {0x05, 42}, // G
    {0x06, 52}, // Z
    {0x07, 53}, // X
    {0x08, 54}, // C
    {0x09, 55}, // V
    {0x0B, 56}, // B
    {0x0C, 24}, // Q
    {0x0D, 25}, // W
    {0x0E, 26}, // E
    {0x0F, 27}, // R
    {0x10, 29}, // Y
    {0x11, 28}, // T
    {0x12, 10}, // 1
    {0x13, 11}, // 2
    {0x14, 12}, // 3
    {0x15, 13}, // 4
    {0x16, 15}, // 6
    {0x17, 14}, // 5
    {0x18, 21}, // =
    {0x19, 18}, // 9
    {0x1A, 16}, // 7
    {0x1B, 20}, // -
    {0x1C, 17}, // 8
    {0x1D, 19}, // 0
    {0x1E, 35}, // ]
    {0x1F, 32}, // O
    {0x20, 30}, // U
    {0x21, 34}, // [
    {0x22, 31}, // I
    {0x23, 33}, // P
    {0x25, 46}, // L
    {0x26, 44}, // J
    {0x27, 48}, // '
    {0x28, 45}, // K
    {0x29, 47}, // ;
    {0x2A, 51}, // backslash
    {0x2B, 59}, // ,
    {0x2C, 61}, // /
    {0x2D, 57}, // N
    {0x2E, 58}, // M
    {0x2F, 60}, // .
    {0x32, 49}, // `
}};

constexpr std::array<std::pair<uint32_t, uint16_t>, 4> modifierBits{{
    {HotKey::controlModifier, KeyModifier::control},
    {HotKey::optionModifier, KeyModifier::mod1},
    {HotKey::shiftModifier, KeyModifier::shift},
    {HotKey::commandModifier, KeyModifier::mod4},
}};

} // namespace

std::optional<KeyCombination> HotKey::physicalCombination(uint32_t keyCode, uint32_t modifiers) {
    KeyCombination combination;
    bool found = false;
    for (const auto& [position, keycode] : keyPositions) {
        if (position == keyCode) {
            combination.keycode = keycode;
            found = true;
        }
    }
    if (!found)
        return std::nullopt;
    uint32_t unknown = modifiers;
    for (const auto& [bit, mask] : modifierBits) {
        if (modifiers & bit) {
            combination.modifiers |= mask;
            unknown &= ~bit;
        }
    }
    // A modifier we cannot express would silently widen the combination.
    if (unknown != 0)
        return std::nullopt;
    return combination;
}

HotKey::HotKey(KeyGrabService& service, uint32_t keyCode, uint32_t modifiers,
               std::function<void()> onPress)
    : m_onPress(std::make_shared<std::function<void()>>(std::move(onPress))) {
    const std::optional<KeyCombination> combination = physicalCombination(keyCode, modifiers);
    if (!combination)
        return;
    // The grab holds the action weakly, so a press that arrives while the hot
    // key is going away runs nothing.
    std::weak_ptr<std::function<void()>> weak = m_onPress;
    m_grab = service.grabKey(*combination, [weak] {
        if (auto action = weak.lock(); action && *action)
            (*action)();
    });
}

HotKey::~HotKey() {
    m_grab.reset();
    m_onPress.reset();
}

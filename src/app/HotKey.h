#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class KeyGrabService;
class KeyGrabToken;
struct KeyCombination;

// One system-wide key combination that runs onPress whenever it is pressed,
// whichever application is in front. The object's life is the registration's
// life: creating it registers, destroying it unregisters.
class HotKey {
public:
    // Key codes name physical key positions of an ANSI keyboard (45 is N,
    // 9 is V, 1 is S) whatever the layout; modifier bits are control 0x1000,
    // option 0x0800, shift 0x0200 and command 0x0100, and exactly those given
    // must be held. A combination that cannot be registered does nothing.
    HotKey(KeyGrabService& service, uint32_t keyCode, uint32_t modifiers,
           std::function<void()> onPress);
    ~HotKey();

    HotKey(const HotKey&) = delete;
    HotKey& operator=(const HotKey&) = delete;

    static constexpr uint32_t controlModifier = 0x1000;
    static constexpr uint32_t optionModifier = 0x0800;
    static constexpr uint32_t shiftModifier = 0x0200;
    static constexpr uint32_t commandModifier = 0x0100;

    bool isRegistered() const { return m_grab != nullptr; }

    // The physical key and held modifiers a key code and modifier bits stand
    // for; empty when there is no such key or modifier.
    static std::optional<KeyCombination> physicalCombination(uint32_t keyCode, uint32_t modifiers);

private:
    std::unique_ptr<KeyGrabToken> m_grab;
    std::shared_ptr<std::function<void()>> m_onPress;
};

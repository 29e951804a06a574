#pragma once

#include <QKeyCombination>
#include <functional>
#include <memory>

class KeyGrabService;
class KeyGrabToken;

// One system-wide key combination that runs onPress whenever it is pressed,
// whichever application is in front. The object's life is the registration's
// life: creating it registers, destroying it unregisters. Exactly the
// modifiers given must be held; a combination the desktop refuses, or cannot
// name, does nothing.
class HotKey {
public:
    HotKey(KeyGrabService& service, QKeyCombination keys, std::function<void()> onPress);
    ~HotKey();

    HotKey(const HotKey&) = delete;
    HotKey& operator=(const HotKey&) = delete;

    bool isRegistered() const { return m_grab != nullptr; }

private:
    std::unique_ptr<KeyGrabToken> m_grab;
    std::shared_ptr<std::function<void()>> m_onPress;
};

#include "app/HotKey.h"

#include "platform/KeyGrabs.h"

HotKey::HotKey(KeyGrabService& service, QKeyCombination keys, std::function<void()> onPress)
    : m_onPress(std::make_shared<std::function<void()>>(std::move(onPress))) {
    // The grab holds the action weakly, so a press that arrives while the hot
    // key is going away runs nothing.
    std::weak_ptr<std::function<void()>> weak = m_onPress;
    m_grab = service.grabKey(keys, [weak] {
        if (auto action = weak.lock(); action && *action)
            (*action)();
    });
}

HotKey::~HotKey() {
    m_grab.reset();
    m_onPress.reset();
}

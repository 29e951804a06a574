#include "app/HotKey.h"

#include "platform/KeyGrabs.h"

HotKey::HotKey(std::function<void()> onPress)
    : m_onPress(std::make_shared<std::function<void()>>(std::move(onPress))) {}

HotKey::HotKey(KeyGrabService& service, QKeyCombination keys, std::function<void()> onPress)
    : HotKey(std::move(onPress)) {
    m_grab = service.grabKey(keys, weakAction());
}

HotKey::~HotKey() {
    m_grab.reset();
    m_onPress.reset();
}

std::function<void()> HotKey::weakAction() const {
    return [weak = std::weak_ptr<std::function<void()>>(m_onPress)] {
        if (auto action = weak.lock(); action && *action)
            (*action)();
    };
}

std::vector<std::unique_ptr<HotKey>> HotKey::registerAll(KeyGrabService& service,
                                                         std::vector<Wanted> wanted) {
    std::vector<std::unique_ptr<HotKey>> keys;
    std::vector<KeyGrabRequest> requests;
    for (auto& [combination, onPress] : wanted) {
        keys.push_back(std::unique_ptr<HotKey>(new HotKey(std::move(onPress))));
        requests.push_back({combination, keys.back()->weakAction()});
    }
    std::vector<std::unique_ptr<KeyGrabToken>> grabs = service.grabKeys(std::move(requests));
    for (std::size_t i = 0; i < keys.size() && i < grabs.size(); ++i)
        keys[i]->m_grab = std::move(grabs[i]);
    return keys;
}

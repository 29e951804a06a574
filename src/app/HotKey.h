#pragma once

#include <QKeyCombination>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

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

    // Several at once, in the order given: the desktop is asked for all of
    // them before any answer is awaited.
    using Wanted = std::pair<QKeyCombination, std::function<void()>>;
    static std::vector<std::unique_ptr<HotKey>> registerAll(KeyGrabService& service,
                                                            std::vector<Wanted> wanted);

    bool isRegistered() const { return m_grab != nullptr; }

private:
    explicit HotKey(std::function<void()> onPress);
    // What the grab runs: the action, held weakly, so a press that arrives
    // while the hot key is going away runs nothing.
    std::function<void()> weakAction() const;

    std::unique_ptr<KeyGrabToken> m_grab;
    std::shared_ptr<std::function<void()>> m_onPress;
};

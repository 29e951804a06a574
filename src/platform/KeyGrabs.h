#pragma once

#include <QKeyCombination>
#include <functional>
#include <memory>

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
    // Each backend names the keys in its own terms. Returns nullptr when the
    // combination cannot be had (the backend has no name for it, another
    // client holds it, it is already grabbed in this process, or there is no
    // display); it then never reports. onPress runs on the GUI thread.
    virtual std::unique_ptr<KeyGrabToken> grabKey(QKeyCombination keys,
                                                  std::function<void()> onPress) = 0;
};

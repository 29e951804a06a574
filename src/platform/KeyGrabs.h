#pragma once

#include <QKeyCombination>
#include <functional>
#include <memory>
#include <vector>

// Keeps a grab in place; destroying it releases the grab.
class KeyGrabToken {
public:
    virtual ~KeyGrabToken() = default;
};

struct KeyGrabRequest {
    QKeyCombination keys;
    std::function<void()> onPress;
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
    // Several combinations, each answered as grabKey answers it, in the order
    // asked (a combination asked twice is refused the second time). A backend
    // whose every answer is a wait for the desktop waits once for all.
    virtual std::vector<std::unique_ptr<KeyGrabToken>>
    grabKeys(std::vector<KeyGrabRequest> requests) {
        std::vector<std::unique_ptr<KeyGrabToken>> tokens;
        for (KeyGrabRequest& request : requests)
            tokens.push_back(grabKey(request.keys, std::move(request.onPress)));
        return tokens;
    }
};

#pragma once

#include "model/ShelfWindow.h"
#include "platform/Screens.h"

#include <QPointer>
#include <functional>
#include <vector>

class FilePromiseReceiver;
class ShelfController;
class WindowHints;

// The shelf manager's windows on the desktop: a ShelfController for each
// shelf, placed on the screens as they are at the moment of showing.
class ShelfControllerWindows final : public ShelfWindowFactory {
public:
    // Every window gets the promises and hints, either of which may be absent.
    ShelfControllerWindows(std::function<ScreenLayout()> screens,
                           FilePromiseReceiver* promises = nullptr, WindowHints* hints = nullptr);
    // Deletes the windows whose deferred deletion has not run yet: at the end
    // of the program there may be no event loop left to run it.
    ~ShelfControllerWindows() override;

    std::unique_ptr<ShelfWindow> open(Shelf& shelf) override;

    // The window of a shelf, or nullptr once it is gone.
    ShelfController* controllerOf(const Shelf* shelf) const;

private:
    std::function<ScreenLayout()> m_screens;
    FilePromiseReceiver* m_promises;
    WindowHints* m_hints;
    struct Opened {
        const Shelf* shelf;
        QPointer<ShelfController> controller;
    };
    std::vector<Opened> m_opened;
};

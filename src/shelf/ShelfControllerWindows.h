#pragma once

#include "model/ShelfWindow.h"
#include "platform/Screens.h"
#include "shelf/ShelfDesktop.h"

#include <QPointer>
#include <functional>
#include <vector>

class ShelfController;

// The shelf manager's windows on the desktop: a ShelfController for each
// shelf, placed on the screens as they are at the moment of showing.
class ShelfControllerWindows final : public ShelfWindowFactory {
public:
    // Every window gets the same desktop.
    explicit ShelfControllerWindows(std::function<ScreenLayout()> screens,
                                    ShelfDesktop desktop = {});
    // Deletes the windows whose deferred deletion has not run yet: at the end
    // of the program there may be no event loop left to run it.
    ~ShelfControllerWindows() override;

    std::unique_ptr<ShelfWindow> open(Shelf& shelf) override;

    // The window of a shelf, or nullptr once it is gone.
    ShelfController* controllerOf(const Shelf* shelf) const;
    // The user moved the window with that title through the window system,
    // which told the desktop's placement but not Qt.
    void movedByUser(const QString& windowTitle, QPoint qtGlobalTopLeft);

private:
    std::function<ScreenLayout()> m_screens;
    ShelfDesktop m_desktop;
    struct Opened {
        const Shelf* shelf;
        QPointer<ShelfController> controller;
    };
    std::vector<Opened> m_opened;
};

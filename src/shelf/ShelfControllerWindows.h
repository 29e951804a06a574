#pragma once

#include "model/ShelfWindow.h"
#include "platform/Screens.h"
#include "shelf/ShelfDesktop.h"

#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class ShelfController;
class ShelfPanel;

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
    // Prepares the window of the next shelf opened (ShelfPanel::prepare),
    // where the desktop maps a window only with its first frame. Unused, it
    // goes again after `preparedForMs`: the desktop lists a window that
    // shows nothing among the program's all the same.
    static constexpr int preparedForMs = 1500;
    void prepareWindow();

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
    std::unique_ptr<ShelfPanel> m_prepared;
    // A prepared window's timer may outlive this.
    std::shared_ptr<int> m_alive = std::make_shared<int>();
};

#pragma once

#include <QPoint>
#include <QString>
#include <functional>

// Where the window system does not let a program place its own windows (a
// Wayland compositor), floating panels are placed by someone who can. Without
// one, panels are moved by Qt as usual.
class PanelPlacement {
public:
    virtual ~PanelPlacement() = default;

    // The window title a panel gets for the title it shows; the placer finds
    // windows by it, so it can differ from panel to panel (serial).
    virtual QString windowTitle(const QString& title, int serial) const = 0;
    // Puts the top-left corner of the panel with that window title at a point
    // in Qt's global coordinates, also when the panel is not shown yet.
    virtual void place(const QString& windowTitle, QPoint qtGlobalTopLeft) = 0;

    // Told where the user moved a placed panel with the window system's own
    // move, which Qt does not learn of where panels need a placer.
    std::function<void(const QString& windowTitle, QPoint qtGlobalTopLeft)> onMoved;
};

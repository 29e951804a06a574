#pragma once

#include <QPointF>
#include <QRectF>
#include <memory>

class Shelf;

// What the shelf manager needs of a shelf's window, so that its rules run
// without any widget. Positions are screen points (origin bottom-left of the
// primary screen, y up).
class ShelfWindow {
public:
    virtual ~ShelfWindow() = default;

    // Places the window beside `near` and brings it to the front; a visible
    // window only comes to the front.
    virtual void show(QPointF near) = 0;
    virtual bool isVisible() const = 0;
    virtual QRectF frame() const = 0;
    // Hide and show again, as the show/hide command does; the shelf stays open.
    virtual void hide() = 0;
    virtual void showWithoutActivating() = 0;
};

// Makes the window of each shelf the manager opens. The window follows its
// shelf (items, pin, closing) by itself; it may be destroyed from inside one
// of the shelf's own callbacks, so it must defer anything that is still running.
class ShelfWindowFactory {
public:
    virtual ~ShelfWindowFactory() = default;
    virtual std::unique_ptr<ShelfWindow> open(Shelf& shelf) = 0;
};

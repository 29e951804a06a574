#pragma once

#include "model/ShelfItem.h"
#include "shelf/ShelfDesktop.h"

#include <QPointF>
#include <QWidget>
#include <functional>
#include <vector>

// The shelf's header band, and the handle that drags every item at once.
class DragAllView : public QWidget {
    Q_OBJECT

public:
    explicit DragAllView(ShelfDesktop desktop, QWidget* parent = nullptr);

    // The items to drag, asked for when a drag starts.
    std::function<std::vector<ShelfItemPtr>()> itemsProvider;
    // After a drag of all items ended with the destination taking them.
    std::function<void(const std::vector<ShelfItemPtr>&)> onDragOutAll;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    ShelfDesktop m_desktop;
    QPointF m_mouseDownLocation;
    bool m_dragAllowed = false;
};

#include "shelf/DragAllView.h"

#include "model/DragThreshold.h"
#include "shelf/DragOut.h"

#include <QMouseEvent>

DragAllView::DragAllView(ShelfDesktop desktop, QWidget* parent)
    : QWidget(parent)
    , m_desktop(std::move(desktop)) {}

void DragAllView::mousePressEvent(QMouseEvent* event) {
    m_mouseDownLocation = event->scenePosition();
    m_dragAllowed = true;
    event->accept();
}

void DragAllView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragAllowed || !(event->buttons() & Qt::LeftButton) ||
        !DragThreshold::exceeded(m_mouseDownLocation, event->scenePosition()))
        return;
    std::vector<ShelfItemPtr> items = itemsProvider ? itemsProvider() : std::vector<ShelfItemPtr>{};
    if (items.empty())
        return;
    m_dragAllowed = false; // one drag per press, also when it is cancelled
    auto report = onDragOutAll;
    // The shelf may be closed and gone by the time the drag ends (a shake can
    // open a sixth shelf and close this one): touch nothing of it afterwards.
    const bool taken = dragItemsOut(this, items, QPoint(16, 16), m_desktop.outgoingDrag);
    if (taken && report)
        report(items);
}

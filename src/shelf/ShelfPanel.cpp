#include "shelf/ShelfPanel.h"

#include "platform/DesktopWindowHints.h"
#include "platform/PanelPlacement.h"
#include "platform/ScreenPoints.h"

#include <QPainterPath>
#include <QRegion>

namespace {

QRegion roundedMask(QSize size, int radius) {
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(), QSizeF(size)), radius, radius);
    return QRegion(path.toFillPolygon().toPolygon());
}

} // namespace

ShelfPanel::ShelfPanel(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);
    if (DesktopWindowHints::compositorRunning()) {
        setAttribute(Qt::WA_TranslucentBackground);
    } else {
        // Without a compositor the corners are cut out instead of blended.
        setMask(roundedMask(QSize(panelWidth, panelHeight), 13));
    }
    setFixedSize(panelWidth, panelHeight);
    static int panels = 0;
    m_serial = ++panels;
}

void ShelfPanel::setTitle(const QString& title) {
    const PanelPlacement* placement = PanelPlacement::current();
    setWindowTitle(placement ? placement->windowTitle(title, m_serial) : title);
}

void ShelfPanel::setContentView(QWidget* content) {
    m_content = content;
    content->setParent(this);
    content->setAttribute(Qt::WA_TranslucentBackground,
                          testAttribute(Qt::WA_TranslucentBackground));
    content->setGeometry(rect());
}

void ShelfPanel::resizeEvent(QResizeEvent*) {
    if (m_content)
        m_content->setGeometry(rect());
}

QRectF ShelfPanel::frame() const {
    return ScreenPoints::rectFromQtGlobal(QRectF(geometry()));
}

void ShelfPanel::setFrameOrigin(QPointF origin) {
    const QRectF points(origin, QSizeF(size()));
    const QPoint topLeft =
        ScreenPoints::toQtGlobal(QPointF(points.left(), points.top() + points.height())).toPoint();
    move(topLeft);
    if (PanelPlacement* placement = PanelPlacement::current(); placement && isVisible())
        placement->place(this, topLeft);
}

void ShelfPanel::orderFrontRegardless() {
    if (!isVisible()) {
        // Asked before the window shows: the placer holds the request until it does.
        if (PanelPlacement* placement = PanelPlacement::current())
            placement->place(this, pos());
        DesktopWindowHints::keepOnAllWorkspaces(this);
        show();
        DesktopWindowHints::keepOnAllWorkspaces(this);
    }
    raise();
}

void ShelfPanel::orderOut() {
    hide();
}

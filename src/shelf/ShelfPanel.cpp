#include "shelf/ShelfPanel.h"

#include "platform/ScreenPoints.h"
#include "platform/WindowHints.h"

#include <QPainterPath>
#include <QRegion>

namespace {

QRegion roundedMask(QSize size, int radius) {
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(), QSizeF(size)), radius, radius);
    return QRegion(path.toFillPolygon().toPolygon());
}

} // namespace

ShelfPanel::ShelfPanel(WindowHints* hints, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_hints(hints) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);
    if (m_hints && m_hints->compositorRunning()) {
        setAttribute(Qt::WA_TranslucentBackground);
    } else {
        // Without a compositor the corners are cut out instead of blended.
        setMask(roundedMask(QSize(panelWidth, panelHeight), 13));
    }
    setFixedSize(panelWidth, panelHeight);
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
    move(
        ScreenPoints::toQtGlobal(QPointF(points.left(), points.top() + points.height())).toPoint());
}

void ShelfPanel::orderFrontRegardless() {
    if (!isVisible()) {
        if (m_hints) {
            winId(); // the hints go to the native window, made here when it is missing
            m_hints->keepOnAllWorkspaces(windowHandle());
        }
        show();
        if (m_hints)
            m_hints->keepOnAllWorkspaces(windowHandle());
    }
    raise();
}

void ShelfPanel::orderOut() {
    hide();
}

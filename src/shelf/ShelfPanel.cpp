#include "shelf/ShelfPanel.h"

#include "platform/PanelPlacement.h"
#include "platform/WindowHints.h"
#include "platform/common/ScreenPoints.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPainterPath>
#include <QRegion>
#include <QTimer>
#include <utility>

namespace {

QRegion roundedMask(QSize size, int radius) {
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(), QSizeF(size)), radius, radius);
    return QRegion(path.toFillPolygon().toPolygon());
}

} // namespace

ShelfPanel::ShelfPanel(WindowHints* hints, PanelPlacement* placement, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_hints(hints)
    , m_placement(placement) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);
    // The panel is never the active window, and Qt shows tool tips only for
    // that one unless told otherwise; the row's tool tip is the only place
    // where a truncated path can be read in full.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    if (m_hints && m_hints->compositorRunning()) {
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
    setWindowTitle(m_placement ? m_placement->windowTitle(title, m_serial) : title);
}

void ShelfPanel::setContent(QWidget* content) {
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

void ShelfPanel::hideEvent(QHideEvent*) {
    // Closed by the window system before it showed, it is an ordinary hidden panel.
    if (std::exchange(m_prepared, false))
        setUpdatesEnabled(true);
}

void ShelfPanel::closeEvent(QCloseEvent* event) {
    if (!onCloseRequested)
        return QWidget::closeEvent(event);
    // Accepted, or Qt's own quit (which closes every window first) would stop
    // at this one. The shelf is told on the next turn of the event loop: when
    // the program is quitting there is none, and the quit saves the shelf with
    // the others; otherwise closing it may delete this panel, not safe here.
    event->accept();
    QTimer::singleShot(0, this, [this] {
        if (onCloseRequested)
            onCloseRequested();
    });
}

QRectF ShelfPanel::frame() const {
    const QPoint topLeft = m_placement ? m_placedAt : pos();
    return ScreenPoints::rectFromQtGlobal(QRectF(QRect(topLeft, size())));
}

void ShelfPanel::setFrameOrigin(QPointF origin) {
    const QRectF points(origin, QSizeF(size()));
    const QPoint topLeft =
        ScreenPoints::toQtGlobal(QPointF(points.left(), points.top() + points.height())).toPoint();
    move(topLeft);
    m_placedAt = topLeft;
    if (m_placement && isShown())
        m_placement->place(windowTitle(), topLeft);
}

void ShelfPanel::showWithoutActivating() {
    if (!isShown()) {
        // Asked before the window shows: the placer holds the request until it does.
        if (m_placement)
            m_placement->place(windowTitle(), m_placedAt);
        if (std::exchange(m_prepared, false)) {
            // Children added to a shown window stay hidden until told.
            if (m_content)
                m_content->show();
            setUpdatesEnabled(true); // and so its first frame
        } else {
            showWindow();
        }
    }
    raise();
    if (m_hints)
        m_hints->standAboveFocusedFullScreen(windowHandle());
}

void ShelfPanel::prepare() {
    if (isVisible())
        return;
    m_prepared = true;
    setUpdatesEnabled(false);
    showWindow();
}

void ShelfPanel::showWindow() {
    if (m_hints) {
        winId(); // the hints go to the native window, made here when it is missing
        m_hints->keepOnAllWorkspaces(windowHandle());
    }
    show();
    if (m_hints)
        m_hints->keepOnAllWorkspaces(windowHandle());
}

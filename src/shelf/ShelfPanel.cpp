#include "shelf/ShelfPanel.h"

#include "platform/PanelPlacement.h"
#include "platform/WindowHints.h"
#include "platform/common/ScreenPoints.h"
#include "shelf/Palette.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPainterPath>
#include <QRegion>
#include <QTimer>

namespace {

QString css(const QColor& colour) {
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(colour.red())
        .arg(colour.green())
        .arg(colour.blue())
        .arg(colour.alpha());
}

// Everything the shelf shows is dark, whatever the desktop's theme: the card
// draws itself, and this sheet covers what the toolkit would draw in the
// theme's colours: the rows' menus, tool tips and the list's scroll bar. The
// highlight stays the desktop's accent colour.
QString darkLook() {
    const QString popup = QStringLiteral("background-color: rgb(24, 26, 38); color: %1; "
                                         "border: 1px solid %2;")
                              .arg(css(Palette::buttonText()), css(Palette::border()));
    return QStringLiteral(
               "QMenu { %1 padding: 4px 0; }"
               "QMenu::item { padding: 4px 18px; background: transparent; }"
               "QMenu::item:selected { background-color: palette(highlight); "
               "color: palette(highlighted-text); }"
               "QMenu::item:disabled { color: %2; }"
               "QMenu::separator { height: 1px; margin: 4px 8px; background: %3; }"
               "QToolTip { %1 padding: 3px; }"
               "QAbstractScrollArea, QWidget#qt_scrollarea_viewport { background: transparent; "
               "border: none; }"
               "QScrollBar:vertical { background: transparent; width: 8px; margin: 0; }"
               "QScrollBar::handle:vertical { background: %4; border-radius: 3px; "
               "min-height: 24px; margin: 0 1px; }"
               "QScrollBar::add-line, QScrollBar::sub-line { height: 0; width: 0; }"
               "QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }")
        .arg(popup, css(Palette::textMuted()), css(Palette::borderSubtle()),
             css(QColor::fromRgbF(1, 1, 1, 0.25f)));
}

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
    setStyleSheet(darkLook());
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
    if (m_placement && isVisible())
        m_placement->place(windowTitle(), topLeft);
}

void ShelfPanel::showWithoutActivating() {
    if (!isVisible()) {
        // Asked before the window shows: the placer holds the request until it does.
        if (m_placement)
            m_placement->place(windowTitle(), m_placedAt);
        if (m_hints) {
            winId(); // the hints go to the native window, made here when it is missing
            m_hints->keepOnAllWorkspaces(windowHandle());
        }
        show();
        if (m_hints)
            m_hints->keepOnAllWorkspaces(windowHandle());
    }
    raise();
    if (m_hints)
        m_hints->standAboveFocusedFullScreen(windowHandle());
}

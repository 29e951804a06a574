#include "shelf/ShelfDropView.h"

#include "model/DroppedItems.h"
#include "platform/FilePromises.h"
#include "platform/common/MimeDataContents.h"
#include "platform/common/PngImage.h"
#include "shelf/Palette.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QWindow>

namespace {

constexpr qreal cornerRadius = 13;

// The dark base under the tint, where another desktop would blur what lies behind.
QColor cardBase() {
    return QColor::fromRgbF(0.11f, 0.11f, 0.12f, 0.86f);
}

bool offersSomethingWeRead(const QMimeData* data) {
    return data->hasUrls() || data->hasText() || data->hasFormat(QStringLiteral("image/png")) ||
           data->hasFormat(QStringLiteral("image/tiff"));
}

} // namespace

ShelfDropView::ShelfDropView(QWidget* parent)
    : QWidget(parent) {
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void ShelfDropView::setHighlighted(bool highlighted) {
    m_highlighted = highlighted;
    update();
}

void ShelfDropView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool translucent = testAttribute(Qt::WA_TranslucentBackground);
    const QRectF card = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(card, cornerRadius, cornerRadius);

    QColor base = cardBase();
    if (!translucent)
        base.setAlphaF(1.0f); // without a compositor alpha would show as black
    painter.fillPath(shape, base);
    QColor tint = Palette::surfaceTint();
    painter.fillPath(shape, tint);

    const qreal width = m_highlighted ? 2.0 : 1.0;
    const QColor colour = m_highlighted ? palette().color(QPalette::Highlight) : Palette::border();
    const qreal inset = width / 2;
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset),
                           cornerRadius - inset, cornerRadius - inset);
    painter.setPen(QPen(colour, width));
    painter.drawPath(outline);
}

void ShelfDropView::dragEnterEvent(QDragEnterEvent* event) {
    // A drag from a row or header of any shelf of ours never lands in the program.
    if (event->source() || !(offersSomethingWeRead(event->mimeData()) ||
                             (promises && promises->offersPromises(*event)))) {
        event->ignore();
        return;
    }
    setHighlighted(true);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void ShelfDropView::dragMoveEvent(QDragMoveEvent* event) {
    if (!m_highlighted) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void ShelfDropView::dragLeaveEvent(QDragLeaveEvent*) {
    setHighlighted(false);
}

void ShelfDropView::dropEvent(QDropEvent* event) {
    setHighlighted(false);
    if (event->source()) {
        event->ignore();
        return;
    }
    const MimeDataContents contents(event->mimeData());
    if (contents.fileUrls().isEmpty() && promises && promises->offersPromises(*event)) {
        if (const std::optional<QString> directory = DroppedItems::directory()) {
            QPointer<ShelfDropView> self(this);
            promises->receive(*event, *directory, [self](const QStringList& paths) {
                // One more turn of the event loop, so that files never arrive
                // inside the receiver's own callback.
                QMetaObject::invokeMethod(
                    qApp,
                    [self, paths] {
                        if (!self || !self->onDrop)
                            return;
                        std::vector<ShelfItemPtr> received;
                        for (const QString& path : paths)
                            received.push_back(ShelfItem::makeFile(QUrl::fromLocalFile(path)));
                        self->onDrop(std::move(received));
                    },
                    Qt::QueuedConnection);
            });
        }
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    std::vector<ShelfItemPtr> dropped = DroppedItems::from(contents, &PngImage::from);
    if (dropped.empty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (onDrop)
        onDrop(std::move(dropped));
}

void ShelfDropView::mousePressEvent(QMouseEvent* event) {
    // A press on an empty part of the panel moves it.
    if (event->button() == Qt::LeftButton && window()->windowHandle()) {
        window()->windowHandle()->startSystemMove();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

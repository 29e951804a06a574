#include "shelf/DragOut.h"

#include "shelf/ItemIcon.h"

#include "platform/common/ClipboardWriter.h"
#include "platform/common/OutgoingDrag.h"

#include <QApplication>
#include <QDrag>
#include <QFileIconProvider>
#include <QMimeData>
#include <QPainter>
#include <QWidget>

namespace {

constexpr int imageSize = 32;
constexpr int cascadeStep = 3;
// Beyond this many the cascade only grows the image, not what it tells.
constexpr int maxCascadedImages = 24;

QPixmap dragImage(const std::vector<ShelfItemPtr>& items, qreal ratio) {
    const int shown = std::min<int>(static_cast<int>(items.size()), maxCascadedImages);
    const int side = imageSize + cascadeStep * (shown - 1);
    QPixmap image(QSize(side, side) * ratio);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // The first item's image is drawn last, on top, centred on the pointer.
    for (int i = shown - 1; i >= 0; --i) {
        const QPixmap icon =
            itemIcon(*items[i], QFileIconProvider()).pixmap(QSize(imageSize, imageSize), ratio);
        painter.drawPixmap(QRect(cascadeStep * i, cascadeStep * i, imageSize, imageSize), icon);
    }
    return image;
}

} // namespace

QMimeData* mimeDataForItems(const std::vector<ShelfItemPtr>& items) {
    QList<ClipboardEntry> entries;
    for (const ShelfItemPtr& item : items)
        entries.append(item->isFile() ? ClipboardEntry::file(item->nativePath())
                                      : ClipboardEntry::text(item->text()));
    return ClipboardWriter::payload(entries);
}

bool dragItemsOut(QWidget* source, const std::vector<ShelfItemPtr>& items, QPoint hotSpot,
                  OutgoingDrag* outgoing) {
    // Parented to the application, not the row: the destination may ask for
    // the data after exec() returns, when the row or the whole shelf may be
    // gone. Qt deletes the drag itself once it is over.
    auto* drag = new QDrag(qApp);
    drag->setMimeData(mimeDataForItems(items));
    drag->setPixmap(dragImage(items, source->devicePixelRatioF()));
    drag->setHotSpot(hotSpot);
    if (outgoing)
        outgoing->started(drag->mimeData());
    const Qt::DropAction action =
        drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
    return action != Qt::IgnoreAction;
}

#pragma once

#include "model/ShelfItem.h"

#include <QPointF>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class FilePromiseReceiver;
class Pasteboard;
class QMimeData;

// The whole shelf panel as one drop target: it highlights its border while an
// acceptable drag hovers, turns a drop into items, and refuses every drag that
// starts inside this program.
class ShelfDropView : public QWidget {
    Q_OBJECT

public:
    explicit ShelfDropView(QWidget* parent = nullptr);

    // Receives every batch of dropped items: one batch per ordinary drop, one
    // batch per promise once its files have arrived.
    std::function<void(std::vector<ShelfItemPtr>)> onDrop;
    // Files that other programs only promise; absent when the desktop offers none.
    FilePromiseReceiver* promises = nullptr;

    bool highlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);

    // The items a shelf should receive from a drop or the clipboard, by a fixed
    // priority and never mixed: local files (one item each, in order), else an
    // image (PNG before TIFF) saved as a PNG file in dropsDirectory(), else
    // non-empty plain text, else the first URL as text. Empty when nothing fits,
    // and also when an image was found but could not be saved.
    static std::vector<ShelfItemPtr> items(const Pasteboard& from);

    // "ShelfDrops" in the program's private temporary folder, created when
    // missing; nothing when that folder is refused or cannot be made (the
    // caller then writes nothing). Safe from any thread.
    static std::optional<QString> dropsDirectory();

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool m_highlighted = false;
};

// The drag threshold of rows and the header: strictly more than 5 points.
namespace DragThreshold {
inline constexpr double distance = 5.0;
bool exceeded(QPointF from, QPointF to);
} // namespace DragThreshold

// One item as a row of the shelf's list: icon, title and tool tip; a drag
// source; opens on double click; a context menu to open, reveal, copy or remove.
class ItemRowView : public QWidget {
    Q_OBJECT

public:
    static constexpr int rowHeight = 32;

    explicit ItemRowView(ShelfItemPtr item, QWidget* parent = nullptr);

    const ShelfItemPtr& item() const { return m_item; }
    // After the row's item was dragged out and the destination took it.
    std::function<void(const ShelfItemPtr&)> onDragOut;
    // When the user chose to remove the item.
    std::function<void(const ShelfItemPtr&)> onRemove;
    // When copying the item found the clipboard out of the program's reach.
    std::function<void()> onCopyFailed;

    // The context menu as it would open now, in the current language. The caller owns it.
    class QMenu* buildMenu();

    void openItem();
    void revealItem();
    void copyItem();
    void removeItem();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    ShelfItemPtr m_item;
    QString m_displayTitle;
    QPointF m_mouseDownLocation;
    bool m_doubleClicked = false;
};

// The shelf's header band, and the handle that drags every item at once.
class DragAllView : public QWidget {
    Q_OBJECT

public:
    explicit DragAllView(QWidget* parent = nullptr);

    // The items to drag, asked for when a drag starts.
    std::function<std::vector<ShelfItemPtr>()> itemsProvider;
    // After a drag of all items ended with the destination taking them.
    std::function<void(const std::vector<ShelfItemPtr>&)> onDragOutAll;

    const std::vector<ShelfItemPtr>& draggedItems() const { return m_draggedItems; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QPointF m_mouseDownLocation;
    std::vector<ShelfItemPtr> m_draggedItems;
};

// What dragging items out offers other programs: file URIs for files, and
// every item as a line of plain text. The caller owns it.
QMimeData* mimeDataForItems(const std::vector<ShelfItemPtr>& items);

// Starts a drag of the items from `source` and returns whether a destination
// outside the program took them. The drag outlives `source` and its shelf:
// a destination may still ask for the data after this returns.
bool dragItemsOut(QWidget* source, const std::vector<ShelfItemPtr>& items, QPoint hotSpot);

#pragma once

#include "model/ShelfItem.h"
#include "shelf/ShelfDesktop.h"

#include <QPointF>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class QMenu;

// One item as a row of the shelf's list: icon, title and tool tip; a drag
// source; opens on double click; a context menu to open, reveal, copy or remove.
class ItemRowView : public QWidget {
    Q_OBJECT

public:
    static constexpr int rowHeight = 32;

    ItemRowView(ShelfItemPtr item, ShelfDesktop desktop, QWidget* parent = nullptr);

    const ShelfItemPtr& item() const { return m_item; }
    // After the row's item was dragged out and the destination took it.
    std::function<void(const ShelfItemPtr&)> onDragOut;
    // When the user chose to remove the item.
    std::function<void(const ShelfItemPtr&)> onRemove;
    // When copying the item found the clipboard out of the program's reach.
    std::function<void()> onCopyFailed;
    // The widget the row's tool tip is shown for, whose look it takes; without
    // one it is shown for the row.
    QPointer<QWidget> toolTipLook;

    // The context menu as it would open now, in the current language. The caller owns it.
    QMenu* buildMenu();

    void openItem();
    void revealItem();
    void copyItem();
    void removeItem();

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    ShelfItemPtr m_item;
    ShelfDesktop m_desktop;
    QString m_displayTitle;
    QPointF m_mouseDownLocation;
    bool m_dragAllowed = false;
    bool m_doubleClicked = false;
};

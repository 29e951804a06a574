#pragma once

#include "model/ShelfItem.h"
#include "shelf/ShelfDesktop.h"

#include <functional>
#include <vector>

class ItemRowView;
class QVBoxLayout;
class QWidget;

// Keeps a list's rows in step with a shelf's items: a row stays as long as
// its item does, so that removing one item from a long list costs no more
// than that one row, and what the list shows is the same as if every row were
// made anew.
class RowReconciler {
public:
    // The rows belong to `parent` and stand in `layout`; they show their tool
    // tips for `toolTipLook`.
    RowReconciler(QWidget* parent, QVBoxLayout* layout, ShelfDesktop desktop,
                  QWidget* toolTipLook = nullptr);

    // Handed to every row.
    std::function<void(const ShelfItemPtr&)> onRemove;
    std::function<void(const ShelfItemPtr&)> onDragOut;
    std::function<void()> onCopyFailed;

    void show(const std::vector<ShelfItemPtr>& items);
    const std::vector<ItemRowView*>& rows() const { return m_rows; }

private:
    QWidget* m_parent;
    QVBoxLayout* m_layout;
    ShelfDesktop m_desktop;
    QWidget* m_toolTipLook;
    std::vector<ItemRowView*> m_rows;
};

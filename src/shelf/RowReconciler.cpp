#include "shelf/RowReconciler.h"

#include "shelf/ItemRowView.h"

#include <QVBoxLayout>
#include <unordered_map>

RowReconciler::RowReconciler(QWidget* parent, QVBoxLayout* layout, ShelfDesktop desktop,
                             QWidget* toolTipLook)
    : m_parent(parent)
    , m_layout(layout)
    , m_desktop(std::move(desktop))
    , m_toolTipLook(toolTipLook) {}

void RowReconciler::show(const std::vector<ShelfItemPtr>& items) {
    std::unordered_multimap<const ShelfItem*, ItemRowView*> old;
    for (ItemRowView* row : m_rows)
        old.emplace(row->item().get(), row);
    std::vector<ItemRowView*> rows;
    rows.reserve(items.size());
    for (const ShelfItemPtr& item : items) {
        ItemRowView* row = nullptr;
        if (auto it = old.find(item.get()); it != old.end()) {
            row = it->second;
            old.erase(it);
        } else {
            row = new ItemRowView(item, m_desktop, m_parent);
            row->toolTipLook = m_toolTipLook;
            row->onRemove = onRemove;
            row->onCopyFailed = onCopyFailed;
            row->onDragOut = onDragOut;
        }
        rows.push_back(row);
    }
    for (auto& [item, row] : old) {
        m_layout->removeWidget(row);
        row->hide();
        row->deleteLater(); // it may be in the middle of its own event handler
    }
    // Items only ever arrive at the end and leave from anywhere, so the rows
    // that stay keep their order and new rows go last; anything else is laid
    // out anew.
    std::size_t kept = 0;
    for (int i = 0; i < m_layout->count() && kept < rows.size(); ++i) {
        if (m_layout->itemAt(i)->widget() != rows[kept])
            break;
        ++kept;
    }
    if (static_cast<int>(kept) != m_layout->count()) {
        for (ItemRowView* row : rows)
            m_layout->removeWidget(row);
        kept = 0;
    }
    for (std::size_t i = kept; i < rows.size(); ++i) {
        m_layout->addWidget(rows[i]);
        rows[i]->show();
    }
    m_rows = std::move(rows);
}

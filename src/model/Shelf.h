#pragma once

#include "model/ShelfItem.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class Timer;
class Timers;

// The rules of one open shelf, without its window: the ordered items it holds,
// no file twice, pinning, and when it closes itself (left empty and unpinned,
// or an armed auto-close that finds it still empty).
class Shelf : public QObject {
    Q_OBJECT

public:
    // Takes the items as given, without the duplicate test of add().
    Shelf(std::vector<ShelfItemPtr> items, Timers& timers);
    ~Shelf() override;

    const std::vector<ShelfItemPtr>& items() const { return m_items; }
    bool pinned() const { return m_pinned; }
    bool autoClosePending() const { return m_autoCloseTimer != nullptr; }

    // Called after the items or the pin changed, for the window to refresh.
    std::function<void()> onChange;
    // Called by close() before onClose: the window leaves the screen.
    std::function<void()> onHide;
    // Called each time the shelf closes; the owner reads items() inside it.
    std::function<void()> onClose;

    // Appends at the bottom, skipping a file already on the shelf (by its
    // normalised path, also within the batch); cancels a pending auto-close,
    // even for an empty batch.
    void add(std::vector<ShelfItemPtr> newItems);
    // Removes that very object wherever it occurs, then closes the shelf when
    // it is left empty and unpinned.
    void remove(const ShelfItemPtr& item);
    // What a finished drag-out of these items does: nothing on a pinned shelf,
    // otherwise remove() for each in order.
    void draggedOut(const std::vector<ShelfItemPtr>& dragged);
    void togglePin();
    // Empties the shelf and closes it unless pinned.
    void clear();
    // After `seconds`, closes the shelf if it is empty and unpinned then.
    void scheduleAutoCloseIfEmpty(double seconds);
    // Cancels the auto-close, hides the window, then calls onClose. Pinning
    // does not prevent it, and it clears nothing.
    void close();

private:
    void changed();

    std::vector<ShelfItemPtr> m_items;
    bool m_pinned = false;
    Timers& m_timers;
    std::unique_ptr<Timer> m_autoCloseTimer;
};

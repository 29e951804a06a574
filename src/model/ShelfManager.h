#pragma once

#include "model/RecentShelf.h"
#include "model/ShelfManagerServices.h"
#include "model/ShelfStore.h"

#include <QObject>
#include <QPointF>
#include <memory>
#include <vector>

class Shelf;
class ShelfWindow;
class ShelfWindowFactory;

// Owns every open shelf and the list of recent shelves: opens new shelves (at
// most five at once, each shifted off the visible ones), keeps a shelf that
// closes with items as a recent shelf (at most ten after an archive), saves
// the recent shelves after every change and reopens them. It reaches the
// shelves' windows only through the factory it is given.
class ShelfManager : public QObject {
    Q_OBJECT

public:
    static constexpr int maxOpen = 5;
    static constexpr int maxRecent = 10;
    // How far a new shelf moves off a visible one, right and down, and how often.
    static constexpr double cascadeStep = 28;
    static constexpr int maxCascadeSteps = 8;

    // Loads the recent shelves at once.
    ShelfManager(std::shared_ptr<ShelfManagerServices> services,
                 std::shared_ptr<ShelfWindowFactory> windows);
    ~ShelfManager() override;

    // The open shelves, oldest first.
    std::vector<Shelf*> shelves() const;
    // Newest first.
    const std::vector<RecentShelf>& recent() const { return m_recent; }
    // The window of an open shelf, or nullptr.
    ShelfWindow* windowOf(const Shelf* shelf) const;

    // Opens a shelf holding `items` beside `near` (screen points) and returns
    // it; arms no auto-close.
    Shelf* newShelf(QPointF near, std::vector<ShelfItemPtr> items = {});
    // Reopens the texts and still existing files of a recent shelf in a new
    // shelf, or sounds the alert when none is left. The entry stays.
    void restore(const RecentShelf& shelf, QPointF near);
    // Hides every shelf when any is visible, else shows them all, else opens
    // one at the cursor.
    void toggleAll();
    // Brings every open shelf's window to the front.
    void showAllWithoutActivating();
    // Records every open shelf holding items, the newest at the front.
    void saveBeforeQuit();
    // Removes and saves; an index outside the list changes and writes nothing.
    void removeRecent(int index);
    // Empties the list and saves, even when it was empty.
    void removeAllRecent();

private:
    struct DeleteLater {
        void operator()(Shelf* shelf) const;
    };
    struct Open {
        std::unique_ptr<Shelf, DeleteLater> shelf;
        std::unique_ptr<ShelfWindow> window;
    };

    void load();
    void archive(const Shelf& shelf);
    void forget(const Shelf* shelf);
    bool isOpen(const Shelf* shelf) const;
    void insertRecent(std::vector<ShelfItemPtr> items);
    void persist();
    bool coveredByVisibleShelf(QPointF point) const;

    std::shared_ptr<ShelfManagerServices> m_services;
    std::shared_ptr<ShelfWindowFactory> m_windows;
    std::vector<Open> m_shelves;
    std::vector<RecentShelf> m_recent;
    ShelfStore::Writer m_writer;
};

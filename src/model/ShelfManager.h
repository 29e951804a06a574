#pragma once

#include "model/RecentShelf.h"
#include "model/ShelfManagerServices.h"

#include <QObject>
#include <QPointF>
#include <memory>
#include <vector>

class ShelfController;

// Owns every open shelf and the list of recent shelves: opens new shelves (at
// most five at once, each shifted off the visible ones), keeps a shelf that
// closes with items as a recent shelf (at most ten after an archive), saves
// the recent shelves after every change and reopens them.
class ShelfManager : public QObject {
    Q_OBJECT

public:
    static constexpr int maxOpen = 5;
    static constexpr int maxRecent = 10;
    // How far a new shelf moves off a visible one, right and down, and how often.
    static constexpr double cascadeStep = 28;
    static constexpr int maxCascadeSteps = 8;

    // Loads the recent shelves at once.
    explicit ShelfManager(std::shared_ptr<ShelfManagerServices> services);
    ~ShelfManager() override;

    // The open shelves, oldest first.
    std::vector<ShelfController*> shelves() const;
    // Newest first.
    const std::vector<RecentShelf>& recent() const { return m_recent; }

    // Opens a shelf holding `items` beside `near` (screen points) and returns
    // it; arms no auto-close.
    ShelfController* newShelf(QPointF near, std::vector<ShelfItemPtr> items = {});
    // Reopens the texts and still existing files of a recent shelf in a new
    // shelf, or sounds the alert when none is left. The entry stays.
    void restore(const RecentShelf& shelf, QPointF near);
    // Hides every shelf when any is visible, else shows them all, else opens
    // one at the cursor.
    void toggleAll();
    // Records every open shelf holding items, the newest at the front.
    void saveBeforeQuit();
    // Removes and saves; an index outside the list changes and writes nothing.
    void removeRecent(int index);
    // Empties the list and saves, even when it was empty.
    void removeAllRecent();

private:
    struct DeleteLater {
        void operator()(ShelfController* controller) const;
    };
    using ControllerPtr = std::unique_ptr<ShelfController, DeleteLater>;

    void load();
    void archive(const ShelfController& controller);
    void forget(const ShelfController* controller);
    bool isOpen(const ShelfController* controller) const;
    void insertRecent(std::vector<ShelfItemPtr> items);
    void persist();
    bool coveredByVisibleShelf(QPointF point) const;

    std::shared_ptr<ShelfManagerServices> m_services;
    std::vector<ControllerPtr> m_shelves;
    std::vector<RecentShelf> m_recent;
};

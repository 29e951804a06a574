#include "model/ShelfManager.h"

#include "model/ShelfStore.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfPanel.h"

#include <QFileInfo>
#include <QPointer>
#include <algorithm>

void ShelfManager::DeleteLater::operator()(ShelfController* controller) const {
    // A closing shelf may be in the middle of its own event handler (a drag-out
    // that took its last item), so it must outlive that handler.
    controller->deleteLater();
}

ShelfManager::ShelfManager(std::shared_ptr<ShelfManagerServices> services)
    : m_services(std::move(services)) {
    load();
}

ShelfManager::~ShelfManager() {
    // The manager lives as long as the program, so no shelf handler is running
    // now, and there may be no event loop left to honour a later deletion.
    for (ControllerPtr& controller : m_shelves) {
        controller->onClose = nullptr;
        delete controller.release();
    }
}

std::vector<ShelfController*> ShelfManager::shelves() const {
    std::vector<ShelfController*> open;
    open.reserve(m_shelves.size());
    for (const ControllerPtr& controller : m_shelves)
        open.push_back(controller.get());
    return open;
}

void ShelfManager::load() {
    // A missing or damaged file reads as no shelves and is left for the next
    // write to replace.
    for (const StoredShelf& stored : ShelfStore::read(m_services->recentShelvesPath())) {
        RecentShelf shelf{stored.date, {}};
        for (const StoredItem& storedItem : stored.items) {
            if (ShelfItemPtr item = ShelfItem::fromStored(storedItem))
                shelf.items.push_back(std::move(item));
        }
        if (!shelf.items.empty())
            m_recent.push_back(std::move(shelf));
    }
}

ShelfController* ShelfManager::newShelf(QPointF near, std::vector<ShelfItemPtr> items) {
    if (m_shelves.size() >= static_cast<std::size_t>(maxOpen)) {
        auto victim = std::find_if(m_shelves.begin(), m_shelves.end(),
                                   [](const ControllerPtr& c) { return c->items().empty(); });
        if (victim == m_shelves.end())
            victim = m_shelves.begin();
        // Its onClose archives it and takes it out of the list.
        (*victim)->close();
    }

    auto* controller = new ShelfController(std::move(items), *m_services->timers(),
                                           m_services->filePromises(), m_services->windowHints());
    const QPointer<ShelfManager> manager(this);
    const QPointer<ShelfController> weakController(controller);
    controller->onClose = [manager, weakController] {
        if (!manager || !weakController)
            return;
        // A shelf closed a second time before its deletion was already archived.
        if (!manager->isOpen(weakController))
            return;
        manager->archive(*weakController);
        manager->forget(weakController);
    };
    m_shelves.emplace_back(controller);

    QPointF point = near;
    for (int step = 0; step < maxCascadeSteps && coveredByVisibleShelf(point); ++step)
        point += QPointF(cascadeStep, -cascadeStep);
    controller->show(point, m_services->screens());
    return controller;
}

bool ShelfManager::coveredByVisibleShelf(QPointF p) const {
    return std::any_of(m_shelves.begin(), m_shelves.end(), [p](const ControllerPtr& c) {
        if (!c->panel()->isVisible())
            return false;
        // Screen points, y up: the left and bottom edges belong to the frame,
        // the right and top edges do not.
        const QRectF f = c->panel()->frame();
        return p.x() >= f.left() && p.x() < f.left() + f.width() && p.y() >= f.top() &&
               p.y() < f.top() + f.height();
    });
}

bool ShelfManager::isOpen(const ShelfController* controller) const {
    return std::any_of(m_shelves.begin(), m_shelves.end(),
                       [controller](const ControllerPtr& c) { return c.get() == controller; });
}

void ShelfManager::forget(const ShelfController* controller) {
    std::erase_if(m_shelves,
                  [controller](const ControllerPtr& c) { return c.get() == controller; });
}

void ShelfManager::archive(const ShelfController& controller) {
    if (controller.items().empty())
        return;
    insertRecent(controller.items());
    persist();
}

void ShelfManager::insertRecent(std::vector<ShelfItemPtr> items) {
    m_recent.insert(
        m_recent.begin(),
        RecentShelf{RecentShelf::secondsSinceReference(m_services->now()), std::move(items)});
    if (m_recent.size() > static_cast<std::size_t>(maxRecent))
        m_recent.resize(maxRecent);
}

void ShelfManager::persist() {
    std::vector<StoredShelf> stored;
    stored.reserve(m_recent.size());
    for (const RecentShelf& shelf : m_recent) {
        StoredShelf entry{shelf.date, {}};
        entry.items.reserve(shelf.items.size());
        for (const ShelfItemPtr& item : shelf.items)
            entry.items.push_back(item->toStored());
        stored.push_back(std::move(entry));
    }
    // A failed write keeps the list in memory; the next change writes it all again.
    ShelfStore::write(stored, m_services->recentShelvesPath());
}

void ShelfManager::removeRecent(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_recent.size())
        return;
    m_recent.erase(m_recent.begin() + index);
    persist();
}

void ShelfManager::removeAllRecent() {
    m_recent.clear();
    persist();
}

void ShelfManager::restore(const RecentShelf& shelf, QPointF near) {
    // Taken before opening: `shelf` may be an entry of m_recent, which opening
    // a sixth shelf changes.
    std::vector<ShelfItemPtr> kept;
    for (const ShelfItemPtr& item : shelf.items) {
        if (!item->isFile() || QFileInfo::exists(item->path()))
            kept.push_back(item);
    }
    if (kept.empty()) {
        m_services->alert();
        return;
    }
    newShelf(near, std::move(kept));
}

void ShelfManager::toggleAll() {
    const bool anyVisible = std::any_of(m_shelves.begin(), m_shelves.end(),
                                        [](const auto& c) { return c->panel()->isVisible(); });
    if (anyVisible) {
        for (const ControllerPtr& controller : m_shelves)
            controller->panel()->orderOut();
    } else if (m_shelves.empty()) {
        newShelf(m_services->cursorPosition(), {});
    } else {
        for (const ControllerPtr& controller : m_shelves)
            controller->panel()->orderFrontRegardless();
    }
}

void ShelfManager::saveBeforeQuit() {
    for (const ControllerPtr& controller : m_shelves) {
        if (controller->items().empty())
            continue;
        insertRecent(controller->items());
        persist();
    }
    persist();
}

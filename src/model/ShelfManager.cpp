#include "model/ShelfManager.h"

#include "model/Shelf.h"
#include "model/ShelfStore.h"
#include "model/ShelfWindow.h"

#include <QFileInfo>
#include <QPointer>
#include <algorithm>

void ShelfManager::DeleteLater::operator()(Shelf* shelf) const {
    // A closing shelf may be in the middle of its own call (a drag-out that
    // took its last item), so it must outlive that call.
    shelf->deleteLater();
}

ShelfManager::ShelfManager(std::shared_ptr<ShelfManagerServices> services,
                           std::shared_ptr<ShelfWindowFactory> windows)
    : m_services(std::move(services))
    , m_windows(std::move(windows)) {
    load();
}

ShelfManager::~ShelfManager() {
    // The manager lives as long as the program, so no shelf handler is running
    // now, and there may be no event loop left to honour a later deletion.
    for (Open& open : m_shelves) {
        open.shelf->onClose = nullptr;
        open.window.reset();
        delete open.shelf.release();
    }
}

std::vector<Shelf*> ShelfManager::shelves() const {
    std::vector<Shelf*> open;
    open.reserve(m_shelves.size());
    for (const Open& entry : m_shelves)
        open.push_back(entry.shelf.get());
    return open;
}

ShelfWindow* ShelfManager::windowOf(const Shelf* shelf) const {
    for (const Open& entry : m_shelves) {
        if (entry.shelf.get() == shelf)
            return entry.window.get();
    }
    return nullptr;
}

void ShelfManager::load() {
    // A missing or damaged file reads as no shelves and is left for the next
    // write to replace. Claimed first: the writer reads what nobody changes after.
    const QString path = m_services->recentShelvesPath();
    m_writer.claim(path);
    for (const StoredShelf& stored : ShelfStore::read(path)) {
        RecentShelf shelf{stored.date, {}};
        for (const StoredItem& storedItem : stored.items) {
            if (ShelfItemPtr item = ShelfItem::fromStored(storedItem))
                shelf.items.push_back(std::move(item));
        }
        if (!shelf.items.empty())
            m_recent.push_back(std::move(shelf));
    }
}

Shelf* ShelfManager::newShelf(QPointF near, std::vector<ShelfItemPtr> items) {
    if (m_shelves.size() >= static_cast<std::size_t>(maxOpen)) {
        auto victim = std::find_if(m_shelves.begin(), m_shelves.end(),
                                   [](const Open& open) { return open.shelf->items().empty(); });
        if (victim == m_shelves.end())
            victim = m_shelves.begin();
        // Its onClose archives it and takes it out of the list.
        victim->shelf->close();
    }

    auto* shelf = new Shelf(std::move(items), *m_services->timers());
    const QPointer<ShelfManager> manager(this);
    const QPointer<Shelf> weakShelf(shelf);
    shelf->onClose = [manager, weakShelf] {
        if (!manager || !weakShelf)
            return;
        // A shelf closed a second time before its deletion was already archived.
        if (!manager->isOpen(weakShelf))
            return;
        manager->archive(*weakShelf);
        manager->forget(weakShelf);
    };
    Open& open = m_shelves.emplace_back();
    open.shelf.reset(shelf);
    open.window = m_windows->open(*shelf);

    QPointF point = near;
    for (int step = 0; step < maxCascadeSteps && coveredByVisibleShelf(point); ++step)
        point += QPointF(cascadeStep, -cascadeStep);
    open.window->show(point);
    return shelf;
}

bool ShelfManager::coveredByVisibleShelf(QPointF p) const {
    return std::any_of(m_shelves.begin(), m_shelves.end(), [p](const Open& open) {
        if (!open.window->isVisible())
            return false;
        // Screen points, y up: the left and bottom edges belong to the frame,
        // the right and top edges do not.
        const QRectF f = open.window->frame();
        return p.x() >= f.left() && p.x() < f.left() + f.width() && p.y() >= f.top() &&
               p.y() < f.top() + f.height();
    });
}

bool ShelfManager::isOpen(const Shelf* shelf) const {
    return std::any_of(m_shelves.begin(), m_shelves.end(),
                       [shelf](const Open& open) { return open.shelf.get() == shelf; });
}

void ShelfManager::forget(const Shelf* shelf) {
    std::erase_if(m_shelves, [shelf](const Open& open) { return open.shelf.get() == shelf; });
}

void ShelfManager::archive(const Shelf& shelf) {
    if (shelf.items().empty())
        return;
    insertRecent(shelf.items());
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
        for (const ShelfItemPtr& item : shelf.items) {
            if (!item->isSecret())
                entry.items.push_back(item->toStored());
        }
        // A shelf of secrets alone is listed only while the program runs.
        if (!entry.items.empty())
            stored.push_back(std::move(entry));
    }
    // A failed write keeps the list in memory; the next change writes it all again.
    m_writer.write(stored, m_services->recentShelvesPath());
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
        if (!item->isFile() || item->fileExists())
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
                                        [](const Open& open) { return open.window->isVisible(); });
    if (anyVisible) {
        for (const Open& open : m_shelves)
            open.window->hide();
    } else if (m_shelves.empty()) {
        newShelf(m_services->cursorPosition(), {});
    } else {
        showAllWithoutActivating();
    }
}

void ShelfManager::showAllWithoutActivating() {
    for (const Open& open : m_shelves)
        open.window->showWithoutActivating();
}

void ShelfManager::saveBeforeQuit() {
    for (const Open& open : m_shelves) {
        if (open.shelf->items().empty())
            continue;
        insertRecent(open.shelf->items());
        persist();
    }
    persist();
}

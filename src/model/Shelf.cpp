#include "model/Shelf.h"

#include "platform/Timers.h"
#include "platform/files/NativePath.h"

#include <QPointer>
#include <algorithm>

namespace {

// In the file system's bytes: two names that differ only where they are not
// UTF-8 are two files, though they look alike.
QByteArray normalisedPath(const ShelfItemPtr& item) {
    return NativePath::cleaned(item->nativePath());
}

} // namespace

Shelf::Shelf(std::vector<ShelfItemPtr> items, Timers& timers)
    : m_items(std::move(items))
    , m_timers(timers) {}

Shelf::~Shelf() {
    m_autoCloseTimer.reset();
}

void Shelf::changed() {
    if (onChange)
        onChange();
}

void Shelf::add(std::vector<ShelfItemPtr> newItems) {
    m_autoCloseTimer.reset();
    for (ShelfItemPtr& item : newItems) {
        if (item->isFile()) {
            const QByteArray path = normalisedPath(item);
            const bool present =
                std::any_of(m_items.begin(), m_items.end(), [&](const ShelfItemPtr& existing) {
                    return existing->isFile() && normalisedPath(existing) == path;
                });
            if (present)
                continue;
        }
        m_items.push_back(std::move(item));
    }
    changed();
}

void Shelf::remove(const ShelfItemPtr& item) {
    std::erase(m_items, item);
    changed();
    if (m_items.empty() && !m_pinned)
        close();
}

void Shelf::draggedOut(const std::vector<ShelfItemPtr>& dragged) {
    if (m_pinned)
        return;
    // A copy: the list may be this shelf's own, which removing changes, and
    // the last removal may close the shelf.
    const std::vector<ShelfItemPtr> items = dragged;
    const QPointer<Shelf> self(this);
    for (const ShelfItemPtr& item : items) {
        if (!self)
            return;
        remove(item);
    }
}

void Shelf::togglePin() {
    m_pinned = !m_pinned;
    changed();
}

void Shelf::clear() {
    m_items.clear();
    changed();
    if (!m_pinned)
        close();
}

void Shelf::scheduleAutoCloseIfEmpty(double seconds) {
    m_autoCloseTimer.reset();
    const QPointer<Shelf> self(this);
    m_autoCloseTimer = m_timers.oneShot(seconds, [self] {
        if (!self)
            return;
        // The timer has fired: forget it before anything can close the shelf.
        self->m_autoCloseTimer.reset();
        if (self->m_items.empty() && !self->m_pinned)
            self->close();
    });
}

void Shelf::close() {
    m_autoCloseTimer.reset();
    if (onHide)
        onHide();
    if (onClose)
        onClose();
}

#include "shelf/ShelfController.h"

#include "model/ShelfPlacement.h"
#include "platform/common/FreedMemory.h"
#include "shelf/CopyAllAndZip.h"
#include "shelf/DragAllView.h"
#include "shelf/RowReconciler.h"
#include "shelf/ShelfDropView.h"
#include "shelf/ShelfPanel.h"
#include "shelf/ShelfView.h"

#include <QEvent>

ShelfController::ShelfController(Shelf& shelf, ShelfDesktop desktop,
                                 std::unique_ptr<ShelfPanel> panel)
    : m_shelf(&shelf)
    , m_desktop(std::move(desktop))
    , m_panel(panel ? std::move(panel)
                    : std::make_unique<ShelfPanel>(m_desktop.hints, m_desktop.placement))
    , m_copyAndZip(new CopyAllAndZip(&shelf, m_desktop.clipboardHeldHere)) {
    m_copyAndZip->setParent(this);
    // A top-level window, the panel hears of every change of language.
    m_panel->installEventFilter(this);
    auto* dropView = new ShelfDropView;
    m_panel->setContent(dropView);
    dropView->promises = m_desktop.promises;
    m_view = std::make_unique<ShelfView>(dropView, m_desktop);
    m_rows = std::make_unique<RowReconciler>(m_view->rowParent(), m_view->rowLayout(), m_desktop,
                                             m_view->toolTipLook());

    // Everything reaches the shelf only while it exists: the nested loop of a
    // drag may outlive it.
    const QPointer<ShelfController> self(this);
    const QPointer<Shelf> weakShelf(&shelf);
    const auto onShelf = [weakShelf](void (Shelf::*action)()) {
        return [weakShelf, action] {
            if (weakShelf)
                (weakShelf.data()->*action)();
        };
    };
    dropView->onDrop = [weakShelf](std::vector<ShelfItemPtr> dropped) {
        if (weakShelf)
            weakShelf->add(std::move(dropped));
    };
    m_view->header()->itemsProvider = [weakShelf] {
        return weakShelf ? weakShelf->items() : std::vector<ShelfItemPtr>{};
    };
    m_view->header()->onDragOutAll = [weakShelf](const std::vector<ShelfItemPtr>& dragged) {
        if (weakShelf)
            weakShelf->draggedOut(dragged);
    };
    m_view->onPin = onShelf(&Shelf::togglePin);
    m_view->onClose = onShelf(&Shelf::close);
    // Closed by the window system, a shelf closes as from its own button: with
    // items, it goes to the recent shelves.
    m_panel->onCloseRequested = onShelf(&Shelf::close);
    m_view->onClear = onShelf(&Shelf::clear);
    m_view->onCopyAll = [this] { m_copyAndZip->copyAll(); };
    m_view->onZip = [this] { m_copyAndZip->zipAll(); };
    m_copyAndZip->onCopyFailed = [this] { showCopyFailed(); };
    m_copyAndZip->onZipProgress = [this](std::optional<double> fraction) {
        m_view->showZipProgress(fraction);
    };
    m_rows->onRemove = [weakShelf](const ShelfItemPtr& removed) {
        if (weakShelf)
            weakShelf->remove(removed);
    };
    m_rows->onDragOut = [weakShelf](const ShelfItemPtr& dragged) {
        if (weakShelf)
            weakShelf->draggedOut({dragged});
    };
    m_rows->onCopyFailed = [self] {
        if (self)
            self->showCopyFailed();
    };

    m_shelf->onChange = [self] {
        if (self)
            self->update();
    };
    m_shelf->onHide = [self] {
        if (self)
            self->m_panel->hide();
    };
    reloadLanguage();
}

ShelfController::~ShelfController() {
    if (m_shelf) {
        m_shelf->onChange = nullptr;
        m_shelf->onHide = nullptr;
    }
    // Once the panel and its rows below are gone too.
    FreedMemory::releaseSoon();
}

void ShelfController::reloadLanguage() {
    m_view->reloadLanguage();
    update();
}

bool ShelfController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::LanguageChange && watched == m_panel.get())
        reloadLanguage();
    return QObject::eventFilter(watched, event);
}

const std::vector<ItemRowView*>& ShelfController::rows() const {
    return m_rows->rows();
}

void ShelfController::showNotice(const QString& text) {
    m_view->showNotice(text);
}

void ShelfController::update() {
    if (!m_shelf)
        return;
    const std::vector<ShelfItemPtr>& shown = m_shelf->items();
    if (m_showsPinned != m_shelf->pinned()) {
        m_showsPinned = m_shelf->pinned();
        m_view->showPinned(m_showsPinned, m_panel->palette().color(QPalette::Highlight));
    }
    const QString title = shown.empty()
                              ? QStringLiteral("Shelf")
                              : QStringLiteral("Shelf — ") + QString::number(shown.size());
    m_view->showTitle(title);
    m_panel->setTitle(title);
    m_view->showContents(
        !shown.empty(),
        std::any_of(shown.begin(), shown.end(), [](const ShelfItemPtr& i) { return i->isFile(); }));
    m_rows->show(shown);
}

void ShelfController::show(QPointF near, const ScreenLayout& screens) {
    if (!m_panel->isShown()) {
        m_panel->setFrameOrigin(ShelfPlacement::origin(near, QSizeF(m_panel->size()), screens));
    }
    m_panel->showWithoutActivating();
}

void ShelfController::showCopyFailed() {
    showNotice(tr("Not copied: the clipboard could not be taken"));
}

#include "shelf/ShelfController.h"

#include "archive/ZipJob.h"
#include "model/DroppedItems.h"
#include "model/ShelfPlacement.h"
#include "platform/FilePromises.h"
#include "platform/Timers.h"
#include "platform/common/ClipboardWriter.h"
#include "platform/common/DesktopScreens.h"
#include "platform/common/Symbols.h"
#include "settings/HotKeys.h"
#include "settings/Language.h"
#include "shelf/DragAllView.h"
#include "shelf/FooterButton.h"
#include "shelf/ItemRowView.h"
#include "shelf/Palette.h"
#include "shelf/ShelfDropView.h"
#include "shelf/ShelfPanel.h"

#include <QFutureWatcher>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <unordered_map>

namespace {

// The panel's fixed geometry, in points.
constexpr int headerHeight = 34;
constexpr int titleLeading = 12;
constexpr int closeTrailing = 8;
constexpr int pinToClose = 4;
constexpr int symbolSize = 16;
constexpr int iconButtonHeight = 22; // taller than the glyph: an easier target
constexpr int listInset = 4;
constexpr int footerMargin = 10;
constexpr int footerHeight = 30;
constexpr int footerSpacing = 6;
constexpr int listToFooter = 8;
constexpr int emptyLabelMargin = 16;
constexpr int rowSpacing = 2;
constexpr double disabledAlpha = 0.45;

QColor defaultSymbolTint() {
    return QColor::fromRgbF(1, 1, 1, 0.85f);
}

} // namespace

ShelfController::ShelfController(Shelf& shelf, ShelfDesktop desktop)
    : m_shelf(&shelf)
    , m_desktop(std::move(desktop)) {
    follow();
}

ShelfController::ShelfController(std::vector<ShelfItemPtr> items, Timers& timers,
                                 ShelfDesktop desktop)
    : m_ownShelf(std::make_unique<Shelf>(std::move(items), timers))
    , m_shelf(m_ownShelf.get())
    , m_desktop(std::move(desktop)) {
    follow();
}

ShelfController::~ShelfController() {
    if (m_shelf) {
        m_shelf->onChange = nullptr;
        m_shelf->onHide = nullptr;
    }
}

void ShelfController::follow() {
    buildUI();
    const QPointer<ShelfController> self(this);
    m_shelf->onChange = [self] {
        if (self)
            self->updateUI();
    };
    m_shelf->onHide = [self] {
        if (self)
            self->m_panel->orderOut();
    };
    reloadLanguage();
}

void ShelfController::buildUI() {
    m_panel = std::make_unique<ShelfPanel>(m_desktop.hints, m_desktop.placement);
    m_dropView = new ShelfDropView;
    m_panel->setContentView(m_dropView);
    m_dropView->promises = m_desktop.promises;
    const QPointer<ShelfController> self(this);
    m_dropView->onDrop = [self](std::vector<ShelfItemPtr> dropped) {
        if (self)
            self->add(std::move(dropped));
    };

    const int width = ShelfPanel::panelWidth;
    const int height = ShelfPanel::panelHeight;

    m_header = new DragAllView(m_desktop, m_dropView);
    m_header->setGeometry(0, 0, width, headerHeight);
    m_header->itemsProvider = [self] {
        return self && self->m_shelf ? self->m_shelf->items() : std::vector<ShelfItemPtr>{};
    };
    m_header->onDragOutAll = [self](const std::vector<ShelfItemPtr>& dragged) {
        if (self && self->m_shelf)
            self->m_shelf->draggedOut(dragged);
    };

    m_titleLabel = new QLabel(QStringLiteral("Shelf"), m_header);
    QFont titleFont = m_titleLabel->font();
    titleFont.setPixelSize(13);
    titleFont.setBold(true);
    m_titleLabel->setFont(titleFont);
    m_titleLabel->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    m_titleLabel->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto iconButton = [this](const QString& symbol, void (ShelfController::*action)()) {
        auto* button = new QToolButton(m_header);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setIcon(Symbols::tintedIcon(symbol, Palette::textMuted()));
        button->setIconSize(QSize(symbolSize, symbolSize));
        button->setFixedSize(symbolSize, iconButtonHeight);
        button->setStyleSheet(
            QStringLiteral("QToolButton { border: none; padding: 0; background: transparent; }"));
        connect(button, &QToolButton::clicked, this, action);
        return button;
    };
    m_closeButton = iconButton(QStringLiteral("xmark.circle.fill"), &ShelfController::closeClicked);
    m_pinButton = iconButton(QStringLiteral("pin"), &ShelfController::togglePin);
    // The glyphs, not the squares they are drawn in, keep the header's
    // distances: the close glyph ends 8 points inside the right edge and the
    // pin glyph 4 points before the close glyph begins.
    const QRectF closeInk = Symbols::inkBounds(QStringLiteral("xmark.circle.fill"));
    const QRectF pinInk = Symbols::inkBounds(QStringLiteral("pin"));
    const int buttonTop = (headerHeight - iconButtonHeight) / 2;
    const double closeLeft = width - closeTrailing - closeInk.right();
    m_closeButton->move(qRound(closeLeft), buttonTop);
    const double pinLeft = closeLeft + closeInk.left() - pinToClose - pinInk.right();
    m_pinButton->move(qRound(pinLeft), buttonTop);
    m_titleLabel->setGeometry(titleLeading, 0, m_pinButton->x() - titleLeading - 4, headerHeight);

    m_separator = new QWidget(m_header);
    m_separator->setGeometry(0, headerHeight - 1, width, 1);
    m_separator->setAutoFillBackground(true);
    QPalette separatorPalette = m_separator->palette();
    separatorPalette.setColor(QPalette::Window, Palette::borderSubtle());
    m_separator->setPalette(separatorPalette);

    const int footerTop = height - footerMargin - footerHeight;
    m_scroll = new QScrollArea(m_dropView);
    m_scroll->setGeometry(listInset, headerHeight, width - 2 * listInset,
                          footerTop - listToFooter - headerHeight);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(true);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_stack = new QWidget;
    m_stack->setAutoFillBackground(false);
    m_stackLayout = new QVBoxLayout(m_stack);
    m_stackLayout->setContentsMargins(0, 0, 0, 0);
    m_stackLayout->setSpacing(rowSpacing);
    m_stackLayout->setAlignment(Qt::AlignTop);
    m_scroll->setWidget(m_stack);
    // The list draws nothing of its own: the card shows through. (The panel's
    // style sheet clears the viewport alone; a rule without a selector here
    // would reach the rows' menus too and leave them undrawn.)
    m_stack->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);

    m_emptyLabel = new QLabel(m_dropView);
    m_emptyLabel->setWordWrap(true);
    m_emptyLabel->setAlignment(Qt::AlignCenter);
    m_emptyLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont hintFont = m_emptyLabel->font();
    hintFont.setPixelSize(11);
    m_emptyLabel->setFont(hintFont);
    m_emptyLabel->setStyleSheet(
        QStringLiteral("color: rgba(235, 235, 245, 153); background: transparent;"));

    m_footer = new QWidget(m_dropView);
    m_footer->setGeometry(footerMargin, footerTop, width - 2 * footerMargin, footerHeight);
    auto* footerLayout = new QHBoxLayout(m_footer);
    footerLayout->setContentsMargins(0, 0, 0, 0);
    footerLayout->setSpacing(footerSpacing);
    auto footerButton = [&](void (ShelfController::*action)()) {
        auto* button = new FooterButton(m_footer);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        button->setFixedHeight(footerHeight);
        footerLayout->addWidget(button, 1);
        connect(button, &QAbstractButton::clicked, this, action);
        return button;
    };
    m_copyButton = footerButton(&ShelfController::copyAll);
    m_zipButton = footerButton(&ShelfController::zipAll);
    m_clearButton = footerButton(&ShelfController::clearClicked);

    // A thin bar in the gap between the list and the footer while archives are made.
    m_zipProgress = new QProgressBar(m_dropView);
    m_zipProgress->setGeometry(footerMargin, footerTop - listToFooter / 2 - 2,
                               width - 2 * footerMargin, 3);
    m_zipProgress->setRange(0, 1000);
    m_zipProgress->setTextVisible(false);
    m_zipProgress->hide();

    m_status = new QLabel(m_dropView);
    m_status->setGeometry(footerMargin, footerTop - listToFooter - 16, width - 2 * footerMargin,
                          16);
    m_status->setAlignment(Qt::AlignCenter);
    QFont statusFont = m_status->font();
    statusFont.setPixelSize(11);
    m_status->setFont(statusFont);
    m_status->setStyleSheet(QStringLiteral("color: rgb(255, 159, 10); background: transparent;"));
    m_status->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_status->hide();
}

void ShelfController::layoutViews() {
    const int available = ShelfPanel::panelWidth - 2 * emptyLabelMargin;
    m_emptyLabel->setFixedWidth(available);
    const int labelHeight = m_emptyLabel->heightForWidth(available);
    m_emptyLabel->setGeometry(emptyLabelMargin, (ShelfPanel::panelHeight - labelHeight) / 2,
                              available, labelHeight);
}

void ShelfController::reloadLanguage() {
    m_emptyLabel->setText(
        bilingual(
            QStringLiteral(
                "Drop files, text or images here.\n\nTip: shake the mouse\nwhile dragging. (%1)"),
            QStringLiteral("Trage fișiere, text sau imagini aici.\n\nPont: scutură mouse-ul\nîn "
                           "timpul unui drag. (%1)"))
            .arg(HotKeys::text(HotKeys::Action::toggleShelves)));
    m_pinButton->setToolTip(
        bilingual(QStringLiteral("Pin: keep items after drag-out and keep the panel open"),
                  QStringLiteral("Pin: păstrează obiectele după drag-out și panoul deschis")));
    m_closeButton->setToolTip(
        bilingual(QStringLiteral("Close shelf (goes to “Recent Shelves”)"),
                  QStringLiteral("Închide raftul (ajunge în „Rafturi recente”)")));
    m_pinButton->setAccessibleName(m_pinButton->toolTip());
    m_closeButton->setAccessibleName(m_closeButton->toolTip());
    m_copyButton->setText(bilingual(QStringLiteral("Copy All"), QStringLiteral("Copiază tot")));
    m_zipButton->setText(QStringLiteral("Zip"));
    m_clearButton->setText(bilingual(QStringLiteral("Clear"), QStringLiteral("Golește")));
    layoutViews();
    updateUI();
}

QString ShelfController::title() const {
    return items().empty() ? QStringLiteral("Shelf")
                           : QStringLiteral("Shelf — ") + QString::number(items().size());
}

QString ShelfController::emptyHint() const {
    return m_emptyLabel->text();
}

bool ShelfController::emptyHintVisible() const {
    return !m_emptyLabel->isHidden();
}

bool ShelfController::zipProgressVisible() const {
    return !m_zipProgress->isHidden();
}

QString ShelfController::status() const {
    return m_status->isHidden() ? QString() : m_status->text();
}

void ShelfController::showNotice(const QString& text) {
    m_status->setText(text);
    m_status->show();
    m_status->raise();
    QTimer::singleShot(5000, m_status, [status = m_status] { status->hide(); });
}

void ShelfController::updateUI() {
    if (!m_shelf)
        return;
    const std::vector<ShelfItemPtr>& shown = m_shelf->items();
    if (m_showsPinned != m_shelf->pinned())
        updatePinImage();
    m_titleLabel->setText(title());
    m_panel->setTitle(title());

    const bool any = !shown.empty();
    const bool anyFile =
        std::any_of(shown.begin(), shown.end(), [](const ShelfItemPtr& i) { return i->isFile(); });
    m_copyButton->setEnabled(any);
    m_zipButton->setEnabled(anyFile);
    m_clearButton->setEnabled(any);
    for (FooterButton* button : {m_copyButton, m_zipButton, m_clearButton})
        button->setAlpha(button->isEnabled() ? 1.0 : disabledAlpha);
    m_emptyLabel->setHidden(any);

    // Rows are kept for items still on the shelf, so that removing one item
    // from a long list costs no more than that one row; what the list shows is
    // the same as if every row were made anew.
    std::unordered_multimap<const ShelfItem*, ItemRowView*> old;
    for (ItemRowView* row : m_rows)
        old.emplace(row->item().get(), row);
    std::vector<ItemRowView*> rows;
    rows.reserve(shown.size());
    for (const ShelfItemPtr& item : shown) {
        ItemRowView* row = nullptr;
        if (auto it = old.find(item.get()); it != old.end()) {
            row = it->second;
            old.erase(it);
        } else {
            row = new ItemRowView(item, m_desktop, m_stack);
        }
        const QPointer<ShelfController> self(this);
        row->onRemove = [self](const ShelfItemPtr& removed) {
            if (self && self->m_shelf)
                self->m_shelf->remove(removed);
        };
        row->onCopyFailed = [self] {
            if (self)
                self->showCopyFailed();
        };
        row->onDragOut = [self](const ShelfItemPtr& dragged) {
            if (self && self->m_shelf)
                self->m_shelf->draggedOut({dragged});
        };
        rows.push_back(row);
    }
    for (auto& [item, row] : old) {
        m_stackLayout->removeWidget(row);
        row->hide();
        row->deleteLater(); // it may be in the middle of its own event handler
    }
    // Items only ever arrive at the end and leave from anywhere, so the rows
    // that stay keep their order and new rows go last; anything else is laid
    // out anew.
    std::size_t kept = 0;
    for (int i = 0; i < m_stackLayout->count() && kept < rows.size(); ++i) {
        if (m_stackLayout->itemAt(i)->widget() != rows[kept])
            break;
        ++kept;
    }
    const bool appendOnly = static_cast<int>(kept) == m_stackLayout->count();
    if (!appendOnly) {
        for (ItemRowView* row : rows)
            m_stackLayout->removeWidget(row);
        kept = 0;
    }
    for (std::size_t i = kept; i < rows.size(); ++i) {
        m_stackLayout->addWidget(rows[i]);
        rows[i]->show();
    }
    m_rows = std::move(rows);
}

void ShelfController::show(QPointF near) {
    show(near, DesktopScreens::layout());
}

void ShelfController::show(QPointF near, const ScreenLayout& screens) {
    if (!m_panel->isVisible()) {
        m_panel->setFrameOrigin(ShelfPlacement::origin(near, QSizeF(m_panel->size()), screens));
    }
    m_panel->orderFrontRegardless();
}

void ShelfController::togglePin() {
    m_shelf->togglePin();
}

void ShelfController::updatePinImage() {
    m_showsPinned = m_shelf->pinned();
    const QColor tint =
        m_showsPinned ? m_panel->palette().color(QPalette::Highlight) : defaultSymbolTint();
    m_pinButton->setIcon(Symbols::tintedIcon(
        m_showsPinned ? QStringLiteral("pin.fill") : QStringLiteral("pin"), tint));
    m_pinButton->setAccessibleName(m_pinButton->toolTip());
}

void ShelfController::closeClicked() {
    m_shelf->close();
}

void ShelfController::clearClicked() {
    m_shelf->clear();
}

void ShelfController::copyAll() {
    if (items().empty())
        return;
    QList<ClipboardEntry> entries;
    for (const ShelfItemPtr& item : items())
        entries.append(item->isFile() ? ClipboardEntry::file(item->nativePath())
                                      : ClipboardEntry::text(item->text()));
    if (!ClipboardWriter::write(entries, m_desktop.clipboardHeldHere))
        showCopyFailed();
}

void ShelfController::showCopyFailed() {
    showNotice(bilingual(QStringLiteral("Not copied: the clipboard could not be taken"),
                         QStringLiteral("Nu s-a copiat: clipboardul nu a putut fi preluat")));
}

void ShelfController::zipAll() {
    QList<QByteArray> paths;
    for (const ShelfItemPtr& item : items()) {
        if (item->isFile())
            paths.append(item->nativePath());
    }
    if (paths.isEmpty())
        return;
    const std::optional<QString> drops = DroppedItems::directory();
    if (!drops)
        return;
    const int id = m_nextZipJob++;
    m_zipJobs[id] = 0.0;
    updateZipProgress();
    auto job = std::make_shared<ZipJob>(paths, *drops);
    const QPointer<ShelfController> self(this);
    job->onProgress = [self, id](double fraction) {
        if (!self || !self->m_zipJobs.count(id))
            return;
        self->m_zipJobs[id] = fraction;
        self->updateZipProgress();
    };
    job->onFinished = [self, id](const QString& archive) {
        if (!self)
            return;
        self->m_zipJobs.erase(id);
        self->updateZipProgress();
        if (self->m_shelf)
            self->m_shelf->add({ShelfItem::makeFile(QUrl::fromLocalFile(archive))});
    };
    // A failed job calls nothing back; its end still has to hide the bar. The
    // watcher dies with the shelf, so a job outliving it reports to no one.
    auto* watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcher<QString>::finished, this, [this, watcher, id, job] {
        watcher->deleteLater();
        if (m_zipJobs.erase(id))
            updateZipProgress();
    });
    watcher->setFuture(job->start(this));
}

void ShelfController::updateZipProgress() {
    if (m_zipJobs.empty()) {
        m_zipProgress->hide();
        return;
    }
    double sum = 0;
    for (const auto& [id, fraction] : m_zipJobs)
        sum += fraction;
    m_zipProgress->setValue(static_cast<int>(1000 * sum / static_cast<double>(m_zipJobs.size())));
    m_zipProgress->show();
}

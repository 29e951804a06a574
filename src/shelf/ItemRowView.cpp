#include "shelf/ItemRowView.h"

#include "shelf/ItemIcon.h"

#include "model/DragThreshold.h"
#include "shelf/DarkLook.h"
#include "shelf/DragOut.h"

#include "platform/common/ClipboardWriter.h"
#include "platform/freedesktop/FileManager.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFileIconProvider>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTextDocument>
#include <QToolTip>

namespace {

constexpr int iconSize = 20;
constexpr int leadingMargin = 10;
constexpr int iconToTitle = 6;
constexpr int trailingMargin = 10;

// A title shown on one line: line breaks and tabs become spaces.
QString singleLine(QString text) {
    for (QChar& c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t') ||
            c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return text;
}

// A text of many megabytes is never shown whole: a row shows its start and
// end around an ellipsis that eliding for the row's width never reaches, so a
// paint measures a thousand characters, not millions, and keeps no copy.
constexpr qsizetype shownEnds = 500;
constexpr qsizetype toolTipLength = 2000;

QStringView trimmedText(const ShelfItem& item) {
    return QStringView(item.text()).trimmed();
}

QString shownTitle(const ShelfItem& item) {
    if (item.isFile())
        return singleLine(item.title());
    const QStringView text = trimmedText(item);
    if (text.size() <= 2 * shownEnds)
        return singleLine(text.toString());
    QString ends = text.first(shownEnds).toString();
    ends += QChar(0x2026);
    ends += text.last(shownEnds);
    return singleLine(std::move(ends));
}

// The path or text as it is, cut when long; one that looks like markup is
// escaped, so that the tool tip shows it rather than renders it.
QString toolTipOf(const ShelfItem& item) {
    const QString path = item.isFile() ? item.path() : QString();
    const QStringView whole = item.isFile() ? QStringView(path) : trimmedText(item);
    QString tip = whole.left(toolTipLength).toString();
    if (whole.size() > toolTipLength)
        tip += QChar(0x2026);
    if (item.isSecret())
        tip += u'\n' + QCoreApplication::translate("ItemRowView",
                                                   "Kept in memory only, never saved to disk.");
    if (!Qt::mightBeRichText(tip))
        return tip;
    return QStringLiteral("<p style='white-space:pre-wrap'>") + tip.toHtmlEscaped() +
           QStringLiteral("</p>");
}

QColor titleColour() {
    return QColor::fromRgbF(1, 1, 1, 0.85f);
}

} // namespace

ItemRowView::ItemRowView(ShelfItemPtr item, ShelfDesktop desktop, QWidget* parent)
    : QWidget(parent)
    , m_item(std::move(item))
    , m_desktop(std::move(desktop))
    , m_displayTitle(shownTitle(*m_item)) {
    setFixedHeight(rowHeight);
    setToolTip(toolTipOf(*m_item));
    QFont font = this->font();
    font.setPixelSize(12);
    setFont(font);
}

QSize ItemRowView::sizeHint() const {
    return {200, rowHeight};
}

bool ItemRowView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && toolTipLook) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), toolTip(), toolTipLook,
                           QRect(), toolTipDuration());
        return true;
    }
    return QWidget::event(event);
}

void ItemRowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect iconRect(leadingMargin, (height() - iconSize) / 2, iconSize, iconSize);
    QPixmap icon =
        itemIcon(*m_item, QFileIconProvider()).pixmap(iconRect.size(), devicePixelRatioF());
    if (!m_item->isFile()) {
        // A text's symbol is a template: it takes the colour of the row's text.
        QPainter tint(&icon);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(icon.rect(), titleColour());
    }
    painter.drawPixmap(iconRect, icon);
    const int titleLeft = iconRect.right() + 1 + iconToTitle;
    const QRect titleRect(titleLeft, 0, std::max(0, width() - titleLeft - trailingMargin),
                          height());
    const QString shown =
        fontMetrics().elidedText(m_displayTitle, Qt::ElideMiddle, titleRect.width());
    painter.setPen(titleColour());
    painter.drawText(titleRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, shown);
}

void ItemRowView::mousePressEvent(QMouseEvent* event) {
    m_mouseDownLocation = event->scenePosition();
    m_dragAllowed = true;
    event->accept();
}

void ItemRowView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragAllowed || !(event->buttons() & Qt::LeftButton) ||
        !DragThreshold::exceeded(m_mouseDownLocation, event->scenePosition()))
        return;
    // The row, even its shelf, may be gone when the drag ends: keep what the
    // report needs and touch nothing of this object afterwards.
    const ShelfItemPtr item = m_item;
    auto report = onDragOut;
    m_dragAllowed = false; // one drag per press, also when it is cancelled
    if (dragItemsOut(this, {item}, QPoint(16, 16), m_desktop.outgoingDrag) && report)
        report(item);
}

void ItemRowView::mouseDoubleClickEvent(QMouseEvent* event) {
    m_doubleClicked = event->button() == Qt::LeftButton;
}

void ItemRowView::mouseReleaseEvent(QMouseEvent*) {
    if (std::exchange(m_doubleClicked, false))
        openItem();
}

void ItemRowView::contextMenuEvent(QContextMenuEvent* event) {
    QPointer<QMenu> menu = buildMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

QMenu* ItemRowView::buildMenu() {
    auto* menu = new QMenu(this);
    menu->setStyleSheet(DarkLook::menu());
    if (m_item->isFile()) {
        menu->addAction(tr("Open"), this, &ItemRowView::openItem);
        menu->addAction(tr("Reveal in File Manager"), this, &ItemRowView::revealItem);
    }
    menu->addAction(tr("Copy"), this, &ItemRowView::copyItem);
    menu->addSeparator();
    menu->addAction(tr("Remove from Shelf"), this, &ItemRowView::removeItem);
    return menu;
}

void ItemRowView::openItem() {
    if (m_item->isFile())
        FileManager::open(m_item->nativePath());
}

void ItemRowView::revealItem() {
    if (m_item->isFile())
        FileManager::reveal(m_item->nativePath());
}

void ItemRowView::copyItem() {
    if (!ClipboardWriter::write({m_item->isFile() ? ClipboardEntry::file(m_item->nativePath())
                                                  : ClipboardEntry::text(m_item->text())},
                                m_desktop.clipboardHeldHere) &&
        onCopyFailed)
        onCopyFailed();
}

void ItemRowView::removeItem() {
    if (onRemove)
        onRemove(m_item);
}

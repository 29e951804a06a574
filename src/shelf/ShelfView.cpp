#include "shelf/ShelfView.h"

#include "platform/common/Symbols.h"
#include "settings/Commands.h"
#include "shelf/DarkLook.h"
#include "shelf/DragAllView.h"
#include "shelf/FooterButton.h"
#include "shelf/Palette.h"
#include "shelf/ShelfPanel.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

namespace {

// The panel's fixed measures, in points.
constexpr int headerHeight = 34;
constexpr int titleLeading = 12;
constexpr int titleToPin = 4;
constexpr int closeTrailing = 8;
constexpr int pinToClose = 4;
constexpr int symbolSize = 16;
constexpr int iconButtonHeight = 22; // taller than the glyph: an easier target
constexpr int listInset = 4;
constexpr int footerMargin = 10;
constexpr int footerHeight = 30;
constexpr int footerSpacing = 6;
constexpr int listToFooter = 8;
constexpr int emptyHintMargin = 16;
constexpr int noticeHeight = 16;
constexpr int rowSpacing = 2;
constexpr double disabledAlpha = 0.45;

QColor defaultSymbolTint() {
    return QColor::fromRgbF(1, 1, 1, 0.85f);
}

// A label's text colour; labels draw no background of their own.
void setTextColour(QWidget* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

QFont pixelFont(const QWidget* widget, int pixels, bool bold = false) {
    QFont font = widget->font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// The content's grid: the header's row, the list's, the gap where the zip
// progress shows, the footer's and the margin under it; the outer columns
// inset the list, the inner ones the footer.
enum Row { headerRow, listRow, gapRow, footerRow, bottomRow, rowCount };
enum Column { listColumn = 1, footerColumn = 2, columnCount = 5 };

} // namespace

ShelfView::ShelfView(QWidget* content, const ShelfDesktop& desktop) {
    auto* grid = new QGridLayout(content);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    for (int column : {0, 4})
        grid->setColumnMinimumWidth(column, listInset);
    for (int column : {1, 3})
        grid->setColumnMinimumWidth(column, footerMargin - listInset);
    grid->setColumnStretch(footerColumn, 1);
    grid->setRowStretch(listRow, 1);
    grid->setRowMinimumHeight(gapRow, listToFooter);
    grid->setRowMinimumHeight(bottomRow, footerMargin);

    m_header = new DragAllView(desktop, content);
    m_header->setFixedHeight(headerHeight);
    grid->addWidget(m_header, headerRow, 0, 1, columnCount);
    auto* separator = new QWidget(content);
    separator->setFixedHeight(1);
    separator->setAutoFillBackground(true);
    separator->setAttribute(Qt::WA_TransparentForMouseEvents); // the header's, for a drag
    QPalette separatorPalette = separator->palette();
    separatorPalette.setColor(QPalette::Window, Palette::borderSubtle());
    separator->setPalette(separatorPalette);
    grid->addWidget(separator, headerRow, 0, 1, columnCount, Qt::AlignBottom);

    m_title = new QLabel(QStringLiteral("Shelf"), m_header);
    m_title->setFont(pixelFont(m_title, 13, true));
    setTextColour(m_title, Qt::white);
    m_title->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto iconButton = [this](const char* name, const QString& symbol,
                             std::function<void()> ShelfView::*action) {
        auto* button = new QToolButton(m_header);
        button->setObjectName(QLatin1String(name));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setIcon(Symbols::tintedIcon(symbol, Palette::textMuted()));
        button->setIconSize(QSize(symbolSize, symbolSize));
        button->setFixedSize(symbolSize, iconButtonHeight);
        button->setStyleSheet(
            QStringLiteral("QToolButton { border: none; padding: 0; background: transparent; }") +
            DarkLook::toolTip());
        QObject::connect(button, &QToolButton::clicked, button, [this, action] {
            if (this->*action)
                (this->*action)();
        });
        return button;
    };
    m_close = iconButton("close", QStringLiteral("xmark.circle.fill"), &ShelfView::onClose);
    m_pin = iconButton("pin", QStringLiteral("pin"), &ShelfView::onPin);
    // The glyphs, not the squares they are drawn in, keep the header's
    // distances: the close glyph ends 8 points inside the right edge and the
    // pin glyph 4 points before the close glyph begins.
    const QRectF closeInk = Symbols::inkBounds(QStringLiteral("xmark.circle.fill"));
    const QRectF pinInk = Symbols::inkBounds(QStringLiteral("pin"));
    const double closeLeft = ShelfPanel::panelWidth - closeTrailing - closeInk.right();
    const int closeX = qRound(closeLeft);
    const int pinX = qRound(closeLeft + closeInk.left() - pinToClose - pinInk.right());
    auto* headerRowLayout = new QHBoxLayout(m_header);
    headerRowLayout->setContentsMargins(titleLeading, 0,
                                        ShelfPanel::panelWidth - closeX - symbolSize, 0);
    headerRowLayout->setSpacing(0);
    headerRowLayout->addWidget(m_title, 1);
    headerRowLayout->addSpacing(titleToPin);
    headerRowLayout->addWidget(m_pin, 0, Qt::AlignVCenter);
    headerRowLayout->addSpacing(closeX - pinX - symbolSize); // the squares may overlap
    headerRowLayout->addWidget(m_close, 0, Qt::AlignVCenter);

    auto* scroll = new QScrollArea(content);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->verticalScrollBar()->setStyleSheet(DarkLook::scrollBar());
    // The list draws nothing of its own: the card shows through.
    scroll->viewport()->setAutoFillBackground(false);
    m_rowParent = new QWidget;
    m_rowLayout = new QVBoxLayout(m_rowParent);
    m_rowLayout->setContentsMargins(0, 0, 0, 0);
    m_rowLayout->setSpacing(rowSpacing);
    m_rowLayout->setAlignment(Qt::AlignTop);
    scroll->setWidget(m_rowParent);
    m_rowParent->setAutoFillBackground(false); // which the scroll area has just turned on
    grid->addWidget(scroll, listRow, listColumn, 1, 3);

    // The rows' tool tips are shown for this widget, which is never shown itself:
    // the tip takes the look of the widget it is shown for.
    m_toolTipLook = new QWidget(content);
    m_toolTipLook->hide();
    m_toolTipLook->setStyleSheet(DarkLook::toolTip());

    m_emptyHint = new QLabel(content);
    m_emptyHint->setObjectName(QStringLiteral("emptyHint"));
    m_emptyHint->setWordWrap(true);
    m_emptyHint->setAlignment(Qt::AlignCenter);
    m_emptyHint->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_emptyHint->setFont(pixelFont(m_emptyHint, 11));
    setTextColour(m_emptyHint, QColor(235, 235, 245, 153));
    m_emptyHint->setFixedWidth(ShelfPanel::panelWidth - 2 * emptyHintMargin);
    grid->addWidget(m_emptyHint, 0, 0, rowCount, columnCount, Qt::AlignCenter);

    auto* footer = new QHBoxLayout;
    footer->setSpacing(footerSpacing);
    auto footerButton = [&, content](const char* name, std::function<void()> ShelfView::*action) {
        auto* button = new FooterButton(content);
        button->setObjectName(QLatin1String(name));
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        button->setFixedHeight(footerHeight);
        footer->addWidget(button, 1);
        QObject::connect(button, &QAbstractButton::clicked, button, [this, action] {
            if (this->*action)
                (this->*action)();
        });
        return button;
    };
    m_copyAll = footerButton("copyAll", &ShelfView::onCopyAll);
    m_zip = footerButton("zip", &ShelfView::onZip);
    m_clear = footerButton("clear", &ShelfView::onClear);
    grid->addLayout(footer, footerRow, footerColumn);

    // A thin bar in the gap between the list and the footer while archives are made.
    m_zipProgress = new QProgressBar(content);
    m_zipProgress->setObjectName(QStringLiteral("zipProgress"));
    m_zipProgress->setFixedHeight(3);
    m_zipProgress->setRange(0, 1000);
    m_zipProgress->setTextVisible(false);
    m_zipProgress->hide();
    grid->addWidget(m_zipProgress, gapRow, footerColumn, Qt::AlignVCenter);

    m_notice = new QLabel(content);
    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setFixedHeight(noticeHeight);
    m_notice->setAlignment(Qt::AlignCenter);
    m_notice->setFont(pixelFont(m_notice, 11));
    setTextColour(m_notice, QColor(255, 159, 10));
    m_notice->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_notice->hide();
    grid->addWidget(m_notice, listRow, footerColumn, Qt::AlignBottom);
}

void ShelfView::reloadLanguage() {
    m_emptyHint->setText(
        QCoreApplication::translate(
            "ShelfView",
            "Drop files, text or images here.\n\nTip: shake the mouse\nwhile dragging. (%1)")
            .arg(Commands::keyText(Commands::Command::toggleShelves)));
    m_pin->setToolTip(QCoreApplication::translate(
        "ShelfView", "Pin: keep items after drag-out and keep the panel open"));
    m_close->setToolTip(
        QCoreApplication::translate("ShelfView", "Close shelf (goes to “Recent Shelves”)"));
    m_pin->setAccessibleName(m_pin->toolTip());
    m_close->setAccessibleName(m_close->toolTip());
    m_copyAll->setText(QCoreApplication::translate("ShelfView", "Copy All"));
    m_zip->setText(QCoreApplication::translate("ShelfView", "Zip"));
    m_clear->setText(QCoreApplication::translate("ShelfView", "Clear"));
}

void ShelfView::showTitle(const QString& title) {
    m_title->setText(title);
}

void ShelfView::showContents(bool anyItem, bool anyFile) {
    m_copyAll->setEnabled(anyItem);
    m_zip->setEnabled(anyFile);
    m_clear->setEnabled(anyItem);
    for (FooterButton* button : {m_copyAll, m_zip, m_clear})
        button->setAlpha(button->isEnabled() ? 1.0 : disabledAlpha);
    m_emptyHint->setHidden(anyItem);
}

void ShelfView::showPinned(bool pinned, const QColor& highlight) {
    m_pin->setIcon(Symbols::tintedIcon(pinned ? QStringLiteral("pin.fill") : QStringLiteral("pin"),
                                       pinned ? highlight : defaultSymbolTint()));
    m_pin->setAccessibleName(m_pin->toolTip());
}

void ShelfView::showNotice(const QString& text) {
    m_notice->setText(text);
    m_notice->show();
    m_notice->raise();
    QTimer::singleShot(5000, m_notice, [notice = m_notice] { notice->hide(); });
}

void ShelfView::showZipProgress(std::optional<double> fraction) {
    if (!fraction) {
        m_zipProgress->hide();
        return;
    }
    m_zipProgress->setValue(static_cast<int>(1000 * *fraction));
    m_zipProgress->show();
}

#pragma once

#include "shelf/ShelfDesktop.h"

#include <QColor>
#include <QString>
#include <functional>
#include <optional>

class DragAllView;
class FooterButton;
class QLabel;
class QProgressBar;
class QToolButton;
class QVBoxLayout;
class QWidget;

// What a shelf's panel shows, laid out on its content: a header with the
// title and the pin and close buttons, the list of rows with a hint while it
// is empty, a notice and the zip progress above a footer of three buttons.
// The widgets belong to the content.
class ShelfView {
public:
    ShelfView(QWidget* content, const ShelfDesktop& desktop);

    // The buttons' actions.
    std::function<void()> onPin;
    std::function<void()> onClose;
    std::function<void()> onCopyAll;
    std::function<void()> onZip;
    std::function<void()> onClear;

    // The handle that drags every item at once.
    DragAllView* header() const { return m_header; }
    // Where the rows go, in order, and the widget that holds them.
    QVBoxLayout* rowLayout() const { return m_rowLayout; }
    QWidget* rowParent() const { return m_rowParent; }
    // What the rows show their tool tips for, so that the tips are drawn dark.
    QWidget* toolTipLook() const { return m_toolTipLook; }

    // Sets every fixed text in the current language.
    void reloadLanguage();
    void showTitle(const QString& title);
    // The footer offers what the items allow; the hint shows when there are none.
    void showContents(bool anyItem, bool anyFile);
    void showPinned(bool pinned, const QColor& highlight);
    // A short notice above the footer for a few seconds.
    void showNotice(const QString& text);
    // The mean progress of the zip jobs running, or nothing when none runs.
    void showZipProgress(std::optional<double> fraction);

private:
    DragAllView* m_header = nullptr;
    QLabel* m_title = nullptr;
    QToolButton* m_pin = nullptr;
    QToolButton* m_close = nullptr;
    QWidget* m_rowParent = nullptr;
    QVBoxLayout* m_rowLayout = nullptr;
    QWidget* m_toolTipLook = nullptr;
    QLabel* m_emptyHint = nullptr;
    QLabel* m_notice = nullptr;
    QProgressBar* m_zipProgress = nullptr;
    FooterButton* m_copyAll = nullptr;
    FooterButton* m_zip = nullptr;
    FooterButton* m_clear = nullptr;
};

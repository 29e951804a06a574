#pragma once

#include "model/ShelfItem.h"
#include "platform/Screens.h"

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class DragAllView;
class FooterButton;
class ItemRowView;
class QLabel;
class QProgressBar;
class QScrollArea;
class QToolButton;
class QVBoxLayout;
class ShelfDropView;
class ShelfPanel;
class Timer;
class FilePromiseReceiver;
class Timers;
class WindowHints;

// One open shelf: its floating panel and the ordered items it holds. It adds
// dropped items without duplicate files, removes what is dragged out unless
// pinned, and closes itself when it becomes empty (unless pinned) or when an
// armed auto-close finds it still empty.
class ShelfController : public QObject {
    Q_OBJECT

public:
    // The timers run the auto-close. Without promises, files that drag
    // sources only promise are not taken; without hints, see ShelfPanel.
    ShelfController(std::vector<ShelfItemPtr> items, Timers& timers,
                    FilePromiseReceiver* promises = nullptr, WindowHints* hints = nullptr);
    ~ShelfController() override;

    const std::vector<ShelfItemPtr>& items() const { return m_items; }
    bool pinned() const { return m_pinned; }
    ShelfPanel* panel() const { return m_panel.get(); }
    ShelfDropView* dropView() const { return m_dropView; }

    // Called each time the shelf closes; the owner reads items() inside it.
    std::function<void()> onClose;

    void add(std::vector<ShelfItemPtr> newItems);
    // Removes that very object wherever it occurs, then closes the shelf when
    // it is left empty and unpinned.
    void remove(const ShelfItemPtr& item);
    // Places the panel beside a point in screen points and brings it to the
    // front; a visible panel only comes to the front.
    void show(QPointF near);
    void show(QPointF near, const ScreenLayout& screens);
    void scheduleAutoCloseIfEmpty(double seconds);
    bool autoClosePending() const { return m_autoCloseTimer != nullptr; }
    void close();
    void reloadLanguage();

    // The actions of the panel's buttons.
    void togglePin();
    void closeClicked();
    void clearClicked();
    void copyAll();
    void zipAll();

    // What the panel shows, for whoever needs to look.
    QString title() const;
    QString emptyHint() const;
    bool emptyHintVisible() const;
    FooterButton* copyButton() const { return m_copyButton; }
    FooterButton* zipButton() const { return m_zipButton; }
    FooterButton* clearButton() const { return m_clearButton; }
    QToolButton* pinButton() const { return m_pinButton; }
    QToolButton* closeButton() const { return m_closeButton; }
    DragAllView* header() const { return m_header; }
    const std::vector<ItemRowView*>& rows() const { return m_rows; }
    bool zipProgressVisible() const;

private:
    void buildUI();
    void layoutViews();
    void updateUI();
    void updatePinImage();
    void updateZipProgress();

    std::vector<ShelfItemPtr> m_items;
    bool m_pinned = false;
    Timers* m_timers;
    FilePromiseReceiver* m_promises;
    WindowHints* m_hints;
    std::unique_ptr<Timer> m_autoCloseTimer;

    std::unique_ptr<ShelfPanel> m_panel;
    ShelfDropView* m_dropView = nullptr;
    DragAllView* m_header = nullptr;
    QLabel* m_titleLabel = nullptr;
    QToolButton* m_pinButton = nullptr;
    QToolButton* m_closeButton = nullptr;
    QWidget* m_separator = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_stack = nullptr;
    QVBoxLayout* m_stackLayout = nullptr;
    QLabel* m_emptyLabel = nullptr;
    QWidget* m_footer = nullptr;
    FooterButton* m_copyButton = nullptr;
    FooterButton* m_zipButton = nullptr;
    FooterButton* m_clearButton = nullptr;
    QProgressBar* m_zipProgress = nullptr;
    std::vector<ItemRowView*> m_rows;
    std::map<int, double> m_zipJobs; // running jobs and how far each is
    int m_nextZipJob = 1;
};

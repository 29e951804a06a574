#pragma once

#include "model/Shelf.h"
#include "platform/Screens.h"
#include "shelf/ShelfDesktop.h"

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
class Timers;

// The window of one open shelf: its floating panel, rows, footer and zip
// progress. It shows what its shelf holds and hands every user action to the
// shelf's rules; it places its panel beside a point.
class ShelfController : public QObject {
    Q_OBJECT

public:
    // The window of a shelf that someone else owns; it follows that shelf.
    explicit ShelfController(Shelf& shelf, ShelfDesktop desktop = {});
    // A window with a shelf of its own, for a window used alone.
    ShelfController(std::vector<ShelfItemPtr> items, Timers& timers, ShelfDesktop desktop = {});
    ~ShelfController() override;

    Shelf& shelf() const { return *m_shelf; }
    const std::vector<ShelfItemPtr>& items() const { return m_shelf->items(); }
    void add(std::vector<ShelfItemPtr> newItems) { m_shelf->add(std::move(newItems)); }
    void remove(const ShelfItemPtr& item) { m_shelf->remove(item); }
    void close() { m_shelf->close(); }

    ShelfPanel* panel() const { return m_panel.get(); }
    ShelfDropView* dropView() const { return m_dropView; }

    // Places the panel beside a point in screen points and brings it to the
    // front; a visible panel only comes to the front.
    void show(QPointF near);
    void show(QPointF near, const ScreenLayout& screens);
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
    // A short notice above the footer, such as a copy that did not happen;
    // empty when none shows.
    QString status() const;
    // Shows a notice there for a few seconds.
    void showNotice(const QString& text);

private:
    void follow();
    void buildUI();
    void layoutViews();
    void updateUI();
    void updatePinImage();
    void updateZipProgress();
    void showCopyFailed();

    std::unique_ptr<Shelf> m_ownShelf;
    // Another owner's shelf may go first when both are deleted later.
    QPointer<Shelf> m_shelf;
    bool m_showsPinned = false;
    ShelfDesktop m_desktop;

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
    QLabel* m_status = nullptr;
    std::vector<ItemRowView*> m_rows;
    std::map<int, double> m_zipJobs; // running jobs and how far each is
    int m_nextZipJob = 1;
};

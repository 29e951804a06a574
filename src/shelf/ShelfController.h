#pragma once

#include "model/Shelf.h"
#include "platform/Screens.h"
#include "shelf/ShelfDesktop.h"
#include "shelf/ShelfPanel.h"

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <memory>
#include <vector>

class CopyAllAndZip;
class ItemRowView;
class RowReconciler;
class ShelfView;

// The window of one open shelf: its floating panel, rows, footer and zip
// progress. It shows what its shelf holds and hands every user action to the
// shelf's rules; it places its panel beside a point.
class ShelfController : public QObject {
    Q_OBJECT

public:
    // The window follows the shelf, which its owner may delete first. It
    // takes `panel` where one was made (and maybe prepared) beforehand.
    explicit ShelfController(Shelf& shelf, ShelfDesktop desktop = {},
                             std::unique_ptr<ShelfPanel> panel = nullptr);
    ~ShelfController() override;

    ShelfPanel* panel() const { return m_panel.get(); }

    // Places the panel beside a point in screen points and brings it to the
    // front; a visible panel only comes to the front.
    void show(QPointF near, const ScreenLayout& screens);

    // The list's rows, top first.
    const std::vector<ItemRowView*>& rows() const;
    // Shows a short notice above the footer for a few seconds, such as a copy
    // that did not happen.
    void showNotice(const QString& text);

protected:
    // Relabels the panel when the language changes.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reloadLanguage();
    void update();
    void showCopyFailed();

    // Another owner's shelf may go first when both are deleted later.
    QPointer<Shelf> m_shelf;
    bool m_showsPinned = false;
    ShelfDesktop m_desktop;
    // The panel, which holds every widget, goes first.
    std::unique_ptr<ShelfView> m_view;
    std::unique_ptr<RowReconciler> m_rows;
    std::unique_ptr<ShelfPanel> m_panel;
    CopyAllAndZip* m_copyAndZip = nullptr;
};

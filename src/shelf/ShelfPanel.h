#pragma once

#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QWidget>
#include <functional>

class PanelPlacement;
class WindowHints;

// A shelf's floating window: frameless, above other windows, on every
// workspace, out of the task bar, and never taking the focus when it shows.
class ShelfPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int panelWidth = 280;
    static constexpr int panelHeight = 360;

    // Without hints it is drawn as if no compositor ran, and the window
    // manager is told nothing beyond Qt's window flags; without a placement
    // Qt places it.
    explicit ShelfPanel(WindowHints* hints, PanelPlacement* placement = nullptr,
                        QWidget* parent = nullptr);

    void setContent(QWidget* content);
    // The shelf's title, as the window's title.
    void setTitle(const QString& title);

    // The window's frame in screen points (origin bottom-left, y up).
    QRectF frame() const;
    void setFrameOrigin(QPointF origin);
    // Shows the panel above the others without activating the program.
    void showWithoutActivating();
    // Makes the window and has the window system map it with nothing drawn,
    // where it shows nothing until a window's first frame (Wayland): the
    // compositor's round trip for a new window is then over when the shelf
    // is shown, and the shelf shows with its first frame.
    void prepare();
    // Shown to the user: a prepared panel is not, until it shows.
    bool isShown() const { return isVisible() && !m_prepared; }

    // The user moved the panel through the window system, which told the
    // placer but not Qt.
    void movedByUser(QPoint qtGlobalTopLeft) { m_placedAt = qtGlobalTopLeft; }

    // The window system asked the window to close (the window manager's menu or
    // key, a compositor's close). Without a handler the panel only hides, and a
    // shelf nobody can see stays open.
    std::function<void()> onCloseRequested;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void showWindow();

    WindowHints* m_hints;
    PanelPlacement* m_placement;
    QWidget* m_content = nullptr;
    int m_serial = 0;
    bool m_prepared = false;
    // Where the placer put the panel: on Wayland Qt soon forgets it, and
    // reports every window at the origin.
    QPoint m_placedAt;
};

#pragma once

#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QWidget>

class WindowHints;

// A shelf's floating window: frameless, above other windows, on every
// workspace, out of the task bar, and never taking the focus when it shows.
class ShelfPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int panelWidth = 280;
    static constexpr int panelHeight = 360;

    // Without hints it is drawn as if no compositor ran, and the window
    // manager is told nothing beyond Qt's window flags.
    explicit ShelfPanel(WindowHints* hints, QWidget* parent = nullptr);

    void setContentView(QWidget* content);
    // The shelf's title, as the window's title.
    void setTitle(const QString& title);

    // The window's frame in screen points (origin bottom-left, y up).
    QRectF frame() const;
    void setFrameOrigin(QPointF origin);
    // Shows the panel above the others without activating the program.
    void orderFrontRegardless();
    void orderOut();

    // The user moved the panel with that window title through the window
    // system, which told the placer but not Qt.
    static void movedByUser(const QString& windowTitle, QPoint qtGlobalTopLeft);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    WindowHints* m_hints;
    QWidget* m_content = nullptr;
    int m_serial = 0;
    // Where the placer put the panel: on Wayland Qt soon forgets it, and
    // reports every window at the origin.
    QPoint m_placedAt;
};

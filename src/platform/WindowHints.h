#pragma once

class QWindow;

// What a floating panel asks of the window manager beyond Qt's window flags.
class WindowHints {
public:
    virtual ~WindowHints() = default;

    // True when a compositing manager runs, so translucent pixels blend instead of
    // showing black.
    virtual bool compositorRunning() = 0;

    // Shows the window on every workspace and keeps it out of the task bar and
    // pager. Call before the window is shown and again after it is mapped: some
    // window managers read the hints at map time, others only from client messages.
    virtual void keepOnAllWorkspaces(QWindow* window) = 0;

    // Window managers stack a focused full-screen window above every "keep above"
    // window. When such a window has the focus, the panel is made its transient,
    // which they keep above it, without any focus changing hands; otherwise the
    // panel goes back to belonging to the program alone. Call once the window is shown.
    virtual void standAboveFocusedFullScreen(QWindow* window) = 0;
};

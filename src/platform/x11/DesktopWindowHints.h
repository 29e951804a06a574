#pragma once

class QWindow;

// What a floating panel asks of the window manager beyond Qt's window flags.
namespace DesktopWindowHints {

// True when a compositing manager runs, so translucent pixels blend instead of
// showing black.
bool compositorRunning();

// Shows the window on every workspace and keeps it out of the task bar and
// pager. Call before the window is shown and again after it is mapped: some
// window managers read the hints at map time, others only from client messages.
void keepOnAllWorkspaces(QWindow* window);

} // namespace DesktopWindowHints

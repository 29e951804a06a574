#pragma once

#include "app/QuoblinApp.h"
#include "model/ShelfManagerServices.h"
#include "platform/gnome/GnomeSession.h"
#include "shelf/ShelfDesktop.h"

#include <memory>

class FilePromiseReceiver;
class Timers;
class WindowHints;

// The real services of the session the program runs in, chosen in this one
// place and handed to the parts that use them: those of X11, of GNOME on
// Wayland with the companion extension, or of no backend at all (another
// Wayland session without XWayland), where nothing global is seen. Make it
// after the application object and let it go before that does.
class DesktopServices {
public:
    // `gnome`: what the start found of GNOME and its companion extension.
    explicit DesktopServices(const GnomeSession::Status& gnome = {});
    ~DesktopServices();

    DesktopServices(const DesktopServices&) = delete;
    DesktopServices& operator=(const DesktopServices&) = delete;

    // What the application takes from the desktop; valid while this lives.
    QuoblinApp::Services appServices();
    // What the shelf manager takes from the desktop; valid while this lives.
    std::shared_ptr<ShelfManagerServices> shelfServices();
    // What every shelf window takes from the desktop; valid while this lives.
    ShelfDesktop shelfDesktop();

    // For a shelf window made on its own: its timers, the files that drag
    // sources promise (none off X11) and the window manager's hints.
    Timers& timers();
    FilePromiseReceiver* filePromises();
    WindowHints* windowHints();

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

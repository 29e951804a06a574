#pragma once

#include "app/QuoblinApp.h"
#include "platform/ClipboardRead.h"
#include "platform/gnome/GnomeSession.h"
#include "shake/ShakeDetector.h"

#include <functional>
#include <memory>

class Pointer;
class QMimeData;
class ShelfControllerWindows;

// What the application takes from the desktop, so that its wiring can be
// exercised with fakes.
struct QuoblinApp::Services {
    // Made first, as the program starts: the manager reads the recent shelves at once.
    std::function<std::unique_ptr<ShelfManager>()> makeManager;
    // The windows the manager opens its shelves in, relabelled on a language change.
    std::shared_ptr<ShelfControllerWindows> windows;
    ShakeServices shake;
    Pointer* pointer = nullptr;                 // the mouse location for new shelves
    KeyGrabService* keys = nullptr;             // where the hot keys are grabbed; required
    AutostartService* autostartEntry = nullptr; // starting at login; required
    std::function<void()> beep;
    std::function<bool()> altHeld;               // the Alt key, at the moment of asking
    std::function<const QMimeData*()> clipboard; // the clipboard's current contents
    // What the last clipboard() left out: formats too large for the desktop to
    // hand over, or a clipboard owner that did not answer in time.
    using Shortfall = ClipboardRead::Shortfall;
    std::function<Shortfall()> clipboardShortfall;
    // Whether the window of the shelf a shake opens is made while the shake
    // is under way: where the compositor shows a window it has just learnt of
    // a frame or two later than one it already knows (Wayland).
    bool prepareShakenWindows = false;
    bool showTrayIcon = true;
    // What the start found of GNOME and its companion, for the about box;
    // absent off GNOME. Kept up to date by whoever started the program.
    const GnomeSession::Status* gnome = nullptr;
};

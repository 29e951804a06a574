#pragma once

#include <functional>

class FilePromiseReceiver;
class OutgoingDrag;
class PanelPlacement;
class WindowHints;

// What a shelf's window takes from the desktop it runs on, handed to every
// window by the factory that makes them. Each part may be absent.
struct ShelfDesktop {
    // Files that drag sources only promise; without it they are not taken.
    FilePromiseReceiver* promises = nullptr;
    // Without hints the panel is drawn as if no compositor ran, and the
    // window manager is told nothing beyond Qt's window flags.
    WindowHints* hints = nullptr;
    // Where panels are placed by someone else (a Wayland compositor's
    // helper); without it Qt moves them.
    PanelPlacement* placement = nullptr;
    // Told of every drag out of a shelf.
    OutgoingDrag* outgoingDrag = nullptr;
    // Whether the program really holds the clipboard after a copy; without
    // it a copy counts as done.
    std::function<bool()> clipboardHeldHere = nullptr;
};

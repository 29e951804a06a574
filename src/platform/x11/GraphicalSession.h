#pragma once

#include <QString>

struct xcb_connection_t;

// Which of Qt's window-system plugins can run this session, decided before
// QApplication exists: Qt aborts the process when its plugin cannot connect,
// and a desktop program should say why and exit instead.
namespace GraphicalSession {

struct Choice {
    QString platform; // the plugin to use; empty when none can run
    QString problem;  // why none can, for the user
};

// X11 whenever DISPLAY names a server that answers (on a Wayland session that
// is XWayland, where the global services work); native Wayland only when its
// socket exists and Qt has the plugin for it.
Choice choose();

// The connection choose() made to find the X server answering, kept for the
// platform layer's own use so that start-up connects once less; nullptr when
// none is held. The caller owns it. Taken at most once.
xcb_connection_t* takeProbeConnection(int* screen);

} // namespace GraphicalSession

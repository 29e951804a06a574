#pragma once

#include <QString>

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

} // namespace GraphicalSession

#pragma once

#include <QString>

// Whether this is a Plasma Wayland session and whether KWin answers there,
// decided before QApplication exists: the answer picks Qt's window-system
// plugin (native Wayland with KWin's scripting, XWayland without).
namespace KdeSession {

enum class KWin {
    notPlasma, // another session: nothing was asked
    ready,     // KWin's scripting answers: the companion script can be loaded
    absent,    // a Plasma Wayland session where KWin's scripting did not answer
};

// WAYLAND_DISPLAY set and KDE among the desktops of XDG_CURRENT_DESKTOP.
bool isPlasmaWayland(const QString& waylandDisplay, const QString& currentDesktop);
bool isPlasmaWayland();

// Asks the session bus, for at most about half a second.
KWin probe();

// What the user is told when KWin did not answer, in the user's language.
QString fallbackNote();

} // namespace KdeSession

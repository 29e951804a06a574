#include "platform/x11/GraphicalSession.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <utility>
#include <xcb/xcb.h>

namespace GraphicalSession {

namespace {
xcb_connection_t* probeConnection = nullptr;
int probeScreen = 0;
} // namespace

static bool x11Answers() {
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screen);
    const bool ok = connection && !xcb_connection_has_error(connection);
    if (!ok) {
        if (connection)
            xcb_disconnect(connection);
        return false;
    }
    if (probeConnection)
        xcb_disconnect(probeConnection);
    probeConnection = connection;
    probeScreen = screen;
    return true;
}

xcb_connection_t* takeProbeConnection(int* screen) {
    *screen = probeScreen;
    return std::exchange(probeConnection, nullptr);
}

static bool waylandAvailable(const QString& display) {
    const QString socket =
        QFileInfo(display).isAbsolute()
            ? display
            : qEnvironmentVariable("XDG_RUNTIME_DIR") + QLatin1Char('/') + display;
    const QDir plugins(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                       QStringLiteral("/platforms"));
    return QFileInfo::exists(socket) &&
           !plugins.entryList({QStringLiteral("libqwayland*.so")}, QDir::Files).isEmpty();
}

Choice choose() {
    const QString display = qEnvironmentVariable("DISPLAY");
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (!display.isEmpty()) {
        if (x11Answers())
            return {QStringLiteral("xcb"), {}};
        if (wayland.isEmpty())
            return {{}, QStringLiteral("the X display %1 does not answer").arg(display)};
    }
    if (!wayland.isEmpty()) {
        if (waylandAvailable(wayland))
            return {QStringLiteral("wayland"), {}};
        return {
            {},
            QStringLiteral("this Wayland session offers no X11 (XWayland) display, and Qt cannot "
                           "reach its Wayland display %1")
                .arg(wayland)};
    }
    return {{},
            QStringLiteral(
                "no graphical session to run in (neither DISPLAY nor WAYLAND_DISPLAY is set)")};
}

} // namespace GraphicalSession

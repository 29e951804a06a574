#include "platform/GlobalPressMonitor.h"
#include "platform/LocalPressMonitor.h"
#include "platform/SystemDragPasteboard.h"
#include "platform/SystemPointer.h"
#include "platform/Timers.h"
#include "shake/ShakeDetector.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    // On a Wayland session the global services exist only through XWayland.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
            qputenv("QT_QPA_PLATFORM", "xcb");
        } else if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
            std::fputs("quoblin: no graphical session to run in (neither DISPLAY nor WAYLAND_DISPLAY is set)\n",
                       stderr);
            return 1;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quoblin"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quoblin"));
    QApplication::setApplicationVersion(QStringLiteral(QUOBLIN_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);

    GlobalPressMonitor globalPresses;
    LocalPressMonitor localPresses;
    SystemPointer pointer;
    SystemDragPasteboard drag;
    ShakeDetector shake(
        {&globalPresses, &localPresses, &pointer, &drag, &SystemTimers::instance()});
    shake.start();

    return QApplication::exec();
}

#include "platform/GlobalPressMonitor.h"
#include "platform/LocalPressMonitor.h"
#include "platform/SystemDragPasteboard.h"
#include "platform/SystemPointer.h"
#include "platform/Timers.h"
#include "shake/ShakeDetector.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // On a Wayland session the global services exist only through XWayland.
    if (!qEnvironmentVariableIsEmpty("DISPLAY") && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");

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

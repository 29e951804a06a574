#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/DesktopServices.h"
#include "platform/SingleInstance.h"
#include "platform/Symbols.h"
#include "platform/TerminationSignals.h"
#include "platform/x11/GraphicalSession.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[]) {
    // On a Wayland session the global services exist only through XWayland.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        const GraphicalSession::Choice session = GraphicalSession::choose();
        if (session.platform.isEmpty()) {
            std::fprintf(stderr, "quoblin: %s\n", qPrintable(session.problem));
            return 1;
        }
        qputenv("QT_QPA_PLATFORM", session.platform.toLatin1());
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quoblin"));
    QApplication::setApplicationVersion(QStringLiteral(QUOBLIN_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("quoblin"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(Symbols::appIcon());

    // A second start only asks the running one to show its shelves: two
    // programs writing one recent-shelves file would lose each other's entries.
    SingleInstance instance;
    if (!instance.tryBecomePrimary())
        return 0;

    DesktopServices desktop;
    AppDelegate delegate(desktop.appServices());
    instance.onShowRequested = [&delegate] { delegate.showShelves(); };

    // A logout or kill ends the program the same way as its Quit command, so
    // the open shelves become recent shelves instead of being lost.
    TerminationSignals termination;
    termination.onTerminate = [] { QCoreApplication::quit(); };
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                     [] { QCoreApplication::quit(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                     [&delegate] { delegate.applicationWillTerminate(); });

    QTimer::singleShot(0, &delegate, [&delegate] { delegate.applicationDidFinishLaunching(); });
    return QApplication::exec();
}
